// The work settings page and its plug-in cards: pressures in 0.0001 MPa,
// the four thresholds, the card groups by slot mode, the start-stop buttons,
// the own port's mode that no list names; on the fake host, then against
// the simulated meter through the workspace, write-all included.

#include "pages/plugincardframe.h"
#include "pages/worksetupframe.h"
#include "tests/support/pagefixture.h"
#include "tests/support/workspacefixture.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <algorithm>

using namespace ZT_namespace;

namespace {

class WorkSetupTest : public ::testing::Test {
protected:
    WorkSetupTest() : f(&ZT_Blocks::WorkSetupBlock)
    {
        // Valid thresholds, so that each case changes one thing.
        for (auto field : {ZT_Fields::NoiseRelThreshold, ZT_Fields::NoiseAbsThreshold,
                           ZT_Fields::WaterResistanceThreshold, ZT_Fields::DropVoltageThreshold})
            f.host.Set(field, uint16_t(10));
        f.page.RefreshPage();
    }
    QLineEdit* Edit(const char* name) { return f.Find<QLineEdit>(name); }
    TPlugInCard* Card(const char* name) { return f.Find<TPlugInCard>(name); }

    TPageFixture<TWorkSetup> f;
};

} // namespace

TEST_F(WorkSetupTest, Collect_ChecksPressuresThenThresholds)
{
    struct Case {
        const char *low, *high, *noise;
        int storedLow, storedHigh; // when accepted
        const char* refusal;       // null: accepted
    };
    const char* pressure = "Давление должно быть в диапазоне 0...2,5 (МПа)";
    const char* threshold = "Не корректное значение пороговых значений";
    const Case cases[] = {
        {"0", "2.5", "5", 0, 25000, nullptr},
        {"0.12345", "1,5", "5", 1235, 15000, nullptr},
        {"0", "2.50001", "5", 0, 0, pressure},
        {"-0.1", "1", "5", 0, 0, pressure},
        {"abc", "1", "5", 0, 10000, nullptr},
        {"3", "1", "abc", 0, 0, pressure}, // the pressure is checked first
        {"0", "1", "abc", 0, 0, threshold},
        {"0", "1", "0", 0, 0, threshold},
        {"0", "1", "65536", 0, 0, threshold},
    };
    for (const Case& c : cases) {
        f.host.log.clear();
        f.host.Set(ZT_Fields::Q_hi, 1.0f);
        Edit("P_low")->setText(c.low);
        Edit("P_hi")->setText(c.high);
        Edit("NoiseRelThreshold")->setText(c.noise);
        Edit("Q_hi")->setText("60,5");
        const bool accepted = f.page.CollectPage();
        EXPECT_EQ(accepted, c.refusal == nullptr) << c.low << " " << c.high << " " << c.noise;
        TDeviceHelperLocker lock(f.host.device);
        if (c.refusal) {
            EXPECT_EQ(f.host.log, std::vector<std::string>{c.refusal}) << c.low << " " << c.noise;
            EXPECT_EQ(f.host.device.Get(ZT_Fields::Q_hi), 1.0f) << "nothing is stored";
            continue;
        }
        EXPECT_EQ(f.host.device.Get(ZT_Fields::P_low), c.storedLow) << c.low;
        EXPECT_EQ(f.host.device.Get(ZT_Fields::P_hi), c.storedHigh) << c.high;
        EXPECT_EQ(f.host.device.Get(ZT_Fields::Q_hi), 60.5f);
    }
    EXPECT_TRUE(f.Find<QGroupBox>("PressureGroup")->isHidden()) << "checked while hidden";
}

