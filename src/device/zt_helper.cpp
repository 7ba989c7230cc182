#include "device/zt_helper.h"

#include "modbus/modbus.h"
#include "util/sysutil.h"

#include <algorithm>
#include <cstring>

using namespace ZT_namespace;

namespace {

const char* const kUnknownModification = "Неизвестная модификация прибора";
const char* const kUnknownVersion = "Неизвестная версия прибора";
const char* const kBadAdcReply = "Неправильный ответ от прибора";

constexpr int32_t kIdentificationReply = 13;
constexpr int32_t kObservationReply = 260;
constexpr int32_t kAdcReply = 262;

// Holds the transaction lock; on every exit it releases the lock first and
// then keeps the line's short pause, so that a waiting exchange is not held
// up by it.
class TTransaction {
public:
    explicit TTransaction(TCriticalSectionEx& lock) : guard_(lock) {}
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;

private:
    struct TPause {
        ~TPause() { Sleep(1); }
    };
    TPause pause_; // destroyed after the guard
    TCriticalSectionEx::CAuto guard_;
};

} // namespace

ZT_Helper::ZT_Helper() = default;
ZT_Helper::~ZT_Helper() = default;

void ZT_Helper::Reset()
{
    {
        TDeviceHelperLocker locker(*this);
        identity_ = ZT_IdentityStruct{};
        ClearImages();
        for (int kind = 0; kind < 6; ++kind) {
            archiveLists_[kind].clear();
            journalLists_[kind].clear();
            archiveVectors_[kind].clear();
            journalVectors_[kind].clear();
        }
    }
    identified_ = false;
    {
        std::lock_guard<std::mutex> lock(ObservationLock);
        firstPoll_ = true;
        lastStamp_ = 0;
        observations_.clear();
    }
}

ZT_IdentityStruct ZT_Helper::Identity()
{
    TDeviceHelperLocker locker(*this);
    return identity_;
}

uint8_t ZT_Helper::ModificationIndex()
{
    TDeviceHelperLocker locker(*this);
    return identity_.ModificationIndex;
}

void ZT_Helper::Report(const std::string& text, TInteractContainer* container)
{
    if (Chanel)
        Chanel->Log(text, container);
}

int32_t ZT_Helper::RunExchange(int32_t requestLength, int32_t replyCapacity, int32_t totalMs,
                               int32_t intervalMs, TInteractContainer* container, int32_t attempts,
                               const std::function<void(int32_t)>& check)
{
    if (Chanel)
        Chanel->SetTimeouts(totalMs, intervalMs, container);
    return Transact(requestLength, replyCapacity, container, attempts, check);
}

bool ZT_Helper::IdentifyDevice(TInteractContainer* container, int32_t attempts)
{
    TTransaction transaction(Lock);
    int32_t length = sizeof TxBuffer;
    if (!BuildReportSlaveIdRequest(TxBuffer, length, static_cast<uint8_t>(GetAddress())))
        return false;
    int32_t received = RunExchange(length, kIdentificationReply, 1000, 100, container, attempts, nullptr);

    const uint8_t* data = RxBuffer + 3;
    {
        TDeviceHelperLocker locker(*this);
        if (received < kIdentificationReply || RxBuffer[2] != 8) {
            identity_.ModificationIndex = 255;
            throw Exception(kUnknownModification);
        }
        std::memcpy(identity_.IdentificationBytes, data + 4, 4);
        std::string code(reinterpret_cast<const char*>(data), 4);
        if (code == "KLVA" || code == "KLVB" || code == "ZT-A") {
            identity_.ModificationIndex = 0;
            identity_.ModelName = "ZT-A";
        } else if (code == "ZT-E") {
            identity_.ModificationIndex = 2;
            identity_.ModelName = "ZT-E";
        } else {
            identity_.ModificationIndex = 255;
            throw Exception(kUnknownModification);
        }
        identity_.Version = Format("%u.%u", data[6], data[7]);
        identity_.Modification = Format("%u.%u", data[4], data[5]);
    }
    if (data[6] < 2) {
        identified_ = true;
        return true;
    }
    // Reported outside the data lock: the log ends in the interaction
    // record, whose lock the window thread holds while it reads the images.
    Report(kUnknownVersion, container);
    return false;
}

