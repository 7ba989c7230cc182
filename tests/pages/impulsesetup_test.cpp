// The output page: the type change, the weight units, the frequency limits,
// the pulse duration, the checks and the section of each output on the fake
// host; the calibration page's flow range reaching both outputs, and a read,
// change, write and read-back against the simulated meter.

#include "controls/biteditlistbox.h"
#include "pages/calibrationframe.h"
#include "pages/impulsesetupframe.h"
#include "tests/support/pagefixture.h"
#include "tests/support/workspacefixture.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include <gtest/gtest.h>

using namespace ZT_namespace;
using namespace ZT_Pages;

namespace {

class ImpulseSetupTest : public ::testing::Test {
protected:
    TImpulseOutFrame* Out(int n = 1) { return f.page.OutFrame(n); }
    template <class W> W* In(const char* name, int n = 1) { return Out(n)->findChild<W*>(name); }
    QLineEdit* Edit(const char* name, int n = 1) { return In<QLineEdit>(name, n); }
    QLineEdit* Weight(int unit, int n = 1) { return Edit(("WeightEdit" + std::to_string(unit)).c_str(), n); }
    QString Text(const char* name, int n = 1) { return Edit(name, n)->text(); }
    // An output that a write would accept.
    void Valid(int n, int type, const char* weight = "0.001", const char* len = "50")
    {
        In<QComboBox>("OutputType", n)->setCurrentIndex(type);
        // Emptied as the user would leave it; a change from the program
        // rewrites the edit from the weight.
        const QSignalBlocker blocker(*weight ? nullptr : Weight(0, n));
        Weight(0, n)->setText(weight);
        Edit("ImpulseLen", n)->setText(len);
    }
    bool Red(const char* name) { return Edit(name)->palette().color(QPalette::Text) == QColor(Qt::red); }

    TPageFixture<TImpulseSetup> f{&ZT_Blocks::OutputSetupBlock};
};

} // namespace

TEST_F(ImpulseSetupTest, TypeChange_SetsEventsAndEnabledControls)
{
    struct Case {
        int type;
        int events;
        bool counting, duration;
    };
    const Case cases[] = {{0, 8, false, false}, {1, 4, true, true}, {2, 4, true, false}, {0, 8, false, false}};
    for (const Case& c : cases) {
        In<QComboBox>("OutputType")->setCurrentIndex(c.type);
        EXPECT_EQ(In<QComboBox>("OutEvent")->count(), c.events) << c.type;
        EXPECT_EQ(In<QComboBox>("WorkMode")->isEnabled(), c.counting) << c.type;
        EXPECT_EQ(In<QGroupBox>("WeightGroup")->isEnabled(), c.counting) << c.type;
        EXPECT_EQ(In<QGroupBox>("LimitsGroup")->isEnabled(), c.counting) << c.type;
        EXPECT_EQ(In<QSpinBox>("Integrator")->isEnabled(), c.counting) << c.type;
        EXPECT_EQ(Edit("ImpulseLen")->isEnabled(), c.duration) << c.type;
    }
    EXPECT_EQ(In<QComboBox>("OutEvent")->itemText(7), QString::fromUtf8("Gнп < |G| < G_нп"));
    // An event the shorter list still holds stays chosen; another does not.
    In<QComboBox>("OutEvent")->setCurrentIndex(2);
    In<QComboBox>("OutputType")->setCurrentIndex(1);
    EXPECT_EQ(In<QComboBox>("OutEvent")->currentIndex(), 2);
    In<QComboBox>("OutputType")->setCurrentIndex(0);
    In<QComboBox>("OutEvent")->setCurrentIndex(6);
    In<QComboBox>("OutputType")->setCurrentIndex(2);
    EXPECT_EQ(In<QComboBox>("OutEvent")->currentIndex(), -1);
}

TEST_F(ImpulseSetupTest, WeightUnits_ConvertThroughCubicMetresPerPulse)
{
    struct Case {
        int unit;
        const char* typed;
        const char* shown[4];
    };
    const Case cases[] = {
        {2, "10", {"0.0001", "0.1", "10", "2.77778"}},
        {0, "0,001", {"0.001", "1", "1", "0.277778"}},
        {1, "2.5", {"0.0025", "2.5", "0.4", "0.111111"}},
        {3, "1", {"0.000277778", "0.277778", "3.6", "1"}},
        {2, "0", {"0", "0", "0", "0"}},
        {3, "", {"0", "0", "0", "0"}},
    };
    In<QComboBox>("OutputType")->setCurrentIndex(1);
    for (const Case& c : cases) {
        In<QRadioButton>(("WeightUnit" + std::to_string(c.unit)).c_str())->click();
        EXPECT_EQ(Out()->Unit(), c.unit);
        for (int u = 0; u < 4; ++u)
            EXPECT_EQ(Weight(u)->isReadOnly(), u != c.unit) << "unit " << c.unit << " edit " << u;
        Weight(c.unit)->setText(c.typed);
        for (int u = 0; u < 4; ++u)
            EXPECT_EQ(Weight(u)->text().toStdString(), c.shown[u]) << c.typed << " in unit " << c.unit;
    }
}

