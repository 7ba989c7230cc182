#include "calibration/straittext.h"

#include "tests/support/tempdir.h"
#include "util/sysutil.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace StraitNamespace;

namespace {

ImportPacketOptionStruct Options(uint8_t separator, uint8_t decimal, std::vector<StraitColumn> columns,
                                 bool header = false)
{
    ImportPacketOptionStruct o;
    o.Separator = separator;
    o.DecimalSeparator = decimal;
    o.FileColumns = std::move(columns);
    o.Header = header;
    return o;
}

} // namespace

TEST(TextOptions, StartWithSemicolonAndTheSystemsMark)
{
    const ImportPacketOptionStruct o;
    EXPECT_EQ(o.Separator, 2);
    EXPECT_EQ(o.DecimalSeparator, 2);
    EXPECT_EQ(o.AvailableColumns, 0u);
    EXPECT_FALSE(o.Header);
    EXPECT_TRUE(o.FileColumns.empty());
    EXPECT_EQ(std::string(SeparatorTexts[2]), "(;) Точка с зап.");
    EXPECT_EQ(std::string(DecimalSeparatorTexts[2]), "Системный");
}

TEST(TextOptions, OfferedColumnsDropFlagsAndSectionAndAddThePseudoColumn)
{
    const PacketMode mode{0, 0, 1, 0};
    EXPECT_EQ(ImportOfferedColumns(EditableColumns(mode)), ColumnBit(3) | ColumnBit(6) | ColumnBit(7) |
                                                               ColumnBit(11) | ColumnBit(12) | ColumnBit(13) |
                                                               ColumnBit(scSkip));
    const StraitColumnSet exported = ExportOfferedColumns(VisibleColumns(mode));
    EXPECT_FALSE(HasColumn(exported, scOffPoint));
    EXPECT_FALSE(HasColumn(exported, scNumSection));
    EXPECT_TRUE(HasColumn(exported, scDVout1));
    EXPECT_TRUE(HasColumn(exported, scZeroValue));
    EXPECT_FALSE(HasColumn(exported, scSkip));
}

TEST(TextImport, FieldsAreCutAtTheChosenSeparator)
{
    struct Case {
        uint8_t separator;
        const char* line;
        double get, eizm;
    };
    const Case cases[] = {
        {0, "1.5 2,25", 1.5, 2.25},
        {1, "1.5,2.25", 1.5, 2.25},
        {2, "1,5;2.25\r", 1.5, 2.25},
        {3, "1,5\t2,25", 1.5, 2.25},
        {2, ";7", 0, 7},
        {2, "8", 8, 0},
        {1, "1,5;2", 1, 0}, // "5;2" is not a number
    };
    for (const Case& c : cases) {
        const StraitPoint p = ImportLine(c.line, Options(c.separator, 0, {scGet, scEizm}));
        EXPECT_DOUBLE_EQ(p.Get, c.get) << c.line;
        EXPECT_DOUBLE_EQ(p.Eizm, c.eizm) << c.line;
    }
}

TEST(TextImport, SkippedColumnsCountsAndHeader)
{
    const auto options = Options(2, 0, {scSkip, scN1out, scSkip, scSkip, scTet, scTetTime}, true);
    const StraitPointList points =
        ImportLines({"a;b;c;d;e;f", "x;12;y;z;20,5;60", "x;-3;;;1.5e1", "", "1;2.5;3;4;5;6;7;8"}, options);
    ASSERT_EQ(points.size(), 4u);
    EXPECT_EQ(points[0].N1out, 12);
    EXPECT_DOUBLE_EQ(points[0].tet, 20.5);
    EXPECT_DOUBLE_EQ(points[0].Tet, 60);
    EXPECT_EQ(points[1].N1out, 0);
    EXPECT_DOUBLE_EQ(points[1].tet, 15);
    EXPECT_EQ(points[1].Tet, 0);
    EXPECT_EQ(points[2], StraitPoint{});
    EXPECT_EQ(points[3].N1out, 0);
    EXPECT_EQ(points[3].tet, 5);
}

TEST(TextExport, DecimalMarkAndSeparatorFollowTheOptions)
{
    StraitPoint p;
    p.Get = 12.345;
    p.dGizm = 0.15;
    p.Eizm = 1234567;
    struct Case {
        uint8_t separator, decimal;
        char system;
        const char* line;
    };
    const Case cases[] = {
        {2, 2, ',', "12,345;0,15;;1,23457e+06"},    {2, 2, '.', "12.345;0.15;;1.23457e+06"},
        {0, 0, ',', "12.345 0.15  1.23457e+06"},    {1, 1, '.', "12,345,0,15,,1,23457e+06"},
        {3, 0, '.', "12.345\t0.15\t\t1.23457e+06"},
    };
    for (const Case& c : cases) {
        const auto options = Options(c.separator, c.decimal, {scGet, scDGizm, scZeroValue, scEizm});
        EXPECT_EQ(ExportLine(p, options, c.system), c.line);
    }
    const auto options = Options(2, 2, {scGet, scDGizm}, true);
    EXPECT_EQ(ExportLines({p, p}, options, ','),
              (std::vector<std::string>{"Gэт (м3/ч);dGизм (%)", "12,345;0,15", "12,345;0,15"}));
    EXPECT_EQ(ExportLines({}, Options(2, 2, {scGet}), ',').size(), 0u);
}

TEST(TextExport, SystemMarkComesFromTheUsersLocale)
{
    const char* saved = std::getenv("LC_ALL");
    const std::string keep = saved ? saved : "";
    ::setenv("LC_ALL", "C", 1);
    EXPECT_EQ(SystemDecimalSeparator(), '.');
    if (saved)
        ::setenv("LC_ALL", keep.c_str(), 1);
    else
        ::unsetenv("LC_ALL");
}

TEST(TextFiles, ExportedFileImportsBack)
{
    TempDir dir;
    StraitPoint p;
    p.tet = 21.25;
    p.Tet = 60.5;
    p.Get = 3.25;
    p.N1out = 1500;
    const auto out = Options(2, 1, {scTet, scTetTime, scGet, scN1out}, true);
    ExportPacketText(dir.File("out.csv"), {p, p}, out, '.');
    EXPECT_EQ(dir.Read("out.csv"), "tэт (°C);Tэт (c);Gэт (м3/ч);N1 (имп)\n"
                                   "21,25;60,5000;3,2500;1500\n21,25;60,5000;3,2500;1500\n");
    const StraitPointList back = ImportPacketText(dir.File("out.csv"), out);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1], p);

    dir.Write("bom.txt", "\xEF\xBB\xBF"
                         "1.5\r\n2.5\r\n");
    const StraitPointList bom = ImportPacketText(dir.File("bom.txt"), Options(2, 0, {scGet}));
    ASSERT_EQ(bom.size(), 2u);
    EXPECT_EQ(bom[0].Get, 1.5);
    EXPECT_EQ(bom[1].Get, 2.5);
    EXPECT_THROW(ImportPacketText(dir.File("none.txt"), out), Exception);
}
