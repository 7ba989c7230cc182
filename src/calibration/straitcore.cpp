#include "calibration/straitcore.h"

#include "util/sysutil.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <variant>

namespace StraitNamespace {

namespace {

uint8_t SelectorIndex(int index)
{
    return index < 0 || index > 255 ? 0 : static_cast<uint8_t>(index);
}

struct ColumnInfo {
    const char* Caption;
    int Width;
    PointField Field;
    // The cell text format of a field without a rule of its own.
    const char* Format;
};

using P = StraitPoint;

// Captions mix Latin and Cyrillic letters on purpose: they are the texts
// the rig's engineers know from the meter's documents.
// clang-format off
const ColumnInfo Columns[StraitColumnCount] = {
    {"Выкл.", 50, &P::offPoint, nullptr},
    {"Граница", 55, &P::fracturePoint, nullptr},
    {"№ сеч", 50, &P::numSection, "%d"},
    {"tэт (°C)", 60, &P::tet, "%.2f"},
    {"Mэт (кг)", 70, &P::Met, "%.4f"},
    {"Vэт (л)", 70, &P::Vet, "%.4f"},
    {"Tэт (c)", 70, &P::Tet, "%.4f"},
    {"Gэт (м3/ч)", 70, &P::Get, nullptr},
    {"Nвх (имп)", 70, &P::Nizm, "%d"},
    {"Твх (с)", 70, &P::Tizm, "%.3f"},
    {"Fвх (Гц)", 70, &P::Fizm, "%g"},
    {"Е (код)", 70, &P::Eizm, "%g"},
    {"N1 (имп)", 70, &P::N1out, "%d"},
    {"Т1 (с)", 70, &P::T1out, "%.3f"},
    {"F1 (Гц)", 70, &P::F1out, "%g"},
    {"N2 (имп)", 70, &P::N2out, "%d"},
    {"Т2 (с)", 70, &P::T2out, "%.3f"},
    {"F2 (Гц)", 70, &P::F2out, "%g"},
    {"Gизм (м3/ч)", 70, &P::Gizm, nullptr},
    {"dGизм (%)", 70, &P::dGizm, nullptr},
    {"G1 (м3/ч)", 70, &P::Gout1, "%g"},
    {"dG1 (%)", 70, &P::dGout1, "%.2f"},
    {"V1 (л)", 70, &P::Vout1, "%g"},
    {"dV1 (%)", 70, &P::dVout1, "%.2f"},
    {"G2 (м3/ч)", 70, &P::Gout2, "%g"},
    {"dG2 (%)", 70, &P::dGout2, "%.2f"},
    {"V2 (л)", 70, &P::Vout2, "%g"},
    {"dV2 (%)", 70, &P::dVout2, "%.2f"},
    {"GrSigRaito", 70, &P::GradSigRaito, "%.4f"},
    {"Пропустить", 0, std::monostate{}, nullptr},
    {"Нулевое значение", 0, std::monostate{}, nullptr},
};
// clang-format on

std::string FlowText(double v)
{
    if (v > 10)
        return Format("%.3f", v);
    if (v > 1)
        return Format("%.4f", v);
    return Format("%.5f", v);
}

StraitColumnSet Bits(std::initializer_list<int> columns)
{
    StraitColumnSet set = 0;
    for (int c : columns)
        set |= ColumnBit(c);
    return set;
}

struct DensityRow {
    double Intercept;
    double Slope;
};

const DensityRow DensityTable[30] = {
    {999.8730719, 0.02247059},    {1000.26943511, -0.05509244}, {1000.94445378, -0.12181513},
    {1001.83287582, -0.1807395},  {1002.88309991, -0.23302521}, {1004.07555556, -0.28058824},
    {1005.36777311, -0.32359664}, {1006.77052288, -0.36364706}, {1008.26304388, -0.40092437},
    {1009.80348273, -0.43515966}, {1011.44477124, -0.46801681}, {1013.15591036, -0.49914286},
    {1014.91578431, -0.52847059}, {1016.72399627, -0.55633613}, {1018.64062092, -0.58376471},
    {1020.55919234, -0.60937815}, {1022.58905696, -0.63478992}, {1024.68349673, -0.65946218},
    {1026.82331466, -0.68327731}, {1029.00534547, -0.70630252}, {1031.29339402, -0.7292437},
    {1033.65843604, -0.75183193}, {1036.11529879, -0.77421849}, {1038.62580299, -0.79610084},
    {1041.29977124, -0.81847059}, {1044.01326797, -0.84023529}, {1046.80035014, -0.86173109},
    {1049.79366013, -0.884},      {1052.88947246, -0.90616807}, {1056.11127451, -0.92847059},
};

// One pulse output: by volume or by flow rate from its frequency.
void ComputeOutput(uint8_t check, int32_t n, double t, double w, double vet, double get, double& f,
                   double& vout, double& dvout, double& gout, double& dgout)
{
    if (check == 1) {
        vout = n * w;
        dvout = RelativeError(vet, vout);
    } else if (check == 2) {
        // The first impulse opens the counting interval, so n impulses
        // span n - 1 periods.
        f = (n != 0 && t != 0) ? (static_cast<double>(n) - 1.0) / t : 0.0;
        gout = f * w * 3.6;
        dgout = RelativeError(get, gout);
    }
}

} // namespace

const std::array<const char*, 2> PacketTypeTexts = {"Градуировка", "Поверка"};
const std::array<const char*, 3> PacketMethodTexts = {"Эталонный", "Массовый", "Объемный"};
const std::array<const char*, 3> OutputCheckTexts = {"Отключена", "По объему", "По расходу"};

PacketMode PacketSelectors::ToMode() const
{
    return PacketMode{SelectorIndex(PacketType), SelectorIndex(PacketMethod), SelectorIndex(OutputCheck1),
                      SelectorIndex(OutputCheck2)};
}

const char* ColumnCaption(int column)
{
    return column >= 0 && column < StraitColumnCount ? Columns[column].Caption : "";
}

int ColumnWidth(int column)
{
    return column >= 0 && column < StraitColumnCount ? Columns[column].Width : 0;
}

bool IsCheckBoxColumn(int column)
{
    return column == scOffPoint || column == scFracturePoint;
}

std::string CellText(const StraitPoint& p, int column)
{
    if (column < 0 || column >= StraitColumnCount)
        return "";
    const ColumnInfo& info = Columns[column];
    if (column == scGet || column == scGizm)
        return FlowText(p.*std::get<double P::*>(info.Field));
    if (column == scDGizm)
        return Format(std::fabs(p.dGizm) < 0.01 ? "%.3f" : "%.2f", p.dGizm);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    return std::visit(Overloaded{[](std::monostate) { return std::string(); },
                                 [&](bool P::*f) { return std::string(p.*f ? "1" : ""); },
                                 [&](uint8_t P::*f) { return Format(info.Format, p.*f); },
                                 [&](int32_t P::*f) { return Format(info.Format, p.*f); },
                                 [&](double P::*f) { return Format(info.Format, p.*f); }},
                      info.Field);
#pragma GCC diagnostic pop
}

void SetFieldFromText(StraitPoint& p, int column, const std::string& text)
{
    if (column < 0 || column >= StraitColumnCount)
        return;
    std::visit(Overloaded{[](std::monostate) {}, [&](bool P::*f) { p.*f = !text.empty(); },
                          [&](uint8_t P::*f) {
                              const uint32_t v = StrToUInt(text);
                              p.*f = v > 255 ? 0 : static_cast<uint8_t>(v);
                          },
                          [&](int32_t P::*f) {
                              const uint32_t v = StrToUInt(text);
                              p.*f = v > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())
                                         ? 0
                                         : static_cast<int32_t>(v);
                          },
                          [&](double P::*f) { p.*f = StrToReal(text); }},
               Columns[column].Field);
}

