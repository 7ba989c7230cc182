#pragma once
// The data of one calibration packet: name, settings, impulse weights,
// points and segments. Every change recomputes all points, so the derived
// values always belong to the current data; the packet table window shows
// this model and keeps no data of its own.

#include "calibration/straitcore.h"

#include <functional>
#include <string>

namespace StraitNamespace {

// One packet of test runs with its approximation and modified flag.
class StraitPacket {
public:
    const std::string& GetName() const { return Name; }
    void SetName(const std::string& name);

    const PacketMode& GetMode() const { return Mode; }
    // Stores the mode, derives the column sets and refreshes.
    void SetMode(const PacketMode& mode);
    StraitColumnSet GetVisibleColumns() const { return Visible; }
    StraitColumnSet GetEditableColumns() const { return Editable; }

    double GetImpulseWeight1() const { return ImpulseWeight1; }
    double GetImpulseWeight2() const { return ImpulseWeight2; }
    void SetImpulseWeight1(double weight);
    void SetImpulseWeight2(double weight);

    // Recomputes every point with the packet's own mode, segments and
    // weights and sets the modified flag.
    void Refresh();

    void SetPoints(const StraitPointList& points);
    StraitPointList GetPoints() const { return Points; }
    void SetLines(const LineList& lines);
    LineList GetLines() const { return Lines; }

    size_t PointCount() const { return Points.size(); }
    const StraitPoint& Point(size_t row) const { return Points.at(row); }
    std::string CellText(size_t row, int column) const
    {
        return StraitNamespace::CellText(Points.at(row), column);
    }

    // Appends the point; a point without a temperature takes the last
    // point's, since consecutive runs share the rig's water.
    void AddPoint(StraitPoint point);
    // Removes the point of a row; false when there is no such row.
    bool DeletePoint(size_t row);
    // Reads an edited row back: `cellText` gives the text of a column (for a
    // check box column "1" when checked); only the visible editable columns
    // are read. The row is recomputed. False when the row holds no point.
    bool EditPoint(size_t row, const std::function<std::string(int column)>& cellText);
    // Removes all points and clears the modified flag; segments, mode,
    // weights and name stay.
    void Clear();

    bool IsModified() const { return Modified; }
    void SetModified(bool modified) { Modified = modified; }

    // Notifications for the view: all rows after a refresh (`OnColumns`
    // first when the mode rebuilt the columns), one row after an edit, the
    // name for the tab caption.
    std::function<void()> OnColumns;
    std::function<void()> OnRefresh;
    std::function<void(size_t row)> OnRowChange;
    std::function<void(const std::string& name)> OnNameChange;

private:
    std::string Name;
    PacketMode Mode;
    StraitColumnSet Visible = 0;
    StraitColumnSet Editable = 0;
    double ImpulseWeight1 = 0;
    double ImpulseWeight2 = 0;
    StraitPointList Points;
    LineList Lines;
    bool Modified = false;
};

} // namespace StraitNamespace
