// The calibration page: its grids, flow range and flags from the device
// model and back on the fake host, the flow range refusal, and a read,
// change and write against the simulated meter.

#include "controls/biteditlistbox.h"
#include "controls/goodtable.h"
#include "pages/calibrationframe.h"
#include "tests/support/pagefixture.h"
#include "tests/support/workspacefixture.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace ZT_namespace;
using namespace ZT_Pages;

namespace {

class CalibrationPageTest : public ::testing::Test {
protected:
    QLineEdit* Edit(const char* name) { return f.Find<QLineEdit>(name); }
    TGoodTable* Direct() { return f.Find<TGoodTable>("DirectKoef"); }
    TGoodTable* Reverse() { return f.Find<TGoodTable>("ReverseKoef"); }
    // A page that a write would accept.
    void Valid()
    {
        Edit("Qmin")->setText("0.1");
        Edit("Qmax")->setText("70");
    }

    TPageFixture<TCalibrationSetup> f{&ZT_Blocks::CalibrationBlock};
};

} // namespace

TEST_F(CalibrationPageTest, Init_LaysOutTheGrids)
{
    for (TGoodTable* table : {Direct(), Reverse()}) {
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table->ColCount(), 4);
        EXPECT_EQ(table->RowCount(), 5);
        EXPECT_TRUE(table->ColReadOnly(0));
        EXPECT_FALSE(table->ColReadOnly(1));
        EXPECT_EQ(table->Captions(1), QString::fromUtf8("Код"));
        EXPECT_EQ(table->Captions(2), "A");
        EXPECT_EQ(table->Captions(3), "B");
        EXPECT_EQ(table->Cells(0, 0), "1");
        EXPECT_EQ(table->Cells(4, 0), "5");
        const int widths[] = {30, 110, 142, 165};
        for (int col = 0; col < 4; ++col)
            EXPECT_EQ(table->Widths(col), widths[col]);
        EXPECT_EQ(table->toolTip(), QString::fromUtf8("Коэффициенты кусочно-линейной апроксимации"));
    }
    auto* flags = f.Find<TBitEditListBox>("CalibrationFlags");
    ASSERT_NE(flags, nullptr);
    EXPECT_EQ(flags->ItemCount(), 2);
    EXPECT_EQ(flags->BitSymbol(0), QChar('1'));
    EXPECT_FALSE(f.Find<QWidget>("GradientGroup")->isVisibleTo(&f.page));
}

TEST_F(CalibrationPageTest, Refresh_ShowsTablesRangeFlagsAndNotifiesTheRange)
{
    f.host.Set(ZT_Fields::KoefDirect(0).A, 1.25f);
    f.host.Set(ZT_Fields::KoefDirect(0).B, -0.5f);
    f.host.Set(ZT_Fields::KoefDirect(0).Stop, 1000u);
    f.host.Set(ZT_Fields::KoefDirect(1).A, std::numeric_limits<float>::quiet_NaN());
    f.host.Set(ZT_Fields::KoefDirect(1).B, std::numeric_limits<float>::infinity());
    f.host.Set(ZT_Fields::KoefDirect(4).A, 2.0f);
    f.host.Set(ZT_Fields::KoefReverse(3).Stop, 3000000000u);
    f.host.Set(ZT_Fields::Qmin, 0.25f);
    f.host.Set(ZT_Fields::Qmax, 36.0f);
    f.host.Set(ZT_Fields::ZeroOffset, -0.001f);
    f.host.Set(ZT_Fields::GradSigKoef, 1.5f);
    f.host.Set(ZT_Fields::CalibrationFlags, uint16_t(0x0102));
    double qmin = -1, qmax = -1;
    QObject::connect(&f.page, &TCalibrationSetup::QminChanged, [&](double v) { qmin = v; });
    QObject::connect(&f.page, &TCalibrationSetup::QmaxChanged, [&](double v) { qmax = v; });
    f.page.RefreshPage();

    EXPECT_EQ(Direct()->Cells(0, 1), "1000");
    EXPECT_EQ(Direct()->Cells(0, 2), "1.25");
    EXPECT_EQ(Direct()->Cells(0, 3), "-0.5");
    EXPECT_EQ(Direct()->Cells(1, 2), "NAN");
    EXPECT_EQ(Direct()->Cells(1, 3), "INF");
    EXPECT_EQ(Direct()->Cells(4, 1), "");
    EXPECT_EQ(Direct()->Cells(4, 2), "2");
    EXPECT_EQ(Reverse()->Cells(3, 1), "3000000000");
    EXPECT_EQ(Edit("Qmin")->text(), "0.25");
    EXPECT_EQ(Edit("Qmax")->text(), "36");
    EXPECT_EQ(Edit("ZeroOffset")->text(), "-0.001");
    EXPECT_EQ(Edit("GradSigKoef")->text(), "1.5");
    EXPECT_EQ(f.Find<TBitEditListBox>("CalibrationFlags")->BitFlags(), 0x0002);
    EXPECT_DOUBLE_EQ(qmin, 0.25);
    EXPECT_DOUBLE_EQ(qmax, 36.0);
}