bool ZT_Helper::ReadObservation(TInteractContainer* container, int32_t attempts)
{
    TTransaction transaction(Lock);
    uint8_t stamp[4];
    bool first;
    {
        std::lock_guard<std::mutex> lock(ObservationLock);
        first = firstPoll_;
        std::memcpy(stamp, &lastStamp_, 4);
    }
    int32_t length = sizeof TxBuffer;
    if (!BuildRequest(TxBuffer, length, static_cast<uint8_t>(GetAddress()), kFnObservation,
                      first ? nullptr : stamp, first ? 0 : 4))
        return false;
    int32_t received = RunExchange(length, kObservationReply, 200, 10, container, attempts, nullptr);
    // Records follow the function code; there is no byte count.
    int32_t records = received >= 4 ? (received - 4) / 32 : 0;

    std::lock_guard<std::mutex> lock(ObservationLock);
    for (int32_t i = 0; i < records; ++i) {
        ObservationStruct record;
        std::memcpy(&record, RxBuffer + 2 + 32 * i, 32);
        // A stamp far behind the last one means the meter's counter started over.
        bool accept = firstPoll_ || record.Stamp > lastStamp_ || lastStamp_ - record.Stamp > 16;
        if (!accept)
            continue;
        lastStamp_ = record.Stamp;
        observations_.push_back(record);
        firstPoll_ = false;
    }
    return true;
}

void ZT_Helper::TakeObservations(std::vector<ObservationStruct>& records)
{
    std::lock_guard<std::mutex> lock(ObservationLock);
    records.insert(records.end(), observations_.begin(), observations_.end());
    observations_.clear();
}

bool ZT_Helper::ReadAdcSignal(int32_t part, TInteractContainer* container, int32_t attempts)
{
    TTransaction transaction(Lock);
    uint8_t data = static_cast<uint8_t>(part);
    int32_t length = sizeof TxBuffer;
    if (part < 0 || part > 2 ||
        !BuildRequest(TxBuffer, length, static_cast<uint8_t>(GetAddress()), kFnAdcSignal, &data, 1))
        return false;
    const int32_t sampleSize = part == 0 ? 4 : 2;
    int32_t samples = 0;
    int32_t received = RunExchange(length, kAdcReply, 200, 10, container, attempts, [&](int32_t n) {
        samples = n >= 6 ? (n - 6) / sampleSize : -1;
        if (samples != RxBuffer[3])
            throw Exception(kBadAdcReply);
    });
    (void)received;
    if (RxBuffer[1] != kFnAdcSignal)
        return false;

    const uint8_t* p = RxBuffer + 4;
    std::lock_guard<std::mutex> lock(AdcLock);
    if (part == 0) {
        std::vector<int32_t> values(static_cast<size_t>(samples));
        // A reply of no samples leaves no buffer to copy into.
        if (!values.empty())
            std::memcpy(values.data(), p, values.size() * 4);
        size_t half = values.size() / 2;
        adcA_.assign(values.begin(), values.begin() + half);
        adcB_.assign(values.begin() + half, values.end());
    } else {
        std::vector<uint16_t>& target = part == 1 ? adc1_ : adc2_;
        target.resize(static_cast<size_t>(samples));
        if (!target.empty())
            std::memcpy(target.data(), p, target.size() * 2);
    }
    return true;
}

void ZT_Helper::TakeAdcSignal(std::vector<double>& signalA, std::vector<double>& signalB,
                              std::vector<double>& part1, std::vector<double>& part2)
{
    std::lock_guard<std::mutex> lock(AdcLock);
    signalA.assign(adcA_.begin(), adcA_.end());
    signalB.assign(adcB_.begin(), adcB_.end());
    part1.assign(adc1_.begin(), adc1_.end());
    part2.assign(adc2_.begin(), adc2_.end());
}
