#pragma once
// The simulated meter's archives and journals: seven rings of fixed-size
// little-endian records with a tail (oldest record) and a head (next slot to
// write), and the builders of the records the meter writes into them.

#include <array>
#include <cstdint>
#include <vector>

namespace zt_sim {

constexpr int kArchiveKinds = 7;
enum ArchiveKind { kHourly = 0, kDaily, kMonthly, kAlarmJournal, kOperatorJournal, kInterval, kSystem };

// Record size in bytes of each kind: 64 for the periodic archives, 16 for the
// journals, 32 for the system archive.
int RecordSize(int kind);

// The meter's wall-clock time. Seconds are counted as if the wall clock were
// UTC, so that day and hour arithmetic never meets a daylight-saving jump.
struct CivilTime {
    int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
int64_t CivilToSeconds(const CivilTime& t);
// The six clock registers of the meter: year since 2000, month, day, hour,
// minute, second.
void PutClockWords(uint16_t* words, const CivilTime& t);
CivilTime SecondsToCivil(int64_t seconds);
int64_t LocalWallSeconds(); // the host's local wall clock now

// A deterministic wobble in -1..1 of a sequence number, so that generated
// values look lived-in but come out the same on every run.
double Wobble(int64_t n, int salt);

// One ring of records. Slots never written read as erased flash (all 0xFF).
// Head equal to tail is an empty ring, so a full ring holds capacity - 1.
class ArchiveRing {
public:
    ArchiveRing(int kind, uint16_t capacity);

    int Kind() const { return kind_; }
    int RecordBytes() const { return recordSize_; }
    uint16_t Capacity() const { return capacity_; }
    uint16_t LastIndex() const { return uint16_t(capacity_ - 1); }
    uint16_t Tail() const { return tail_; }
    uint16_t Head() const { return head_; }
    uint32_t Count() const;

    // Writes at the head; when the ring is full the oldest record goes.
    void Append(const uint8_t* record);
    // Erases every slot and empties the ring.
    void Clear();
    // Pointers as given, even outside the ring (a meter with a broken pointer).
    void SetPointers(uint16_t tail, uint16_t head);
    const uint8_t* Slot(uint16_t index) const;
    void SetSlot(uint16_t index, const uint8_t* record);

    // Index of the first record between tail and head stamped on that date or
    // later (pages with an invalid stamp are passed over); the head when
    // every record is older.
    uint16_t SearchDate(int yearMod100, int month, int day) const;

    // Appends up to `count` records from slot `index` on, wrapping after the
    // last index; returns the index following the last record copied.
    uint16_t Read(uint16_t index, int count, std::vector<uint8_t>& out) const;

private:
    int kind_;
    int recordSize_;
    uint16_t capacity_;
    uint16_t tail_ = 0, head_ = 0;
    std::vector<uint8_t> slots_;
};

// Contents of one periodic archive record.
struct ArchiveValues {
    float volumeD = 0, volumeR = 0, expense = 0, expenseMin = 0, expenseMax = 0;
    std::array<uint16_t, 3> scaled{};
    std::array<uint32_t, 6> durations{}; // forward, reverse, stop, empty pipe, error, off
    uint16_t hardwareNotStaff = 0, workModeFlags = 0, systemNotStaff = 0;
};

void PutStamp(uint8_t* record, const CivilTime& t);
std::vector<uint8_t> BuildArchiveRecord(const CivilTime& t, const ArchiveValues& v);
std::vector<uint8_t> BuildAlarmRecord(const CivilTime& t, uint8_t group, uint32_t before, uint32_t after);
// `type` 0..15 and `parameter` 0..4095 as the operator journal packs them.
std::vector<uint8_t> BuildOperatorRecord(const CivilTime& t, uint16_t parameter, uint8_t type,
                                         const uint8_t oldValue[4], const uint8_t newValue[4]);
std::vector<uint8_t> BuildSystemRecord(const CivilTime& t, uint16_t event, uint32_t value);
std::vector<uint8_t> SkippedPage(int kind); // all 0
std::vector<uint8_t> ErasedPage(int kind);  // all 0xFF

// How the rings are filled at start: capacity and the number of past
// records; `head` puts the newest record just before that slot, so a
// count reaching past slot 0 makes a wrapped ring.
struct RingSetup {
    uint16_t capacity;
    uint16_t count;
    uint16_t head;
};
std::array<RingSetup, kArchiveKinds> DefaultRingSetup();

// Fills the rings with a plausible history ending at `now`: hourly records
// every hour back, daily every day, monthly every month, interval records
// every `intervalSeconds`, journal events spread over the past, with a few
// skipped and erased pages among them.
void FillHistory(std::array<ArchiveRing, kArchiveKinds>& rings,
                 const std::array<RingSetup, kArchiveKinds>& setup, int64_t now, int intervalSeconds,
                 float flow);

} // namespace zt_sim
