#pragma once
// The archive and journal records as the pages show them: one row of texts
// per archive record, per operator journal entry or per changed alarm flag,
// under the pages' column captions. The archive and journal pages, the
// workbook export and the command line all build their rows here, so that
// a row reads the same wherever it is shown.

#include "device/zt_decode.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ZT_namespace {

// What a column holds, for a reader that wants values rather than texts
// (the workbook export): the row's date-time, a decimal number, a duration
// "h:mm:ss", or plain text.
enum class TColumnKind { Date, Number, Duration, Text };

struct TArchiveColumnStruct {
    std::string Caption;
    int Width = 0; // pixels on the page
    TColumnKind Kind = TColumnKind::Text;
    bool RightAligned = false;
};

struct TArchiveRowStruct {
    TDateTime Time = 0;
    bool Dated = false; // the stamp is a valid date and time
    std::vector<std::string> Cells;
};

struct TArchiveTableStruct {
    int Kind = 0;
    std::string Name; // "Часовой", ..., "Журнал НС", "Журнал оператора"
    std::vector<TArchiveColumnStruct> Columns;
    std::vector<TArchiveRowStruct> Rows;
};

// A closed range of whole days: a row belongs to it when its stamp's date
// lies between the dates of `From` and `To`, both included. Undated rows
// (skipped, erased pages, invalid stamps) never belong to a period.
struct TPeriodStruct {
    TDateTime From = 0;
    TDateTime To = 0;
    bool Contains(TDateTime time) const;
};

// The four periodic archives in the order of the archive page's tabs:
// interval, hourly, daily, monthly.
inline constexpr int kPageArchiveKinds[4] = {kIntervalArchive, kHourlyArchive, kDailyArchive, kMonthlyArchive};
// "Интервальный", "Часовой", "Суточный", "Месячный", "Журнал НС",
// "Журнал оператора" by kind; empty for another kind.
std::string ArchiveTableName(int kind);

std::vector<TArchiveColumnStruct> ArchiveColumns();
std::vector<TArchiveColumnStruct> OperatorJournalColumns();
std::vector<TArchiveColumnStruct> AlarmJournalColumns();

// One row per record; a skipped or erased page shows only its date text.
// With a period, only the rows dated within it.
TArchiveRowStruct ArchiveRow(const ArchiveStruct& record, int kind);
TArchiveTableStruct ArchiveTable(int kind, const std::vector<ArchiveStruct>& records,
                                 const TPeriodStruct* period = nullptr);
// One row per entry, special pages included ("xxxx" in their value columns).
TArchiveTableStruct OperatorJournalTable(const std::vector<JournalStruct>& records);
// The records whose group is in `groupMask` (bit 0 hardware faults, bit 1
// working-mode flags, bit 2 system alarms), one row per changed flag.
std::vector<NotStaffPreDecodedStruct> AlarmEvents(const std::vector<JournalStruct>& records, uint32_t groupMask);
TArchiveRowStruct AlarmRow(const NotStaffPreDecodedStruct& event);
TArchiveTableStruct AlarmJournalTable(const std::vector<JournalStruct>& records, uint32_t groupMask = 7);

// The text sent to the exchange log for the alarm details of an archive
// record; empty when the record is a skipped or erased page.
std::string ArchiveFlagsText(const ArchiveStruct& record, int kind);

// The value of a number cell ("%f" texts) and of a duration cell
// ("h:mm:ss", hours unbounded) in days; false when the text is not one.
bool NumberCell(const std::string& text, double& value);
bool DurationCell(const std::string& text, double& days);

} // namespace ZT_namespace
