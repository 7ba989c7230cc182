#pragma once
// The readings file of the readings graph: a text file of lines separated by
// ";" (decimal point, exponent in upper case). The first line names the
// seven channels after an empty field (an empty name: the channel is not
// shown); every further line is a point index and the seven values.
// The graph page saves and loads it, and the command line records into it.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ZT_Readings {

constexpr int kChanels = 7;

// ";name1;...;name7" without the line end.
std::string HeaderLine(const std::array<std::string, kChanels>& names);
// "%d;%G;...;%G" without the line end; a value that is not a finite number
// is written as 0, as the graph draws it.
std::string ValueLine(int64_t index, const std::array<double, kChanels>& values);

// The names of a header line (fields 1 to 7; missing ones are empty).
std::array<std::string, kChanels> ParseHeader(const std::string& line);
// The values of a value line: commas read as points, fields 1 to 7 as
// reals; an empty, missing or non-numeric field is 0. Field 0 is not used.
std::array<double, kChanels> ParseValues(const std::string& line);

// The lines of a text, without their "\n" or "\r\n"; no empty line after a
// final line end.
std::vector<std::string> SplitLines(const std::string& text);

} // namespace ZT_Readings