TEST_F(WorkSetupTest, Refresh_ShowsPressuresThresholdsAndStartStop)
{
    f.host.Set(ZT_Fields::P_low, uint16_t(1235));
    f.host.Set(ZT_Fields::P_hi, uint16_t(25000));
    f.host.Set(ZT_Fields::NoiseAbsThreshold, uint16_t(40000));
    f.host.Set(ZT_Fields::Q_low, 0.5f);
    f.host.Set(ZT_Fields::StartStopMode, uint16_t(2));
    f.host.Set(ZT_Fields::WorkMode_0, uint16_t(1));
    f.page.RefreshPage();
    EXPECT_EQ(Edit("P_low")->text(), "0.1235");
    EXPECT_EQ(Edit("P_hi")->text(), "2.5000");
    EXPECT_EQ(Edit("NoiseAbsThreshold")->text(), "40000");
    EXPECT_EQ(Edit("Q_low")->text(), "0.5");
    EXPECT_TRUE(f.Find<QRadioButton>("RadioButton3")->isChecked());
    EXPECT_EQ(f.Find<QComboBox>("WorkMode_0")->count(), 0);

    f.Find<QRadioButton>("RadioButton2")->setChecked(true);
    ASSERT_TRUE(f.page.CollectPage());
    TDeviceHelperLocker lock(f.host.device);
    EXPECT_EQ(f.host.device.Get(ZT_Fields::StartStopMode), 1);
    EXPECT_EQ(f.host.device.Get(ZT_Fields::WorkMode_0), 1) << "the own port's mode as read";
}

TEST_F(WorkSetupTest, PlugInCard_ShowsTheGroupOfItsSlotMode)
{
    struct Case {
        uint16_t slotMode;
        bool modbus, current;
    };
    for (const Case& c : {Case{0, true, false}, Case{1, false, true}, Case{5, false, false}}) {
        f.host.Set(ZT_Fields::Plugin_2.SlotMode, c.slotMode);
        f.page.RefreshPage();
        TPlugInCard* card = Card("PlugInCard2");
        EXPECT_EQ(card->SlotMode->currentIndex(), c.slotMode < 2 ? c.slotMode : -1);
        EXPECT_EQ(!card->ModbusGroup->isHidden(), c.modbus) << c.slotMode;
        EXPECT_EQ(!card->CurrentGroup->isHidden(), c.current) << c.slotMode;
    }
    // The user's choice switches the groups at once.
    TPlugInCard* card = Card("PlugInCard1");
    card->SlotMode->setCurrentIndex(1);
    EXPECT_TRUE(card->ModbusGroup->isHidden());
    EXPECT_FALSE(card->CurrentGroup->isHidden());
    card->SlotMode->setCurrentIndex(0);
    EXPECT_FALSE(card->ModbusGroup->isHidden());
    EXPECT_TRUE(card->CurrentGroup->isHidden());
}

TEST_F(WorkSetupTest, PlugInCards_StoreIntoTheirOwnBlocks)
{
    TPlugInCard* first = Card("PlugInCard1");
    TPlugInCard* second = Card("PlugInCard2");
    first->SlotMode->setCurrentIndex(0);
    first->NetAddress->setValue(17);
    first->UartSpeed->setCurrentIndex(7);
    second->SlotMode->setCurrentIndex(1);
    second->CurrentOutRange->setCurrentIndex(2);
    second->QhiCurrent->setText("70,25");
    second->OutputAveraging->setValue(9);
    ASSERT_TRUE(f.page.CollectPage());
    TDeviceHelperLocker lock(f.host.device);
    auto& d = f.host.device;
    EXPECT_EQ(d.Get(ZT_Fields::Plugin_1.NetAddress), 17);
    EXPECT_EQ(d.Get(ZT_Fields::Plugin_1.Speed), 7);
    EXPECT_EQ(d.Get(ZT_Fields::Plugin_2.SlotMode), 1);
    EXPECT_EQ(d.Get(ZT_Fields::Plugin_2.CurrentOutRange), 2);
    EXPECT_EQ(d.Get(ZT_Fields::Plugin_2.QhiCurrent), 70.25f);
    EXPECT_EQ(d.Get(ZT_Fields::Plugin_2.OutputAveraging), 9);
    EXPECT_EQ(d.Get(ZT_Fields::Plugin_1.OutputAveraging), 0);
}

namespace {

// The data words of the last function 16 request to `first`.
std::vector<uint16_t> Written(TWorkspaceFixture& f, uint16_t first)
{
    std::vector<uint16_t> words;
    for (const auto& frame : f.chanel->Requests())
        if (frame.size() > 9 && frame[1] == 16 && ((frame[2] << 8) | frame[3]) == first - 40001) {
            words.clear();
            const int count = (frame[4] << 8) | frame[5];
            for (int i = 0; i < count; ++i)
                words.push_back(uint16_t((frame[7 + 2 * i] << 8) | frame[8 + 2 * i]));
        }
    return words;
}

} // namespace

