// The readings graph on the fake host: sample delivery, the source lists
// and their registry values, "Задать", the chart commands, "Анализ" and
// the readings files.

#include "observation/graphobservationframe.h"
#include "tests/support/pagefixture.h"
#include "util/fileutil.h"
#include "util/registry.h"
#include "util/sysutil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace ZT_namespace;

namespace {

// Registry values written before the page is built.
struct TRegistrySetup {
    explicit TRegistrySetup(std::vector<std::pair<std::string, int32_t>> values = {})
    {
        TRegistry registry;
        registry.DeleteKey(kGraphObservationSetupKey);
        registry.OpenKey(kGraphObservationSetupKey, true);
        for (const auto& [name, value] : values)
            registry.WriteInteger(name, value);
    }
};

int32_t Stored(const std::string& name, int32_t missing = -100)
{
    TRegistry registry;
    registry.OpenKey(kGraphObservationSetupKey, true);
    return registry.ReadIntegerDef(name, missing);
}

ObservationStruct Sample(uint32_t stamp, std::initializer_list<float> values)
{
    ObservationStruct s;
    s.Stamp = stamp;
    size_t i = 0;
    for (float v : values)
        s.Values[i++] = v;
    return s;
}

class ObservationTest : public ::testing::Test {
protected:
    explicit ObservationTest(std::vector<std::pair<std::string, int32_t>> values = {}) : registry(values) {}

    QComboBox* Combo(int n) { return f.Find<QComboBox>(("ComboBox" + std::to_string(n)).c_str()); }
    QCheckBox* Check(int n) { return f.Find<QCheckBox>(("CheckBox" + std::to_string(n)).c_str()); }
    QCPGraph* Series(int n) { return f.page.Series(n); }
    double Y(int n, int i) { return (Series(n)->data()->constBegin() + i)->value; }
    void Select(int n, int index)
    {
        Combo(n)->setCurrentIndex(index);
        f.page.SourceChange(Combo(n));
    }
    // Every box on a source and shown; `count` samples i = 0.. with value
    // channel × 100 + i.
    void Fill(int count)
    {
        for (int n = 1; n <= 7; ++n) {
            Select(n, n);
            Check(n)->setChecked(true);
        }
        f.page.CheckBoxClick(nullptr);
        std::vector<ObservationStruct> samples;
        for (int i = 0; i < count; ++i) {
            ObservationStruct s;
            s.Stamp = static_cast<uint32_t>(i + 1);
            for (int k = 0; k < 7; ++k)
                s.Values[k] = static_cast<float>((k + 1) * 100 + i);
            samples.push_back(s);
        }
        f.page.AddSamples(samples);
    }
    QCPRange Bottom() { return f.page.Chart()->xAxis->range(); }
    QCPRange Left() { return f.page.Chart()->yAxis->range(); }

    TRegistrySetup registry;
    TPageFixture<TObservationFrame> f{&ZT_Blocks::ObservationSetupBlock};
};

class ObservationFromRegistryTest : public ObservationTest {
protected:
    ObservationFromRegistryTest()
        : ObservationTest({{"DataIndex_1", 5},
                           {"DataEnable_1", 1},
                           {"DataIndex_2", 0},
                           {"DataEnable_2", 1},
                           {"DataIndex_4", 12},
                           {"GraphObservationInterval", 7}})
    {
    }
};

} // namespace

TEST_F(ObservationTest, Delivery_NotANumberOrInfinityDrawsZero)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    f.page.AddSamples({Sample(41, {1.5f, nan, inf, -inf, 5, 6, 7}), Sample(42, {2, 2, 2, 2, 2, 2, 2})});
    const double expected[7] = {1.5, 0, 0, 0, 5, 6, 7};
    for (int n = 1; n <= 7; ++n) {
        ASSERT_EQ(Series(n)->data()->size(), 2) << n;
        EXPECT_EQ(Y(n, 0), expected[n - 1]) << n;
        EXPECT_EQ((Series(n)->data()->constBegin() + 1)->key, 1.0);
    }
    EXPECT_EQ(f.page.SamplePosition(), 2.0);
    EXPECT_EQ(f.page.LastSampleCounter(), 42u);
}

