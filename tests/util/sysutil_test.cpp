#include "util/sysutil.h"

#include <gtest/gtest.h>

#include <clocale>

TEST(Format, DecimalPointStaysAPointUnderACommaLocale)
{
    // A user locale with a decimal comma must not leak into the texts.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    const bool haveComma = std::setlocale(LC_NUMERIC, "ru_RU.UTF-8") || std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(Format("%.3f|%d|%s", 12.5, -7, "x"), "12.500|-7|x");
    EXPECT_DOUBLE_EQ(StrToReal("3.25"), 3.25);
    std::setlocale(LC_NUMERIC, saved.c_str());
    if (!haveComma)
        GTEST_LOG_(INFO) << "no comma locale installed; checked under C only";
}

TEST(Format, LongTextIsNotTruncated)
{
    const std::string big(1000, 'a');
    EXPECT_EQ(Format("%s!", big.c_str()).size(), 1001u);
}

struct RealCase {
    const char* text;
    double value;
};

TEST(NumberConventions, RealsTurnCommasIntoPointsAndBadTextIntoZero)
{
    const RealCase cases[] = {
        {"12.5", 12.5}, {"12,5", 12.5},  {" -0,25 ", -0.25}, {"", 0},   {"abc", 0},
        {"1e3", 1000},  {"12.5abc", 0}, {"1,2,3", 0},       {"   ", 0}, {"0", 0},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(StrToReal(c.text), c.value) << '"' << c.text << '"';
}

TEST(NumberConventions, IntegersSignedAndUnsigned)
{
    EXPECT_EQ(StrToInt("-15"), -15);
    EXPECT_EQ(StrToInt(" 42 "), 42);
    EXPECT_EQ(StrToInt("4.2"), 0);
    EXPECT_EQ(StrToInt(""), 0);
    EXPECT_EQ(StrToInt("99999999999"), 0);
    EXPECT_EQ(StrToUInt("4294967295"), 4294967295u);
    EXPECT_EQ(StrToUInt("-1"), 0u);
    EXPECT_EQ(StrToUInt("x1"), 0u);
}

TEST(FormatDuration, HoursAreNotLimitedToADay)
{
    const std::pair<int64_t, const char*> cases[] = {
        {0, "00:00:00"}, {59, "00:00:59"}, {3661, "01:01:01"}, {90061, "25:01:01"}, {360000, "100:00:00"},
        {-3661, "-01:01:01"}, {int64_t(4294967295LL) * 5, "5965232:21:15"}};
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(FormatDuration(seconds), text) << seconds;
}

TEST(DateTime, EncodesDaysFromTheEndOf1899)
{
    EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_DOUBLE_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30, 12, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0), -1.25);
}

TEST(DateTime, DecodeReversesEncodeAcrossTheCalendar)
{
    const int dates[][3] = {{1899, 12, 29}, {1900, 2, 28}, {1900, 3, 1}, {2000, 2, 29}, {2024, 12, 31}, {2099, 1, 1}};
    for (const auto& d : dates) {
        const TDateTime value = EncodeDateTime(d[0], d[1], d[2], 23, 59, 58, 999);
        int y, m, day, h, n, s, ms;
        DecodeDate(value, y, m, day);
        DecodeTime(value, h, n, s, ms);
        EXPECT_EQ((std::array<int, 7>{y, m, day, h, n, s, ms}), (std::array<int, 7>{d[0], d[1], d[2], 23, 59, 58, 999}));
    }
}

TEST(DateTime, ValidityChecks)
{
    EXPECT_TRUE(IsValidDate(2024, 2, 29));
    EXPECT_FALSE(IsValidDate(2023, 2, 29));
    EXPECT_FALSE(IsValidDate(1900, 2, 29));
    EXPECT_FALSE(IsValidDate(2024, 13, 1));
    EXPECT_FALSE(IsValidDate(2024, 4, 31));
    EXPECT_FALSE(IsValidTime(24, 0, 0, 0));
    EXPECT_FALSE(IsValidTime(0, 60, 0, 0));
    TDateTime out = 0;
    EXPECT_FALSE(TryEncodeDate(2024, 0, 1, out));
    EXPECT_THROW(EncodeDate(2024, 2, 30), Exception);
}

TEST(DateTime, FormatsOfThePages)
{
    const TDateTime t = EncodeDateTime(2024, 3, 7, 9, 5, 4, 321);
    const std::pair<const char*, const char*> cases[] = {
        {"dd'/'mm'/'yy", "07/03/24"},
        {"hh:nn:ss", "09:05:04"},
        {"dd/mm/yyyy hh:mm:ss", "07/03/2024 09:05:04"},
        {"_yyyy_mm_dd_hh_nn", "_2024_03_07_09_05"},
        {"d.m.yyyy h:n:s.zzz", "7.3.2024 9:5:4.321"},
        {"\"дата\" dd", "дата 07"},
    };
    for (const auto& [format, text] : cases)
        EXPECT_EQ(FormatDateTime(format, t), text) << format;
}

TEST(DateTime, DayOfWeekCountsFromSunday)
{
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 3)), 1);  // a Sunday
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 9)), 7);  // a Saturday
    EXPECT_EQ(DayOfWeek(0.0), 7);                     // 30 December 1899
}

TEST(Ticks, MonotonicAndTimeOfDayShape)
{
    const uint64_t a = GetTickCount64();
    Sleep(2);
    EXPECT_GE(GetTickCount64(), a + 2);
    const std::string t = UtcTimeOfDayText();
    ASSERT_EQ(t.size(), 12u);
    EXPECT_EQ(t[2], ':');
    EXPECT_EQ(t[8], '.');
}

TEST(Errors, OsErrorCarriesTheSystemText)
{
    const EOSError e(2, "open /nope");
    EXPECT_EQ(e.ErrorCode, 2);
    EXPECT_EQ(e.Message(), "open /nope: " + SysErrorMessage(2));
    EXPECT_FALSE(SysErrorMessage(2).empty());
}
