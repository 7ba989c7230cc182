// The rows of the archive and journal tables, the alarm details text, the
// period filter and the typed reading of number and duration cells.

#include "device/zt_archivetable.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace ZT_namespace;

namespace {

ArchiveStruct Archive(int year, int month, int day, int hour, uint16_t hardware = 0, uint16_t work = 0,
                      uint16_t system = 0)
{
    ArchiveStruct r;
    const uint8_t stamp[6] = {uint8_t(year - 2000), uint8_t(month), uint8_t(day), uint8_t(hour), 0, 0};
    std::memcpy(r.Bytes.data(), stamp, 6);
    r.Bytes[56] = uint8_t(hardware);
    r.Bytes[57] = uint8_t(hardware >> 8);
    r.Bytes[58] = uint8_t(work);
    r.Bytes[59] = uint8_t(work >> 8);
    r.Bytes[60] = uint8_t(system);
    r.Bytes[61] = uint8_t(system >> 8);
    return r;
}

JournalStruct Journal(int day, uint8_t group, uint32_t before, uint32_t after)
{
    JournalStruct r;
    const uint8_t stamp[6] = {24, 3, uint8_t(day), 10, 20, 30};
    std::memcpy(r.Bytes.data(), stamp, 6);
    r.Bytes[6] = group;
    std::memcpy(&r.Bytes[8], &before, 4);
    std::memcpy(&r.Bytes[12], &after, 4);
    return r;
}

ArchiveStruct Filled(uint8_t byte)
{
    ArchiveStruct r;
    r.Bytes.fill(byte);
    return r;
}

} // namespace

TEST(ArchiveFlagsText, AllFlagsClear_NameDateAndDashedLineOnly)
{
    EXPECT_EQ(ArchiveFlagsText(Archive(2024, 3, 5, 13), kHourlyArchive),
              "Часовой архив 05/03/24  14 ч\r\n-----------------------------------------");
}

TEST(ArchiveFlagsText, SetFlagsListedUnderTheirHeadings)
{
    const std::string text = ArchiveFlagsText(Archive(2024, 3, 1, 7, 0x0001, 0, 0x0001), kMonthlyArchive);
    EXPECT_EQ(text.rfind("Месячный архив 01/03/24 (7)\r\nАппаратные НС\r\n  [1] - ", 0), 0u) << text;
    EXPECT_NE(text.find("\r\nСистемные НС\r\n  [1] - "), std::string::npos);
    EXPECT_EQ(text.find("Флаги режимов работы"), std::string::npos);
}

TEST(ArchiveFlagsText, SkippedAndErasedPagesGiveNothing)
{
    EXPECT_EQ(ArchiveFlagsText(Filled(0), kDailyArchive), "");
    EXPECT_EQ(ArchiveFlagsText(Filled(0xFF), kDailyArchive), "");
}

TEST(ArchiveTable, SpecialPageShowsOnlyItsTextAndPeriodKeepsDatedRowsOfItsDays)
{
    const std::vector<ArchiveStruct> records{Archive(2024, 3, 4, 23), Filled(0), Archive(2024, 3, 5, 0),
                                             Archive(2024, 3, 5, 23), Archive(2024, 3, 6, 0)};
    const TArchiveTableStruct all = ArchiveTable(kHourlyArchive, records);
    ASSERT_EQ(all.Rows.size(), 5u);
    EXPECT_EQ(all.Columns.size(), 16u);
    EXPECT_EQ(all.Rows[1].Cells[0], "Пропущ.страница");
    for (size_t c = 1; c < 16; ++c)
        EXPECT_EQ(all.Rows[1].Cells[c], "");
    EXPECT_FALSE(all.Rows[1].Dated);
    EXPECT_EQ(all.Rows[0].Cells[6], "00:00:00");

    const TPeriodStruct day{EncodeDate(2024, 3, 5), EncodeDate(2024, 3, 5)};
    const TArchiveTableStruct period = ArchiveTable(kHourlyArchive, records, &day);
    ASSERT_EQ(period.Rows.size(), 2u);
    EXPECT_EQ(period.Rows[0].Cells[0], "05/03/24  01 ч");
    EXPECT_EQ(period.Rows[1].Cells[0], "05/03/24  24 ч");
}

TEST(AlarmJournalTable, ThreeChangedBitsGiveThreeRowsOfOneDate)
{
    const TArchiveTableStruct table = AlarmJournalTable({Journal(5, 0, 0x0, 0x7)});
    ASSERT_EQ(table.Rows.size(), 3u);
    for (const TArchiveRowStruct& row : table.Rows)
        EXPECT_EQ(row.Cells[0], "05/03/24 10:20:30");
    EXPECT_EQ(table.Rows[0].Cells[2], "Установлен(а)");
}

TEST(AlarmJournalTable, GroupMaskKeepsOnlyItsGroups)
{
    const std::vector<JournalStruct> records{Journal(1, 0, 0, 1), Journal(2, 1, 0, 1), Journal(3, 2, 1, 0)};
    const struct {
        uint32_t Mask;
        size_t Rows;
    } cases[] = {{0, 0}, {1, 1}, {2, 1}, {4, 1}, {5, 2}, {7, 3}};
    for (const auto& c : cases)
        EXPECT_EQ(AlarmJournalTable(records, c.Mask).Rows.size(), c.Rows) << "mask " << c.Mask;
    EXPECT_EQ(AlarmJournalTable(records, 4).Rows[0].Cells[2], "Снят(а)");
}

TEST(OperatorJournalTable, UnknownParameterHasEmptyNameAndTypeTexts)
{
    JournalStruct r = Journal(5, 0, 7, 9);
    const uint16_t word = uint16_t(4000 | (6 << 12)); // parameter 4000, 32-bit unsigned
    std::memcpy(&r.Bytes[6], &word, 2);
    const TArchiveTableStruct table = OperatorJournalTable({r});
    ASSERT_EQ(table.Rows.size(), 1u);
    EXPECT_EQ(table.Rows[0].Cells, (std::vector<std::string>{"05/03/24 10:20:30", "", "7", "9"}));
    EXPECT_TRUE(table.Columns[1].RightAligned);
}

TEST(TypedCells, NumbersAndDurations)
{
    const struct {
        const char* Text;
        bool Number;
        double NumberValue;
        bool Duration;
        double Seconds;
    } cases[] = {
        {"12.500000", true, 12.5, false, 0},  {"-0.25000", true, -0.25, false, 0},
        {"00:00:00", false, 0, true, 0},      {"01:02:03", false, 0, true, 3723},
        {"123:59:59", false, 0, true, 446399}, {"00:60:00", false, 0, false, 0},
        {"", false, 0, false, 0},             {"1-3-------", false, 0, false, 0},
    };
    for (const auto& c : cases) {
        double value = 0;
        EXPECT_EQ(NumberCell(c.Text, value), c.Number) << c.Text;
        if (c.Number) {
            EXPECT_DOUBLE_EQ(value, c.NumberValue);
        }
        EXPECT_EQ(DurationCell(c.Text, value), c.Duration) << c.Text;
        if (c.Duration) {
            EXPECT_NEAR(value * 86400, c.Seconds, 1e-6) << c.Text;
        }
    }
}
