// The text import of test points: the first byte chooses the separators,
// the header and the file's columns, the rest is the text.

#include "calibration/straittext.h"
#include "util/sysutil.h"

#include <string>
#include <vector>

using namespace StraitNamespace;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    ImportPacketOptionStruct options;
    options.Separator = data[0] & 3;
    options.DecimalSeparator = (data[0] >> 2) % 3;
    options.Header = (data[0] & 0x10) != 0;
    // Columns in the order of the second byte's bits.
    for (int column = 0; column < 8; ++column)
        if (data[1] & (1 << column))
            options.FileColumns.push_back(static_cast<StraitColumn>(column));
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 2; i < size; ++i) {
        if (data[i] == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(data[i]);
        }
    }
    lines.push_back(line);
    try {
        const StraitPointList points = ImportLines(lines, options);
        ExportLines(points, options, '.');
    } catch (const Exception&) {
    }
    return 0;
}
