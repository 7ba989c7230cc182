#pragma once
// Text import and export of test points: one line per point, fields cut
// by one separator character, the columns in the order the operator chose.
//
// The system's decimal separator ("Системный") is the LC_NUMERIC radix of
// the user's locale as the environment names it (LANG, LC_ALL,
// LC_NUMERIC), looked up with newlocale/nl_langinfo_l so that neither the
// process's current locale nor other threads matter. The export functions
// take it as a parameter, defaulting to that lookup, so that callers and
// tests can fix it.

#include "calibration/straitcore.h"

#include <string>
#include <vector>

namespace StraitNamespace {

// The options of one text import or export, kept by the workbench while it
// runs.
struct ImportPacketOptionStruct {
    uint8_t Separator = 2;        // 0 space, 1 ",", 2 ";", 3 tab
    uint8_t DecimalSeparator = 2; // 0 point, 1 comma, 2 the system's
    StraitColumnSet AvailableColumns = 0;
    bool Header = false;
    std::vector<StraitColumn> FileColumns;
};

extern const std::array<const char*, 4> SeparatorTexts;
extern const std::array<const char*, 3> DecimalSeparatorTexts;

// The separator character of an index (";" for an index out of range).
char SeparatorChar(uint8_t index);
// "," when the user's locale writes a decimal comma, else ".".
char SystemDecimalSeparator();

// What the import offers from a packet's editable columns, and the export
// from its visible ones.
StraitColumnSet ImportOfferedColumns(StraitColumnSet editable);
StraitColumnSet ExportOfferedColumns(StraitColumnSet visible);

// Cuts a line at every separator; two separators in a row enclose an
// empty field. A trailing carriage return is not part of the line.
std::vector<std::string> SplitLine(const std::string& line, char separator);
// One point from one line: field k goes to chosen column k.
StraitPoint ImportLine(const std::string& line, const ImportPacketOptionStruct& options);
// Every line after the header (when there is one) gives one point.
StraitPointList ImportLines(const std::vector<std::string>& lines, const ImportPacketOptionStruct& options);

std::string ExportHeader(const ImportPacketOptionStruct& options);
std::string ExportLine(const StraitPoint& point, const ImportPacketOptionStruct& options,
                       char systemDecimal = SystemDecimalSeparator());
std::vector<std::string> ExportLines(const StraitPointList& points, const ImportPacketOptionStruct& options,
                                     char systemDecimal = SystemDecimalSeparator());

// Lines of a UTF-8 text file ("\n" or "\r\n", a leading byte-order mark
// dropped); raises EOSError when it cannot be read.
std::vector<std::string> ReadTextLines(const std::string& path);
// Writes the lines, each ended by "\n", replacing the file atomically.
void WriteTextLines(const std::string& path, const std::vector<std::string>& lines);

StraitPointList ImportPacketText(const std::string& path, const ImportPacketOptionStruct& options);
void ExportPacketText(const std::string& path, const StraitPointList& points,
                      const ImportPacketOptionStruct& options, char systemDecimal = SystemDecimalSeparator());

} // namespace StraitNamespace
