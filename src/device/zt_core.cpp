#include "device/zt_core.h"

#include "modbus/modbus.h"
#include "util/sysutil.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

using namespace ZT_namespace;

namespace {

const char* const kBadSearchLength = "Неверная длина ответа поиска архива";
const char* const kBadRecordsLength = "Неверная длина ответа архивных данных";
const char* const kBadRecordCount = "Неверное число записей в ответе архивных данных";
const char* const kUnknownVersionText = "Неизвестная версия прибора";

constexpr int32_t kSearchReply = 10;

bool IsJournal(int32_t kind)
{
    return kind == kAlarmJournal || kind == kOperatorJournal;
}
bool HasCollection(int32_t kind)
{
    return kind >= 0 && kind < kSystemArchive;
}

} // namespace

int32_t ZT_Helper::RecordSize(int32_t kind)
{
    switch (kind) {
    case kAlarmJournal:
    case kOperatorJournal:
        return kJournalRecordSize;
    case kSystemArchive:
        return kSystemRecordSize;
    default:
        return kArchiveRecordSize;
    }
}

int32_t ZT_Helper::RequestBytes(int32_t kind, int32_t count)
{
    return std::min(RecordSize(kind) * count, 256);
}

void ZT_Helper::ClearArchives(int32_t mask)
{
    TDeviceHelperLocker locker(*this);
    for (int32_t kind = 0; kind < kSystemArchive; ++kind)
        if (mask & (1 << kind)) {
            archiveLists_[kind].clear();
            journalLists_[kind].clear();
        }
}

void ZT_Helper::PublishArchives(int32_t mask)
{
    TDeviceHelperLocker locker(*this);
    for (int32_t kind = 0; kind < kSystemArchive; ++kind)
        if (mask & (1 << kind)) {
            archiveVectors_[kind].assign(archiveLists_[kind].begin(), archiveLists_[kind].end());
            journalVectors_[kind].assign(journalLists_[kind].begin(), journalLists_[kind].end());
            archiveLists_[kind].clear();
            journalLists_[kind].clear();
        }
}

const std::vector<ArchiveStruct>& ZT_Helper::ArchiveVector(int32_t kind) const
{
    if (!HasCollection(kind) || IsJournal(kind))
        throw std::out_of_range("no archive of that kind");
    return archiveVectors_[kind];
}

const std::vector<JournalStruct>& ZT_Helper::JournalVector(int32_t kind) const
{
    if (!IsJournal(kind))
        throw std::out_of_range("no journal of that kind");
    return journalVectors_[kind];
}

size_t ZT_Helper::ListSize(int32_t kind) const
{
    if (!HasCollection(kind))
        return 0;
    return IsJournal(kind) ? journalLists_[kind].size() : archiveLists_[kind].size();
}

bool ZT_Helper::SearchArchive(int32_t kind, TDateTime date, TInteractContainer* container, int32_t attempts,
                              uint16_t& index)
{
    TCriticalSectionEx::CAuto guard(Lock);
    int year = 0, month = 0, day = 0;
    DecodeDate(date, year, month, day);
    uint8_t data[4] = {static_cast<uint8_t>(kind), static_cast<uint8_t>(year % 100),
                       static_cast<uint8_t>(month), static_cast<uint8_t>(day)};
    int32_t length = sizeof TxBuffer;
    if (!BuildRequest(TxBuffer, length, static_cast<uint8_t>(GetAddress()), kFnArchiveSearch, data, 4))
        return false;
    try {
        RunExchange(length, kSearchReply, 3500, 100, container, attempts, [](int32_t n) {
            if (n != kSearchReply)
                throw Exception(kBadSearchLength);
        });
    } catch (const Exception& error) {
        // A cancel request ends the reading rather than the search alone.
        ::CheckCancel(container);
        Report(error.Message(), container);
        return false;
    }
    if (RxBuffer[1] != kFnArchiveSearch)
        return false;
    index = static_cast<uint16_t>(RxBuffer[6] | (RxBuffer[7] << 8));
    return true;
}

bool ZT_Helper::ReadArchive(int32_t kind, bool prepend, uint16_t& index, int32_t& count,
                            TInteractContainer* container, int32_t attempts)
{
    if (kind < 0 || kind > kSystemArchive || count < 1 || count > 255)
        return false;
    TCriticalSectionEx::CAuto guard(Lock);
    const int32_t size = RecordSize(kind);
    const int32_t expected = RequestBytes(kind, count) + 9;
    uint8_t data[5] = {static_cast<uint8_t>(kind), 0, static_cast<uint8_t>(index),
                       static_cast<uint8_t>(index >> 8), static_cast<uint8_t>(count)};
    int32_t length = sizeof TxBuffer;
    if (!BuildRequest(TxBuffer, length, static_cast<uint8_t>(GetAddress()), kFnArchiveRead, data, 5))
        return false;
    RunExchange(length, expected, 1000, 100, container, attempts, [&](int32_t n) {
        // The records the reply claims must be the ones it carries.
        if (n != expected || (RxBuffer[1] == kFnArchiveRead && RxBuffer[6] * size > n - 9))
            throw Exception(kBadRecordsLength);
    });
    if (RxBuffer[1] != kFnArchiveRead)
        return false;

    const int32_t returned = RxBuffer[6];
    index = static_cast<uint16_t>(RxBuffer[4] | (RxBuffer[5] << 8));
    count = returned;
    if (!HasCollection(kind))
        return true;
    TDeviceHelperLocker locker(*this);
    for (int32_t i = 0; i < returned; ++i) {
        const uint8_t* p = RxBuffer + 7 + size * i;
        if (IsJournal(kind)) {
            JournalStruct r;
            std::memcpy(r.Bytes.data(), p, kJournalRecordSize);
            prepend ? journalLists_[kind].push_front(r) : journalLists_[kind].push_back(r);
        } else {
            ArchiveStruct r;
            std::memcpy(r.Bytes.data(), p, kArchiveRecordSize);
            prepend ? archiveLists_[kind].push_front(r) : archiveLists_[kind].push_back(r);
        }
    }
    return true;
}

