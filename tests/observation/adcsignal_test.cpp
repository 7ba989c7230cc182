// The ADC signal view on the fake host: where the samples are drawn, the
// request interval handed to the stream, and the series' check boxes.

#include "observation/adcsignalframe.h"
#include "observation/graphobservationframe.h"
#include "tests/support/pagefixture.h"
#include "util/registry.h"

#include <QCheckBox>
#include <QSpinBox>
#include <qcustomplot.h>

#include <gtest/gtest.h>

namespace {

struct TRegistryReset {
    TRegistryReset()
    {
        TRegistry registry;
        registry.DeleteKey(kGraphObservationSetupKey);
    }
};

class AdcSignalTest : public ::testing::Test {
protected:
    std::vector<double> Keys(int n)
    {
        std::vector<double> keys;
        for (auto it = f.page.Series(n)->data()->constBegin(); it != f.page.Series(n)->data()->constEnd(); ++it)
            keys.push_back(it->key);
        return keys;
    }
    std::vector<double> Values(int n)
    {
        std::vector<double> values;
        for (auto it = f.page.Series(n)->data()->constBegin(); it != f.page.Series(n)->data()->constEnd(); ++it)
            values.push_back(it->value);
        return values;
    }

    TRegistryReset reset;
    TPageFixture<TAdcSignalView> f;
};

} // namespace

TEST_F(AdcSignalTest, DefaultTiming_FirstSamplesAt18And22Ms)
{
    f.page.ShowSignal({5, 6, 7}, {1, 2, 3}, {10, 11}, {20});
    EXPECT_EQ(Keys(1), (std::vector<double>{18, 22, 26}));
    EXPECT_EQ(Keys(3), Keys(1));
    EXPECT_EQ(Values(2), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(Values(3), (std::vector<double>{4, 4, 4}));
    EXPECT_EQ(Keys(4), (std::vector<double>{1, 2}));
    EXPECT_EQ(Values(4), (std::vector<double>{10, 11}));
    EXPECT_EQ(Keys(5), (std::vector<double>{1}));

    f.page.TakeAdcTiming(2.5, 40);
    f.page.ShowSignal({5, 6}, {1, 2}, {}, {});
    EXPECT_EQ(Keys(1), (std::vector<double>{45, 47.5}));
}

TEST_F(AdcSignalTest, EmptyDelivery_LeavesAllFiveSeriesEmpty)
{
    f.page.ShowSignal({5, 6}, {1, 2}, {10}, {20});
    TInteract record;
    f.page.TakeData(record);
    for (int n = 1; n <= TAdcSignalView::kSeries; ++n)
        EXPECT_TRUE(f.page.Series(n)->data()->isEmpty()) << n;
}

TEST_F(AdcSignalTest, Interval_DefaultsTo1000AndTellsTheStreamInTenMsSteps)
{
    auto* spin = f.Find<QSpinBox>("AdcSignalRequestInterval");
    EXPECT_EQ(spin->value(), 1000);
    TInteract record;
    f.page.TakeData(record);
    EXPECT_EQ(record.Progress, 100);
    spin->setValue(250);
    f.page.TakeData(record);
    EXPECT_EQ(record.Progress, 25);
    TRegistry registry;
    registry.OpenKey(kGraphObservationSetupKey, false);
    EXPECT_EQ(registry.ReadIntegerDef("AdcSignalInterval", 0), 250);

    TAdcSignalView second;
    second.InitPage();
    EXPECT_EQ(second.findChild<QSpinBox*>("AdcSignalRequestInterval")->value(), 250);
}

TEST_F(AdcSignalTest, CheckBoxes_ShowTheirSeriesAndReturnToAutomaticRange)
{
    f.page.ShowSignal({100, 200}, {-100, -200}, {1000}, {2000});
    auto* box = f.Find<QCheckBox>("CheckBox4");
    EXPECT_EQ(box->text(), "I индуктора");
    box->click();
    EXPECT_FALSE(f.page.Series(4)->visible());
    EXPECT_TRUE(f.page.Series(5)->visible());
    // Without the current the value axis spans the rest only.
    EXPECT_LE(f.page.findChild<QCustomPlot*>("Chart1")->yAxis->range().upper, 2000 + 1e-9);
    f.page.findChild<QCustomPlot*>("Chart1")->yAxis->setRange(0, 1);
    f.Find<QCheckBox>("CheckBox5")->click();
    EXPECT_DOUBLE_EQ(f.page.findChild<QCustomPlot*>("Chart1")->yAxis->range().lower, -200);
    EXPECT_DOUBLE_EQ(f.page.findChild<QCustomPlot*>("Chart1")->yAxis->range().upper, 400);
}
