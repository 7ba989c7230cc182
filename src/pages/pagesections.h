#pragma once
// The parameter pages' values as plain data, for the code that reads and
// writes them without windows as well as for the pages: the correction
// table of the calibration page as five sections and as the texts of its
// grid, and one output's values as the configuration file keeps them.

#include "device/zt_helper.h"

#include <array>
#include <cstdint>
#include <string>

namespace ZT_Pages {

// One section of the piecewise-linear correction: slope, offset and the
// code at which it ends (the fifth section has no end; its Stop is 0).
struct TKoefSectionStruct {
    double A = 0;
    double B = 0;
    uint32_t Stop = 0;
    bool operator==(const TKoefSectionStruct&) const = default;
};
inline constexpr int kKoefSections = 5;
using TKoefSections = std::array<TKoefSectionStruct, kKoefSections>;

// The grid cells of a correction table: one row per section, columns
// "Код" (Stop), "A" and "B".
enum TKoefColumn : int { kcStop = 0, kcA = 1, kcB = 2 };
using TKoefCells = std::array<std::array<std::string, 3>, kKoefSections>;

// Cells to sections: Stop as an unsigned decimal (never read on the fifth
// row), A and B as reals (a comma counts as the point); empty or
// non-numeric text gives 0.
TKoefSections KoefTableToSections(const TKoefCells& cells);
// Sections to cells: Stop as a decimal, empty on the fifth row; A and B with
// "%g", "NAN" for a value that is not a number, "INF" for an infinite one.
TKoefCells KoefSectionsToTable(const TKoefSections& sections);
std::string KoefValueText(double value);

// The direct (`reverse` false) or reverse table of the device model's
// calibration block; the caller holds the model's data lock.
TKoefSections GetKoefSections(const ZT_Helper& device, bool reverse);
void SetKoefSections(ZT_Helper& device, bool reverse, const TKoefSections& sections);

// One output as the configuration file keeps it: list indices (-1 when
// nothing is selected), the weight in m3 per pulse, the pulse duration in
// milliseconds, the integrator and the flag bits.
struct TOutputSectionStruct {
    int32_t OutputType = 0;
    int32_t WorkMode = 0;
    double Weight = 0;
    double ImpulseLen = 0;
    int32_t Integrator = 0;
    int32_t OutEvent = 0;
    int32_t OutFlags = 0;
    bool operator==(const TOutputSectionStruct&) const = default;
};

} // namespace ZT_Pages
