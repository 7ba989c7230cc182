#include "calibration/straitcore.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace StraitNamespace;

namespace {

StraitPoint TestRun(int section, double x, double g, bool fracture = false, bool off = false)
{
    StraitPoint p;
    p.numSection = static_cast<uint8_t>(section);
    p.Eaprox = x;
    p.Get = g;
    p.fracturePoint = fracture;
    p.offPoint = off;
    return p;
}

std::vector<int> Sections(const StraitPointList& points)
{
    std::vector<int> s;
    for (const StraitPoint& p : points)
        s.push_back(p.numSection);
    return s;
}

StraitColumnSet Set(std::initializer_list<int> columns)
{
    StraitColumnSet s = 0;
    for (int c : columns)
        s |= ColumnBit(c);
    return s;
}

} // namespace

TEST(ColumnCatalogue, CaptionsKeepTheirLatinAndCyrillicLetters)
{
    // Byte-exact: a Latin "T" and a Cyrillic "Т" look alike but are
    // different column names for the files and the rig's tools.
    EXPECT_EQ(std::string(ColumnCaption(scTet)), "t\xD1\x8D\xD1\x82 (\xC2\xB0"
                                                 "C)");
    EXPECT_EQ(std::string(ColumnCaption(scTetTime)), "T\xD1\x8D\xD1\x82 (c)");
    EXPECT_EQ(std::string(ColumnCaption(scTizm)), "\xD0\xA2\xD0\xB2\xD1\x85 (\xD1\x81)");
    EXPECT_EQ(std::string(ColumnCaption(scT1out)), "\xD0\xA2"
                                                   "1 (\xD1\x81)");
    EXPECT_EQ(std::string(ColumnCaption(scEizm)), "\xD0\x95 (\xD0\xBA\xD0\xBE\xD0\xB4)");
    EXPECT_EQ(std::string(ColumnCaption(scGizm)), "G\xD0\xB8\xD0\xB7\xD0\xBC (\xD0\xBC"
                                                  "3/\xD1\x87)");
    EXPECT_EQ(std::string(ColumnCaption(scGout1)), "G1 (м3/ч)");
    EXPECT_EQ(std::string(ColumnCaption(scVout1)), "V1 (л)");
    EXPECT_EQ(std::string(ColumnCaption(scSkip)), "Пропустить");
    EXPECT_EQ(std::string(ColumnCaption(scZeroValue)), "Нулевое значение");
    EXPECT_EQ(ColumnWidth(scOffPoint), 50);
    EXPECT_EQ(ColumnWidth(scFracturePoint), 55);
    EXPECT_EQ(ColumnWidth(scTet), 60);
    EXPECT_EQ(ColumnWidth(scGradSigRaito), 70);
    EXPECT_EQ(ColumnWidth(scSkip), 0);
    EXPECT_TRUE(IsCheckBoxColumn(scOffPoint));
    EXPECT_TRUE(IsCheckBoxColumn(scFracturePoint));
    EXPECT_FALSE(IsCheckBoxColumn(scNumSection));
}

TEST(ColumnCatalogue, CellTextsFollowTheColumnFormats)
{
    StraitPoint p;
    struct Case {
        double get;
        const char* text;
    };
    for (const Case& c : {Case{10.5, "10.500"}, Case{10, "10.0000"}, Case{1.5, "1.5000"}, Case{1, "1.00000"},
                          Case{-3, "-3.00000"}}) {
        p.Get = c.get;
        p.Gizm = c.get;
        EXPECT_EQ(CellText(p, scGet), c.text) << c.get;
        EXPECT_EQ(CellText(p, scGizm), c.text) << c.get;
    }
    for (const Case& c :
         {Case{0.005, "0.005"}, Case{-0.005, "-0.005"}, Case{0.01, "0.01"}, Case{-1.234, "-1.23"}}) {
        p.dGizm = c.get;
        EXPECT_EQ(CellText(p, scDGizm), c.text) << c.get;
    }
    EXPECT_EQ(CellText(p, scOffPoint), "");
    p.offPoint = true;
    p.fracturePoint = true;
    p.numSection = 200;
    p.tet = 20.456;
    p.Eizm = 123456789;
    p.N1out = -5;
    p.Gout1 = 0.5;
    p.GradSigRaito = 1.23456;
    EXPECT_EQ(CellText(p, scOffPoint), "1");
    EXPECT_EQ(CellText(p, scFracturePoint), "1");
    EXPECT_EQ(CellText(p, scNumSection), "200");
    EXPECT_EQ(CellText(p, scTet), "20.46");
    EXPECT_EQ(CellText(p, scEizm), "1.23457e+08");
    EXPECT_EQ(CellText(p, scN1out), "-5");
    EXPECT_EQ(CellText(p, scGout1), "0.5");
    EXPECT_EQ(CellText(p, scGradSigRaito), "1.2346");
    EXPECT_EQ(CellText(p, scSkip), "");
    EXPECT_EQ(CellText(p, scZeroValue), "");
}

