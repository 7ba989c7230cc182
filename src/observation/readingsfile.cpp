#include "observation/readingsfile.h"

#include "util/sysutil.h"

#include <algorithm>
#include <cmath>

namespace ZT_Readings {

namespace {

std::vector<std::string> SplitFields(const std::string& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t end = line.find(';', start);
        fields.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return fields;
        start = end + 1;
    }
}

} // namespace

std::string HeaderLine(const std::array<std::string, kChanels>& names)
{
    std::string line;
    for (const std::string& name : names)
        line += ";" + name;
    return line;
}

std::string ValueLine(int64_t index, const std::array<double, kChanels>& values)
{
    std::string line = Format("%lld", static_cast<long long>(index));
    for (double value : values)
        line += Format(";%G", std::isfinite(value) ? value : 0.0);
    return line;
}

std::array<std::string, kChanels> ParseHeader(const std::string& line)
{
    const std::vector<std::string> fields = SplitFields(line);
    std::array<std::string, kChanels> names;
    for (size_t i = 0; i < names.size(); ++i)
        if (i + 1 < fields.size())
            names[i] = fields[i + 1];
    return names;
}

std::array<double, kChanels> ParseValues(const std::string& line)
{
    std::string text = line;
    std::replace(text.begin(), text.end(), ',', '.');
    const std::vector<std::string> fields = SplitFields(text);
    std::array<double, kChanels> values{};
    for (size_t i = 0; i < values.size(); ++i)
        if (i + 1 < fields.size())
            values[i] = StrToReal(fields[i + 1]);
    return values;
}

std::vector<std::string> SplitLines(const std::string& text)
{
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

} // namespace ZT_Readings