TEST_F(CalibrationPageTest, Collect_StoresGridsRangeFlagsAndGradient)
{
    Valid();
    Direct()->SetCells(0, 1, "1500");
    Direct()->SetCells(0, 2, "1,25");
    Direct()->SetCells(0, 3, "abc");
    Direct()->SetCells(4, 1, "999"); // the fifth row has no boundary
    Direct()->SetCells(4, 2, "7");
    Reverse()->SetCells(2, 3, "-3,5");
    Edit("ZeroOffset")->setText("0,002");
    Edit("GradSigOffset")->setText("0.5");
    f.host.Set(ZT_Fields::CalibrationFlags, uint16_t(0x0100)); // a bit beyond the two is the meter's
    f.Find<TBitEditListBox>("CalibrationFlags")->SetBitFlags(0x0001);
    f.host.Set(ZT_Fields::KoefReverse(0).A, 9.0f);

    ASSERT_TRUE(f.page.CollectPage());
    TDeviceHelperLocker lock(f.host.device);
    const ZT_Helper& d = f.host.device;
    EXPECT_EQ(d.Get(ZT_Fields::KoefDirect(0).Stop), 1500u);
    EXPECT_FLOAT_EQ(d.Get(ZT_Fields::KoefDirect(0).A), 1.25f);
    EXPECT_FLOAT_EQ(d.Get(ZT_Fields::KoefDirect(0).B), 0.0f);
    EXPECT_FLOAT_EQ(d.Get(ZT_Fields::KoefDirect(4).A), 7.0f);
    EXPECT_FLOAT_EQ(d.Get(ZT_Fields::KoefReverse(0).A), 0.0f) << "the grid replaces the whole table";
    EXPECT_FLOAT_EQ(d.Get(ZT_Fields::KoefReverse(2).B), -3.5f);
    EXPECT_FLOAT_EQ(d.Get(ZT_Fields::Qmin), 0.1f);
    EXPECT_FLOAT_EQ(d.Get(ZT_Fields::Qmax), 70.0f);
    EXPECT_FLOAT_EQ(d.Get(ZT_Fields::ZeroOffset), 0.002f);
    EXPECT_FLOAT_EQ(d.Get(ZT_Fields::GradSigOffset), 0.5f);
    EXPECT_EQ(d.Get(ZT_Fields::CalibrationFlags), 0x0101);
}