ZT_ReadArchiveAlgorithm::ZT_ReadArchiveAlgorithm(ZT_ReadArchiveDataSetup setup, ZT_Helper* device,
                                                 TInteractContainer* container)
    : ProcessAlgorithm(container), Setup(std::move(setup)), Device(device)
{
}

void ZT_ReadArchiveAlgorithm::Post(const std::string& text)
{
    if (!Container)
        return;
    if (TInteract* record = Container->Acquire())
        record->AddMessage(text);
    Container->Release(true);
}

bool ZT_ReadArchiveAlgorithm::Selected(uint32_t entry) const
{
    uint32_t kind = entry & 0xFF;
    return kind < uint32_t(kArchiveKindCount) && (Setup.KindMask & (1 << kind));
}

void ZT_ReadArchiveAlgorithm::Execute()
{
    Device->ClearArchives(Setup.KindMask);
    try {
        Read();
    } catch (...) {
        if (!Setup.KeepPartial)
            throw;
        Device->PublishArchives(Setup.KindMask);
    }
}

void ZT_ReadArchiveAlgorithm::Read()
{
    if (!Device->IsIdentified()) {
        Post("Определение модификация прибора");
        if (!Device->IdentifyDevice(Container, 3)) {
            if (Setup.FailIncomplete)
                throw Exception(kUnknownVersionText);
            return;
        }
    }
    CheckCancel();
    Post("Чтение текущих параметров");
    Device->ReadRegisters(ArchiveLastRegister(0), 21, Container, 3);
    ++ProgressDone;
    UpdateProgress();
    CheckCancel();

    int32_t last[kArchiveKindCount], tail[kArchiveKindCount], head[kArchiveKindCount];
    {
        TDeviceHelperLocker locker(*Device);
        for (int k = 0; k < kArchiveKindCount; ++k) {
            last[k] = Device->Word(ArchiveLastRegister(k));
            tail[k] = Device->Word(ArchiveTailRegister(k));
            head[k] = Device->Word(ArchiveHeadRegister(k));
        }
    }

    std::vector<TArchivePlanStruct> plans;
    for (uint32_t entry : Setup.Kinds) {
        if (!Selected(entry))
            continue;
        TArchivePlanStruct plan;
        plan.Kind = int32_t(entry & 0xFF);
        int32_t k = plan.Kind;
        int32_t t = tail[k], h = head[k];
        if (Setup.ReadAll) {
            t = 0;
            h = last[k];
        } else {
            if (Setup.SearchStart) {
                Post("Поиск архивов по дате");
                uint16_t found = 0;
                if (Device->SearchArchive(k, Setup.DateFrom, Container, 3, found))
                    t = found;
            }
            // The first record dated after the period ends the reading, so
            // that a day out of a long ring costs a few requests.
            int32_t end = -1;
            if (Setup.SearchEnd) {
                Post("Поиск архивов по дате");
                uint16_t found = 0;
                if (Device->SearchArchive(k, std::floor(Setup.DateTo) + 1, Container, 3, found))
                    end = found;
            }
            if (t > last[k]) {
                t = 0;
                Device->Report("Сбой указателя хвоста архива", Container);
            }
            if (h > last[k]) {
                h = last[k];
                Device->Report("Сбой указателя головы архива", Container);
            }
            // An end outside the records between tail and head is ignored.
            if (end >= 0 && end <= last[k] && RingCount(last[k], t, end) <= RingCount(last[k], t, h))
                h = end;
        }
        plan.Tail = t;
        plan.Count = RingCount(last[k], t, h);
        int32_t per = ZT_Helper::RecordsPerRequest(k);
        plan.Requests = (plan.Count + per - 1) / per;
        ProgressTotal += plan.Requests;
        plans.push_back(plan);
    }

    for (const TArchivePlanStruct& plan : plans) {
        Post(std::string(ArchiveReadMessages[plan.Kind]));
        uint16_t index = static_cast<uint16_t>(plan.Tail);
        int32_t remaining = plan.Count;
        while (remaining != 0) {
            int32_t count = remaining < 256 ? remaining : 255;
            bool read = Device->ReadArchive(plan.Kind, false, index, count, Container, 3);
            // A meter that returns nothing, or more than is left, would keep
            // the loop going for ever: that kind's reading ends here.
            if (!read || count <= 0 || count > remaining) {
                if (Setup.FailIncomplete)
                    throw Exception(kBadRecordCount);
                Device->Report(kBadRecordCount, Container);
                break;
            }
            remaining -= count;
            ++ProgressDone;
            UpdateProgress();
            CheckCancel();
        }
    }

    Device->PublishArchives(Setup.KindMask);
    Sleep(10);
}
