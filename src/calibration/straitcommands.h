#pragma once
// The workbench commands "Границы" and "Аппроксимация" over a packet. They
// compute on a copy of the packet's points with the workbench's selectors
// and weight texts, report every outcome through the log callback, and
// leave the packet exactly as it was when they stop early.

#include "calibration/straitpacket.h"

#include <functional>
#include <string>

namespace StraitNamespace {

using StraitLog = std::function<void(const std::string& text)>;
// The section selection step: receives the copy of the points (boundary
// marks removed), may change their `fracturePoint` and `offPoint` flags and
// answers whether the operator accepted.
using SectionSelect = std::function<bool(StraitPointList& points)>;

// Sorts and distributes the points into sections, fits one overall
// segment, lets the operator mark boundaries and exclusions, and stores
// the points and that segment. Returns true when the packet was changed;
// a null packet does nothing.
bool BoundariesCommand(StraitPacket* packet, const WorkbenchSettings& settings, const SectionSelect& select,
                       const StraitLog& log);

// Builds the segments from the packet's sections and boundary marks and
// stores them with the recomputed points. Returns true when the packet was
// changed; a null packet does nothing.
bool ApproximationCommand(StraitPacket* packet, const WorkbenchSettings& settings, const StraitLog& log);

} // namespace StraitNamespace
