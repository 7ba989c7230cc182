// The readings file's lines as the graph page and the command line write
// and read them.

#include "observation/readingsfile.h"

#include <gtest/gtest.h>

#include <limits>

using namespace ZT_Readings;

TEST(ReadingsFile, ValueLine_UpperCaseExponentAndNonNumbersAsZero)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(ValueLine(12, {1.5, -2e-7, 1e20, nan, inf, -inf, 123456789}),
              "12;1.5;-2E-07;1E+20;0;0;0;1.23457E+08");
    EXPECT_EQ(HeaderLine({"Расход", "", "Код", "", "", "", "t_cpu"}), ";Расход;;Код;;;;t_cpu");
}

TEST(ReadingsFile, Parse_MissingEmptyOrOddFieldsGiveEmptyNamesAndZeros)
{
    const std::array<std::string, kChanels> names = ParseHeader(";A;;C");
    EXPECT_EQ(names, (std::array<std::string, kChanels>{"A", "", "C", "", "", "", ""}));
    const std::array<double, kChanels> values = ParseValues("5;1,5;;-3;x;1E+3");
    EXPECT_EQ(values, (std::array<double, kChanels>{1.5, 0, -3, 0, 1000, 0, 0}));
    EXPECT_EQ(SplitLines("a\r\nb\n\nc\n"), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_TRUE(SplitLines("").empty());
}