TEST_F(ObservationTest, Delivery_HandsTheTrackBarBackAndShowsTheSmoothedRate)
{
    auto* bar = f.Find<QSlider>("ObservationRequestInterval");
    TInteract record;
    const int positions[] = {3, 150};
    for (int position : positions) {
        bar->setValue(position);
        f.page.TakeData(record);
        EXPECT_EQ(record.Progress, position);
    }
    EXPECT_EQ(Stored("GraphObservationInterval"), 150);
    // The two empty deliveries above average with this one of four.
    f.page.AddSamples(std::vector<ObservationStruct>(4));
    EXPECT_EQ(f.Find<QLineEdit>("RequestCount")->text(), "1.33");
}

TEST_F(ObservationTest, Init_WithoutRegistryValues_SelectsNothingAndPollsEvery200Ms)
{
    for (int n = 1; n <= 7; ++n) {
        EXPECT_EQ(Combo(n)->count(), 33);
        EXPECT_EQ(Combo(n)->currentIndex(), -1);
        EXPECT_FALSE(Check(n)->isChecked());
        EXPECT_FALSE(Series(n)->visible());
    }
    EXPECT_EQ(Combo(1)->itemText(32), "t_cpu");
    EXPECT_EQ(f.Find<QSlider>("ObservationRequestInterval")->value(), 20);
    EXPECT_EQ(f.page.TrackedSeries(), -1);
}

TEST_F(ObservationFromRegistryTest, Init_TakesTheValuesAndStoresNothing)
{
    EXPECT_EQ(Combo(1)->currentText(), "Код");
    EXPECT_TRUE(Check(1)->isChecked());
    EXPECT_TRUE(Series(1)->visible());
    EXPECT_EQ(Check(1)->text(), "Код");
    EXPECT_EQ(Series(1)->name(), "Код");
    // "Отключен" clears its box even when the registry had it checked.
    EXPECT_FALSE(Check(2)->isChecked());
    EXPECT_EQ(Combo(4)->currentText(), "Код A");
    EXPECT_FALSE(Check(4)->isChecked());
    EXPECT_EQ(f.Find<QSlider>("ObservationRequestInterval")->value(), 7);
    // The start writes nothing back.
    EXPECT_EQ(Stored("DataEnable_2"), 1);
    EXPECT_EQ(Stored("DataIndex_3"), -100);
}

TEST_F(ObservationTest, SourceOff_ClearsTheBoxHidesTheSeriesAndStores)
{
    Select(2, 3);
    Check(2)->click();
    ASSERT_TRUE(Series(2)->visible());
    EXPECT_EQ(Stored("DataEnable_2"), 1);
    Select(2, 0);
    EXPECT_FALSE(Check(2)->isChecked());
    EXPECT_FALSE(Series(2)->visible());
    EXPECT_EQ(Check(2)->text(), "Отключен");
    EXPECT_EQ(Stored("DataIndex_2"), 0);
    EXPECT_EQ(Stored("DataEnable_2"), 0);
    EXPECT_EQ(Stored("DataIndex_1"), -1);
}

TEST_F(ObservationTest, Refresh_SelectsTheMetersSourcesAndStoresThem)
{
    for (int n = 1; n <= 7; ++n)
        f.host.Set(ZT_Fields::ObservationChanel(n), uint16_t(n + 20));
    f.host.Set(ZT_Fields::ObservationChanel(6), uint16_t(40));
    f.page.RefreshPage();
    EXPECT_EQ(Combo(1)->currentText(), "Ток Ind_B (мА)");
    EXPECT_EQ(Combo(6)->currentIndex(), -1);
    EXPECT_EQ(Stored("DataIndex_7"), 27);
    EXPECT_EQ(Stored("DataIndex_6"), -1);
    EXPECT_EQ(Stored("DataEnable_1"), 0);
}

TEST_F(ObservationTest, SetGraphSetup_NeedsEverySourceThenWritesTheBlock)
{
    for (int n = 1; n <= 7; ++n)
        Combo(n)->setCurrentIndex(n == 3 ? -1 : n);
    EXPECT_FALSE(f.page.SetGraphSetupClick(nullptr));
    EXPECT_EQ(f.host.log, std::vector<std::string>{"Не установлен источник данных"});
    EXPECT_TRUE(f.host.started.empty());

    Combo(3)->setCurrentIndex(32);
    EXPECT_TRUE(f.page.SetGraphSetupClick(nullptr));
    EXPECT_EQ(f.host.started, std::vector<std::string>{"write ObservationSetupBlock"});
    TDeviceHelperLocker lock(f.host.device);
    EXPECT_EQ(f.host.device.Get(ZT_Fields::ObservationChanel(3)), 32);
    EXPECT_EQ(f.host.device.Get(ZT_Fields::ObservationChanel(7)), 7);
}

