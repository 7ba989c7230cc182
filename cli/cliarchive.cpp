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

TTable PlainTable(const TArchiveTableStruct& core)
{
    TTable table;
    for (const TArchiveColumnStruct& column : core.Columns)
        table.Captions.push_back(column.Caption);
    table.Rows.reserve(core.Rows.size());
    for (const TArchiveRowStruct& row : core.Rows)
        table.Rows.push_back(row.Cells);
    return table;
}

TArchiveTableStruct KindTable(int kind, const std::vector<ArchiveStruct>& archives,
                              const std::vector<JournalStruct>& journals)
{
    if (kind == kOperatorJournal)
        return OperatorJournalTable(journals);
    if (kind == kAlarmJournal)
        return AlarmJournalTable(journals);
    return ZT_namespace::ArchiveTable(kind, archives);
}

TTable ArchiveTable(int kind, const std::vector<ArchiveStruct>& records)
{
    return PlainTable(ZT_namespace::ArchiveTable(kind, records));
}

TTable JournalTable(int kind, const std::vector<JournalStruct>& records)
{
    return PlainTable(KindTable(kind, {}, records));
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

TArchiveTableStruct DecodeRawTable(int kind, const std::string& bytes)
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
        return KindTable(kind, {}, records);
    }
    std::vector<ArchiveStruct> records(count);
    for (size_t i = 0; i < count; ++i)
        std::memcpy(records[i].Bytes.data(), bytes.data() + i * size, size);
    return KindTable(kind, records, {});
}

TTable DecodeRaw(int kind, const std::string& bytes)
{
    return PlainTable(DecodeRawTable(kind, bytes));
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
