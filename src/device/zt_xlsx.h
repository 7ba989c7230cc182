#pragma once
// The archive and journal tables as a spreadsheet workbook (.xlsx): one
// sheet per table under its name, the column captions as a bold header
// row, dates as date cells, volumes and flows as numbers and durations as
// time values (so that a spreadsheet sums them), flags and texts as text.
// A skipped or erased page keeps its text in the date column.

#include "device/zt_archivetable.h"

#include <string>
#include <vector>

namespace ZT_namespace {

// Replaces the file at `path` by the workbook atomically: a failed export
// leaves the previous file as it was. Raises Exception (EOSError for a
// failed system call) with the reason.
void WriteArchiveWorkbook(const std::string& path, const std::vector<TArchiveTableStruct>& tables);

// The number format of the date column of a table of `kind`.
const char* WorkbookDateFormat(int kind);

} // namespace ZT_namespace
