// The page base's bindings on a page of test fields, over the fake host:
// formats, the focus rules, and collection that stores all or nothing.

#include "controls/biteditcombobox.h"
#include "pages/pageframe.h"
#include "tests/support/pagefixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace ZT_namespace;

namespace {

// Fields declared here with their own ranges, so that the rules are tested
// apart from the meter's map.
constexpr TField<uint16_t> kBore{40029, {"Du", "%2u", 1, 400}};
constexpr TField<uint32_t> kSerial{40027, {"SerialNumber", "%08u"}};
constexpr TField<float> kQmax{40235, {"Qmax", "%g", 0, 1000}};
constexpr TField<int16_t> kOffset{40126, {"Offset"}};
constexpr TIndexField kType{40030, BodyTypeList, {"Type"}};
constexpr TBitsField kFlags{40121, SystemFlagsBits, {"SystemFlags"}};

class TTestPage : public TDevicePageFrame {
public:
    TTestPage()
    {
        auto* layout = new QVBoxLayout(this);
        Serial = BindEdit("Serial", kSerial);
        Bore = BindEdit("Bore", kBore, {}, "Не корректное значение Ду");
        Qmax = BindEdit("Qmax", kQmax);
        Offset = BindEdit("Offset", kOffset);
        Type = BindList("Type", kType);
        Flags = BindBits<TBitEditComboBox>("Flags", kFlags, false);
        Archive = BindCheck("Archive", "Модуль архивов", ZT_Fields::ArchiveModule);
        Sum = BindDisplay("Sum", ZT_Fields::rcFirmware, "%04X");
        BindingOf(Sum)->IgnoresFocus = true;
        for (QWidget* w :
             std::initializer_list<QWidget*>{Serial, Bore, Qmax, Offset, Type, Flags, Archive, Sum})
            layout->addWidget(w);
        FocusGroup({Serial, Bore});
    }
    QLineEdit *Serial, *Bore, *Qmax, *Offset, *Sum;
    QComboBox* Type;
    TBitEditComboBox* Flags;
    QCheckBox* Archive;
};

} // namespace

TEST(FormatValue, IntegerAndRealConversionsTakeTheirOwnWidth)
{
    const std::vector<std::tuple<const char*, double, const char*>> cases = {
        {"%08u", 123, "00000123"},
        {"%2u", 6, " 6"},
        {"%04X", 0xCAFE, "CAFE"},
        {"%d", -5, "-5"},
        {"%u", 4294967295.0, "4294967295"},
        {"%.3f", 1.5, "1.500"},
        {"%g", 0.001, "0.001"},
        {"x=%d;", 7, "x=7;"},
    };
    for (const auto& [format, value, text] : cases)
        EXPECT_EQ(FormatValue(format, value), text) << format;
}