TEST(ColumnCatalogue, TypedTextsConvertByFieldType)
{
    struct Case {
        int column;
        const char* text;
        double expected;
    };
    const Case cases[] = {
        {scOffPoint, "x", 1},     {scOffPoint, "", 0},         {scNumSection, "7", 7},
        {scNumSection, "300", 0}, {scNumSection, "-1", 0},     {scNizm, "42", 42},
        {scN1out, "12.5", 0},     {scN2out, "3000000000", 0},  {scN2out, " 17 ", 17},
        {scTet, "20,5", 20.5},    {scGet, "3.6", 3.6},         {scEizm, "abc", 0},
        {scGradSigRaito, "", 0},  {scDVout2, "-1e-3", -0.001},
    };
    for (const Case& c : cases) {
        StraitPoint p;
        p.numSection = 9;
        p.N1out = p.N2out = p.Nizm = 9;
        SetFieldFromText(p, c.column, c.text);
        double got = 0;
        switch (c.column) {
        case scOffPoint:
            got = p.offPoint;
            break;
        case scNumSection:
            got = p.numSection;
            break;
        case scNizm:
            got = p.Nizm;
            break;
        case scN1out:
            got = p.N1out;
            break;
        case scN2out:
            got = p.N2out;
            break;
        case scTet:
            got = p.tet;
            break;
        case scGet:
            got = p.Get;
            break;
        case scEizm:
            got = p.Eizm;
            break;
        case scGradSigRaito:
            got = p.GradSigRaito;
            break;
        case scDVout2:
            got = p.dVout2;
            break;
        }
        EXPECT_DOUBLE_EQ(got, c.expected) << c.column << " '" << c.text << "'";
    }
    StraitPoint p;
    SetFieldFromText(p, scSkip, "5");
    SetFieldFromText(p, scZeroValue, "5");
    EXPECT_EQ(p, StraitPoint{});
}

TEST(ColumnSets, FollowTheMode)
{
    struct Case {
        PacketMode mode;
        StraitColumnSet visible;
        StraitColumnSet editable;
    };
    const Case cases[] = {
        {{0, 0, 0, 0}, Set({0, 1, 2, 3, 4, 5, 6, 7, 11, 18, 19}), Set({0, 1, 2, 11, 3, 6, 7})},
        {{1, 1, 1, 2},
         Set({3, 4, 5, 6, 7, 11, 18, 19, 12, 22, 23, 15, 16, 17, 24, 25}),
         Set({11, 3, 4, 6, 12, 13, 15, 16})},
        {{0, 2, 2, 1},
         Set({0, 1, 2, 3, 4, 5, 6, 7, 11, 18, 19, 12, 13, 14, 20, 21, 15, 26, 27}),
         Set({0, 1, 2, 11, 3, 5, 6, 12, 13, 15, 16})},
        {{5, 7, 3, 3}, Set({3, 4, 5, 6, 7, 11, 18, 19}), Set({11})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VisibleColumns(c.mode), c.visible) << int(c.mode.PacketType) << int(c.mode.PacketMethod);
        EXPECT_EQ(EditableColumns(c.mode), c.editable) << int(c.mode.PacketType) << int(c.mode.PacketMethod);
    }
    PacketSelectors none;
    EXPECT_EQ(none.ToMode(), PacketMode{});
    EXPECT_EQ((PacketSelectors{1, 2, -1, 1}.ToMode()), (PacketMode{1, 2, 0, 1}));
}

TEST(RelativeError, ZeroOnEitherSideIsAHundredPercent)
{
    EXPECT_DOUBLE_EQ(RelativeError(10, 10.6), 6);
    EXPECT_DOUBLE_EQ(RelativeError(10, 10.5), 5);
    EXPECT_DOUBLE_EQ(RelativeError(4, 3), -25);
    EXPECT_EQ(RelativeError(0, 5), 100);
    EXPECT_EQ(RelativeError(5, 0), 100);
}

