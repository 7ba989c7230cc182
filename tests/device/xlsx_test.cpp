// The workbook export read back: sheets, header, typed cells, special pages;
// a failed export names its file.

#include "device/zt_xlsx.h"
#include "util/fileutil.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <unistd.h>

using namespace ZT_namespace;

namespace {

// One part of the workbook's package, through the unzip tool.
std::string Part(const std::string& book, const std::string& part)
{
    std::string text;
    FILE* pipe = ::popen(("unzip -p '" + book + "' '" + part + "' 2>/dev/null").c_str(), "r");
    if (!pipe)
        return text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, n);
    ::pclose(pipe);
    return text;
}

struct TCell {
    std::string Type; // "n" number, "inlineStr", "s"
    std::string Value;
    std::string Format; // the number format code of its style
    bool Bold = false;
};

// The cells of a sheet by reference ("A1"), with their styles resolved.
std::map<std::string, TCell> Cells(const std::string& book, int sheet)
{
    pugi::xml_document styles, data;
    const std::string stylesText = Part(book, "xl/styles.xml");
    const std::string sheetText = Part(book, "xl/worksheets/sheet" + std::to_string(sheet) + ".xml");
    styles.load_string(stylesText.c_str());
    data.load_string(sheetText.c_str());
    std::map<int, std::string> codes{{0, "General"}};
    for (auto f : styles.select_nodes("//numFmts/numFmt"))
        codes[f.node().attribute("numFmtId").as_int()] = f.node().attribute("formatCode").value();
    std::vector<bool> boldFonts;
    for (auto f : styles.select_nodes("//fonts/font"))
        boldFonts.push_back(bool(f.node().child("b")));
    std::vector<std::pair<std::string, bool>> xfs;
    for (auto x : styles.select_nodes("//cellXfs/xf")) {
        const int id = x.node().attribute("numFmtId").as_int();
        const size_t font = x.node().attribute("fontId").as_uint();
        xfs.push_back({codes.count(id) ? codes[id] : "builtin " + std::to_string(id),
                       font < boldFonts.size() && boldFonts[font]});
    }
    std::map<std::string, TCell> cells;
    for (auto c : data.select_nodes("//sheetData/row/c")) {
        const pugi::xml_node node = c.node();
        TCell cell;
        cell.Type = node.attribute("t") ? node.attribute("t").value() : "n";
        cell.Value = cell.Type == "inlineStr" ? node.child("is").child_value("t") : node.child_value("v");
        const size_t style = node.attribute("s").as_uint();
        if (style < xfs.size()) {
            cell.Format = xfs[style].first;
            cell.Bold = xfs[style].second;
        }
        cells[node.attribute("r").value()] = cell;
    }
    return cells;
}

ArchiveStruct Record(float volume, uint32_t forward)
{
    ArchiveStruct r;
    const uint8_t stamp[6] = {24, 3, 5, 13, 0, 0};
    std::memcpy(r.Bytes.data(), stamp, 6);
    std::memcpy(&r.Bytes[6], &volume, 4);
    std::memcpy(&r.Bytes[32], &forward, 4);
    r.Bytes[56] = 0x05;
    return r;
}

class WorkbookTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() / ("zt-xlsx-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
};

} // namespace

TEST_F(WorkbookTest, ReadBack_CellTypesAndValuesMatchTheTable)
{
    ArchiveStruct skipped;
    const std::vector<ArchiveStruct> records{Record(12.5f, 3723), skipped};
    const TArchiveTableStruct hourly = ArchiveTable(kHourlyArchive, records);
    JournalStruct op;
    const uint8_t stamp[6] = {24, 3, 5, 10, 20, 30};
    std::memcpy(op.Bytes.data(), stamp, 6);
    const uint16_t word = uint16_t(37 | (1 << 12));
    std::memcpy(&op.Bytes[6], &word, 2);
    op.Bytes[12] = 1;
    const TArchiveTableStruct journal = OperatorJournalTable({op});
    const std::string book = (dir / "archive.xlsx").string();
    WriteArchiveWorkbook(book, {hourly, journal});

    const std::string workbook = Part(book, "xl/workbook.xml");
    EXPECT_NE(workbook.find("name=\"Часовой\""), std::string::npos) << workbook;
    EXPECT_NE(workbook.find("name=\"Журнал оператора\""), std::string::npos);

    auto cells = Cells(book, 1);
    EXPECT_EQ(cells["A1"].Value, "Дата/Время");
    EXPECT_TRUE(cells["A1"].Bold);
    EXPECT_EQ(cells["P1"].Value, "Системные НС");
    // The date: a number whose value is the record's time, in a date format.
    EXPECT_EQ(cells["A2"].Type, "n");
    EXPECT_NEAR(std::stod(cells["A2"].Value), hourly.Rows[0].Time, 1e-9);
    EXPECT_EQ(cells["A2"].Format, "dd/mm/yy hh:mm");
    EXPECT_EQ(cells["B2"].Type, "n");
    EXPECT_DOUBLE_EQ(std::stod(cells["B2"].Value), 12.5);
    EXPECT_EQ(cells["B2"].Format, "0.000000");
    EXPECT_EQ(cells["G2"].Type, "n");
    EXPECT_NEAR(std::stod(cells["G2"].Value) * 86400, 3723, 1e-6);
    EXPECT_EQ(cells["G2"].Format, "[h]:mm:ss");
    EXPECT_EQ(cells["N2"].Type, "inlineStr");
    EXPECT_EQ(cells["N2"].Value, hourly.Rows[0].Cells[13]);
    // A skipped page: its text in the date column, nothing else.
    EXPECT_EQ(cells["A3"].Type, "inlineStr");
    EXPECT_EQ(cells["A3"].Value, "Пропущ.страница");
    EXPECT_EQ(cells.count("B3"), 0u);

    auto ops = Cells(book, 2);
    EXPECT_EQ(ops["A2"].Format, "dd/mm/yy hh:mm:ss");
    EXPECT_EQ(ops["B2"].Value, "Модуль архива");
    EXPECT_EQ(ops["C2"].Value, "Нет");
    EXPECT_EQ(ops["D2"].Value, "Да");
}

TEST_F(WorkbookTest, MissingFolder_RaisesNamingThePath)
{
    const std::string book = (dir / "no" / "such.xlsx").string();
    try {
        WriteArchiveWorkbook(book, {ArchiveTable(kDailyArchive, {Record(1, 1)})});
        FAIL() << "no error";
    } catch (const Exception& error) {
        EXPECT_NE(error.Message().find(book), std::string::npos) << error.Message();
    }
}