TEST_F(ImpulseSetupTest, FocusedWeightEdit_KeepsWhatIsTyped)
{
    f.page.show();
    f.page.activateWindow();
    In<QRadioButton>("WeightUnit2")->click();
    Weight(2)->setFocus();
    ASSERT_TRUE(TWorkspaceFixture::WaitFor([&] { return Weight(2)->hasFocus(); }, 2000));
    Weight(2)->setText("10,0");
    EXPECT_EQ(Weight(2)->text(), "10,0");
    EXPECT_EQ(Weight(0)->text(), "0.0001");
    EXPECT_EQ(Weight(3)->text(), "2.77778");
}

TEST_F(ImpulseSetupTest, WeightNotification_FollowsTheFirstEdit)
{
    std::vector<QString> seen;
    Out(2)->SetOnChangeWeigh([&](const QString& text) { seen.push_back(text); });
    In<QComboBox>("OutputType", 2)->setCurrentIndex(1);
    Weight(0, 2)->setText("0.001");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen.back(), "0.001");
    // A weight typed in litres per pulse changes the first edit as well.
    In<QRadioButton>("WeightUnit1", 2)->click();
    Weight(1, 2)->setText("2");
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen.back(), "0.002");
    // Output 1 has no notification of its own set.
    Weight(0, 1)->setText("5");
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(ImpulseSetupTest, Limits_FollowTypeDurationWeightAndFlowRange)
{
    struct Case {
        int type;
        const char* len;
        double qmin, qmax;
        const char* weight;
        const char *foutmax, *fmax, *fmin, *foutmin;
        bool maxRed, minRed;
    };
    const Case cases[] = {
        {1, "50", 0, 36, "0.001", "10", "10", "0", "0", false, false},
        {1, "50", 0, 40, "0.001", "10", "11.1111", "0", "0", true, false},
        {2, "50", 0.1, 36, "0.001", "1000", "10", "0.0277778", "0.5", false, true},
        {2, "50", 3600, 36, "0.001", "1000", "10", "1000", "0.5", false, false},
        {1, "", 0, 36, "0.001", "1000", "10", "0", "0", false, false},
        {1, "50", 0.5, 36, "0", "10", "0", "0", "0", false, false},
    };
    for (const Case& c : cases) {
        In<QComboBox>("OutputType")->setCurrentIndex(c.type);
        Edit("ImpulseLen")->setText(c.len);
        f.page.SetQmin(c.qmin);
        f.page.SetQmax(c.qmax);
        Weight(0)->setText(c.weight);
        const std::string at = std::string("type ") + std::to_string(c.type) + " L " + c.len + " Qmax " +
                               std::to_string(c.qmax);
        EXPECT_EQ(Text("Foutmax").toStdString(), c.foutmax) << at;
        EXPECT_EQ(Text("Fmax").toStdString(), c.fmax) << at;
        EXPECT_EQ(Text("Fmin").toStdString(), c.fmin) << at;
        EXPECT_EQ(Text("Foutmin").toStdString(), c.foutmin) << at;
        EXPECT_EQ(Red("Fmax"), c.maxRed) << at;
        EXPECT_EQ(Red("Fmin"), c.minRed) << at;
    }
    // Back to a pulse output, the typed duration counts again.
    In<QComboBox>("OutputType")->setCurrentIndex(2);
    Edit("ImpulseLen")->setText("50");
    In<QComboBox>("OutputType")->setCurrentIndex(1);
    EXPECT_EQ(Text("Foutmax"), "10");
    // Both outputs take the range.
    Valid(2, 1);
    f.page.SetQmax(40);
    EXPECT_EQ(Text("Fmax", 2), "11.1111");
}

TEST_F(ImpulseSetupTest, Duration_IsStoredInTruncatedHalfMilliseconds)
{
    const std::pair<const char*, uint16_t> cases[] = {
        {"12.7", 25}, {"12,5", 25}, {"0.4", 0}, {"50", 100}, {"-3", 0}, {"40000", 65535}};
    Valid(2, 0);
    for (auto [typed, stored] : cases) {
        Valid(1, 1, "0.001", typed);
        ASSERT_TRUE(f.page.CollectPage()) << typed;
        TDeviceHelperLocker lock(f.host.device);
        EXPECT_EQ(f.host.device.Get(ZT_Fields::Out1.ImpulseLen), stored) << typed;
    }
    f.host.Set(ZT_Fields::Out1.ImpulseLen, uint16_t(25));
    f.page.RefreshPage();
    EXPECT_EQ(Text("ImpulseLen"), "12.5");
}