StraitColumnSet VisibleColumns(const PacketMode& mode)
{
    StraitColumnSet set =
        mode.PacketType == 0 ? Bits({0, 1, 2, 3, 4, 5, 6, 7, 11, 18, 19}) : Bits({3, 4, 5, 6, 7, 11, 18, 19});
    if (mode.OutputCheck1 == 1)
        set |= Bits({12, 22, 23});
    else if (mode.OutputCheck1 == 2)
        set |= Bits({12, 13, 14, 20, 21});
    if (mode.OutputCheck2 == 1)
        set |= Bits({15, 26, 27});
    else if (mode.OutputCheck2 == 2)
        set |= Bits({15, 16, 17, 24, 25});
    return set;
}

StraitColumnSet EditableColumns(const PacketMode& mode)
{
    StraitColumnSet set = mode.PacketType == 0 ? Bits({0, 1, 2, 11}) : Bits({11});
    if (mode.PacketMethod == 0)
        set |= Bits({3, 6, 7});
    else if (mode.PacketMethod == 1)
        set |= Bits({3, 4, 6});
    else if (mode.PacketMethod == 2)
        set |= Bits({3, 5, 6});
    if (mode.OutputCheck1 == 1 || mode.OutputCheck1 == 2)
        set |= Bits({12, 13});
    if (mode.OutputCheck2 == 1 || mode.OutputCheck2 == 2)
        set |= Bits({15, 16});
    return set;
}

double RelativeError(double r, double v)
{
    if (r == 0 || v == 0)
        return 100.0;
    return (v - r) * 100.0 / r;
}

double WaterDensity(double temperature)
{
    // The table works in single precision; a temperature below zero counts
    // as zero, one beyond the float range as infinite (the conversion
    // itself would be undefined there).
    float t = 0;
    if (temperature > std::numeric_limits<float>::max())
        t = std::numeric_limits<float>::infinity();
    else if (temperature > 0 || std::isnan(temperature))
        t = static_cast<float>(temperature);
    if (t == 0)
        return 1000.0;
    const int row = t < 150 ? static_cast<int>(t * 0.2) : 29;
    return DensityTable[row].Intercept + DensityTable[row].Slope * t;
}