TEST(WaterDensity, UsesTheTableRowOfTheSingleTemperature)
{
    EXPECT_EQ(WaterDensity(20), 1002.88309991 - 0.23302521 * 20);
    EXPECT_NEAR(WaterDensity(20), 998.22, 0.005);
    EXPECT_EQ(WaterDensity(-3), 1000.0);
    EXPECT_EQ(WaterDensity(0), 1000.0);
    EXPECT_EQ(WaterDensity(4.99), 999.8730719 + 0.02247059 * static_cast<double>(4.99f));
    EXPECT_EQ(WaterDensity(5), 1000.26943511 - 0.05509244 * 5);
    EXPECT_EQ(WaterDensity(20.1), 1002.88309991 - 0.23302521 * static_cast<double>(20.1f));
    EXPECT_EQ(WaterDensity(149.9), 1056.11127451 - 0.92847059 * static_cast<double>(149.9f));
    EXPECT_EQ(WaterDensity(150), 1056.11127451 - 0.92847059 * 150);
    EXPECT_EQ(WaterDensity(200), 1056.11127451 - 0.92847059 * 200);
    EXPECT_EQ(WaterDensity(1e300), WaterDensity(1e300)); // beyond float: row 29, no fault
}

TEST(ApplyApproximation, TakesTheFirstSegmentReachingTheArgument)
{
    const LineList lines{{1, 2, 100}, {3, 4, 200}};
    EXPECT_EQ(ApplyApproximation(100, lines), 102);
    EXPECT_EQ(ApplyApproximation(150, lines), 454);
    EXPECT_EQ(ApplyApproximation(250, lines), 754);
    EXPECT_EQ(ApplyApproximation(-50, lines), -52);
    EXPECT_EQ(ApplyApproximation(5, {}), 0);
    const double r = ApplyApproximation(-1, LineList{{1, -1, 10}});
    EXPECT_EQ(r, 0);
    EXPECT_FALSE(std::signbit(r));
}

TEST(ComputePoint, ReferenceQuantitiesFollowTheMethod)
{
    StraitPoint p;
    p.tet = 20;
    p.Get = 3.6;
    p.Tet = 100;
    ComputePoint(p, PacketMode{0, 0, 0, 0}, {}, 0, 0);
    EXPECT_DOUBLE_EQ(p.Vet, 100);
    EXPECT_DOUBLE_EQ(p.Met, WaterDensity(20) * 0.1);

    StraitPoint m;
    m.Met = 50;
    m.Tet = 60;
    ComputePoint(m, PacketMode{0, 1, 0, 0}, {}, 0, 0);
    EXPECT_DOUBLE_EQ(m.Vet, 50); // density 1000 at 0 °C
    EXPECT_DOUBLE_EQ(m.Get, 3);
    m.Tet = 0;
    ComputePoint(m, PacketMode{0, 1, 0, 0}, {}, 0, 0);
    EXPECT_EQ(m.Get, 0);

    StraitPoint v;
    v.Vet = 100;
    v.Tet = 0;
    v.tet = 20;
    ComputePoint(v, PacketMode{0, 2, 0, 0}, {}, 0, 0);
    EXPECT_EQ(v.Get, 0);
    EXPECT_DOUBLE_EQ(v.Met, WaterDensity(20) * 0.1);

    StraitPoint other;
    other.Vet = 7;
    other.Met = 8;
    other.Get = 9;
    other.Tet = 1;
    ComputePoint(other, PacketMode{0, 3, 0, 0}, {}, 0, 0);
    EXPECT_EQ(other.Vet, 7);
    EXPECT_EQ(other.Met, 8);
    EXPECT_EQ(other.Get, 9);
}

TEST(ComputePoint, MeterFlowComesFromTheCodeThroughTheSegments)
{
    StraitPoint p;
    p.Eizm = 1000;
    p.Get = 10;
    p.Tet = 1;
    ComputePoint(p, PacketMode{}, LineList{{0.0102, 0, 5000}}, 0, 0);
    EXPECT_EQ(p.Eaprox, 1000);
    EXPECT_DOUBLE_EQ(p.Gizm, 10.2);
    EXPECT_NEAR(p.dGizm, 2, 1e-12);
    ComputePoint(p, PacketMode{}, {}, 0, 0);
    EXPECT_EQ(p.Gizm, 0);
    EXPECT_EQ(p.dGizm, 100);
}