TEST_F(ImpulseSetupTest, Checks_RefuseWithTheirMessages)
{
    struct Case {
        int type1;
        const char *weight1, *len1;
        int type2;
        const char* weight2;
        const char* message; // null: accepted
    };
    const Case cases[] = {
        {-1, "0.001", "50", 1, "0.001", "Не выбран тип выхода"},
        {1, "", "50", 1, "0.001", "Не задан вес импульса"},
        {1, "0.001", " ", 1, "0.001", "Не задана длительность"},
        {1, "0", "50", 1, "0.001", "Не задан вес импульса 1"},
        {2, "abc", "50", 1, "0.001", "Не задан вес импульса 1"},
        {1, "0.001", "50", 2, "0", "Не задан вес импульса 2"},
        {0, "0", "0", 0, "0", nullptr},
        {1, "0.001", "50", 2, "0.01", nullptr},
    };
    for (const Case& c : cases) {
        f.host.log.clear();
        Valid(1, c.type1, c.weight1, c.len1);
        Valid(2, c.type2, c.weight2);
        const bool accepted = f.page.CollectPage();
        EXPECT_EQ(accepted, c.message == nullptr) << (c.message ? c.message : "accepted");
        if (c.message) {
            ASSERT_EQ(f.host.log.size(), 1u) << c.message;
            EXPECT_EQ(f.host.log[0], c.message);
        } else {
            EXPECT_TRUE(f.host.log.empty());
        }
    }
    f.host.started.clear();
    EXPECT_TRUE(f.page.SetSetupClick(nullptr));
    EXPECT_EQ(f.host.started, std::vector<std::string>{"write OutputSetupBlock"});
}

TEST_F(ImpulseSetupTest, RefreshAndCollect_CarryEveryField)
{
    f.host.Set(ZT_Fields::Out2.OutputType, uint16_t(2));
    f.host.Set(ZT_Fields::Out2.WorkMode, uint16_t(2));
    f.host.Set(ZT_Fields::Out2.OutEvent, uint16_t(3));
    f.host.Set(ZT_Fields::Out2.OutFlags, uint16_t(0x8002)); // bit 15 is not the editor's
    f.host.Set(ZT_Fields::Out2.Weight, 0.01f);
    f.host.Set(ZT_Fields::Out2.ImpulseLen, uint16_t(20));
    f.host.Set(ZT_Fields::Out2.Integrator, uint16_t(4));
    f.host.Set(ZT_Fields::Out1.OutputType, uint16_t(7)); // outside the list
    In<QRadioButton>("WeightUnit2", 2)->click();
    f.page.RefreshPage();

    EXPECT_EQ(In<QComboBox>("OutputType", 2)->currentIndex(), 2);
    EXPECT_EQ(In<QComboBox>("OutEvent", 2)->count(), 4);
    EXPECT_EQ(In<QComboBox>("OutEvent", 2)->currentIndex(), 3);
    EXPECT_EQ(In<QComboBox>("WorkMode", 2)->currentIndex(), 2);
    EXPECT_EQ(In<TBitEditListBox>("OutFlags", 2)->BitFlags(), 0x0002);
    EXPECT_EQ(Text("WeightEdit0", 2), "0.01");
    EXPECT_EQ(Text("WeightEdit2", 2), "0.1");
    EXPECT_EQ(Out(2)->Unit(), 2) << "a refresh keeps the unit chosen";
    EXPECT_EQ(Text("ImpulseLen", 2), "10");
    EXPECT_EQ(In<QSpinBox>("Integrator", 2)->value(), 4);
    EXPECT_EQ(In<QComboBox>("OutputType", 1)->currentIndex(), -1);

    Valid(1, 1);
    In<QComboBox>("OutEvent", 2)->setCurrentIndex(1);
    In<QSpinBox>("Integrator", 2)->setValue(200);
    ASSERT_TRUE(f.page.CollectPage());
    TDeviceHelperLocker lock(f.host.device);
    const ZT_Helper& d = f.host.device;
    EXPECT_EQ(d.Get(ZT_Fields::Out2.OutputType), 2);
    EXPECT_EQ(d.Get(ZT_Fields::Out2.OutEvent), 1);
    EXPECT_EQ(d.Get(ZT_Fields::Out2.OutFlags), 0x8002);
    EXPECT_FLOAT_EQ(d.Get(ZT_Fields::Out2.Weight), 0.01f);
    EXPECT_EQ(d.Get(ZT_Fields::Out2.ImpulseLen), 20);
    EXPECT_EQ(d.Get(ZT_Fields::Out2.Integrator), 200);
    EXPECT_EQ(d.Get(ZT_Fields::Out1.OutputType), 1);
}

