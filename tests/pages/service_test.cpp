// The service pages: the service information's scaling and computed drop on
// the fake host; against the simulated meter the service read, the test
// mode write, polling that leaves a test mode being entered alone, and the
// service information read.

#include "pages/serviceinfoframe.h"
#include "pages/servicesetupframe.h"
#include "tests/support/pagefixture.h"
#include "tests/support/workspacefixture.h"
#include "util/sysutil.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace ZT_namespace;

TEST(ServiceInfoPage, Refresh_ScalesTemperaturesAndLoadAndComputesTheDrop)
{
    struct Case {
        int16_t cpu;
        uint16_t load, off, pow;
        const char *cpuText, *loadText, *dropText;
    };
    const Case cases[] = {
        {2345, 3512, 12000, 11800, "23.45", "35.12", "200"},
        {-512, 0, 11800, 12000, "-5.12", "0.00", "-200"},
        {0, 10000, 0, 65535, "0.00", "100.00", "-65535"},
    };
    TPageFixture<TServiceInfo> f(&ZT_Blocks::ServiceInfoBlock);
    auto text = [&](const char* name) { return f.Find<QLineEdit>(name)->text().toStdString(); };
    for (const Case& c : cases) {
        f.host.Set(ZT_Fields::CpuTemperature, c.cpu);
        f.host.Set(ZT_Fields::AdcTemperature, int16_t(-c.cpu));
        f.host.Set(ZT_Fields::CpuBusyPercent, c.load);
        f.host.Set(ZT_Fields::ExtVoltageOff, c.off);
        f.host.Set(ZT_Fields::ExtVoltagePow, c.pow);
        f.page.RefreshPage();
        EXPECT_EQ(text("CpuTemperature"), c.cpuText);
        EXPECT_EQ(text("AdcTemperature"), Format("%.2f", -c.cpu * 0.01));
        EXPECT_EQ(text("CpuBusyPercent"), c.loadText);
        EXPECT_EQ(text("ExtVoltageDrop"), c.dropText);
    }
    f.host.Set(ZT_Fields::InductorResistance, 46.2f);
    f.host.Set(ZT_Fields::WaterResistance, 18.456f);
    f.host.Set(ZT_Fields::GradientSigRaito, 1.004f);
    f.host.Set(ZT_Fields::ServiceWorkModValue, uint16_t(715));
    f.page.RefreshPage();
    EXPECT_EQ(text("InductorResistance"), "46.200");
    EXPECT_EQ(text("WaterResistance"), "18.46");
    EXPECT_EQ(text("GradientSigRaito"), "1.00400");
    EXPECT_EQ(text("WorkModValue"), "715");
}

TEST(ServiceSetupPage, SetOutTestMode_StoresTheEightValuesUnchecked)
{
    TPageFixture<TServiceSetup> f(&ZT_Blocks::ServiceSetupBlock);
    f.Find<QLineEdit>("MainCodeExpense")->setText("1,5");
    f.Find<QLineEdit>("FreqExpence2")->setText("abc");
    f.Find<QLineEdit>("CurrentExpense1")->setText("12");
    f.Find<QComboBox>("OutTestModeCurrent")->setCurrentIndex(3);
    f.host.Set(ZT_Fields::SysCounter3, uint16_t(9));
    ASSERT_TRUE(f.page.SetOutTestModeClick(nullptr));
    EXPECT_EQ(f.host.started, std::vector<std::string>{"write ServiceSetupBlock"});
    EXPECT_TRUE(f.host.log.empty());
    TDeviceHelperLocker lock(f.host.device);
    EXPECT_FLOAT_EQ(f.host.device.Get(ZT_Fields::MainCodeExpense), 1.5f);
    EXPECT_FLOAT_EQ(f.host.device.Get(ZT_Fields::FreqExpence2), 0.0f);
    EXPECT_FLOAT_EQ(f.host.device.Get(ZT_Fields::CurrentExpense1), 12.0f);
    EXPECT_EQ(f.host.device.Get(ZT_Fields::OutTestModeCurrent), 3);
    EXPECT_EQ(f.host.device.Get(ZT_Fields::SysCounter3), 9) << "a display is never stored";
}