TEST_F(ObservationTest, GetGraphSetup_ReadsTheBlock)
{
    EXPECT_TRUE(f.page.GetGraphSetupClick(f.Find<QPushButton>("GetGraphSetup")));
    EXPECT_EQ(f.host.started, std::vector<std::string>{"read ObservationSetupBlock"});
}

TEST_F(ObservationTest, Scrolling_ShiftsTheBottomAxisBySamples)
{
    Fill(10);
    f.page.ProlongClick();
    const QCPRange before = Bottom();
    f.Find<QCheckBox>("Scrolling")->setChecked(true);
    f.page.AddSamples(std::vector<ObservationStruct>(3));
    EXPECT_DOUBLE_EQ(Bottom().lower, before.lower + 3);
    EXPECT_DOUBLE_EQ(Bottom().upper, before.upper + 3);
}

TEST_F(ObservationTest, Clear_YesEmptiesNoKeepsButBothResetTheCounterAndScrolling)
{
    for (bool yes : {false, true}) {
        Fill(5);
        f.page.ProlongClick();
        f.Find<QCheckBox>("Scrolling")->setChecked(true);
        f.page.AskClear = [yes] { return yes; };
        f.page.ClearClick();
        EXPECT_EQ(f.page.LastSampleCounter(), 0u);
        EXPECT_FALSE(f.Find<QCheckBox>("Scrolling")->isChecked());
        EXPECT_EQ(Series(1)->data()->isEmpty(), yes);
        EXPECT_EQ(f.page.SamplePosition(), yes ? 0.0 : 5.0);
        EXPECT_EQ(f.page.BottomAuto(), yes);
    }
}

TEST_F(ObservationTest, Delete_RemovesTheVisiblePointsAndKeepsLaterKeys)
{
    Fill(20);
    f.page.Chart()->xAxis->setRange(5.5, 9.2);
    int32_t from = 0, to = 0;
    f.page.VisibleRange(from, to);
    EXPECT_EQ(from, 5);
    EXPECT_EQ(to, 9);
    f.page.DeleteClick();
    for (int n = 1; n <= 7; ++n)
        ASSERT_EQ(Series(n)->data()->size(), 16);
    EXPECT_EQ(Y(2, 4), 204);
    EXPECT_EQ(Y(2, 5), 209);
    EXPECT_EQ((Series(2)->data()->constBegin() + 5)->key, 9.0);
}

TEST_F(ObservationTest, VisibleRange_StaysWithinThePointsAfterDeletes)
{
    Fill(20);
    f.page.Chart()->xAxis->setRange(0, 15);
    f.page.DeleteClick(); // 5 points left, keys 15..19
    f.page.AllDataClick();
    int32_t from = 0, to = 0;
    f.page.VisibleRange(from, to);
    EXPECT_EQ(from, 5);
    EXPECT_EQ(to, 5);
    EXPECT_EQ(f.page.Analysis(), "Диапазон: 5 - 5\r\n");
}

TEST_F(ObservationTest, Auto_TracksTheNextShownSeriesAndFitsItWithHalfMargins)
{
    Fill(10);
    Check(1)->setChecked(false);
    Check(2)->setChecked(false);
    f.page.CheckBoxClick(nullptr);
    f.page.AutoClick();
    EXPECT_EQ(f.page.TrackedSeries(), 2);
    EXPECT_FALSE(f.page.LeftAuto());
    // Series 3 over indices 0..8 of x 0..9: 300 .. 308.
    EXPECT_DOUBLE_EQ(Left().lower, 296);
    EXPECT_DOUBLE_EQ(Left().upper, 312);
    for (int i = 0; i < 4; ++i)
        f.page.AutoClick();
    EXPECT_EQ(f.page.TrackedSeries(), 6);
    f.page.AutoClick();
    EXPECT_EQ(f.page.TrackedSeries(), 2);

    // "Отслеживание" keeps the tracked series fitted as samples arrive.
    f.Find<QCheckBox>("Tracking")->setChecked(true);
    Fill(0);
    ObservationStruct s;
    s.Values[2] = 1000;
    f.page.AddSamples({s, s});
    EXPECT_EQ(f.page.TrackedSeries(), 2);
    EXPECT_DOUBLE_EQ(Left().lower, 300 - 350);
    EXPECT_DOUBLE_EQ(Left().upper, 1000 + 350);
}

