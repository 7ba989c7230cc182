#include "calibration/straitpacket.h"

namespace StraitNamespace {

void StraitPacket::SetName(const std::string& name)
{
    Name = name;
    if (OnNameChange)
        OnNameChange(Name);
}

void StraitPacket::SetMode(const PacketMode& mode)
{
    Mode = mode;
    Visible = VisibleColumns(mode);
    Editable = EditableColumns(mode);
    if (OnColumns)
        OnColumns();
    Refresh();
}

void StraitPacket::SetImpulseWeight1(double weight)
{
    ImpulseWeight1 = weight;
    Refresh();
}

void StraitPacket::SetImpulseWeight2(double weight)
{
    ImpulseWeight2 = weight;
    Refresh();
}

void StraitPacket::Refresh()
{
    for (StraitPoint& p : Points)
        ComputePoint(p, Mode, Lines, ImpulseWeight1, ImpulseWeight2);
    Modified = true;
    if (OnRefresh)
        OnRefresh();
}

void StraitPacket::SetPoints(const StraitPointList& points)
{
    Points = points;
    Refresh();
}

void StraitPacket::SetLines(const LineList& lines)
{
    Lines = lines;
    Refresh();
}

void StraitPacket::AddPoint(StraitPoint point)
{
    if (point.tet == 0 && !Points.empty())
        point.tet = Points.back().tet;
    Points.push_back(point);
    Refresh();
}

bool StraitPacket::DeletePoint(size_t row)
{
    if (row >= Points.size())
        return false;
    Points.erase(Points.begin() + static_cast<std::ptrdiff_t>(row));
    Refresh();
    return true;
}

bool StraitPacket::EditPoint(size_t row, const std::function<std::string(int column)>& cellText)
{
    if (row >= Points.size())
        return false;
    StraitPoint& p = Points[row];
    for (int c = 0; c < StraitColumnCount; ++c)
        if (HasColumn(Visible, c) && HasColumn(Editable, c))
            SetFieldFromText(p, c, cellText(c));
    ComputePoint(p, Mode, Lines, ImpulseWeight1, ImpulseWeight2);
    Modified = true;
    if (OnRowChange)
        OnRowChange(row);
    return true;
}

void StraitPacket::Clear()
{
    Points.clear();
    Refresh();
    Modified = false;
}

} // namespace StraitNamespace