namespace {

class ServiceE2E : public ::testing::Test {
protected:
    template <class W> W* Find(QWidget* page, const char* name)
    {
        W* widget = page->findChild<W*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString Text(QWidget* page, const char* name) { return Find<QLineEdit>(page, name)->text(); }

    TWorkspaceFixture f;
    TServiceSetup* setup = f.workspace->PageOf<TServiceSetup>(pgServiceParam);
    TServiceInfo* info = f.workspace->PageOf<TServiceInfo>(pgServiceInfo);
};

} // namespace

TEST_F(ServiceE2E, ReadShowsTheStateAndSetWritesTheTestModes)
{
    auto& meter = f.sim->Device();
    meter.SetHoldingFloat(40409, 7.5f);
    meter.SetHolding(40412, 2);
    f.workspace->SelectPage(pgServiceParam);
    Find<QPushButton>(setup, "GetSetup")->click();
    ASSERT_EQ(f.workspace->Wrapper(1)->Tag, kReadServiceOperation);
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_TRUE(f.Logged("Cервисные данные считаны"));
    EXPECT_EQ(Text(setup, "CurrentExpense2"), "7.5");
    EXPECT_EQ(Find<QComboBox>(setup, "OutTestModeFreq")->currentIndex(), 2);
    EXPECT_EQ(Find<QComboBox>(setup, "StatusCurrent1")->currentText(), QString::fromUtf8("Норма"));
    {
        TDeviceHelperLocker lock(f.workspace->Device());
        const ZT_Helper& d = f.workspace->Device();
        EXPECT_EQ(Text(setup, "SysCounter0"), QString::number(d.Get(ZT_Fields::SysCounter0)));
        EXPECT_GT(d.Get(ZT_Fields::SysCounter0), 0) << "the meter counts its reads there";
        EXPECT_EQ(Text(setup, "ImpulseCount_1"), QString::number(d.Get(ZT_Fields::ImpulseCount_1)));
        EXPECT_EQ(Text(setup, "CodeCurrent2"), QString::number(d.Get(ZT_Fields::CodeCurrent2)));
        EXPECT_EQ(Text(setup, "Freq_1"), QString::fromStdString(Format("%g", d.Get(ZT_Fields::Freq_1))));
    }

    Find<QLineEdit>(setup, "MainCodeExpense")->setText("123.5");
    Find<QLineEdit>(setup, "FreqExpence1")->setText("2,5");
    Find<QComboBox>(setup, "MainMeasureTestMode")->setCurrentIndex(1);
    Find<QComboBox>(setup, "OutTestModeCurrent")->setCurrentIndex(2);
    Find<QPushButton>(setup, "SetOutTestMode")->click();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_TRUE(f.Logged("Параметры сервисных режимов установлены"));
    EXPECT_FLOAT_EQ(meter.HoldingFloat(40401), 123.5f);
    EXPECT_FLOAT_EQ(meter.HoldingFloat(40403), 2.5f);
    EXPECT_FLOAT_EQ(meter.HoldingFloat(40409), 7.5f);
    EXPECT_EQ(meter.Holding(40411), 1);
    EXPECT_EQ(meter.Holding(40412), 2);
    EXPECT_EQ(meter.Holding(40413), 2);

    Find<QLineEdit>(setup, "MainCodeExpense")->setText("");
    Find<QPushButton>(setup, "GetSetup")->click();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_EQ(Text(setup, "MainCodeExpense"), "123.5");
}

TEST_F(ServiceE2E, PollWhileEditingATestValue_KeepsTheEightAndUpdatesTheCounters)
{
    auto& meter = f.sim->Device();
    f.workspace->SelectPage(pgServiceParam);
    f.autoRequest = true;
    f.workspace->TimerTick();
    ASSERT_TRUE(f.WaitIdle());
    const QString counter = Text(setup, "SysCounter0");

    f.workspace->show();
    f.workspace->activateWindow();
    auto* value = Find<QLineEdit>(setup, "CurrentExpense1");
    value->setFocus();
    ASSERT_TRUE(TWorkspaceFixture::WaitFor([&] { return value->hasFocus(); }, 2000));
    value->setText("4,2");
    Find<QComboBox>(setup, "OutTestModeFreq")->setCurrentIndex(1);
    meter.SetHoldingFloat(40401, 99.0f);
    meter.SetHoldingFloat(40407, 18.0f);
    meter.SetHolding(40412, 2);
    meter.SetHolding(40413, 3);
    f.workspace->TimerTick();
    ASSERT_EQ(f.workspace->Wrapper(1)->Tag, kReadServiceOperation);
    ASSERT_TRUE(f.WaitIdle());

    EXPECT_EQ(value->text(), "4,2");
    EXPECT_EQ(Text(setup, "MainCodeExpense"), "0");
    EXPECT_EQ(Find<QComboBox>(setup, "OutTestModeFreq")->currentIndex(), 1);
    EXPECT_EQ(Find<QComboBox>(setup, "OutTestModeCurrent")->currentIndex(), 0);
    EXPECT_NE(Text(setup, "SysCounter0"), counter);

    // With the focus elsewhere the next poll shows the meter's test modes.
    f.workspace->setFocus();
    ASSERT_TRUE(TWorkspaceFixture::WaitFor([&] { return !value->hasFocus(); }, 2000));
    f.workspace->TimerTick();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_EQ(value->text(), "18");
    EXPECT_EQ(Text(setup, "MainCodeExpense"), "99");
    EXPECT_EQ(Find<QComboBox>(setup, "OutTestModeCurrent")->currentIndex(), 3);
}

TEST_F(ServiceE2E, ServiceInformationRead_ShowsTheReply)
{
    f.workspace->SelectPage(pgServiceInfo);
    Find<QPushButton>(info, "GetSetup")->click();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_TRUE(f.Logged("Сервисные параметры считаны"));
    TDeviceHelperLocker lock(f.workspace->Device());
    const ZT_Helper& d = f.workspace->Device();
    EXPECT_GT(d.Get(ZT_Fields::CpuTemperature), 2000);
    EXPECT_EQ(Text(info, "CpuTemperature").toStdString(), Format("%.2f", d.Get(ZT_Fields::CpuTemperature) * 0.01));
    EXPECT_EQ(Text(info, "ExtVoltageDrop").toInt(),
              int(d.Get(ZT_Fields::ExtVoltageOff)) - int(d.Get(ZT_Fields::ExtVoltagePow)));
    EXPECT_EQ(Text(info, "InductorCurrentB").toStdString(), Format("%.3f", d.Get(ZT_Fields::InductorCurrentB)));
    EXPECT_EQ(Text(info, "GradientSignalRaitoKorrection"), "1.00000");
}
