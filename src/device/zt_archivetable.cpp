#include "device/zt_archivetable.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace ZT_namespace {

namespace {

bool IsJournalKind(int kind)
{
    return kind == kAlarmJournal || kind == kOperatorJournal;
}

} // namespace

bool TPeriodStruct::Contains(TDateTime time) const
{
    const double day = std::floor(time);
    return day >= std::floor(From) && day <= std::floor(To);
}

std::string ArchiveTableName(int kind)
{
    switch (kind) {
    case kIntervalArchive:
        return "Интервальный";
    case kHourlyArchive:
        return "Часовой";
    case kDailyArchive:
        return "Суточный";
    case kMonthlyArchive:
        return "Месячный";
    case kAlarmJournal:
        return "Журнал НС";
    case kOperatorJournal:
        return "Журнал оператора";
    default:
        return {};
    }
}

std::vector<TArchiveColumnStruct> ArchiveColumns()
{
    using K = TColumnKind;
    return {{"Дата/Время", 130, K::Date},      {"V+(м3/ч)", 110, K::Number},     {"V-(м3/ч)", 110, K::Number},
            {"Q(м3/ч)", 90, K::Number},        {"Qмин(м3/ч)", 90, K::Number},    {"Qмакс(м3/ч)", 90, K::Number},
            {"Тпр", 80, K::Duration},          {"Тобр", 80, K::Duration},        {"Тост", 80, K::Duration},
            {"Тпт", 80, K::Duration},          {"Тош", 80, K::Duration},         {"Твкл", 80, K::Duration},
            {"Тоткл", 80, K::Duration},        {"Аппаратные НС", 120, K::Text},  {"Флаги реж.раб", 120, K::Text},
            {"Системные НС", 120, K::Text}};
}

std::vector<TArchiveColumnStruct> OperatorJournalColumns()
{
    using K = TColumnKind;
    return {{"Дата/Время", 130, K::Date},
            {"Параметр", 280, K::Text, true},
            {"Старое значение", 250, K::Text},
            {"Новое значение", 250, K::Text}};
}

std::vector<TArchiveColumnStruct> AlarmJournalColumns()
{
    using K = TColumnKind;
    return {{"Дата/Время", 135, K::Date}, {"Флаг / НС", 310, K::Text}, {"Снят / Установлен", 150, K::Text}};
}

TArchiveRowStruct ArchiveRow(const ArchiveStruct& record, int kind)
{
    bool valid = false;
    const ArchiveDecodeStruct d = DecodeArchiveRecord(record, kind, valid);
    TArchiveRowStruct row;
    row.Cells.resize(16);
    row.Cells[0] = d.DateText;
    if (!valid)
        return row;
    // A written page with an invalid stamp keeps its values but has no date.
    row.Time = d.Time;
    row.Dated = d.Time > 0;
    for (int i = 0; i < 5; ++i)
        row.Cells[1 + i] = d.ValueTexts[i];
    for (int i = 0; i < 5; ++i)
        row.Cells[6 + i] = d.DurationTexts[i];
    row.Cells[11] = d.DurationTexts[6]; // time on
    row.Cells[12] = d.DurationTexts[5]; // off
    for (int i = 0; i < 3; ++i)
        row.Cells[13 + i] = d.FlagTexts[i];
    return row;
}

TArchiveTableStruct ArchiveTable(int kind, const std::vector<ArchiveStruct>& records, const TPeriodStruct* period)
{
    TArchiveTableStruct table{kind, ArchiveTableName(kind), ArchiveColumns(), {}};
    table.Rows.reserve(records.size());
    for (const ArchiveStruct& record : records) {
        TArchiveRowStruct row = ArchiveRow(record, kind);
        if (period && !(row.Dated && period->Contains(row.Time)))
            continue;
        table.Rows.push_back(std::move(row));
    }
    return table;
}

TArchiveTableStruct OperatorJournalTable(const std::vector<JournalStruct>& records)
{
    TArchiveTableStruct table{kOperatorJournal, ArchiveTableName(kOperatorJournal), OperatorJournalColumns(), {}};
    table.Rows.reserve(records.size());
    for (const JournalStruct& record : records) {
        bool valid = false;
        JournalDecodeStruct d = DecodeOperatorRecord(record, valid);
        TArchiveRowStruct row;
        row.Time = d.Time;
        row.Dated = valid && d.Time > 0;
        row.Cells = {std::move(d.DateText), std::move(d.Name), std::move(d.OldValue), std::move(d.NewValue)};
        table.Rows.push_back(std::move(row));
    }
    return table;
}

std::vector<NotStaffPreDecodedStruct> AlarmEvents(const std::vector<JournalStruct>& records, uint32_t groupMask)
{
    std::vector<JournalStruct> kept;
    kept.reserve(records.size());
    for (const JournalStruct& record : records)
        if (record.Bytes[6] < 32 && (groupMask >> record.Bytes[6]) & 1u)
            kept.push_back(record);
    return ExpandAlarmJournal(kept);
}

TArchiveRowStruct AlarmRow(const NotStaffPreDecodedStruct& event)
{
    bool valid = false;
    NotStaffDecodedStruct d = DecodeAlarmEvent(event, valid);
    TArchiveRowStruct row;
    row.Time = d.Time;
    row.Dated = valid && d.Time > 0;
    row.Cells = {std::move(d.DateText), std::move(d.Description), std::move(d.State)};
    return row;
}

TArchiveTableStruct AlarmJournalTable(const std::vector<JournalStruct>& records, uint32_t groupMask)
{
    TArchiveTableStruct table{kAlarmJournal, ArchiveTableName(kAlarmJournal), AlarmJournalColumns(), {}};
    for (const NotStaffPreDecodedStruct& event : AlarmEvents(records, groupMask))
        table.Rows.push_back(AlarmRow(event));
    return table;
}

std::string ArchiveFlagsText(const ArchiveStruct& record, int kind)
{
    bool valid = false;
    const NotStaffArchiveDecodeStruct d = DecodeArchiveFlags(record, kind, valid);
    if (!valid || IsJournalKind(kind))
        return {};
    std::string text = ArchiveTableName(kind) + " архив " + d.DateText + "\r\n";
    const std::pair<const char*, const std::string*> lists[3] = {{"Аппаратные НС\r\n", &d.HardwareText},
                                                                 {"Флаги режимов работы\r\n", &d.WorkModeText},
                                                                 {"Системные НС\r\n", &d.SystemText}};
    for (const auto& [heading, list] : lists)
        if (!list->empty())
            text += heading + *list + "\r\n";
    return text + "-----------------------------------------";
}

bool NumberCell(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

bool DurationCell(const std::string& text, double& days)
{
    unsigned long long hours = 0;
    unsigned minutes = 0, seconds = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%llu:%2u:%2u%n", &hours, &minutes, &seconds, &used) != 3 ||
        size_t(used) != text.size() || minutes > 59 || seconds > 59)
        return false;
    days = (double(hours) * 3600.0 + minutes * 60.0 + seconds) / 86400.0;
    return true;
}

} // namespace ZT_namespace