TEST(ComputePoint, PulseOutputsByVolumeAndByFlow)
{
    StraitPoint p;
    p.Get = 18;
    p.Tet = 20; // Vet = 100 l
    p.N1out = 101;
    p.T1out = 10;
    p.N2out = 200;
    ComputePoint(p, PacketMode{0, 0, 2, 1}, {}, 0.5, 0.5);
    EXPECT_DOUBLE_EQ(p.F1out, 10);
    EXPECT_DOUBLE_EQ(p.Gout1, 18);
    EXPECT_NEAR(p.dGout1, 0, 1e-12);
    EXPECT_DOUBLE_EQ(p.Vout2, 100);
    EXPECT_NEAR(p.dVout2, 0, 1e-12);

    p.N1out = 1;
    ComputePoint(p, PacketMode{0, 0, 2, 0}, {}, 0.5, 0.5);
    EXPECT_EQ(p.F1out, 0);
    p.N1out = 50;
    p.T1out = 0;
    ComputePoint(p, PacketMode{0, 0, 2, 0}, {}, 0.5, 0.5);
    EXPECT_EQ(p.F1out, 0);
    p.N1out = INT32_MIN;
    p.T1out = 1;
    ComputePoint(p, PacketMode{0, 0, 2, 0}, {}, 1, 1);
    EXPECT_EQ(p.F1out, static_cast<double>(INT32_MIN) - 1);

    StraitPoint kept;
    kept.Vout1 = 4;
    kept.Gout2 = 5;
    kept.F2out = 6;
    ComputePoint(kept, PacketMode{0, 0, 0, 0}, {}, 1, 1);
    EXPECT_EQ(kept.Vout1, 4);
    EXPECT_EQ(kept.Gout2, 5);
    EXPECT_EQ(kept.F2out, 6);
}

