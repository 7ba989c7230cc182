// The correction table's conversions between grid texts and sections, and
// the sections in the device model, without windows.

#include "pages/pagesections.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace ZT_namespace;
using namespace ZT_Pages;

TEST(KoefTable, CellsToSections_ReadTheNumberConventions)
{
    struct Case {
        const char* stop;
        const char* a;
        const char* b;
        TKoefSectionStruct expected;
    };
    const Case cases[] = {
        {"1000", "1,25", "-0.5", {1.25, -0.5, 1000}},
        {" 42 ", "1e-3", "2.", {0.001, 2.0, 42}},
        {"", "", "", {0, 0, 0}},
        {"abc", "x1", "1,2,3", {0, 0, 0}},
        {"-5", "NAN", "INF", {0, 0, 0}},
        {"4294967295", "0", "0", {0, 0, 4294967295u}},
        {"4294967296", "0", "0", {0, 0, 0}},
        {"12.5", "0", "0", {0, 0, 0}},
    };
    for (const Case& c : cases) {
        TKoefCells cells{};
        cells[1] = {c.stop, c.a, c.b};
        EXPECT_EQ(KoefTableToSections(cells)[1], c.expected) << c.stop << " / " << c.a << " / " << c.b;
    }
}

TEST(KoefTable, FifthRow_HasNoStopEitherWay)
{
    TKoefCells cells{};
    cells[4] = {"777", "3", "4"};
    const TKoefSections sections = KoefTableToSections(cells);
    EXPECT_EQ(sections[4], (TKoefSectionStruct{3, 4, 0}));

    TKoefSections shown{};
    shown[4] = {1, 2, 99};
    EXPECT_EQ(KoefSectionsToTable(shown)[4][kcStop], "");
}

TEST(KoefTable, SectionsToCells_ShowPercentGNanAndInf)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        TKoefSectionStruct section;
        const char* stop;
        const char* a;
        const char* b;
    };
    const Case cases[] = {
        {{1.25, -0.5, 1000}, "1000", "1.25", "-0.5"},
        {{nan, inf, 0}, "0", "NAN", "INF"},
        {{-inf, 1e-7, 3000000000u}, "3000000000", "INF", "1e-07"},
        {{123456789, 0.1f, 1}, "1", "1.23457e+08", "0.1"},
    };
    for (const Case& c : cases) {
        TKoefSections sections{};
        sections[0] = c.section;
        const TKoefCells cells = KoefSectionsToTable(sections);
        EXPECT_EQ(cells[0][kcStop], c.stop);
        EXPECT_EQ(cells[0][kcA], c.a);
        EXPECT_EQ(cells[0][kcB], c.b);
    }
}

TEST(KoefTable, BoundaryAboveTwoToThe31_SurvivesTheGrid)
{
    TKoefSections sections{};
    sections[2].Stop = 3000000000u;
    EXPECT_EQ(KoefTableToSections(KoefSectionsToTable(sections))[2].Stop, 3000000000u);
}

TEST(KoefTable, ModelSections_FillTheirOwnTableOnly)
{
    ZT_Helper device;
    TDeviceHelperLocker lock(device);
    TKoefSections direct{}, reverse{};
    for (int n = 0; n < kKoefSections; ++n) {
        direct[size_t(n)] = {1.0 + n, -1.0 - n, n < 4 ? uint32_t(1000 * (n + 1)) : 0u};
        reverse[size_t(n)] = {0.5 * n, 2.0 * n, n < 4 ? uint32_t(7 + n) : 0u};
    }
    device.Set(ZT_Fields::Qmin, 0.1f);
    SetKoefSections(device, false, direct);
    SetKoefSections(device, true, reverse);
    EXPECT_EQ(GetKoefSections(device, false), direct);
    EXPECT_EQ(GetKoefSections(device, true), reverse);
    EXPECT_FLOAT_EQ(device.Get(ZT_Fields::KoefDirect(4).B), -5.0f);
    EXPECT_EQ(device.Get(ZT_Fields::KoefReverse(3).Stop), 10u);
    EXPECT_FLOAT_EQ(device.Get(ZT_Fields::Qmin), 0.1f) << "the table ends before the flow range";
}
