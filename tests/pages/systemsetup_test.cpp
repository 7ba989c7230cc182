// The system settings page: the cycle's period and frequency, the checks of
// a write, the packing of both ADC chips' records from their frames, the
// chip frames of each modification and the ADC timing it hands on; on the
// fake host, then against the simulated meter through the workspace.

#include "pages/ad7792setupframe.h"
#include "pages/ads1262setupframe.h"
#include "pages/systemsetupframe.h"
#include "tests/support/pagefixture.h"
#include "tests/support/workspacefixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <functional>

#include <gtest/gtest.h>

using namespace ZT_namespace;

namespace {

class SystemSetupTest : public ::testing::Test {
protected:
    SystemSetupTest() : f(&ZT_Blocks::SystemSetupBlock) {}

    QSpinBox* Spin(const char* name) { return f.Find<QSpinBox>(name); }
    QString Text(const char* name) { return f.Find<QLineEdit>(name)->text(); }
    void SetPhases(std::initializer_list<int> phases)
    {
        int i = 0;
        for (int value : phases)
            Spin(("PhaseInterval" + std::to_string(i++)).c_str())->setValue(value);
    }
    // A valid page: phases and modulator set.
    void MakeValid()
    {
        SetPhases({20, 40, 60, 200, 10, 100, 20, 60, 200, 10});
        for (const char* name : {"AccelIncreaseSpeed", "AccelValue", "AccelTime", "StabTime", "StabTau",
                                 "WorkCurrent", "WorkModValue", "StopDecreaseSpeed"})
            Spin(name)->setValue(5);
    }
    // Byte `index` of the 16-byte chip record at `reg`.
    uint8_t RecordByte(uint16_t reg, int index)
    {
        TDeviceHelperLocker lock(f.host.device);
        const uint16_t word = f.host.device.Word(uint16_t(reg + index / 2));
        return uint8_t(index % 2 ? word >> 8 : word & 0xFF);
    }
    template <class W> W* InFrame(QWidget* frame, const char* name)
    {
        W* widget = frame->findChild<W*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    TPageFixture<TSystemSetup> f;
};

} // namespace

TEST_F(SystemSetupTest, PhaseChange_ShowsPeriodAndFrequency)
{
    struct Case {
        std::initializer_list<int> phases;
        const char *period, *frequency;
    };
    const Case cases[] = {
        {{0, 10, 20, 30, 40, 0, 0, 0, 0, 0}, "200", "5.000"},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "0", "0.000"},
        {{100, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "100", "10.000"},
        {{1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, "19", "52.632"},
        {{65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535}, "1245165", "0.001"},
    };
    for (const Case& c : cases) {
        SetPhases(c.phases);
        EXPECT_EQ(Text("MeasureInterval"), c.period);
        EXPECT_EQ(Text("MeasureFreq"), c.frequency);
    }
    // A refresh shows the meter's phases with their period.
    for (int i = 0; i < 10; ++i)
        f.host.Set(ZT_Fields::PhaseInterval(i), uint16_t(i == 1 ? 50 : 0));
    f.page.RefreshPage();
    EXPECT_EQ(Text("MeasureInterval"), "100");
    EXPECT_EQ(Text("MeasureFreq"), "10.000");
}

TEST_F(SystemSetupTest, Collect_RefusesUnsetPhasesAModulatorZeroAndBadChipNumbers)
{
    struct Case {
        const char* what;
        std::function<void()> change;
        const char* refusal;
    };
    const Case cases[] = {
        {"only the pause",
         [this] {
             SetPhases({100, 0, 0, 0, 0, 0, 0, 0, 0, 0});
         },
         "Не заданы интервалы фаз работы"},
        {"one modulator value 0", [this] { Spin("StabTau")->setValue(0); },
         "Не корректные настройки модулятора"},
        {"chip offset beyond 24 bits",
         [this] { InFrame<QLineEdit>(f.page.SignalAds1262Frame(), "Offset")->setText("8388608"); },
         "Не корректное значение Offset"},
        {"chip full scale below 24 bits",
         [this] { InFrame<QLineEdit>(f.page.InductorAds1262Frame(), "FullScale")->setText("-8388609"); },
         "Не корректное значение FullScale"},
    };
    f.page.SetModification(2);
    for (const Case& c : cases) {
        MakeValid();
        f.page.SignalAds1262Frame()->ShowSetup({});
        f.page.InductorAds1262Frame()->ShowSetup({});
        f.host.log.clear();
        f.host.Set(ZT_Fields::PhaseInterval3, uint16_t(999));
        c.change();
        EXPECT_FALSE(f.page.CollectPage()) << c.what;
        EXPECT_EQ(f.host.log, std::vector<std::string>{c.refusal}) << c.what;
        TDeviceHelperLocker lock(f.host.device);
        EXPECT_EQ(f.host.device.Get(ZT_Fields::PhaseInterval3), 999) << c.what << ": nothing is stored";
    }
    MakeValid();
    f.page.SignalAds1262Frame()->ShowSetup({});
    f.page.InductorAds1262Frame()->ShowSetup({});
    EXPECT_TRUE(f.page.CollectPage());
    EXPECT_TRUE(f.page.WritePage());
    EXPECT_EQ(f.host.started.back(), "write SystemSetupBlock");
}

TEST_F(SystemSetupTest, Ads1262_TDacAndOffsetPackAsTheChipKeepsThem)
{
    f.page.SetModification(2);
    MakeValid();
    TAds1262Setup* frame = f.page.SignalAds1262Frame();
    auto* magnitude = InFrame<QComboBox>(frame, "TDacPMag");
    auto* enabled = InFrame<QCheckBox>(frame, "TDacP");
    auto* offset = InFrame<QLineEdit>(frame, "Offset");
    struct Case {
        int index;
        bool on;
        uint8_t byte13;
    };
    const Case cases[] = {{9, false, 0x00}, {9, true, 0x80},   {0, false, 0x19}, {0, true, 0x99},
                          {8, false, 0x11}, {10, false, 0x01}, {18, true, 0x89}};
    for (const Case& c : cases) {
        magnitude->setCurrentIndex(c.index);
        enabled->setChecked(c.on);
        offset->setText("-1");
        ASSERT_TRUE(f.page.CollectPage());
        EXPECT_EQ(RecordByte(ZT_Fields::SignalAdcSetup, 13), c.byte13) << "index " << c.index;
        for (int b : {4, 5, 6})
            EXPECT_EQ(RecordByte(ZT_Fields::SignalAdcSetup, b), 0xFF) << "offset byte " << b;
        magnitude->setCurrentIndex(-1);
        offset->clear();
        f.page.RefreshPage();
        EXPECT_EQ(magnitude->currentIndex(), c.index);
        EXPECT_EQ(enabled->isChecked(), c.on);
        EXPECT_EQ(offset->text(), "-1");
    }
}

TEST_F(SystemSetupTest, ChipRecords_AreRewrittenWholeFromTheirFrames)
{
    // Bits of the record that no control shows are 0 after a write; the
    // shown ones come back as they were read.
    Ad7792SetupStruct ad;
    ad.DataRate = 10;
    ad.ClockSource = 2;
    ad.Chanel = 6;
    ad.Buffer = true;
    ad.Gain = 7;
    ad.Burnout = true;
    ad.Bias = 1;
    ad.Offset = 0x80000001u;
    ad.FullScale = 0x5555;
    {
        TDeviceHelperLocker lock(f.host.device);
        f.host.device.SetAd7792Setup(ZT_Fields::SignalAdcSetup, ad);
        uint16_t* words = f.host.device.Words(ZT_Fields::SignalAdcSetup, 8);
        words[0] |= 0x1F00; // byte 1 bits 0-4: not the chip setup's
        words[6] = words[7] = 0xFFFF;
        f.host.device.SetWord(ZT_Fields::InductorAdcSetup, 0xABCD);
    }
    f.page.SetModification(0);
    f.page.RefreshPage();
    MakeValid();
    ASSERT_TRUE(f.page.CollectPage());
    TDeviceHelperLocker lock(f.host.device);
    EXPECT_EQ(f.host.device.GetAd7792Setup(ZT_Fields::SignalAdcSetup), ad);
    EXPECT_EQ(f.host.device.Word(ZT_Fields::SignalAdcSetup) & 0xFF00, 0);
    EXPECT_EQ(f.host.device.Word(ZT_Fields::SignalAdcSetup + 6), 0);
    EXPECT_EQ(f.host.device.Word(ZT_Fields::SignalAdcSetup + 7), 0);
    EXPECT_EQ(f.host.device.Word(ZT_Fields::InductorAdcSetup), 0)
        << "both records are zeroed; modification 0 has no inductor chip to fill it";
}

TEST_F(SystemSetupTest, Modification_BuildsTheFramesOfItsChips)
{
    EXPECT_NE(f.page.Ad7792Frame(), nullptr) << "modification 0 at start";
    EXPECT_EQ(f.page.SignalAds1262Frame(), nullptr);
    struct Case {
        int index;
        bool ad7792;
    };
    for (const Case& c : {Case{2, false}, Case{2, false}, Case{0, true}, Case{255, false}, Case{0, true}}) {
        TAds1262Setup* before = f.page.SignalAds1262Frame();
        f.page.SetModification(c.index);
        EXPECT_EQ(f.page.Ad7792Frame() != nullptr, c.ad7792) << c.index;
        EXPECT_EQ(f.page.SignalAds1262Frame() != nullptr, !c.ad7792) << c.index;
        EXPECT_EQ(f.page.InductorAds1262Frame() != nullptr, !c.ad7792) << c.index;
        EXPECT_EQ(f.page.findChildren<TAd7792Setup*>().size(), c.ad7792 ? 1u : 0u);
        EXPECT_EQ(f.page.findChildren<TAds1262Setup*>().size(), c.ad7792 ? 0u : 2u);
        if (before && !c.ad7792) {
            EXPECT_EQ(f.page.SignalAds1262Frame(), before) << "a frame already right stays";
        }
    }
    // The fake host's model has identified no meter: an unknown one.
    f.page.IdentityChanged();
    EXPECT_EQ(f.page.Ad7792Frame(), nullptr);
    EXPECT_NE(f.page.InductorAds1262Frame(), nullptr);
}

TEST_F(SystemSetupTest, AdcTiming_FollowsRaiseAndTheAd7792DataRate)
{
    const std::pair<int, double> periods[] = {{-1, 0},        {0, 0},    {1, 2},          {2, 4},
                                              {5, 20},        {6, 4},    {7, 25.510204},  {10, 59.88024},
                                              {11, 59.88024}, {15, 160}, {16, 239.80815}, {17, 0}};
    for (const auto& [index, period] : periods)
        EXPECT_DOUBLE_EQ(TSystemSetup::Ad7792ConversionPeriod(index), period) << index;

    Spin("PhaseInterval1")->setValue(40);
    InFrame<QComboBox>(f.page.Ad7792Frame(), "DataRate")->setCurrentIndex(6);
    EXPECT_DOUBLE_EQ(f.page.AccelDuration(), 40);
    EXPECT_DOUBLE_EQ(f.page.AdcConversionPeriod(), 4);
    f.page.SetModification(2);
    EXPECT_DOUBLE_EQ(f.page.AdcConversionPeriod(), 0) << "no AD7792";
    EXPECT_DOUBLE_EQ(f.page.AccelDuration(), 40);
}

namespace {

// Takes what the workspace hands the ADC signal page.
class TAdcTimingProbe : public TDevicePageFrame {
public:
    void TakeAdcTiming(double periodMs, double offsetMs) override { taken.push_back({periodMs, offsetMs}); }
    std::vector<std::pair<double, double>> taken;
};

class SystemSetupMeterTest : public ::testing::Test {
protected:
    template <class T> T* Find(const char* name)
    {
        T* widget = page->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void Click(const char* name)
    {
        Find<QPushButton>(name)->click();
        ASSERT_TRUE(f.WaitIdle());
    }

    TWorkspaceFixture f;
    TSystemSetup* page = f.workspace->PageOf<TSystemSetup>(pgSetup);
};

} // namespace

TEST_F(SystemSetupMeterTest, ReadChangeWrite_ReachesTheMetersRegisters)
{
    ASSERT_NE(page, nullptr);
    auto* probe = new TAdcTimingProbe;
    f.workspace->AttachPage(pgAdcSignal, probe);
    Click("GetSetup");
    EXPECT_TRUE(f.Logged("Системные настройки считаны"));
    EXPECT_EQ(Find<QSpinBox>("PhaseInterval1")->value(), 40);
    EXPECT_EQ(Find<QLineEdit>("MeasureInterval")->text(), "1420");
    EXPECT_EQ(Find<QLineEdit>("SignalExtGain")->text(), "10");
    ASSERT_NE(page->Ad7792Frame(), nullptr);
    EXPECT_EQ(page->Ad7792Frame()->findChild<QComboBox*>("DataRate")->currentIndex(), 10);
    // The tag-1 completion hands the ADC signal page its timing.
    ASSERT_EQ(probe->taken.size(), 1u);
    EXPECT_DOUBLE_EQ(probe->taken[0].first, 59.88024);
    EXPECT_DOUBLE_EQ(probe->taken[0].second, 40);

    Find<QSpinBox>("PhaseInterval3")->setValue(123);
    Find<QLineEdit>("InductorShuntValue")->setText("12,5");
    page->Ad7792Frame()->findChild<QComboBox*>("Gain")->setCurrentIndex(3);
    Click("SetSetup");
    EXPECT_TRUE(f.Logged("Системные настройки установлены"));
    auto& meter = f.sim->Device();
    EXPECT_EQ(meter.Holding(40058), 123);
    EXPECT_FLOAT_EQ(meter.HoldingFloat(40109), 12.5f);
    EXPECT_EQ(meter.Holding(40078) >> 8 & 0x07, 3) << "AD7792 gain in byte 3";
    EXPECT_EQ(meter.Holding(40056), 40) << "the rest as read";
}

TEST_F(SystemSetupMeterTest, AnotherModel_ReplacesTheChipFramesAtTheNextOperation)
{
    Click("GetSetup");
    ASSERT_NE(page->Ad7792Frame(), nullptr);
    zt_sim::MeterIdentity identity;
    identity.modelCode = "ZT-E";
    f.sim->Device().SetIdentity(identity);
    f.workspace->Device().SetIdentified(false);
    Click("GetSetup");
    EXPECT_EQ(page->Ad7792Frame(), nullptr);
    ASSERT_NE(page->SignalAds1262Frame(), nullptr);
    ASSERT_NE(page->InductorAds1262Frame(), nullptr);
    // The meter's inductor record starts 0x0456 0x0A13: delay 6 in byte 0,
    // data rate 3 in byte 2.
    EXPECT_EQ(page->InductorAds1262Frame()->findChild<QComboBox*>("ConversionDelay")->currentIndex(), 6);
    EXPECT_EQ(page->InductorAds1262Frame()->findChild<QComboBox*>("DataRate")->currentIndex(), 3);
}

TEST_F(SystemSetupMeterTest, RefusedWrite_SendsNothing)
{
    Click("GetSetup");
    for (int i = 1; i < 10; ++i)
        Find<QSpinBox>(("PhaseInterval" + std::to_string(i)).c_str())->setValue(0);
    const size_t before = f.Sent(16);
    Click("SetSetup");
    EXPECT_TRUE(f.Logged("Не заданы интервалы фаз работы"));
    EXPECT_EQ(f.Sent(16), before);
}
