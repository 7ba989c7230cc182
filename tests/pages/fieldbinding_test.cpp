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
