// The current parameters page: its values from the device model, and the
// status indicators and integration commands against the simulated meter.

#include "controls/biteditcombobox.h"
#include "pages/currentparamframe.h"
#include "tests/support/workspacefixture.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace ZT_namespace;

namespace {

class CurrentParamsTest : public ::testing::Test {
protected:
    QString Text(const char* name)
    {
        auto* edit = page->findChild<QLineEdit*>(name);
        return edit ? edit->text() : QString("<no %1>").arg(name);
    }
    template <class T> void Set(T field, auto value)
    {
        TDeviceHelperLocker lock(f.workspace->Device());
        f.workspace->Device().Set(field, value);
    }

    TWorkspaceFixture f;
    TCurrentParams* page = f.workspace->PageOf<TCurrentParams>(pgCurrent);
};

} // namespace

TEST_F(CurrentParamsTest, Refresh_ShowsTheFormatsOfEachField)
{
    Set(ZT_Fields::VolumeD.Integer, 12u);
    Set(ZT_Fields::VolumeD.Fraction, 0.5f);
    Set(ZT_Fields::VolumeR.Integer, 0xFFFFFFFFu); // a signed integer part: -1
    Set(ZT_Fields::VolumeR.Fraction, 0.25f);
    Set(ZT_Fields::Expense, 3.6f);
    Set(ZT_Fields::DirectFlowTime, 90061u);
    Set(ZT_Fields::ReverseFlowTime, 0xFFFFFFFFu);
    Set(ZT_Fields::StopFlowTime, 0xFFFFFFFFu);
    Set(ZT_Fields::OffTime, 59u);
    Set(ZT_Fields::MeasureCounter, 4u);
    Set(ZT_Fields::CodeIntegrator, 400.0f);
    Set(ZT_Fields::NoiseIntegrator, 8.0f);
    Set(ZT_Fields::ExpenseIntegrator, 4.0f); // mean 1 m3/h
    Set(ZT_Fields::TimeIntegrator, 3600000u);
    Set(ZT_Fields::VolumeIntegrator, 0.00125f);
    Set(ZT_Fields::ImpulseIntegrator_1, 17u);
    Set(ZT_Fields::WeightImpulse_1, 0.001f);
    Set(ZT_Fields::HardwareNotStaff, uint16_t(0x0009));
    page->RefreshPage();

    EXPECT_EQ(Text("VolumeD"), "12.500000");
    EXPECT_EQ(Text("VolumeR"), "-0.750000");
    EXPECT_EQ(Text("Expense"), "3.60000");
    EXPECT_EQ(Text("ExpenseLitre"), "1.00000");
    EXPECT_EQ(Text("DirectFlowTime"), "25:01:01");
    EXPECT_EQ(Text("ReverseFlowTime"), "1193046:28:15");
    // The sum of the times does not wrap at 32 bits.
    EXPECT_EQ(Text("WorkTime"), QString::fromStdString(FormatDuration(90061 + 2 * 4294967295LL)));
    EXPECT_EQ(Text("OffTime"), "00:00:59");
    EXPECT_EQ(Text("MeasureCounter"), "4");
    EXPECT_EQ(Text("CodeIntegrator"), "100");
    EXPECT_EQ(Text("NoiseIntegrator"), "2");
    EXPECT_EQ(Text("NoiseSignal"), "2");
    EXPECT_EQ(Text("ExpenseIntegrator"), "1");
    EXPECT_EQ(Text("TimeIntegrator"), "3600.000");
    EXPECT_EQ(Text("VolumeCalculating"), "1000.00000");
    EXPECT_EQ(Text("VolumeIntegrator"), "1.25000");
    EXPECT_EQ(Text("ImpulseIntegrator_1"), "17");
    EXPECT_EQ(Text("WeightImpulse_1"), "0.001");
    EXPECT_EQ(Text("WeightImpulseL_1"), "1");
    EXPECT_EQ(page->findChild<TBitEditComboBox*>("HardwareNotStaff")->BitFlags(), 0x0009);
    EXPECT_EQ(page->findChild<TBitEditComboBox*>("WorkModeFlags")->ItemCount(), 14);
    EXPECT_EQ(page->findChild<TBitEditComboBox*>("SystemNotStaff")->ItemCount(), 16);

    // Showing the same reply again gives the same means.
    page->RefreshPage();
    EXPECT_EQ(Text("CodeIntegrator"), "100");
    EXPECT_EQ(Text("VolumeCalculating"), "1000.00000");

    const TIntegrationValuesStruct values = page->IntegrationValues();
    EXPECT_DOUBLE_EQ(values.CodeIntegrator, 100.0);
    EXPECT_DOUBLE_EQ(values.TimeIntegrator, 3600.0);
    EXPECT_EQ(values.ImpulseIntegrator_1, 17u);
}

