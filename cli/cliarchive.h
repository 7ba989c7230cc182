#pragma once
// Archive and journal records on the command line: the kinds by name, the
// rows the archive and journal pages show (same captions, same decoders),
// the raw record files kept for later decoding, and the CSV form.

#include "device/zt_archivetable.h"

#include <string>
#include <vector>

namespace zt_cli {

// "hourly", "daily", "monthly", "interval", "ns" (alarm journal) and
// "operator"; -1 for any other name.
int ArchiveKindByName(const std::string& name);

struct TTable {
    std::vector<std::string> Captions;
    std::vector<std::vector<std::string>> Rows;
};

// The rows of a table of the archive tables, under its captions.
TTable PlainTable(const ZT_namespace::TArchiveTableStruct& table);
// The table of `kind` from its records (archives for the periodic kinds,
// journals for the two journals).
ZT_namespace::TArchiveTableStruct KindTable(int kind, const std::vector<ZT_namespace::ArchiveStruct>& archives,
                                            const std::vector<ZT_namespace::JournalStruct>& journals);

// The page's rows: an archive record that is skipped or erased shows only
// its date text; the alarm journal gives one row per changed flag.
TTable ArchiveTable(int kind, const std::vector<ZT_namespace::ArchiveStruct>& records);
TTable JournalTable(int kind, const std::vector<ZT_namespace::JournalStruct>& records);

// The records exactly as received, one after another.
std::string RawArchive(const std::vector<ZT_namespace::ArchiveStruct>& records);
std::string RawJournal(const std::vector<ZT_namespace::JournalStruct>& records);
// Decodes a raw record file of `kind`; raises Exception when its length is
// not a whole number of records.
TTable DecodeRaw(int kind, const std::string& bytes);
ZT_namespace::TArchiveTableStruct DecodeRawTable(int kind, const std::string& bytes);

// Semicolon-separated, a field quoted when it holds a separator, a quote or
// a line break; lines end with CR LF.
std::string CsvText(const TTable& table);
// Tab-separated with a caption line, for the terminal.
std::string PlainText(const TTable& table);

} // namespace zt_cli