TEST_F(ObservationTest, ZoomOutThenIn_RestoresTheLeftSpan)
{
    Fill(10);
    f.page.Chart()->yAxis->setRange(100, 300);
    f.page.ZoomOutClick();
    EXPECT_NEAR(Left().size(), 260, 1e-9);
    EXPECT_NEAR(Left().center(), 200, 1e-9);
    f.page.ZoomInClick();
    EXPECT_NEAR(Left().lower, 100, 1e-9);
    EXPECT_NEAR(Left().upper, 300, 1e-9);
    f.page.ProlongClick();
    f.page.AllDataClick();
    EXPECT_TRUE(f.page.LeftAuto());
    EXPECT_TRUE(f.page.BottomAuto());
}

TEST_F(ObservationTest, Wheel_KeysChooseTheAxisAndTheMotion)
{
    struct Case {
        Qt::KeyboardModifiers keys;
        int delta;
        QCPRange bottom, left;
    };
    // Bottom 0..100, left 0..10; the pointer at the left axis' value 2.5.
    const Case cases[] = {
        {Qt::ShiftModifier | Qt::ControlModifier, 120, {50 - 250.0 / 6, 50 + 250.0 / 6}, {0, 10}},
        {Qt::ShiftModifier | Qt::ControlModifier, -120, {-10, 110}, {0, 10}},
        {Qt::ShiftModifier, 120, {-10, 90}, {0, 10}},
        {Qt::ShiftModifier, -120, {10, 110}, {0, 10}},
        {Qt::ControlModifier, 120, {0, 100}, {2.5 - 2.5 / 1.2, 2.5 + 7.5 / 1.2}},
        {Qt::ControlModifier, -120, {0, 100}, {2.5 - 3, 2.5 + 9}},
        {Qt::NoModifier, 120, {0, 100}, {1, 11}},
        {Qt::NoModifier, -120, {0, 100}, {-1, 9}},
    };
    QCustomPlot* chart = f.page.Chart();
    chart->resize(400, 300);
    chart->replot();
    for (const Case& c : cases) {
        chart->xAxis->setRange(0, 100);
        chart->yAxis->setRange(0, 10);
        const QPointF at(chart->width() / 2.0, chart->yAxis->coordToPixel(2.5));
        QWheelEvent wheel(at, chart->mapToGlobal(at), QPoint(), QPoint(0, c.delta), Qt::NoButton, c.keys,
                          Qt::NoScrollPhase, false);
        EXPECT_TRUE(f.page.ChartWheel(&wheel));
        EXPECT_NEAR(Bottom().lower, c.bottom.lower, 1e-6) << c.keys.toInt() << " " << c.delta;
        EXPECT_NEAR(Bottom().upper, c.bottom.upper, 1e-6) << c.keys.toInt() << " " << c.delta;
        EXPECT_NEAR(Left().lower, c.left.lower, 1e-6) << c.keys.toInt() << " " << c.delta;
        EXPECT_NEAR(Left().upper, c.left.upper, 1e-6) << c.keys.toInt() << " " << c.delta;
    }
}

TEST_F(ObservationTest, Analysis_EmptyRangeGivesOnlyTheRangeLine)
{
    f.page.AnalyzeClick();
    EXPECT_EQ(f.host.log, std::vector<std::string>{"Диапазон: 0 - 0\r\n"});
}

TEST_F(ObservationTest, Analysis_SumsUpTheShownSeriesTwoToALine)
{
    for (int n = 1; n <= 7; ++n)
        Select(n, n);
    for (int n : {1, 4, 5})
        Check(n)->setChecked(true);
    f.page.CheckBoxClick(nullptr);
    // Series 1: 1, 3, 1, 3, 1; series 4: 2 everywhere; series 5: 4 everywhere.
    std::vector<ObservationStruct> samples;
    for (int i = 0; i < 5; ++i)
        samples.push_back(Sample(1, {i % 2 ? 3.0f : 1.0f, 0, 0, 2, 4, 0, 0}));
    f.page.AddSamples(samples);
    // Points 0..3 (the last x is the range's open end).
    EXPECT_EQ(f.page.Analysis(), "Диапазон: 0 - 4\r\n"
                                 "[Расход] Средний : 2 | Шум : 2 : Шум/Сигнал : 100 %     "
                                 "[Расход БИХФ] Средний : 2 | Шум : 0 : Шум/Сигнал : 0 %\r\n"
                                 "[Код] Средний : 4 | Шум : 0 : Шум/Сигнал : 0 %     "
                                 "[Расход БИХФ - Код] : -2 | [Расход БИХФ / Код] : 0.5\r\n");
}

