#include "cli/cliarchive.h"

#include "util/sysutil.h"

#include <cstring>

using namespace ZT_namespace;

namespace zt_cli {

namespace {

bool IsJournal(int kind)
{
    return kind == kAlarmJournal || kind == kOperatorJournal;
}

const std::vector<std::string> kArchiveCaptions{
    "Дата/Время", "V+(м3/ч)",      "V-(м3/ч)",      "Q(м3/ч)",     "Qмин(м3/ч)", "Qмакс(м3/ч)",
    "Тпр",        "Тобр",          "Тост",          "Тпт",         "Тош",        "Твкл",
    "Тоткл",      "Аппаратные НС", "Флаги реж.раб", "Системные НС"};
const std::vector<std::string> kOperatorCaptions{"Дата/Время", "Параметр", "Старое значение",
                                                 "Новое значение"};
const std::vector<std::string> kAlarmCaptions{"Дата/Время", "Флаг / НС", "Снят / Установлен"};

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(";\"\r\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

std::string Joined(const std::vector<std::string>& fields, const char* separator, bool csv)
{
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i)
            line += separator;
        line += csv ? CsvField(fields[i]) : fields[i];
    }
    return line;
}

} // namespace

int ArchiveKindByName(const std::string& name)
{
    static const std::pair<const char*, int> kinds[] = {
        {"hourly", kHourlyArchive},     {"daily", kDailyArchive}, {"monthly", kMonthlyArchive},
        {"interval", kIntervalArchive}, {"ns", kAlarmJournal},    {"operator", kOperatorJournal}};
    for (const auto& [text, kind] : kinds)
        if (name == text)
            return kind;
    return -1;
}

TTable ArchiveTable(int kind, const std::vector<ArchiveStruct>& records)
{
    TTable table{kArchiveCaptions, {}};
    for (const ArchiveStruct& record : records) {
        bool valid = false;
        const ArchiveDecodeStruct d = DecodeArchiveRecord(record, kind, valid);
        std::vector<std::string> row(kArchiveCaptions.size());
        row[0] = d.DateText;
        if (valid) {
            for (int i = 0; i < 5; ++i)
                row[1 + i] = d.ValueTexts[i];
            for (int i = 0; i < 5; ++i)
                row[6 + i] = d.DurationTexts[i];
            row[11] = d.DurationTexts[6]; // time on
            row[12] = d.DurationTexts[5]; // off
            for (int i = 0; i < 3; ++i)
                row[13 + i] = d.FlagTexts[i];
        }
        table.Rows.push_back(std::move(row));
    }
    return table;
}

TTable JournalTable(int kind, const std::vector<JournalStruct>& records)
{
    if (kind == kOperatorJournal) {
        TTable table{kOperatorCaptions, {}};
        for (const JournalStruct& record : records) {
            bool valid = false;
            const JournalDecodeStruct d = DecodeOperatorRecord(record, valid);
            table.Rows.push_back({d.DateText, d.Name, d.OldValue, d.NewValue});
        }
        return table;
    }
    TTable table{kAlarmCaptions, {}};
    for (const NotStaffPreDecodedStruct& event : ExpandAlarmJournal(records)) {
        bool valid = false;
        const NotStaffDecodedStruct d = DecodeAlarmEvent(event, valid);
        table.Rows.push_back({d.DateText, d.Description, d.State});
    }
    return table;
}

std::string RawArchive(const std::vector<ArchiveStruct>& records)
{
    std::string bytes;
    for (const ArchiveStruct& r : records)
        bytes.append(reinterpret_cast<const char*>(r.Bytes.data()), r.Bytes.size());
    return bytes;
}

std::string RawJournal(const std::vector<JournalStruct>& records)
{
    std::string bytes;
    for (const JournalStruct& r : records)
        bytes.append(reinterpret_cast<const char*>(r.Bytes.data()), r.Bytes.size());
    return bytes;
}

TTable DecodeRaw(int kind, const std::string& bytes)
{
    const size_t size = IsJournal(kind) ? kJournalRecordSize : kArchiveRecordSize;
    if (bytes.size() % size != 0)
        throw Exception(
            Format("the file holds %zu bytes, not a whole number of %zu-byte records", bytes.size(), size));
    const size_t count = bytes.size() / size;
    if (IsJournal(kind)) {
        std::vector<JournalStruct> records(count);
        for (size_t i = 0; i < count; ++i)
            std::memcpy(records[i].Bytes.data(), bytes.data() + i * size, size);
        return JournalTable(kind, records);
    }
    std::vector<ArchiveStruct> records(count);
    for (size_t i = 0; i < count; ++i)
        std::memcpy(records[i].Bytes.data(), bytes.data() + i * size, size);
    return ArchiveTable(kind, records);
}

std::string CsvText(const TTable& table)
{
    std::string text = Joined(table.Captions, ";", true) + "\r\n";
    for (const auto& row : table.Rows)
        text += Joined(row, ";", true) + "\r\n";
    return text;
}

std::string PlainText(const TTable& table)
{
    std::string text = Joined(table.Captions, "\t", false) + "\n";
    for (const auto& row : table.Rows)
        text += Joined(row, "\t", false) + "\n";
    return text;
}

} // namespace zt_cli
