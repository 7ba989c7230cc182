#include "pages/pagesections.h"

#include "util/sysutil.h"

#include <cmath>

using namespace ZT_namespace;

namespace ZT_Pages {

TKoefSections KoefTableToSections(const TKoefCells& cells)
{
    TKoefSections sections{};
    for (int row = 0; row < kKoefSections; ++row) {
        const auto& line = cells[size_t(row)];
        TKoefSectionStruct& s = sections[size_t(row)];
        // The last section runs to the end of the range: its "Код" cell
        // means nothing.
        if (row < kKoefSections - 1)
            s.Stop = StrToUInt(line[kcStop]);
        s.A = StrToReal(line[kcA]);
        s.B = StrToReal(line[kcB]);
    }
    return sections;
}

std::string KoefValueText(double value)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return "INF";
    return Format("%g", value);
}

TKoefCells KoefSectionsToTable(const TKoefSections& sections)
{
    TKoefCells cells;
    for (int row = 0; row < kKoefSections; ++row) {
        const TKoefSectionStruct& s = sections[size_t(row)];
        auto& line = cells[size_t(row)];
        // Unsigned, so that a boundary above 2^31 reads back as itself.
        line[kcStop] = row < kKoefSections - 1 ? Format("%u", s.Stop) : std::string();
        line[kcA] = KoefValueText(s.A);
        line[kcB] = KoefValueText(s.B);
    }
    return cells;
}

TKoefSections GetKoefSections(const ZT_Helper& device, bool reverse)
{
    TKoefSections sections{};
    for (int n = 0; n < kKoefSections; ++n) {
        const TKoefLine line = reverse ? ZT_Fields::KoefReverse(n) : ZT_Fields::KoefDirect(n);
        TKoefSectionStruct& s = sections[size_t(n)];
        s.A = device.Get(line.A);
        s.B = device.Get(line.B);
        s.Stop = n < kKoefSections - 1 ? device.Get(line.Stop) : 0;
    }
    return sections;
}

void SetKoefSections(ZT_Helper& device, bool reverse, const TKoefSections& sections)
{
    for (int n = 0; n < kKoefSections; ++n) {
        const TKoefLine line = reverse ? ZT_Fields::KoefReverse(n) : ZT_Fields::KoefDirect(n);
        const TKoefSectionStruct& s = sections[size_t(n)];
        device.Set(line.A, static_cast<float>(s.A));
        device.Set(line.B, static_cast<float>(s.B));
        if (n < kKoefSections - 1)
            device.Set(line.Stop, s.Stop);
    }
}

} // namespace ZT_Pages