TEST(DistributeSections, NewSectionBeyondFivePercentOfItsFirstFlow)
{
    struct Case {
        std::vector<double> flows;
        std::vector<int> sections;
    };
    const Case cases[] = {
        {{10, 10.4, 10.6, 11.0}, {1, 1, 2, 2}},
        {{10, 10.5, 10.6}, {1, 1, 2}},
        {{0, 0, 5, 5.1}, {1, 2, 3, 3}},
        {{7}, {1}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        StraitPointList points;
        for (double g : c.flows)
            points.push_back(TestRun(0, 0, g));
        DistributeSections(points);
        EXPECT_EQ(Sections(points), c.sections);
    }
}

TEST(DistributeSections, SectionNumbersStopAtTheFieldLimit)
{
    StraitPointList points;
    double g = 1;
    for (int i = 0; i < 300; ++i, g *= 1.1)
        points.push_back(TestRun(0, 0, g));
    DistributeSections(points);
    EXPECT_EQ(points[254].numSection, 255);
    EXPECT_EQ(points.back().numSection, 255);
}

TEST(SortByFlow, OrdersByReferenceFlowWithNanLast)
{
    StraitPointList points{TestRun(0, 1, 5), TestRun(0, 2, NAN), TestRun(0, 3, -1), TestRun(0, 4, 2)};
    SortByFlow(points);
    EXPECT_EQ(points[0].Get, -1);
    EXPECT_EQ(points[1].Get, 2);
    EXPECT_EQ(points[2].Get, 5);
    EXPECT_TRUE(std::isnan(points[3].Get));
}

TEST(FitLine, MinimisesRelativeDeviations)
{
    // Sums: S1 = 2, S2 = 1.5, S3 = 3.5, S4 = 2.25, S5 = 4.25, D = 1.3125.
    double a = 0, b = 0;
    StraitPointList points{TestRun(1, 1, 1), TestRun(1, 2, 2), TestRun(1, 3, 2),
                           TestRun(1, 100, 0.5, false, true)};
    ASSERT_TRUE(FitLine(points, a, b));
    EXPECT_NEAR(a, 4.0 / 7, 1e-12);
    EXPECT_NEAR(b, 10.0 / 21, 1e-12);

    ASSERT_TRUE(FitLine({TestRun(1, 1, 3), TestRun(1, 2, 5), TestRun(1, 3, 7)}, a, b));
    EXPECT_NEAR(a, 2, 1e-12);
    EXPECT_NEAR(b, 1, 1e-12);
}

TEST(FitLine, FailsWithoutTwoDistinctUsableArguments)
{
    double a = 0, b = 0;
    EXPECT_FALSE(FitLine({}, a, b));
    EXPECT_FALSE(FitLine({TestRun(1, 1, 1), TestRun(1, 2, 0)}, a, b));
    EXPECT_TRUE(FitLine({TestRun(1, 1, 1), TestRun(1, 2, 2), TestRun(1, 3, 0, false, true)}, a, b));
    EXPECT_FALSE(FitLine({TestRun(1, 0, 1), TestRun(1, 0, 2)}, a, b));
    EXPECT_FALSE(FitLine({TestRun(1, 4, 1), TestRun(1, 4, 2)}, a, b));
    EXPECT_FALSE(FitLine({TestRun(1, 1, 1, false, true), TestRun(1, 2, 2, false, true)}, a, b));
    // Sums that overflow give no coefficients rather than NaN ones.
    a = b = 7;
    EXPECT_FALSE(FitLine({TestRun(1, 1e200, 1), TestRun(1, 2e200, 2)}, a, b));
    EXPECT_EQ(a, 7);
    EXPECT_EQ(b, 7);
}

TEST(BuildSegments, ThreeSectionsWithoutMarksGiveOneSegment)
{
    // G = 2x + 1 throughout.
    const StraitPointList points{TestRun(1, 1, 3),      TestRun(1, 1.2, 3.4), TestRun(2, 5, 11),
                                 TestRun(2, 5.4, 11.8), TestRun(3, 10, 21),   TestRun(3, 10.6, 22.2)};
    LineList lines;
    ASSERT_TRUE(BuildSegments(points, lines));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NEAR(lines[0].A, 2, 1e-9);
    EXPECT_NEAR(lines[0].B, 1, 1e-9);
    EXPECT_DOUBLE_EQ(lines[0].Stop, 2 * 10.3);
}

TEST(BuildSegments, BoundarySectionEndsOneSegmentAndStartsTheNext)
{
    const StraitPointList points{TestRun(1, 1, 3),   TestRun(2, 5, 11, true),
                                 TestRun(2, 6, 12),  TestRun(3, 10, 31),
                                 TestRun(4, 20, 71), TestRun(4, 30, 500, true, true)};
    LineList lines;
    ASSERT_TRUE(BuildSegments(points, lines));
    ASSERT_EQ(lines.size(), 2u);

    double a = 0, b = 0;
    ASSERT_TRUE(FitLine({points[0], points[1], points[2]}, a, b));
    EXPECT_DOUBLE_EQ(lines[0].A, a);
    EXPECT_DOUBLE_EQ(lines[0].B, b);
    EXPECT_DOUBLE_EQ(lines[0].Stop, 5.5);
    ASSERT_TRUE(FitLine({points[1], points[2], points[3], points[4]}, a, b));
    EXPECT_DOUBLE_EQ(lines[1].A, a);
    EXPECT_DOUBLE_EQ(lines[1].B, b);
    EXPECT_DOUBLE_EQ(lines[1].Stop, 40); // the excluded point counts neither for the mean nor for the fit
}

TEST(BuildSegments, MarkOnAnExcludedPointDoesNotCount)
{
    const StraitPointList points{TestRun(1, 1, 3), TestRun(2, 5, 11), TestRun(2, 6, 13, true, true),
                                 TestRun(3, 10, 21)};
    LineList lines;
    ASSERT_TRUE(BuildSegments(points, lines));
    EXPECT_EQ(lines.size(), 1u);
}

TEST(BuildSegments, SectionCountsDecideTheOutcome)
{
    LineList lines{{1, 1, 1}};
    EXPECT_FALSE(BuildSegments({TestRun(0, 1, 1)}, lines));
    EXPECT_FALSE(BuildSegments({}, lines));

    ASSERT_TRUE(BuildSegments({TestRun(1, 1, 1), TestRun(1, 2, 2)}, lines));
    EXPECT_TRUE(lines.empty());
    // Section 2 has only excluded points: never two counted sections.
    ASSERT_TRUE(BuildSegments({TestRun(1, 1, 1), TestRun(2, 2, 2, false, true)}, lines));
    EXPECT_TRUE(lines.empty());
    // A usable zero flow fails the fit and the whole build.
    EXPECT_FALSE(BuildSegments({TestRun(1, 1, 0), TestRun(2, 2, 2)}, lines));
}

TEST(BuildSegments, SevenSectionsMarkedTwoToSixGiveSixSegments)
{
    StraitPointList points;
    for (int s = 1; s <= 7; ++s)
        points.push_back(TestRun(s, s * 10.0, s * 20.0 + 1, s >= 2 && s <= 6));
    LineList lines;
    ASSERT_TRUE(BuildSegments(points, lines));
    ASSERT_EQ(lines.size(), 6u);
    for (size_t i = 0; i + 1 < lines.size(); ++i)
        EXPECT_DOUBLE_EQ(lines[i].Stop, (i + 2) * 10.0);
    EXPECT_DOUBLE_EQ(lines.back().Stop, 140);
}

TEST(WeightText, ShowsSixSignificantDigits)
{
    EXPECT_EQ(WeightText(0.123456789), "0.123457");
    EXPECT_DOUBLE_EQ(ParseWeightText(WeightText(0.123456789)), 0.123457);
    EXPECT_DOUBLE_EQ(ParseWeightText("2,5"), 2.5);
    EXPECT_EQ(ParseWeightText("abc"), 0);
}
