#pragma once
// Flow-rig calibration records and arithmetic: the test point, the
// approximation segment, the packet settings, the point column catalogue
// with its cell texts, and the pure computations on points (reference
// quantities, errors, sections, least-squares segments).
//
// The approximation argument `Eaprox` is the meter's averaged code of the
// run: ComputePoint sets `Eaprox` = `Eizm` before anything else, so that
// the segments map the meter's code to its flow and `Gizm`/`dGizm` follow
// the code shown in the "Е (код)" column. Neither packet file carries it.

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace StraitNamespace {

// One test run on the rig; a plain value record, all zero when new.
struct StraitPoint {
    bool offPoint = false;
    bool fracturePoint = false;
    uint8_t numSection = 0;
    double tet = 0;
    double Met = 0;
    double Vet = 0;
    double Tet = 0;
    double Get = 0;
    int32_t Nizm = 0;
    double Tizm = 0;
    double Fizm = 0;
    double Eizm = 0;
    double Eaprox = 0;
    int32_t N1out = 0;
    double T1out = 0;
    double F1out = 0;
    int32_t N2out = 0;
    double T2out = 0;
    double F2out = 0;
    double Gizm = 0;
    double dGizm = 0;
    double Vout1 = 0;
    double dVout1 = 0;
    double Gout1 = 0;
    double dGout1 = 0;
    double Vout2 = 0;
    double dVout2 = 0;
    double Gout2 = 0;
    double dGout2 = 0;
    double GradSigRaito = 0;

    bool operator==(const StraitPoint&) const = default;
};

// One segment of the meter's piecewise-linear code-to-flow table.
struct LineApproximation {
    double A = 0;
    double B = 0;
    double Stop = 0;

    bool operator==(const LineApproximation&) const = default;
};

// The field of a point that a column or a file attribute stands for; a
// pseudo column stands for none.
using PointField = std::variant<std::monostate, bool StraitPoint::*, uint8_t StraitPoint::*,
                                int32_t StraitPoint::*, double StraitPoint::*>;
// Visits a `PointField` with one handler per field type.
template <class... F> struct Overloaded : F... {
    using F::operator()...;
};
template <class... F> Overloaded(F...) -> Overloaded<F...>;

using StraitPointList = std::vector<StraitPoint>;
using LineList = std::vector<LineApproximation>;

// The settings a packet was given: the selector indices of the workbench.
struct PacketMode {
    uint8_t PacketType = 0;   // 0 calibration, 1 verification
    uint8_t PacketMethod = 0; // 0 reference meter, 1 weighing, 2 volumetric
    uint8_t OutputCheck1 = 0; // 0 off, 1 by volume, 2 by flow rate
    uint8_t OutputCheck2 = 0;

    bool operator==(const PacketMode&) const = default;
};

// The four workbench selectors as item indices; -1 is a selector without a
// selection, which counts as index 0 wherever a mode is needed.
struct PacketSelectors {
    int PacketType = -1;
    int PacketMethod = -1;
    int OutputCheck1 = -1;
    int OutputCheck2 = -1;

    PacketMode ToMode() const;
    bool operator==(const PacketSelectors&) const = default;
};

// The workbench controls a packet command or a STRAIT file reads or sets:
// the four selectors and the texts of the two impulse weight fields.
struct WorkbenchSettings {
    PacketSelectors Selectors;
    std::string ImpulseWeight1;
    std::string ImpulseWeight2;
};

// Item texts of the selectors, by index.
extern const std::array<const char*, 2> PacketTypeTexts;
extern const std::array<const char*, 3> PacketMethodTexts;
extern const std::array<const char*, 3> OutputCheckTexts;

// The point column catalogue; the index is a column's identity in tables,
// column sets and the text import and export lists.
enum StraitColumn : uint8_t {
    scOffPoint = 0,
    scFracturePoint = 1,
    scNumSection = 2,
    scTet = 3, // `tet`, the temperature
    scMet = 4,
    scVet = 5,
    scTetTime = 6, // `Tet`, the run time
    scGet = 7,
    scNizm = 8,
    scTizm = 9,
    scFizm = 10,
    scEizm = 11,
    scN1out = 12,
    scT1out = 13,
    scF1out = 14,
    scN2out = 15,
    scT2out = 16,
    scF2out = 17,
    scGizm = 18,
    scDGizm = 19,
    scGout1 = 20,
    scDGout1 = 21,
    scVout1 = 22,
    scDVout1 = 23,
    scGout2 = 24,
    scDGout2 = 25,
    scVout2 = 26,
    scDVout2 = 27,
    scGradSigRaito = 28,
    scSkip = 29,      // import only: the field is skipped
    scZeroValue = 30, // export only: an empty field
};

constexpr int StraitColumnCount = 31;

// A set of catalogue columns, bit n standing for column n.
using StraitColumnSet = uint32_t;

constexpr StraitColumnSet ColumnBit(int column)
{
    return StraitColumnSet(1) << column;
}
constexpr bool HasColumn(StraitColumnSet set, int column)
{
    return (set & ColumnBit(column)) != 0;
}

const char* ColumnCaption(int column);
int ColumnWidth(int column);
// Columns 0 and 1 are shown as check boxes.
bool IsCheckBoxColumn(int column);
// The text the table shows and the export writes, "." as decimal mark.
std::string CellText(const StraitPoint& p, int column);
// Sets the column's field from a typed or imported text: flags are set by
// any non-empty text; `numSection` and the impulse counts read an unsigned
// decimal number (0 when the text is none or does not fit the field); the
// other fields read a decimal number with "," or "." as the point (0 when
// none). Columns 29 and 30 carry no field.
void SetFieldFromText(StraitPoint& p, int column, const std::string& text);

StraitColumnSet VisibleColumns(const PacketMode& mode);
StraitColumnSet EditableColumns(const PacketMode& mode);

// Percent deviation of v from r; 100 when either is 0.
double RelativeError(double r, double v);
// Water density in kg/m³ at t °C, from a 5 °C piecewise-linear table.
double WaterDensity(double t);
// Flow in m³/h for the argument x through the segment list.
double ApplyApproximation(double x, const LineList& lines);
// Recomputes the derived fields that the mode covers; `w1`, `w2` are the
// impulse weights in l per impulse.
void ComputePoint(StraitPoint& p, const PacketMode& mode, const LineList& lines, double w1, double w2);
// Orders by `Get` ascending (a NaN flow sorts last).
void SortByFlow(StraitPointList& points);
// Numbers the sections of a flow-sorted list: a point more than 5 % away
// from its section's first flow opens the next section. Section numbers
// stop at 255, the largest the field holds.
void DistributeSections(StraitPointList& points);
// Least squares of `Get` ≈ A·`Eaprox` + B with relative deviations, over
// the points not excluded; fails without a finite line.
bool FitLine(const StraitPointList& points, double& A, double& B);
// Groups the sections into segments ending at boundary sections and at the
// last section.
bool BuildSegments(const StraitPointList& points, LineList& lines);

// The number typed into an impulse weight field: a comma counts as the
// point, other text is 0.
double ParseWeightText(const std::string& text);
// The weight as the weight field shows it ("%g").
std::string WeightText(double weight);

} // namespace StraitNamespace
