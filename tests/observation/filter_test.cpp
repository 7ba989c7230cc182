// The delivery-rate filter: the moving average over its ring and the jump
// detection that drops the history.

#include "observation/filter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct FilterCase {
    const char* name;
    int32_t window;
    float ratio;
    std::vector<float> input;
    std::vector<float> expected;
};

std::vector<float> Filtered(const FilterCase& c)
{
    Filter filter;
    filter.SetWindow(c.window);
    filter.SetJumpRatio(c.ratio);
    std::vector<float> out;
    for (float x : c.input)
        out.push_back(filter.Add(x));
    return out;
}

} // namespace

TEST(Filter, Sequences_GiveTheirAverages)
{
    const FilterCase cases[] = {
        {"window 16 averages what it has", 16, 0, {10, 10, 40}, {10, 10, 20}},
        {"window 1 passes values through", 1, 0, {3, -7, 0, 5}, {3, -7, 0, 5}},
        {"window 0 is taken as 1", 0, 0, {3, 9}, {3, 9}},
        {"window 2 slides", 2, 0, {1, 2, 3, 4}, {1, 1.5f, 2.5f, 3.5f}},
        {"zero is averaged without jump detection", 16, 0, {10, 10, 0}, {10, 10, 20.0f / 3}},
        {"a rise within the ratio is averaged", 16, 2, {10, 10, 40}, {10, 10, 20}},
        {"a fall within the ratio is averaged", 16, 2, {10, 10, 4}, {10, 10, 8}},
        // 50 against the mean 70/3: a jump; the history restarts at 50.
        {"a rise beyond the ratio restarts", 16, 2, {10, 10, 50, 50, 20}, {10, 10, 50, 50, 40}},
        {"a fall beyond the ratio restarts", 16, 2, {10, 10, 3, 3}, {10, 10, 3, 3}},
        // With detection on, a zero restarts the history from itself.
        {"zero restarts with jump detection", 16, 2, {10, 10, 0, 10}, {10, 10, 0, 5}},
        {"a negative ratio turns detection off", 16, -3, {10, 10, 50}, {10, 10, 70.0f / 3}},
    };
    for (const FilterCase& c : cases) {
        const std::vector<float> out = Filtered(c);
        ASSERT_EQ(out.size(), c.expected.size()) << c.name;
        for (size_t i = 0; i < out.size(); ++i)
            EXPECT_FLOAT_EQ(out[i], c.expected[i]) << c.name << ", value " << i;
    }
}

TEST(Filter, LongRun_AveragesTheNewestHundredAtMost)
{
    for (int32_t window : {100, 250}) {
        Filter filter;
        filter.SetWindow(window);
        float last = 0;
        for (int i = 1; i <= 250; ++i)
            last = filter.Add(static_cast<float>(i));
        // 151..250
        EXPECT_FLOAT_EQ(last, 200.5f) << "window " << window;
        EXPECT_EQ(filter.Stored(), Filter::kMaxWindow);
    }
}

TEST(Filter, Init_ForgetsEverything)
{
    Filter filter;
    filter.SetWindow(16);
    filter.SetJumpRatio(2);
    filter.Add(10);
    filter.Add(30);
    filter.Init();
    EXPECT_EQ(filter.GetWindow(), 1);
    EXPECT_EQ(filter.GetJumpRatio(), 0);
    EXPECT_EQ(filter.Stored(), 0);
    EXPECT_FLOAT_EQ(filter.Add(4), 4);
}