double ApplyApproximation(double x, const LineList& lines)
{
    if (lines.empty())
        return 0;
    const double y = std::fabs(x);
    const LineApproximation* line = &lines.back();
    for (const LineApproximation& l : lines) {
        if (!(l.Stop < y)) {
            line = &l;
            break;
        }
    }
    const double r = line->A * y + line->B;
    return (x < 0 && r != 0) ? -r : r;
}

void ComputePoint(StraitPoint& p, const PacketMode& mode, const LineList& lines, double w1, double w2)
{
    p.Eaprox = p.Eizm;
    switch (mode.PacketMethod) {
    case 0:
        p.Vet = p.Get * p.Tet * 0.2777777777777778;
        p.Met = WaterDensity(p.tet) * p.Vet * 0.001;
        break;
    case 1:
        p.Vet = p.Met * 1000.0 / WaterDensity(p.tet);
        p.Get = p.Tet != 0 ? p.Vet * 3.6 / p.Tet : 0.0;
        break;
    case 2:
        p.Get = p.Tet != 0 ? p.Vet * 3.6 / p.Tet : 0.0;
        p.Met = WaterDensity(p.tet) * p.Vet * 0.001;
        break;
    default:
        break;
    }
    p.Gizm = ApplyApproximation(p.Eaprox, lines);
    p.dGizm = RelativeError(p.Get, p.Gizm);
    ComputeOutput(mode.OutputCheck1, p.N1out, p.T1out, w1, p.Vet, p.Get, p.F1out, p.Vout1, p.dVout1, p.Gout1,
                  p.dGout1);
    ComputeOutput(mode.OutputCheck2, p.N2out, p.T2out, w2, p.Vet, p.Get, p.F2out, p.Vout2, p.dVout2, p.Gout2,
                  p.dGout2);
}

void SortByFlow(StraitPointList& points)
{
    // NaN flows are kept together at the end so that the order stays a
    // strict weak one whatever the data.
    std::stable_sort(points.begin(), points.end(), [](const StraitPoint& a, const StraitPoint& b) {
        if (std::isnan(a.Get))
            return false;
        if (std::isnan(b.Get))
            return true;
        return a.Get < b.Get;
    });
}

void DistributeSections(StraitPointList& points)
{
    if (points.empty())
        return;
    uint8_t section = 1;
    double reference = points.front().Get;
    points.front().numSection = section;
    for (size_t i = 1; i < points.size(); ++i) {
        StraitPoint& p = points[i];
        if (std::fabs(RelativeError(reference, p.Get)) > 5) {
            if (section < 255)
                ++section;
            reference = p.Get;
        }
        p.numSection = section;
    }
}

bool FitLine(const StraitPointList& points, double& A, double& B)
{
    double s1 = 0, s2 = 0, s3 = 0, s4 = 0, s5 = 0;
    for (const StraitPoint& p : points) {
        if (p.offPoint)
            continue;
        const double g = p.Get;
        const double x = p.Eaprox;
        if (g == 0)
            return false;
        s1 += 1 / g;
        s2 += 1 / (g * g);
        s3 += x / g;
        s4 += x / (g * g);
        s5 += x * x / (g * g);
    }
    const double d = s2 * s5 - s4 * s4;
    if (d == 0)
        return false;
    // Sums that overflow give no line: coefficients that are not finite
    // must never reach the packet or the meter.
    const double a = (s3 * s2 - s4 * s1) / d;
    const double b = (s5 * s1 - s4 * s3) / d;
    if (!std::isfinite(a) || !std::isfinite(b))
        return false;
    A = a;
    B = b;
    return true;
}

bool BuildSegments(const StraitPointList& points, LineList& lines)
{
    int maxSection = 0;
    for (const StraitPoint& p : points)
        maxSection = std::max(maxSection, static_cast<int>(p.numSection));
    if (maxSection < 1)
        return false;
    lines.clear();
    int s = 1;
    int counted = 0;
    StraitPointList work;
    while (s <= maxSection) {
        double sum = 0;
        int count = 0;
        bool boundary = false;
        for (const StraitPoint& p : points) {
            if (p.numSection != s || p.offPoint)
                continue;
            work.push_back(p);
            sum += p.Eaprox;
            ++count;
            boundary = boundary || p.fracturePoint;
        }
        double mean = 0;
        if (count > 0) {
            mean = sum / count;
            ++counted;
        }
        if ((boundary || s == maxSection) && counted >= 2) {
            double a = 0, b = 0;
            if (!FitLine(work, a, b))
                return false;
            lines.push_back(LineApproximation{a, b, mean});
            counted = 0;
            work.clear();
            // Section s is taken again as the first section of the next
            // segment, so neighbouring segments share its points.
        } else {
            ++s;
        }
    }
    if (!lines.empty())
        lines.back().Stop *= 2;
    return true;
}

double ParseWeightText(const std::string& text)
{
    return StrToReal(text);
}

std::string WeightText(double weight)
{
    return Format("%g", weight);
}

} // namespace StraitNamespace