TEST_F(ImpulseSetupTest, Section_WritesAndReadsTheOutput)
{
    Valid(1, 2, "0,25", "12.5");
    In<QComboBox>("WorkMode")->setCurrentIndex(1);
    In<QComboBox>("OutEvent")->setCurrentIndex(3);
    In<QSpinBox>("Integrator")->setValue(9);
    In<TBitEditListBox>("OutFlags")->SetBitFlags(1);
    const TOutputSectionStruct written = Out()->WriteSection();
    EXPECT_EQ(written, (TOutputSectionStruct{2, 1, 0.25, 12.5, 9, 3, 1}));

    // The type is chosen before the event, so a logical output's event
    // beyond the first four is kept.
    In<QRadioButton>("WeightUnit3", 2)->click();
    Out(2)->ReadSection({0, 2, 0.5, 3, 17, 6, 2});
    EXPECT_EQ(In<QComboBox>("OutputType", 2)->currentIndex(), 0);
    EXPECT_EQ(In<QComboBox>("OutEvent", 2)->currentIndex(), 6);
    EXPECT_EQ(Out(2)->Unit(), 0);
    EXPECT_FALSE(Weight(0, 2)->isReadOnly());
    EXPECT_EQ(Text("WeightEdit0", 2), "0.5");
    EXPECT_EQ(Text("WeightEdit1", 2), "500");
    EXPECT_EQ(Text("ImpulseLen", 2), "3");
    EXPECT_EQ(In<QSpinBox>("Integrator", 2)->value(), 17);
    EXPECT_EQ(In<TBitEditListBox>("OutFlags", 2)->BitFlags(), 2);
    EXPECT_EQ(Out(2)->WriteSection(), (TOutputSectionStruct{0, 2, 0.5, 3, 17, 6, 2}));
}

// Against the simulated meter through the workspace: output 1 pulses of
// 0.001 m3 with 50 ms, output 2 a frequency output of 0.01 m3.
TEST(ImpulseSetupE2E, ReadChangeWriteAndReadBack)
{
    TWorkspaceFixture f;
    auto* page = f.workspace->PageOf<TImpulseSetup>(pgImpulseOut);
    auto* calibration = f.workspace->PageOf<TCalibrationSetup>(pgCalibration);
    ASSERT_NE(page, nullptr);
    ASSERT_NE(calibration, nullptr);
    auto edit = [&](int n, const char* name) { return page->OutFrame(n)->findChild<QLineEdit*>(name); };

    f.workspace->SelectPage(pgImpulseOut);
    page->findChild<QPushButton*>("GetSetup")->click();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_TRUE(f.Logged("Настройки выходов считаны"));
    EXPECT_EQ(page->OutFrame(1)->findChild<QComboBox*>("OutputType")->currentText(),
              QString::fromUtf8("Импульсный"));
    EXPECT_EQ(edit(1, "WeightEdit0")->text(), "0.001");
    EXPECT_EQ(edit(1, "ImpulseLen")->text(), "50");
    EXPECT_EQ(edit(2, "WeightEdit0")->text(), "0.01");
    EXPECT_EQ(edit(2, "Foutmax")->text(), "1000");

    // The calibration page's range as read reaches both outputs.
    calibration->findChild<QPushButton*>("GetSetup")->click();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_EQ(edit(1, "Fmax")->text(), "19.4444"); // 70 m3/h in pulses of 1 l
    EXPECT_EQ(edit(2, "Fmax")->text(), "1.94444");
    calibration->QmaxEdit()->setText("36");
    EXPECT_EQ(edit(1, "Fmax")->text(), "10");
    calibration->QminEdit()->setText("3.6");
    EXPECT_EQ(edit(1, "Fmin")->text(), "1");

    edit(1, "WeightEdit0")->setText("0.002");
    edit(1, "ImpulseLen")->setText("12.7");
    page->OutFrame(2)->findChild<QComboBox*>("OutputType")->setCurrentIndex(0);
    page->OutFrame(2)->findChild<QComboBox*>("OutEvent")->setCurrentIndex(5);
    page->findChild<QPushButton*>("SetSetup")->click();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_TRUE(f.Logged("Настройки выходов установлены"));
    auto& meter = f.sim->Device();
    EXPECT_FLOAT_EQ(meter.HoldingFloat(40261), 0.002f);
    EXPECT_EQ(meter.Holding(40263), 25);
    EXPECT_EQ(meter.Holding(40269), 0);
    EXPECT_EQ(meter.Holding(40271), 5);

    edit(1, "ImpulseLen")->setText("");
    page->findChild<QPushButton*>("GetSetup")->click();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_EQ(edit(1, "ImpulseLen")->text(), "12.5");
    EXPECT_EQ(edit(1, "WeightEdit1")->text(), "2");
    EXPECT_EQ(page->OutFrame(2)->findChild<QComboBox*>("OutEvent")->currentIndex(), 5);
}
