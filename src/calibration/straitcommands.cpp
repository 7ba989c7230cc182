#include "calibration/straitcommands.h"

#include <algorithm>
#include <cmath>

namespace StraitNamespace {

namespace {

const char* const NoPointsText = "Нет точек в пакете";
const char* const FitFailedText = "Не возможно выполнить линейную аппроксимацию";
const char* const NoSectionsText =
    "Не выполнено распределения по сечениям или не достаточно сечений для аппроксимации";
const char* const TooManySegmentsText = "Превышено количесто отрезков аппроксимации";
const char* const ApproximationDoneText = "Аппроксимация выполнена";

// The meter holds at most this many segments per direction.
constexpr size_t MaxSegments = 5;

void Log(const StraitLog& log, const char* text)
{
    if (log)
        log(text);
}

void ComputeAll(StraitPointList& points, const WorkbenchSettings& settings, const LineList& lines)
{
    const PacketMode mode = settings.Selectors.ToMode();
    const double w1 = ParseWeightText(settings.ImpulseWeight1);
    const double w2 = ParseWeightText(settings.ImpulseWeight2);
    for (StraitPoint& p : points)
        ComputePoint(p, mode, lines, w1, w2);
}

} // namespace

bool BoundariesCommand(StraitPacket* packet, const WorkbenchSettings& settings, const SectionSelect& select,
                       const StraitLog& log)
{
    if (!packet)
        return false;
    StraitPointList points = packet->GetPoints();
    SortByFlow(points);
    DistributeSections(points);
    if (points.empty()) {
        Log(log, NoPointsText);
        return false;
    }
    double a = 0, b = 0;
    if (!FitLine(points, a, b)) {
        Log(log, FitFailedText);
        return false;
    }
    // A single segment serves every argument; its end is put where a built
    // table puts the end of its last segment, at twice the largest code.
    double stop = 0;
    for (const StraitPoint& p : points)
        stop = std::max(stop, std::fabs(p.Eaprox));
    const LineList lines{LineApproximation{a, b, stop * 2}};
    ComputeAll(points, settings, lines);

    StraitPointList copy = points;
    for (StraitPoint& p : copy)
        p.fracturePoint = false;
    if (!select || !select(copy))
        return false;

    int maxSection = 0;
    for (const StraitPoint& p : copy)
        maxSection = std::max(maxSection, static_cast<int>(p.numSection));
    int lastMarked = -1;
    for (size_t i = 0; i < points.size(); ++i) {
        StraitPoint& p = points[i];
        p.fracturePoint = false;
        if (i >= copy.size())
            continue;
        const StraitPoint& q = copy[i];
        if (q.fracturePoint && q.numSection != 1 && q.numSection != maxSection &&
            q.numSection != lastMarked) {
            p.fracturePoint = true;
            lastMarked = q.numSection;
        }
        p.offPoint = q.offPoint;
    }
    packet->SetPoints(points);
    packet->SetLines(lines);
    return true;
}

bool ApproximationCommand(StraitPacket* packet, const WorkbenchSettings& settings, const StraitLog& log)
{
    if (!packet)
        return false;
    StraitPointList points = packet->GetPoints();
    if (points.empty()) {
        Log(log, NoPointsText);
        return false;
    }
    if (std::all_of(points.begin(), points.end(), [](const StraitPoint& p) { return p.numSection == 0; })) {
        Log(log, NoSectionsText);
        return false;
    }
    LineList lines;
    if (!BuildSegments(points, lines)) {
        Log(log, FitFailedText);
        return false;
    }
    if (lines.size() > MaxSegments) {
        Log(log, TooManySegmentsText);
        return false;
    }
    ComputeAll(points, settings, lines);
    packet->SetPoints(points);
    packet->SetLines(lines);
    Log(log, ApproximationDoneText);
    return true;
}

} // namespace StraitNamespace
