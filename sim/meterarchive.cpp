#include "sim/meterarchive.h"

#include "sim/simbytes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <ctime>

namespace zt_sim {

int RecordSize(int kind)
{
    switch (kind) {
    case kAlarmJournal:
    case kOperatorJournal:
        return 16;
    case kSystem:
        return 32;
    default:
        return 64;
    }
}

int64_t CivilToSeconds(const CivilTime& t)
{
    // Days from civil (proleptic Gregorian), after H. Hinnant's algorithm.
    int y = t.year - (t.month <= 2 ? 1 : 0);
    int era = (y >= 0 ? y : y - 399) / 400;
    int yoe = y - era * 400;
    int mp = (t.month + 9) % 12;
    int doy = (153 * mp + 2) / 5 + t.day - 1;
    int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    int64_t days = int64_t(era) * 146097 + doe - 719468;
    return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

CivilTime SecondsToCivil(int64_t seconds)
{
    int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    int64_t rest = seconds - days * 86400;
    days += 719468;
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    int64_t doe = days - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    CivilTime t;
    t.day = int(doy - (153 * mp + 2) / 5 + 1);
    t.month = int(mp < 10 ? mp + 3 : mp - 9);
    t.year = int(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
    t.hour = int(rest / 3600);
    t.minute = int(rest / 60 % 60);
    t.second = int(rest % 60);
    return t;
}

int64_t LocalWallSeconds()
{
    time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    CivilTime t{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                local.tm_hour,        local.tm_min,     local.tm_sec};
    return CivilToSeconds(t);
}

ArchiveRing::ArchiveRing(int kind, uint16_t capacity)
    : kind_(kind), recordSize_(RecordSize(kind)), capacity_(std::max<uint16_t>(capacity, 2)),
      slots_(size_t(capacity_) * size_t(recordSize_), 0xFF)
{
}

uint32_t ArchiveRing::Count() const
{
    if (head_ >= tail_)
        return uint32_t(head_ - tail_);
    return uint32_t(head_) + LastIndex() - tail_ + 1;
}

void ArchiveRing::Append(const uint8_t* record)
{
    uint16_t head = head_ < capacity_ ? head_ : 0;
    SetSlot(head, record);
    head_ = uint16_t((head + 1) % capacity_);
    if (head_ == tail_)
        tail_ = uint16_t((tail_ + 1) % capacity_);
}

void ArchiveRing::Clear()
{
    std::fill(slots_.begin(), slots_.end(), 0xFF);
    tail_ = head_ = 0;
}

void ArchiveRing::SetPointers(uint16_t tail, uint16_t head)
{
    tail_ = tail;
    head_ = head;
}

const uint8_t* ArchiveRing::Slot(uint16_t index) const
{
    return slots_.data() + size_t(index % capacity_) * size_t(recordSize_);
}

void ArchiveRing::SetSlot(uint16_t index, const uint8_t* record)
{
    std::copy(record, record + recordSize_, slots_.begin() + std::ptrdiff_t(index % capacity_) * recordSize_);
}

static bool ValidStamp(const uint8_t* p)
{
    return p[1] >= 1 && p[1] <= 12 && p[2] >= 1 && p[2] <= 31 && p[3] <= 23 && p[4] <= 59 && p[5] <= 59;
}

uint16_t ArchiveRing::SearchDate(int yearMod100, int month, int day) const
{
    const int wanted = yearMod100 * 10000 + month * 100 + day;
    if (tail_ >= capacity_ || head_ >= capacity_)
        return head_;
    for (uint16_t i = tail_; i != head_; i = uint16_t((i + 1) % capacity_)) {
        const uint8_t* p = Slot(i);
        if (!ValidStamp(p))
            continue;
        if (p[0] * 10000 + p[1] * 100 + p[2] >= wanted)
            return i;
    }
    return head_;
}

uint16_t ArchiveRing::Read(uint16_t index, int count, std::vector<uint8_t>& out) const
{
    uint16_t i = uint16_t(index % capacity_);
    for (int n = 0; n < count; ++n) {
        const uint8_t* p = Slot(i);
        out.insert(out.end(), p, p + recordSize_);
        i = uint16_t((i + 1) % capacity_);
    }
    return i;
}

void PutClockWords(uint16_t* words, const CivilTime& t)
{
    const int fields[6] = {t.year - 2000, t.month, t.day, t.hour, t.minute, t.second};
    for (int i = 0; i < 6; ++i)
        words[i] = uint16_t(fields[i]);
}

void PutStamp(uint8_t* record, const CivilTime& t)
{
    record[0] = uint8_t(t.year - 2000);
    record[1] = uint8_t(t.month);
    record[2] = uint8_t(t.day);
    record[3] = uint8_t(t.hour);
    record[4] = uint8_t(t.minute);
    record[5] = uint8_t(t.second);
}

std::vector<uint8_t> BuildArchiveRecord(const CivilTime& t, const ArchiveValues& v)
{
    std::vector<uint8_t> r(64, 0);
    PutStamp(r.data(), t);
    PutLEFloat(&r[6], v.volumeD);
    PutLEFloat(&r[10], v.volumeR);
    PutLEFloat(&r[14], v.expense);
    PutLEFloat(&r[18], v.expenseMin);
    PutLEFloat(&r[22], v.expenseMax);
    for (int i = 0; i < 3; ++i)
        PutLE16(&r[26 + 2 * i], v.scaled[size_t(i)]);
    for (int i = 0; i < 6; ++i)
        PutLE32(&r[32 + 4 * i], v.durations[size_t(i)]);
    PutLE16(&r[56], v.hardwareNotStaff);
    PutLE16(&r[58], v.workModeFlags);
    PutLE16(&r[60], v.systemNotStaff);
    return r;
}

std::vector<uint8_t> BuildAlarmRecord(const CivilTime& t, uint8_t group, uint32_t before, uint32_t after)
{
    std::vector<uint8_t> r(16, 0);
    PutStamp(r.data(), t);
    r[6] = group;
    PutLE32(&r[8], before);
    PutLE32(&r[12], after);
    return r;
}

std::vector<uint8_t> BuildOperatorRecord(const CivilTime& t, uint16_t parameter, uint8_t type,
                                         const uint8_t oldValue[4], const uint8_t newValue[4])
{
    std::vector<uint8_t> r(16, 0);
    PutStamp(r.data(), t);
    PutLE16(&r[6], uint16_t((parameter & 0x0FFF) | ((type & 0x0F) << 12)));
    std::copy(oldValue, oldValue + 4, &r[8]);
    std::copy(newValue, newValue + 4, &r[12]);
    return r;
}

std::vector<uint8_t> BuildSystemRecord(const CivilTime& t, uint16_t event, uint32_t value)
{
    std::vector<uint8_t> r(32, 0);
    PutStamp(r.data(), t);
    PutLE16(&r[6], event);
    PutLE32(&r[8], value);
    return r;
}

std::vector<uint8_t> SkippedPage(int kind)
{
    return std::vector<uint8_t>(size_t(RecordSize(kind)), 0x00);
}
std::vector<uint8_t> ErasedPage(int kind)
{
    return std::vector<uint8_t>(size_t(RecordSize(kind)), 0xFF);
}

std::array<RingSetup, kArchiveKinds> DefaultRingSetup()
{
    return {{
        {1024, 1023, 300}, // hourly: full and wrapped
        {512, 120, 120},
        {64, 30, 30},
        {256, 40, 40},
        {256, 176, 20}, // operator journal: wrapped, not full
        {512, 200, 200},
        {64, 10, 10},
    }};
}

double Wobble(int64_t n, int salt)
{
    uint32_t x = uint32_t(uint64_t(n) * 2654435761u) ^ uint32_t(salt * 40503u);
    x ^= x >> 13;
    x *= 0x5bd1e995u;
    x ^= x >> 15;
    return double(x % 20001) / 10000.0 - 1.0;
}

namespace {

int64_t FloorTo(int64_t s, int64_t step)
{
    return (s >= 0 ? s / step : (s - step + 1) / step) * step;
}

CivilTime MonthsBack(const CivilTime& t, int months)
{
    CivilTime r{};
    int m = t.year * 12 + (t.month - 1) - months;
    r.year = m / 12;
    r.month = m % 12 + 1;
    r.day = 1;
    return r;
}

void Place(ArchiveRing& ring, const RingSetup& s, int age, const std::vector<uint8_t>& record)
{
    // age 1 is the newest record, just before the head
    ring.SetSlot(uint16_t((int(s.head) - age + 2 * int(s.capacity)) % s.capacity), record.data());
}

void FillPeriodic(ArchiveRing& ring, const RingSetup& s, int64_t newestStart, int64_t period, bool monthly,
                  const CivilTime& now, float flow, int salt)
{
    double totalD = 41234.5 + flow * 0.25;
    for (int age = 1; age <= s.count; ++age) {
        CivilTime t = monthly ? MonthsBack(now, age) : SecondsToCivil(newestStart - (age - 1) * period);
        int64_t len = monthly ? 30 * 86400 : period;
        ArchiveValues v;
        double q = flow * (1.0 + 0.05 * Wobble(age, salt));
        v.expense = float(q);
        v.expenseMin = float(q * 0.9);
        v.expenseMax = float(q * 1.1);
        v.volumeD = float(totalD);
        v.volumeR = float(12.25 + 0.001 * (s.count - age));
        totalD -= q * double(len) / 3600.0;
        v.scaled = {uint16_t(3500 + 100 * Wobble(age, salt + 1)), uint16_t(2000 + 50 * Wobble(age, salt + 2)),
                    0};
        uint32_t empty = (age % 37 == 5) ? uint32_t(len / 10) : 0;
        uint32_t off = (age % 53 == 7) ? uint32_t(len / 5) : 0;
        v.durations = {uint32_t(len) - empty - off, 0, 0, empty, 0, off};
        v.systemNotStaff = uint16_t((empty ? 0x0001 : 0) | (age % 11 == 3 ? 0x0040 : 0));
        v.hardwareNotStaff = off ? 0x1000 : 0;
        v.workModeFlags = 0x0001;
        Place(ring, s, age, BuildArchiveRecord(t, v));
    }
    ring.SetPointers(uint16_t((int(s.head) - int(s.count) + int(s.capacity)) % s.capacity), s.head);
}

} // namespace

void FillHistory(std::array<ArchiveRing, kArchiveKinds>& rings,
                 const std::array<RingSetup, kArchiveKinds>& setup, int64_t now, int intervalSeconds,
                 float flow)
{
    const CivilTime nowCivil = SecondsToCivil(now);
    if (intervalSeconds <= 0)
        intervalSeconds = 600;
    for (int k = 0; k < kArchiveKinds; ++k) {
        RingSetup s = setup[size_t(k)];
        s.capacity = rings[size_t(k)].Capacity();
        s.count = std::min<uint16_t>(s.count, uint16_t(s.capacity - 1));
        s.head = uint16_t(s.head % s.capacity);
        ArchiveRing& ring = rings[size_t(k)];
        ring.Clear();
        switch (k) {
        case kHourly:
            FillPeriodic(ring, s, FloorTo(now, 3600) - 3600, 3600, false, nowCivil, flow, 1);
            if (s.count > 31) {
                Place(ring, s, 30, SkippedPage(k));
                Place(ring, s, 31, ErasedPage(k));
            }
            break;
        case kDaily:
            FillPeriodic(ring, s, FloorTo(now, 86400) - 86400, 86400, false, nowCivil, flow, 2);
            if (s.count > 20)
                Place(ring, s, 20, SkippedPage(k));
            break;
        case kMonthly:
            FillPeriodic(ring, s, 0, 0, true, nowCivil, flow, 3);
            break;
        case kInterval:
            FillPeriodic(ring, s, FloorTo(now, intervalSeconds) - intervalSeconds, intervalSeconds, false,
                         nowCivil, flow, 5);
            if (s.count > 12)
                Place(ring, s, 12, ErasedPage(k));
            break;
        case kAlarmJournal: {
            // Events oldest first, each flipping one meaningful bit of its group.
            static const uint8_t bits[3][5] = {{3, 5, 6, 12, 9}, {0, 2, 6, 7, 13}, {0, 1, 2, 6, 7}};
            uint32_t words[3] = {0, 0, 0};
            for (int age = s.count; age >= 1; --age) {
                int n = s.count - age;
                uint8_t group = uint8_t(n % 3);
                uint32_t before = words[group];
                uint32_t after = before ^ (1u << bits[group][(n / 3) % 5]);
                if (n % 7 == 4)
                    after ^= 1u << bits[group][(n / 3 + 2) % 5]; // two flags at once
                words[group] = after;
                CivilTime t = SecondsToCivil(now - int64_t(age) * (9 * 3600 + 17 * 60) + 13);
                Place(ring, s, age, BuildAlarmRecord(t, group, before, after));
            }
            if (s.count > 8)
                Place(ring, s, 7, SkippedPage(k));
            ring.SetPointers(uint16_t((int(s.head) - int(s.count) + int(s.capacity)) % s.capacity), s.head);
            break;
        }
        case kOperatorJournal: {
            struct Change {
                uint16_t parameter;
                uint8_t type;
                uint32_t oldValue, newValue;
            };
            const Change changes[] = {
                {37, 1, 0, 1},                    // archive module: Нет -> Да
                {33, 2, 7, 8},                    // Du list entry
                {5, 3, uint32_t(uint8_t(-5)), 3}, // RTC correction, ppm
                {305, 4, 1, 2},                   // port 0 address
                {139, 5, uint32_t(uint16_t(int16_t(-12))), 715},
                {32, 6, 12345670, 12345678}, // serial number
                {353, 7, uint32_t(-20), 40},
                {224, 8, FloatBits(0.2f), FloatBits(0.1f)}, // Qmin
                {1, 9, 0, 0},                               // clock set: stamp in the values
                {16, 10, 41000, FloatBits(0.5f)},           // forward volume cleared
                {152, 11, uint32_t(uint16_t(2150)), uint32_t(uint16_t(2245))},
                {368, 12, 1000, 1200},        // P_вп
                {18, 6, 86400 * 3 + 3725, 0}, // forward time cleared
                {138, 4, 0x0011, 0x0013},     // system flags
                {242, 2, 0, 2},               // output 1 event
                {245, 5, 100, 200},           // pulse length
            };
            const int kinds = int(sizeof changes / sizeof changes[0]);
            for (int age = s.count; age >= 1; --age) {
                int n = s.count - age;
                const Change& c = changes[n % kinds];
                CivilTime t = SecondsToCivil(now - int64_t(age) * (13 * 3600 + 7 * 60) + 41);
                uint8_t oldBytes[4], newBytes[4];
                PutLE32(oldBytes, c.oldValue);
                PutLE32(newBytes, c.newValue);
                if (c.type == 9) {
                    CivilTime before = SecondsToCivil(now - int64_t(age) * (13 * 3600 + 7 * 60) - 95);
                    oldBytes[0] = uint8_t(before.year - 2000);
                    oldBytes[1] = uint8_t(before.month);
                    oldBytes[2] = uint8_t(before.day);
                    oldBytes[3] = uint8_t(before.hour);
                    newBytes[0] = uint8_t(before.minute);
                    newBytes[1] = uint8_t(before.second);
                    newBytes[2] = newBytes[3] = 0;
                }
                Place(ring, s, age, BuildOperatorRecord(t, c.parameter, c.type, oldBytes, newBytes));
            }
            if (s.count > 6)
                Place(ring, s, 5, ErasedPage(k));
            ring.SetPointers(uint16_t((int(s.head) - int(s.count) + int(s.capacity)) % s.capacity), s.head);
            break;
        }
        case kSystem:
            for (int age = s.count; age >= 1; --age) {
                CivilTime t = SecondsToCivil(now - int64_t(age) * 3 * 86400 + 600);
                Place(ring, s, age, BuildSystemRecord(t, uint16_t(1 + age % 4), uint32_t(age * 17)));
            }
            ring.SetPointers(uint16_t((int(s.head) - int(s.count) + int(s.capacity)) % s.capacity), s.head);
            break;
        }
    }
}

} // namespace zt_sim