TEST(WorkSetupMeter, ReadChangeWrite_ReachesTheMetersRegisters)
{
    TWorkspaceFixture f;
    auto* page = f.workspace->PageOf<TWorkSetup>(pgWorkSetup);
    ASSERT_NE(page, nullptr);
    auto& meter = f.sim->Device();
    meter.SetHolding(40321, 2);      // an own port mode no list names
    meter.SetHolding(40330, 0x1234); // a register no control shows
    meter.SetHolding(40375, 1235);
    f.workspace->SelectPage(pgWorkSetup);
    page->findChild<QPushButton*>("GetSetup")->click();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_TRUE(f.Logged("Рабочие настройки считаны"));
    EXPECT_EQ(page->findChild<QLineEdit*>("P_low")->text(), "0.1235");
    auto* second = page->findChild<TPlugInCard*>("PlugInCard2");
    EXPECT_EQ(second->SlotMode->currentIndex(), 1);
    EXPECT_FALSE(second->CurrentGroup->isHidden());
    EXPECT_EQ(second->QhiCurrent->text(), "50");

    page->findChild<QLineEdit*>("DropVoltageThreshold")->setText("250");
    second->OutputAveraging->setValue(12);
    page->findChild<QPushButton*>("SetSetup")->click();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_TRUE(f.Logged("Рабочие настройки установлены"));
    EXPECT_EQ(meter.Holding(40368), 250);
    EXPECT_EQ(meter.Holding(40311), 12);
    EXPECT_EQ(meter.Holding(40375), 1235);
    EXPECT_EQ(meter.Holding(40321), 2) << "the own port's mode as read";
    const std::vector<uint16_t> words = Written(f, 40281);
    ASSERT_EQ(words.size(), 120u);
    EXPECT_EQ(words[40330 - 40281], 0x1234) << "an unshown register goes back as read";
}

TEST(WorkSetupMeter, WriteAll_StopsAtTheFirstPageThatRefuses)
{
    TWorkspaceFixture f;
    f.workspace->ReadAllParams();
    ASSERT_TRUE(f.WaitIdle(20000));
    const size_t before = f.Sent(16);
    // A page of the order refuses: nothing goes out.
    f.workspace->PageOf<TWorkSetup>(pgWorkSetup)->findChild<QLineEdit*>("P_hi")->setText("3");
    auto* setup2 = f.workspace->Page(pgSetup2);
    setup2->findChild<QLineEdit*>("WeightImpulseCheck")->setText("0");
    f.log.clear();
    f.workspace->WriteAllParams();
    EXPECT_EQ(f.log, std::vector<std::string>{"Не корректный вес поверочного импульса"});
    EXPECT_FALSE(f.workspace->Wrapper(1)->IsRunning());
    EXPECT_EQ(f.Sent(16), before);
    // With every page of the order built and accepting, all six blocks go
    // out in order; while one is missing write-all says which.
    setup2->findChild<QLineEdit*>("WeightImpulseCheck")->setText("0.001");
    f.workspace->PageOf<TWorkSetup>(pgWorkSetup)->findChild<QLineEdit*>("P_hi")->setText("1");
    f.log.clear();
    f.workspace->WriteAllParams();
    bool allBuilt = true;
    for (int page : {pgIdentification, pgSetup, pgSetup2, pgCalibration, pgImpulseOut, pgWorkSetup})
        allBuilt = allBuilt && f.workspace->Page(page);
    if (!allBuilt) {
        EXPECT_FALSE(f.workspace->Wrapper(1)->IsRunning());
        ASSERT_EQ(f.log.size(), 1u);
        EXPECT_NE(f.log[0].find("Запись всех данных отменена: нет страницы"), std::string::npos);
        EXPECT_EQ(f.Sent(16), before);
        return;
    }
    ASSERT_TRUE(f.WaitIdle(20000));
    std::vector<int> firsts;
    const auto requests = f.chanel->Requests();
    for (size_t i = 0; i < requests.size(); ++i)
        if (requests[i].size() > 5 && requests[i][1] == 16)
            firsts.push_back(40001 + ((requests[i][2] << 8) | requests[i][3]));
    const std::vector<int> order = {40027, 40055, 40121, 40177, 40257, 40281};
    std::vector<int> written;
    for (int first : firsts)
        if (std::find(order.begin(), order.end(), first) != order.end())
            written.push_back(first);
    EXPECT_EQ(written, order);
    EXPECT_EQ(f.sim->Device().Holding(40376), 10000);
}