TEST(FieldBinding, Refresh_ShowsFormatsAndLeavesAFocusedGroupAlone)
{
    TPageFixture<TTestPage> f;
    f.host.Set(kSerial, 123u);
    f.host.Set(kBore, uint16_t(6));
    f.host.Set(kQmax, 12.5f);
    f.host.Set(kOffset, int16_t(-300));
    f.host.Set(kType, uint16_t(7)); // outside the list
    f.host.Set(kFlags, uint16_t(0x0005));
    f.host.Set(ZT_Fields::ArchiveModule, uint16_t(1));
    f.host.Set(ZT_Fields::rcFirmware, uint16_t(0xBEEF));
    f.page.RefreshPage();
    EXPECT_EQ(f.page.Serial->text(), "00000123");
    EXPECT_EQ(f.page.Bore->text(), " 6");
    EXPECT_EQ(f.page.Qmax->text(), "12.5");
    EXPECT_EQ(f.page.Offset->text(), "-300");
    EXPECT_EQ(f.page.Type->currentIndex(), -1);
    EXPECT_EQ(f.page.Flags->BitFlags(), 0x0005);
    EXPECT_TRUE(f.page.Archive->isChecked());
    EXPECT_EQ(f.page.Sum->text(), "BEEF");

    // Typing in one field of a group keeps the whole group; a read-only
    // field follows the meter even while it has the focus.
    f.page.show();
    f.page.activateWindow();
    f.page.Bore->setFocus();
    QElapsedTimer waited;
    waited.start();
    while (!f.page.Bore->hasFocus() && waited.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    f.page.Bore->setText("8");
    f.host.Set(kSerial, 555u);
    f.host.Set(kBore, uint16_t(80));
    f.host.Set(kQmax, 3.0f);
    f.page.RefreshPage();
    if (!f.page.Bore->hasFocus())
        GTEST_SKIP() << "the platform gave no focus";
    EXPECT_EQ(f.page.Serial->text(), "00000123");
    EXPECT_EQ(f.page.Bore->text(), "8");
    EXPECT_EQ(f.page.Qmax->text(), "3");
    f.page.Sum->setFocus();
    while (!f.page.Sum->hasFocus() && waited.elapsed() < 4000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    f.host.Set(ZT_Fields::rcFirmware, uint16_t(0xCAFE));
    f.page.RefreshPage();
    EXPECT_EQ(f.page.Sum->text(), "CAFE");
}

TEST(FieldBinding, Collect_StoresAllOrNothingAndLogsTheFirstRefusal)
{
    TPageFixture<TTestPage> f;
    f.host.Set(kFlags, uint16_t(0x8000)); // a bit beyond the editor's items
    f.page.RefreshPage();
    struct Case {
        const char *serial, *bore, *qmax, *offset;
        const char* refusal; // null: accepted
    };
    const Case cases[] = {
        {"00000042", " 6", "12,5", "-300", nullptr},
        {"42", "401", "1", "0", "Не корректное значение Ду"},
        {"42", "abc", "1", "0", "Не корректное значение Ду"},
        {"42", "6", "1e9", "0", "Не корректное значение Qmax"},
        {"4294967296", "6", "1", "0", "Не корректное значение SerialNumber"},
        {"42", "6", "1", "40000", "Не корректное значение Offset"},
        {"42", "6", "-0,5", "0", "Не корректное значение Qmax"},
    };
    for (const Case& c : cases) {
        f.host.log.clear();
        f.host.Set(kBore, uint16_t(99));
        f.page.Serial->setText(c.serial);
        f.page.Bore->setText(c.bore);
        f.page.Qmax->setText(c.qmax);
        f.page.Offset->setText(c.offset);
        f.page.Type->setCurrentIndex(2);
        f.page.Flags->SetBitFlags(0x0003);
        f.page.Archive->setChecked(false);
        const bool accepted = f.page.CollectPage();
        TDeviceHelperLocker lock(f.host.device);
        if (!c.refusal) {
            EXPECT_TRUE(accepted);
            EXPECT_TRUE(f.host.log.empty());
            EXPECT_EQ(f.host.device.Get(kSerial), 42u);
            EXPECT_EQ(f.host.device.Get(kBore), 6);
            EXPECT_FLOAT_EQ(f.host.device.Get(kQmax), 12.5f);
            EXPECT_EQ(f.host.device.Get(kOffset), -300);
            EXPECT_EQ(f.host.device.Get(kType), 2);
            EXPECT_EQ(f.host.device.Get(kFlags), 0x8003);
            EXPECT_EQ(f.host.device.Get(ZT_Fields::ArchiveModule), 0);
            continue;
        }
        EXPECT_FALSE(accepted) << c.bore;
        EXPECT_EQ(f.host.log, std::vector<std::string>{c.refusal}) << c.serial << " " << c.qmax;
        EXPECT_EQ(f.host.device.Get(kBore), 99) << "nothing is stored";
    }
}

TEST(FieldBinding, PageReadAndWrite_GoThroughTheBlockOfItsRow)
{
    TPageFixture<TTestPage> f(&ZT_Blocks::IdentificationBlock);
    EXPECT_TRUE(f.page.ReadPage(true));
    EXPECT_TRUE(f.page.ReadPage(false));
    f.page.Bore->setText("6");
    EXPECT_TRUE(f.page.WritePage());
    f.page.Bore->setText("0");
    EXPECT_FALSE(f.page.WritePage());
    EXPECT_EQ(f.host.started,
              (std::vector<std::string>{"poll IdentificationBlock", "read IdentificationBlock",
                                        "write IdentificationBlock"}));
}

namespace {

// A scaled integer (pressure in 0.0001 MPa), a real shown and typed as a
// whole number, a list without entries and a group of exclusive buttons.
constexpr TField<uint16_t> kPressure{40375, {"P_low", {}, 0, 25000}};
constexpr TField<float> kThreshold{40147, {"TestWaterGradient"}};
constexpr TIndexField kUnnamed{40122, {}, {"PolarityMode"}};
constexpr TIndexField kMode{40355, StartStopModeList, {"StartStopMode"}};

class TMoreBindingsPage : public TDevicePageFrame {
public:
    TMoreBindingsPage()
    {
        auto* layout = new QVBoxLayout(this);
        Pressure = new QLineEdit(this);
        auto scaled =
            std::make_unique<ZT_Binding::TNumberBinding>(Pressure, kPressure, "%.4f", false, "range");
        scaled->Scale = 10000;
        Bind(std::move(scaled));
        Threshold = BindEdit("Threshold", kThreshold, "%d");
        Unnamed = BindList("Unnamed", kUnnamed);
        auto* box = new QWidget(this);
        auto* boxLayout = new QVBoxLayout(box);
        std::vector<QAbstractButton*> buttons;
        for (int i = 0; i < 4; ++i) {
            Radios[i] = new QRadioButton(box);
            boxLayout->addWidget(Radios[i]);
            buttons.push_back(Radios[i]);
        }
        Bind(std::make_unique<ZT_Binding::TRadioBinding>(box, buttons, kMode));
        for (QWidget* w : std::initializer_list<QWidget*>{Pressure, Threshold, Unnamed, box})
            layout->addWidget(w);
    }
    QLineEdit *Pressure, *Threshold;
    QComboBox* Unnamed;
    QRadioButton* Radios[4];
};

} // namespace

TEST(FieldBinding, ScaledInteger_RoundsHalfUpAndChecksTheTypedValue)
{
    TPageFixture<TMoreBindingsPage> f;
    struct Case {
        const char* typed;
        int stored; // -1: refused
        const char* shown;
    };
    const Case cases[] = {
        {"2.5", 25000, "2.5000"}, {"2.50001", -1, nullptr}, {"0.12345", 1235, "0.1235"},
        {"1,5", 15000, "1.5000"}, {"0", 0, "0.0000"},       {"-0.0001", -1, nullptr},
        {"abc", 0, "0.0000"},     {"0.00004", 0, "0.0000"}, {"0.00005", 1, "0.0001"},
    };
    for (const Case& c : cases) {
        f.host.log.clear();
        f.host.Set(kPressure, uint16_t(777));
        f.page.Pressure->setText(c.typed);
        const bool accepted = f.page.CollectPage();
        {
            TDeviceHelperLocker lock(f.host.device);
            EXPECT_EQ(f.host.device.Get(kPressure), c.stored < 0 ? 777 : c.stored) << c.typed;
        }
        EXPECT_EQ(accepted, c.stored >= 0) << c.typed;
        if (c.stored < 0) {
            EXPECT_EQ(f.host.log, std::vector<std::string>{"range"}) << c.typed;
            continue;
        }
        f.page.RefreshPage();
        EXPECT_EQ(f.page.Pressure->text(), c.shown) << c.typed;
    }
}

TEST(FieldBinding, RealWithAnIntegerFormat_IsTypedAndShownWhole)
{
    TPageFixture<TMoreBindingsPage> f;
    const std::pair<const char*, float> cases[] = {
        {"150", 150.0f}, {"-20", -20.0f}, {"150.7", 0.0f}, {"", 0.0f}};
    for (const auto& [typed, stored] : cases) {
        f.page.Threshold->setText(typed);
        ASSERT_TRUE(f.page.CollectPage()) << typed;
        {
            TDeviceHelperLocker lock(f.host.device);
            EXPECT_EQ(f.host.device.Get(kThreshold), stored) << typed;
        }
    }
    f.host.Set(kThreshold, 150.0f);
    f.page.RefreshPage();
    EXPECT_EQ(f.page.Threshold->text(), "150");
}

TEST(FieldBinding, ListWithoutEntries_LeavesTheStoredValue)
{
    TPageFixture<TMoreBindingsPage> f;
    f.host.Set(kUnnamed, uint16_t(3));
    f.page.RefreshPage();
    EXPECT_EQ(f.page.Unnamed->currentIndex(), -1);
    ASSERT_TRUE(f.page.CollectPage());
    TDeviceHelperLocker lock(f.host.device);
    EXPECT_EQ(f.host.device.Get(kUnnamed), 3);
}

TEST(FieldBinding, ExclusiveButtons_ShowTheirValueAndStoreTheChecked)
{
    TPageFixture<TMoreBindingsPage> f;
    auto checked = [&f] {
        for (int i = 0; i < 4; ++i)
            if (f.page.Radios[i]->isChecked())
                return i;
        return -1;
    };
    EXPECT_TRUE(f.page.CollectPage());
    {
        TDeviceHelperLocker lock(f.host.device);
        EXPECT_EQ(f.host.device.Get(kMode), 0) << "no checked button stores 0";
    }
    f.host.Set(kMode, uint16_t(2));
    f.page.RefreshPage();
    EXPECT_EQ(checked(), 2);
    f.host.Set(kMode, uint16_t(7)); // no such button: the buttons stay
    f.page.RefreshPage();
    EXPECT_EQ(checked(), 2);
    f.page.Radios[3]->setChecked(true);
    ASSERT_TRUE(f.page.CollectPage());
    TDeviceHelperLocker lock(f.host.device);
    EXPECT_EQ(f.host.device.Get(kMode), 3);
}