TEST_F(ObservationTest, Analysis_LastPointOfASeriesAddsNoNoise)
{
    Fill(4);
    // Series 1 keeps its 4 points, the others lose their last.
    for (int n = 2; n <= 7; ++n)
        Series(n)->data()->remove(3);
    f.page.Chart()->xAxis->setRange(0, 10);
    const std::string text = f.page.Analysis();
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "Диапазон: 0 - 3");
    // Series 2: 200, 201, 202 with differences 1 and 1 (none after 202).
    EXPECT_NE(text.find("[Расход БФ] Средний : 201 | Шум : 0.666667"), std::string::npos) << text;
}

TEST_F(ObservationTest, Readings_SaveAndLoadRoundTrip)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("readings.csv").toStdString();
    Fill(3);
    Series(2)->data()->clear();
    Series(2)->addData(0, -1.5e-7);
    ASSERT_TRUE(f.page.SaveReadings(path));
    EXPECT_EQ(f.host.log.back(), "Файл показаний " + path + " сохранен");
    const std::string text = ReadWholeFile(path);
    EXPECT_EQ(text.substr(0, text.find('\n')),
              ";Расход;Расход БФ;Расход КИХФ;Расход БИХФ;Код;Код БФ;Код КИХФ");
    EXPECT_NE(text.find("\n0;100;-1.5E-07;300;400;500;600;700\n1;101;0;301;"), std::string::npos) << text;

    f.page.AskClear = [] { return true; };
    ASSERT_TRUE(f.page.LoadReadings(path));
    EXPECT_EQ(f.host.log.back(), "Файл показаний " + path + " загружен");
    ASSERT_EQ(Series(1)->data()->size(), 3);
    EXPECT_EQ(Y(1, 2), 102);
    EXPECT_DOUBLE_EQ(Y(2, 0), -1.5e-7);
    EXPECT_EQ(Y(2, 1), 0);
    EXPECT_EQ(f.page.SamplePosition(), 3.0);
    EXPECT_EQ(Series(5)->name(), "Код");
}

TEST_F(ObservationTest, Load_EmptyHeaderFieldUnchecksItsBoxAndReadsCommas)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("in.csv").toStdString();
    WriteFileAtomically(path, ";A;B;;D;E;F;G\r\n7;1,5;-2;3;4\r\n8;;x;1e3;4;5;6;7;8\n");
    Fill(2);
    bool asked = false;
    f.page.AskClear = [&] { return asked = true; };
    ASSERT_TRUE(f.page.LoadReadings(path));
    EXPECT_TRUE(asked);
    EXPECT_FALSE(Check(3)->isChecked());
    EXPECT_FALSE(Series(3)->visible());
    EXPECT_TRUE(Check(2)->isChecked());
    EXPECT_EQ(Check(4)->text(), "D");
    EXPECT_EQ(Series(7)->name(), "G");
    const double expected[2][7] = {{1.5, -2, 3, 4, 0, 0, 0}, {0, 0, 1000, 4, 5, 6, 7}};
    for (int n = 1; n <= 7; ++n)
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(Y(n, i), expected[i][n - 1]) << n << " " << i;
    EXPECT_EQ((Series(1)->data()->constBegin() + 1)->key, 1.0);
}

TEST_F(ObservationTest, Files_FailuresAreLogged)
{
    f.page.AskClear = [] { return false; };
    EXPECT_FALSE(f.page.LoadReadings("/nonexistent/readings.csv"));
    EXPECT_EQ(f.host.log.size(), 1u);
    EXPECT_NE(f.host.log[0].find("/nonexistent/readings.csv"), std::string::npos);
    EXPECT_FALSE(f.page.SaveReadings("/nonexistent/readings.csv"));
    EXPECT_EQ(f.host.log.back(), "Ошибка сохранения файла");
}

TEST_F(ObservationTest, ProposedFileName_CarriesTheSerialNumberAndTheTime)
{
    f.host.Set(ZT_Fields::SerialNumber, uint32_t(1234));
    const std::string name = f.page.ProposedFileName();
    EXPECT_EQ(name.rfind("Показания_ZT-А_00001234_", 0), 0u) << name;
    EXPECT_EQ(name.size(), std::string("Показания_ZT-А_00001234_2024_03_05_14_07.csv").size()) << name;
}
