// Both live views in the workspace against the simulated meter: the
// streams draw, the poll interval follows the track bar and the spin, the
// source selection goes to the meter and back, and the system settings'
// read hands the ADC timing to the signal view.

#include "observation/adcsignalframe.h"
#include "observation/graphobservationframe.h"
#include "pages/systemsetupframe.h"
#include "tests/support/workspacefixture.h"

#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <chrono>

namespace {

class LiveViewTest : public ::testing::Test {
protected:
    TObservationFrame* Graph() { return f.workspace->PageOf<TObservationFrame>(pgGraphObservation); }
    TAdcSignalView* Adc() { return f.workspace->PageOf<TAdcSignalView>(pgAdcSignal); }

    // Times of the next `count` requests of `function`, taken as they are
    // seen on the window thread.
    std::vector<double> RequestTimes(uint8_t function, size_t count, int ms)
    {
        using Clock = std::chrono::steady_clock;
        const auto start = Clock::now();
        std::vector<double> times;
        size_t seen = f.Sent(function);
        f.WaitFor(
            [&] {
                const size_t now = f.Sent(function);
                if (now != seen) {
                    seen = now;
                    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
                }
                return times.size() >= count;
            },
            ms);
        return times;
    }

    TWorkspaceFixture f;
};

} // namespace

TEST_F(LiveViewTest, ObservationStream_DrawsAndPollsAtTheTrackBarsInterval)
{
    ASSERT_NE(Graph(), nullptr);
    auto* bar = Graph()->findChild<QSlider*>("ObservationRequestInterval");
    bar->setValue(3);
    f.workspace->SetObservation(true);
    ASSERT_TRUE(f.WaitFor([&] { return Graph()->Series(1)->data()->size() >= 10; }));

    // 3 steps: a request every 30 ms plus the exchange itself.
    std::vector<double> times = RequestTimes(70, 21, 5000);
    ASSERT_EQ(times.size(), 21u);
    const double mean = (times.back() - times.front()) / 20;
    EXPECT_GE(mean, 28);
    EXPECT_LE(mean, 60);

    // 150 steps: the interval after the next delivery is 1.5 s.
    bar->setValue(150);
    RequestTimes(70, 2, 3000);
    times = RequestTimes(70, 2, 5000);
    ASSERT_EQ(times.size(), 2u);
    EXPECT_NEAR(times[1] - times[0], 1500, 150);

    f.workspace->SetObservation(false);
    EXPECT_TRUE(f.WaitIdle());
    EXPECT_EQ(Graph()->SamplePosition(), Graph()->Series(7)->data()->size());
}

TEST_F(LiveViewTest, GraphSetup_WritesTheSourcesAndReadsThemBack)
{
    for (int n = 1; n <= 7; ++n)
        Graph()->findChild<QComboBox*>(QString("ComboBox%1").arg(n))->setCurrentIndex(n + 10);
    ASSERT_TRUE(Graph()->SetGraphSetupClick(nullptr));
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_TRUE(f.Logged("Настройки показаний установлены"));
    EXPECT_EQ(f.sim->Device().Holding(40043), 11);
    EXPECT_EQ(f.sim->Device().Holding(40049), 17);

    f.sim->Device().SetHolding(40045, 32);
    ASSERT_TRUE(Graph()->GetGraphSetupClick(Graph()->findChild<QPushButton*>("GetGraphSetup")));
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_TRUE(f.Logged("Настройки показаний считаны"));
    EXPECT_EQ(Graph()->findChild<QComboBox*>("ComboBox3")->currentText(), "t_cpu");
    EXPECT_EQ(Graph()->Series(3)->name(), "t_cpu");
}

TEST_F(LiveViewTest, AdcStream_DrawsTheFrameWithTheSystemSettingsTiming)
{
    ASSERT_NE(Adc(), nullptr);
    ASSERT_TRUE(f.workspace->ReadPage(pgSetup, true));
    ASSERT_TRUE(f.WaitIdle());
    auto* setup = f.workspace->PageOf<TSystemSetup>(pgSetup);
    ASSERT_NE(setup, nullptr);
    EXPECT_DOUBLE_EQ(Adc()->SamplePeriod(), setup->AdcConversionPeriod());
    EXPECT_DOUBLE_EQ(Adc()->TimeOffset(), setup->AccelDuration());

    Adc()->findChild<QSpinBox*>("AdcSignalRequestInterval")->setValue(100);
    f.workspace->SetAdcSignal(true);
    ASSERT_TRUE(f.WaitFor([&] { return !Adc()->Series(5)->data()->isEmpty(); }));
    f.workspace->SetAdcSignal(false);
    EXPECT_TRUE(f.WaitIdle());
    const int sizes[5] = {32, 32, 32, 128, 128};
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(Adc()->Series(n)->data()->size(), sizes[n - 1]) << n;
    EXPECT_DOUBLE_EQ(Adc()->Series(1)->data()->constBegin()->key,
                     2 * setup->AdcConversionPeriod() + setup->AccelDuration());
    EXPECT_DOUBLE_EQ(Adc()->Series(4)->data()->constBegin()->key, 1);
}
