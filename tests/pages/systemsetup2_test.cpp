// The system settings 2 page: the water control threshold typed whole and
// kept as a real, the test pulse weight and its check, the polarity list
// that names no values; on the fake host and against the simulated meter.

#include "controls/custombitedit.h"
#include "pages/systemsetup2frame.h"
#include "tests/support/pagefixture.h"
#include "tests/support/workspacefixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

using namespace ZT_namespace;

namespace {

class SystemSetup2Test : public ::testing::Test {
protected:
    SystemSetup2Test() : f(&ZT_Blocks::SystemSetup2Block) { f.page.RefreshPage(); }
    QLineEdit* Edit(const char* name) { return f.Find<QLineEdit>(name); }

    TPageFixture<TSystemSetup_2> f;
};

} // namespace

TEST_F(SystemSetup2Test, Collect_ChecksTheWeightAndStoresTheTypedValues)
{
    struct Case {
        const char *threshold, *weight;
        float storedThreshold, storedWeight;
        const char* refusal; // null: accepted
    };
    const Case cases[] = {
        {"150", "0,001", 150.0f, 0.001f, nullptr},
        {"-7", "2.5", -7.0f, 2.5f, nullptr},
        {"150", "0", 0, 0, "Не корректный вес поверочного импульса"},
        {"150", "abc", 0, 0, "Не корректный вес поверочного импульса"},
        {"150", "1e39", 0, 0, "Не корректный вес поверочного импульса"},
    };
    for (const Case& c : cases) {
        f.host.log.clear();
        f.host.Set(ZT_Fields::TestWaterGradient, 1.0f);
        f.host.Set(ZT_Fields::WeightImpulseCheck, 9.0f);
        Edit("TestWaterGradient")->setText(c.threshold);
        Edit("WeightImpulseCheck")->setText(c.weight);
        const bool accepted = f.page.CollectPage();
        EXPECT_EQ(accepted, c.refusal == nullptr) << c.weight;
        TDeviceHelperLocker lock(f.host.device);
        if (c.refusal) {
            EXPECT_EQ(f.host.log, std::vector<std::string>{c.refusal}) << c.weight;
            EXPECT_EQ(f.host.device.Get(ZT_Fields::WeightImpulseCheck), 9.0f) << "nothing is stored";
            continue;
        }
        EXPECT_EQ(f.host.device.Get(ZT_Fields::TestWaterGradient), c.storedThreshold);
        EXPECT_FLOAT_EQ(f.host.device.Get(ZT_Fields::WeightImpulseCheck), c.storedWeight);
    }
}

TEST_F(SystemSetup2Test, Refresh_ShowsEachFieldInItsForm)
{
    f.host.Set(ZT_Fields::TestWaterGradient, 150.0f);
    f.host.Set(ZT_Fields::WeightImpulseCheck, 0.001f);
    f.host.Set(ZT_Fields::InductorResistance20, 45.125f);
    f.host.Set(ZT_Fields::TstWaterCode_A, int16_t(-900));
    f.host.Set(ZT_Fields::TstWaterRes_C, 100000u);
    f.host.Set(ZT_Fields::InputOffsetCorrectionA, int16_t(715));
    f.host.Set(ZT_Fields::InputClose, uint16_t(0x0201));
    f.host.Set(ZT_Fields::PolarityMode, uint16_t(2));
    f.page.RefreshPage();
    EXPECT_EQ(Edit("TestWaterGradient")->text(), "150");
    EXPECT_EQ(Edit("WeightImpulseCheck")->text(), "0.001");
    EXPECT_EQ(Edit("InductorResistance20")->text(), "45.125");
    EXPECT_EQ(Edit("TstWaterCode_A")->text(), "-900");
    EXPECT_EQ(Edit("TstWaterRes_C")->text(), "100000");
    EXPECT_EQ(f.Find<QSpinBox>("InputOffsetCorrectionA")->value(), 715);
    EXPECT_EQ(f.Find<TCustomBitEdit>("InputClose")->BitFlags(), 0x0201);
    EXPECT_EQ(f.Find<TCustomBitEdit>("SystemFlags")->Items().size(), 13);
    auto* polarity = f.Find<QComboBox>("PolarityMode");
    EXPECT_EQ(polarity->count(), 0);
    // The list names no value: the stored mode goes back as read.
    Edit("WeightImpulseCheck")->setText("1");
    ASSERT_TRUE(f.page.CollectPage());
    TDeviceHelperLocker lock(f.host.device);
    EXPECT_EQ(f.host.device.Get(ZT_Fields::PolarityMode), 2);
}

TEST(SystemSetup2Meter, ReadChangeWrite_ReachesTheMetersRegisters)
{
    TWorkspaceFixture f;
    auto* page = f.workspace->PageOf<TSystemSetup_2>(pgSetup2);
    ASSERT_NE(page, nullptr);
    f.sim->Device().SetHolding(40122, 3);
    page->findChild<QPushButton*>("GetSetup")->click();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_TRUE(f.Logged("Системные настройки считаны"));
    EXPECT_EQ(page->findChild<QLineEdit*>("WeightImpulseCheck")->text(), "0.001");
    EXPECT_EQ(page->findChild<QLineEdit*>("TestWaterGradient")->text(), "1");
    page->findChild<QLineEdit*>("TestWaterGradient")->setText("150");
    page->findChild<QLineEdit*>("WeightImpulseCheck")->setText("0,5");
    page->findChild<QPushButton*>("SetSetup")->click();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_TRUE(f.Logged("Системные настройки установлены"));
    auto& meter = f.sim->Device();
    EXPECT_FLOAT_EQ(meter.HoldingFloat(40147), 150.0f);
    EXPECT_FLOAT_EQ(meter.HoldingFloat(40149), 0.5f);
    EXPECT_EQ(meter.Holding(40122), 3) << "the polarity mode as read";
    EXPECT_FLOAT_EQ(meter.HoldingFloat(40151), 45.125f);
}
