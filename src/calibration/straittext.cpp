#include "calibration/straittext.h"

#include "util/fileutil.h"

#include <langinfo.h>
#include <locale.h>

namespace StraitNamespace {

const std::array<const char*, 4> SeparatorTexts = {"( ) Пробел", "(,) Запятая", "(;) Точка с зап.",
                                                   "(TAB) Табуляция"};
const std::array<const char*, 3> DecimalSeparatorTexts = {"(.) Точка", "(,) Запятая", "Системный"};

char SeparatorChar(uint8_t index)
{
    static const char chars[] = {' ', ',', ';', '\t'};
    return index < sizeof(chars) ? chars[index] : ';';
}

char SystemDecimalSeparator()
{
    locale_t user = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (user == static_cast<locale_t>(0))
        return '.';
    const char* radix = ::nl_langinfo_l(RADIXCHAR, user);
    const char result = (radix && radix[0] == ',' && radix[1] == 0) ? ',' : '.';
    ::freelocale(user);
    return result;
}

StraitColumnSet ImportOfferedColumns(StraitColumnSet editable)
{
    return (editable & ~(ColumnBit(scOffPoint) | ColumnBit(scFracturePoint) | ColumnBit(scNumSection))) |
           ColumnBit(scSkip);
}

StraitColumnSet ExportOfferedColumns(StraitColumnSet visible)
{
    return (visible & ~(ColumnBit(scOffPoint) | ColumnBit(scFracturePoint) | ColumnBit(scNumSection))) |
           ColumnBit(scZeroValue);
}

std::vector<std::string> SplitLine(const std::string& line, char separator)
{
    std::string text = line;
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    std::vector<std::string> fields;
    size_t start = 0;
    while (true) {
        const size_t at = text.find(separator, start);
        if (at == std::string::npos) {
            fields.push_back(text.substr(start));
            return fields;
        }
        fields.push_back(text.substr(start, at - start));
        start = at + 1;
    }
}

StraitPoint ImportLine(const std::string& line, const ImportPacketOptionStruct& options)
{
    const std::vector<std::string> fields = SplitLine(line, SeparatorChar(options.Separator));
    StraitPoint p;
    for (size_t k = 0; k < options.FileColumns.size(); ++k)
        SetFieldFromText(p, options.FileColumns[k], k < fields.size() ? fields[k] : std::string());
    return p;
}

StraitPointList ImportLines(const std::vector<std::string>& lines, const ImportPacketOptionStruct& options)
{
    StraitPointList points;
    for (size_t i = options.Header ? 1 : 0; i < lines.size(); ++i)
        points.push_back(ImportLine(lines[i], options));
    return points;
}

std::string ExportHeader(const ImportPacketOptionStruct& options)
{
    std::string line;
    for (size_t k = 0; k < options.FileColumns.size(); ++k) {
        if (k > 0)
            line += SeparatorChar(options.Separator);
        line += ColumnCaption(options.FileColumns[k]);
    }
    return line;
}

std::string ExportLine(const StraitPoint& point, const ImportPacketOptionStruct& options, char systemDecimal)
{
    char from = ',', to = '.';
    if (options.DecimalSeparator == 1 || (options.DecimalSeparator == 2 && systemDecimal == ','))
        from = '.', to = ',';
    std::string line;
    for (size_t k = 0; k < options.FileColumns.size(); ++k) {
        if (k > 0)
            line += SeparatorChar(options.Separator);
        const StraitColumn column = options.FileColumns[k];
        if (column == scSkip || column == scZeroValue)
            continue;
        std::string text = CellText(point, column);
        for (char& ch : text)
            if (ch == from)
                ch = to;
        line += text;
    }
    return line;
}

std::vector<std::string> ExportLines(const StraitPointList& points, const ImportPacketOptionStruct& options,
                                     char systemDecimal)
{
    std::vector<std::string> lines;
    if (options.Header)
        lines.push_back(ExportHeader(options));
    for (const StraitPoint& p : points)
        lines.push_back(ExportLine(p, options, systemDecimal));
    return lines;
}

std::vector<std::string> ReadTextLines(const std::string& path)
{
    std::string text = ReadWholeFile(path);
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

void WriteTextLines(const std::string& path, const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    WriteFileAtomically(path, text);
}

StraitPointList ImportPacketText(const std::string& path, const ImportPacketOptionStruct& options)
{
    return ImportLines(ReadTextLines(path), options);
}

void ExportPacketText(const std::string& path, const StraitPointList& points,
                      const ImportPacketOptionStruct& options, char systemDecimal)
{
    WriteTextLines(path, ExportLines(points, options, systemDecimal));
}

} // namespace StraitNamespace