TEST_F(CurrentParamsTest, NoMeasurements_LeaveTheSumsUndivided)
{
    Set(ZT_Fields::MeasureCounter, 0u);
    Set(ZT_Fields::CodeIntegrator, 0.0f);
    Set(ZT_Fields::NoiseIntegrator, 3.0f);
    Set(ZT_Fields::ExpenseIntegrator, 2.0f);
    Set(ZT_Fields::TimeIntegrator, 1800000u);
    page->RefreshPage();
    EXPECT_EQ(Text("MeasureCounter"), "0");
    EXPECT_EQ(Text("NoiseIntegrator"), "3");
    EXPECT_EQ(Text("ExpenseIntegrator"), "2");
    EXPECT_EQ(Text("VolumeCalculating"), "1000.00000");
    EXPECT_EQ(Text("NoiseSignal"), "0") << "a zero code gives no ratio";

    Set(ZT_Fields::TimeIntegrator, 0u);
    Set(ZT_Fields::ExpenseIntegrator, -2.0f);
    page->RefreshPage();
    EXPECT_EQ(Text("VolumeCalculating"), "0.00000");
}

TEST_F(CurrentParamsTest, FocusedField_IsNotOverwritten)
{
    f.workspace->show();
    f.workspace->activateWindow();
    auto* flow = page->findChild<QLineEdit*>("Expense");
    flow->setFocus();
    ASSERT_TRUE(TWorkspaceFixture::WaitFor([&] { return flow->hasFocus(); }, 2000));
    Set(ZT_Fields::Expense, 7.0f);
    Set(ZT_Fields::VolumeD.Integer, 5u);
    page->RefreshPage();
    EXPECT_EQ(Text("Expense"), "");
    EXPECT_EQ(Text("VolumeD"), "5.000000");
}

TEST_F(CurrentParamsTest, Polling_IndicatorsFollowTheMetersStatusWords)
{
    struct Case {
        uint16_t hardware, work, system;
        bool expected[7];
    };
    const Case cases[] = {
        {0x0008, 0, 0x0040, {true, false, true, false, false, false, false}},
        {0, 0x0400, 0x0003, {false, true, false, false, true, true, false}},
        {0, 0, 0, {false, false, false, false, false, false, false}},
    };
    // A flow between the limits of the simulated meter: no Q flags of its own.
    f.sim->Device().SetFlow(12.5f, 0.0f);
    f.autoRequest = true;
    for (const Case& c : cases) {
        f.sim->Device().SetForcedFlags(c.hardware, c.work, c.system);
        f.status.clear();
        f.workspace->TimerTick();
        ASSERT_TRUE(f.WaitFor([&] { return !f.status.empty(); }));
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(f.status.back().Flags[i], c.expected[i]) << "indicator " << i;
        EXPECT_EQ(page->findChild<TBitEditComboBox*>("SystemNotStaff")->BitFlags() & c.system, c.system);
        ASSERT_TRUE(f.WaitIdle());
    }
    EXPECT_TRUE(f.log.empty()) << "a poll logs nothing";
}

TEST_F(CurrentParamsTest, StartAndStop_ReachTheMetersIntegration)
{
    auto integrating = [&] { return (f.sim->Device().Input(30079) & 0x0001) != 0; };
    ASSERT_FALSE(integrating());
    page->findChild<QPushButton*>("StartButton")->click();
    EXPECT_EQ(f.workspace->Wrapper(3)->Tag, 19);
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_TRUE(f.Logged("Интегрирование запущено"));
    EXPECT_TRUE(integrating());

    // The indicator's click stops a running integration.
    f.workspace->ToggleIntegration(true);
    EXPECT_EQ(f.workspace->Wrapper(3)->Tag, 20);
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_TRUE(f.Logged("Интегрирование остановлено"));
    EXPECT_FALSE(integrating());

    f.workspace->ToggleIntegration(false);
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_TRUE(integrating());
    f.workspace->ToggleIntegration(true);
    ASSERT_TRUE(f.WaitIdle());
}

TEST_F(CurrentParamsTest, ReadClick_LogsItsTextAndShowsTheMeter)
{
    f.sim->Device().SetFlow(3.6f, 0.0f);
    page->findChild<QPushButton*>("GetCurrentParams")->click();
    EXPECT_EQ(f.workspace->Wrapper(2)->Tag, 5);
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_TRUE(f.Logged("Текущие параметры считаны"));
    EXPECT_EQ(Text("Expense"), "3.60000");
    EXPECT_FALSE(f.status.empty());
}