TEST_F(CalibrationPageTest, ZeroFlowLimit_RefusesAndStoresNothing)
{
    const std::pair<const char*, const char*> ranges[] = {
        {"0.1", "0"}, {"0", "70"}, {"", "70"}, {"0.1", "abc"}, {"1e-50", "70"}};
    for (auto [qmin, qmax] : ranges) {
        f.host.log.clear();
        f.host.started.clear();
        f.host.Set(ZT_Fields::Qmax, 5.0f);
        Edit("Qmin")->setText(qmin);
        Edit("Qmax")->setText(qmax);
        Direct()->SetCells(0, 2, "3");
        EXPECT_FALSE(f.page.SetSetupClick(nullptr)) << qmin << " / " << qmax;
        ASSERT_EQ(f.host.log.size(), 1u);
        EXPECT_EQ(f.host.log[0], "Не корректное значение Q_min или Q_max");
        EXPECT_TRUE(f.host.started.empty());
        TDeviceHelperLocker lock(f.host.device);
        EXPECT_FLOAT_EQ(f.host.device.Get(ZT_Fields::Qmax), 5.0f);
        EXPECT_FLOAT_EQ(f.host.device.Get(ZT_Fields::KoefDirect(0).A), 0.0f);
    }
    Valid();
    EXPECT_TRUE(f.page.SetSetupClick(nullptr));
    EXPECT_EQ(f.host.started, std::vector<std::string>{"write CalibrationBlock"});
}

TEST_F(CalibrationPageTest, FocusedGrid_IsLeftAloneByARefresh)
{
    f.page.show();
    f.page.activateWindow();
    Direct()->setFocus();
    ASSERT_TRUE(TWorkspaceFixture::WaitFor([&] { return Direct()->hasFocus(); }, 2000));
    Direct()->SetCells(0, 2, "typed");
    f.host.Set(ZT_Fields::KoefDirect(0).A, 4.0f);
    f.host.Set(ZT_Fields::KoefReverse(0).A, 5.0f);
    f.page.RefreshPage();
    EXPECT_EQ(Direct()->Cells(0, 2), "typed");
    EXPECT_EQ(Reverse()->Cells(0, 2), "5");
}

// Against the simulated meter through the workspace.
TEST(CalibrationE2E, ReadChangeWriteAndReadBack)
{
    TWorkspaceFixture f;
    auto* page = f.workspace->PageOf<TCalibrationSetup>(pgCalibration);
    ASSERT_NE(page, nullptr);
    f.workspace->SelectPage(pgCalibration);
    page->findChild<QPushButton*>("GetSetup")->click();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_TRUE(f.Logged("Калибровочные коэффициенты считаны"));
    TGoodTable* direct = page->KoefTable(false);
    EXPECT_EQ(direct->Cells(0, 1), "1000000");
    EXPECT_EQ(direct->Cells(0, 2), "1");
    EXPECT_EQ(direct->Cells(0, 3), "0");
    EXPECT_EQ(page->QmaxEdit()->text(), "70");

    direct->SetCells(1, 1, "2000000");
    direct->SetCells(1, 2, "1,25");
    direct->SetCells(1, 3, "-0.5");
    page->KoefTable(true)->SetCells(4, 2, "0.75");
    page->QmaxEdit()->setText("40");
    page->findChild<TBitEditListBox*>("CalibrationFlags")->SetBitFlags(0x0003);
    page->findChild<QPushButton*>("SetSetup")->click();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_TRUE(f.Logged("Калибровочные коэффициенты установлены"));
    auto& meter = f.sim->Device();
    EXPECT_EQ(meter.HoldingU32(40183 + 4), 2000000u);
    EXPECT_FLOAT_EQ(meter.HoldingFloat(40183), 1.25f);
    EXPECT_FLOAT_EQ(meter.HoldingFloat(40185), -0.5f);
    EXPECT_FLOAT_EQ(meter.HoldingFloat(40229), 0.75f);
    EXPECT_FLOAT_EQ(meter.HoldingFloat(40235), 40.0f);
    EXPECT_FLOAT_EQ(meter.HoldingFloat(40233), 0.1f);
    EXPECT_EQ(meter.Holding(40247) & 0x3, 0x3);

    // Read back what the meter now holds.
    direct->SetCells(1, 2, "");
    page->QmaxEdit()->setText("1");
    page->findChild<QPushButton*>("GetSetup")->click();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_EQ(direct->Cells(1, 2), "1.25");
    EXPECT_EQ(page->QmaxEdit()->text(), "40");
}
