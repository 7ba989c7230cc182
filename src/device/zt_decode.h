#pragma once
// The archive and journal records as the meter sends them, and their
// rendering into the texts of the archive and journal pages. The decoders
// are pure functions of one record; their texts do not depend on the
// user's locale.

#include "device/zt_strings.h"
#include "util/sysutil.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ZT_namespace {

inline constexpr int kArchiveRecordSize = 64;
inline constexpr int kJournalRecordSize = 16;
inline constexpr int kSystemRecordSize = 32;

// An archive record of kinds 0, 1, 2 and 5, kept exactly as received
// (little-endian).
struct ArchiveStruct {
    std::array<uint8_t, kArchiveRecordSize> Bytes{};
};

// A journal record of kinds 3 and 4, kept exactly as received.
struct JournalStruct {
    std::array<uint8_t, kJournalRecordSize> Bytes{};
};

struct ArchiveDecodeStruct {
    TDateTime Time = 0;
    std::string DateText;
    std::array<std::string, 5> ValueTexts;    // V+, V-, Q, Qmin, Qmax
    std::array<std::string, 3> ScaledTexts;   // the three 0.0001-unit values
    std::array<std::string, 7> DurationTexts; // six durations and the time on
    std::array<std::string, 3> FlagTexts;     // HardwareNotStaff, WorkModeFlags, SystemNotStaff
};

struct NotStaffArchiveDecodeStruct {
    TDateTime Time = 0;
    std::string DateText;
    std::string HardwareText;
    std::string WorkModeText;
    std::string SystemText;
};

// One alarm event before rendering: the record's time stamp and group,
// and the bit number (bits 0-6) with its new state (bit 7, 1 = set).
struct NotStaffPreDecodedStruct {
    std::array<uint8_t, 6> Stamp{};
    uint8_t Group = 0;
    uint8_t BitState = 0;
};

struct NotStaffDecodedStruct {
    TDateTime Time = 0;
    std::string DateText;
    std::string Description;
    std::string State;
};

struct JournalDecodeStruct {
    TDateTime Time = 0;
    std::string DateText;
    std::string Name;
    std::string OldValue;
    std::string NewValue;
};

// Archive kinds the archive row decoder knows.
inline constexpr int kHourlyArchive = 0;
inline constexpr int kDailyArchive = 1;
inline constexpr int kMonthlyArchive = 2;
inline constexpr int kAlarmJournal = 3;
inline constexpr int kOperatorJournal = 4;
inline constexpr int kIntervalArchive = 5;
inline constexpr int kSystemArchive = 6;

// `valid` is false for a skipped or erased page.
ArchiveDecodeStruct DecodeArchiveRecord(const ArchiveStruct& record, int kind, bool& valid);
NotStaffArchiveDecodeStruct DecodeArchiveFlags(const ArchiveStruct& record, int kind, bool& valid);
std::vector<NotStaffPreDecodedStruct> ExpandAlarmJournal(const std::vector<JournalStruct>& records);
NotStaffDecodedStruct DecodeAlarmEvent(const NotStaffPreDecodedStruct& event, bool& valid);
JournalDecodeStruct DecodeOperatorRecord(const JournalStruct& record, bool& valid);

// A flag word as one character per bit from bit 0: the bit's label when
// set, "-" when clear.
std::string BitString(uint32_t value, int bits, bool labelsFromZero = false);
// The set bits of a flag word as lines "  [label] - text", joined by "\r\n".
std::string FlagList(uint32_t value, TTextList texts);

} // namespace ZT_namespace
