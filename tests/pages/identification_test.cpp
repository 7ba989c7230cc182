// The identification page against the simulated meter: what it shows after
// the identification read, the Ду check, the focus rule while polling, and
// what its clock, correction and clearing commands put on the wire.

#include "pages/identificationframe.h"
#include "tests/support/workspacefixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>

#include <gtest/gtest.h>

using namespace ZT_namespace;

namespace {

class IdentificationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto& meter = f.sim->Device();
        meter.SetHoldingU32(40027, 123);
        meter.SetHolding(40029, 6);
        meter.SetHolding(40030, 0);
        meter.SetHolding(40035, 0);
        meter.SetInput(30009, 0xBEEF);
        meter.SetInput(30010, 0x0A1);
        meter.SetInput(30011, 0);
        meter.SetInput(30012, 0xFFFF);
        f.workspace->SelectPage(pgIdentification);
    }
    template <class T> T* Find(const char* name)
    {
        T* widget = page->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString Text(const char* name) { return Find<QLineEdit>(name)->text(); }
    void Read()
    {
        Find<QPushButton>("GetSetup")->click();
        ASSERT_EQ(f.workspace->Wrapper(1)->Tag, 23);
        ASSERT_TRUE(f.WaitIdle());
    }
    // The data words of the last function 16 request to `first`.
    std::vector<uint16_t> Written(uint16_t first)
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

    TWorkspaceFixture f;
    TIdentification* page = f.workspace->PageOf<TIdentification>(pgIdentification);
};

} // namespace

TEST_F(IdentificationTest, Read_ShowsTheMeterWithDesignationAndTitle)
{
    Read();
    EXPECT_TRUE(f.Logged("Идентификационные параметры считаны"));
    EXPECT_EQ(Text("SerialNumber"), "00000123");
    EXPECT_EQ(Find<QComboBox>("DuCombo")->currentText(), " 6");
    EXPECT_EQ(Find<QComboBox>("DuCombo")->currentIndex(), -1);
    EXPECT_EQ(Find<QComboBox>("TypeDevice")->currentText(), "Фланцевый");
    EXPECT_EQ(Text("Identification"), "ZT-А-Ф 6-А");
    EXPECT_EQ(f.title, "ZT-А-Ф 6-А 00000123");
    EXPECT_EQ(Text("FirmwareCS"), "BEEF");
    EXPECT_EQ(Text("MetrologyCS"), "00A1");
    EXPECT_EQ(Text("SetupCS"), "0000");
    EXPECT_EQ(Text("CalibrationCS"), "FFFF");
    // The identity texts come with the identification.
    EXPECT_EQ(Text("ModelName"), "ZT-A");
    EXPECT_EQ(Text("Version"), "1.12");
    EXPECT_EQ(Text("Modification"), "1.0");
    EXPECT_EQ(Find<QComboBox>("WorkMode")->currentText(), "РАБОТА");
    EXPECT_EQ(Find<QPushButton>("ClearArchiveButton")->text(), "Очистить");
    EXPECT_FALSE(Find<QComboBox>("PluginCard1")->isVisibleTo(page));
    EXPECT_FALSE(Find<QCheckBox>("ArchiveModule")->isVisibleTo(page));

    // The meter's clock (year within the century) is on the pickers.
    const QDate date = Find<QDateEdit>("CurrentDatePicker")->date();
    EXPECT_EQ(date.year() % 100, f.sim->Device().Holding(40001));
    EXPECT_GE(date.year(), 2000);
}

TEST_F(IdentificationTest, ClassOutsideTheList_SelectsNothingAndDesignationUsesTheFirst)
{
    f.sim->Device().SetHolding(40035, 9);
    f.sim->Device().SetHolding(40030, 2);
    f.sim->Device().SetHolding(40029, 50);
    Read();
    EXPECT_EQ(Find<QComboBox>("ClassDevice")->currentIndex(), -1);
    EXPECT_EQ(Text("Identification"), "ZT-А-Р50-А");
}

TEST_F(IdentificationTest, DuOutsideOneToFourHundred_IsRefusedAndNothingSent)
{
    Read();
    struct Case {
        const char* du;
        bool accepted;
    };
    const Case cases[] = {{"401", false}, {"0", false},  {"", false},
                          {"abc", false}, {"400", true}, {" 6", true}};
    for (const Case& c : cases) {
        f.log.clear();
        const size_t writes = f.Sent(16);
        Find<QComboBox>("DuCombo")->setEditText(c.du);
        Find<QPushButton>("SetSystemSetup")->click();
        if (!c.accepted) {
            EXPECT_TRUE(f.Logged("Не корректное значение Ду")) << c.du;
            EXPECT_FALSE(f.workspace->Wrapper(3)->IsRunning()) << c.du;
            EXPECT_EQ(f.Sent(16), writes) << c.du;
            continue;
        }
        EXPECT_EQ(f.workspace->Wrapper(3)->Tag, 25);
        ASSERT_TRUE(f.WaitIdle());
        EXPECT_TRUE(f.Logged("Параметры идентификации установлены")) << c.du;
        EXPECT_EQ(f.sim->Device().Holding(40029), StrToUInt(c.du));
        EXPECT_EQ(f.sim->Device().HoldingU32(40027), 123u);
    }

    // Write-all stops at the same check before any exchange.
    Find<QComboBox>("DuCombo")->setEditText("401");
    f.log.clear();
    const size_t writes = f.Sent(16);
    f.workspace->WriteAllParams();
    EXPECT_TRUE(f.Logged("Не корректное значение Ду"));
    EXPECT_FALSE(f.workspace->Wrapper(1)->IsRunning());
    EXPECT_EQ(f.Sent(16), writes);
}

TEST_F(IdentificationTest, TypingInSerialNumber_KeepsTheGroupWhileClockAndChecksumsUpdate)
{
    Read();
    f.workspace->show();
    f.workspace->activateWindow();
    auto* serial = Find<QLineEdit>("SerialNumber");
    serial->setFocus();
    ASSERT_TRUE(TWorkspaceFixture::WaitFor([&] { return serial->hasFocus(); }, 2000));
    serial->setText("999");

    auto& meter = f.sim->Device();
    meter.SetHoldingU32(40027, 555);
    meter.SetHolding(40029, 80);
    meter.SetHolding(40030, 1);
    meter.SetInput(30009, 0x1234);
    // Pickers showing another time must follow the meter's clock.
    Find<QDateEdit>("CurrentDatePicker")->setDate(QDate(2001, 1, 1));
    f.autoRequest = true;
    f.workspace->TimerTick();
    ASSERT_EQ(f.workspace->Wrapper(1)->Tag, 23);
    ASSERT_TRUE(f.WaitIdle());

    EXPECT_EQ(serial->text(), "999");
    EXPECT_EQ(Find<QComboBox>("DuCombo")->currentText(), " 6");
    EXPECT_EQ(Find<QComboBox>("TypeDevice")->currentIndex(), 0);
    EXPECT_EQ(Text("FirmwareCS"), "1234");
    EXPECT_NE(Find<QDateEdit>("CurrentDatePicker")->date(), QDate(2001, 1, 1));
    EXPECT_EQ(Find<QDateEdit>("CurrentDatePicker")->date().year() % 100, meter.Holding(40001));

    // Focus elsewhere: the next poll shows the meter's values.
    f.workspace->setFocus();
    ASSERT_TRUE(TWorkspaceFixture::WaitFor([&] { return !serial->hasFocus(); }, 2000));
    f.workspace->TimerTick();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_EQ(serial->text(), "00000555");
    EXPECT_EQ(Find<QComboBox>("DuCombo")->currentText(), "80");
    EXPECT_EQ(Text("Identification"), "ZT-А-С80-А");

    // A read-only field follows the meter even while it has the focus.
    auto* firmware = Find<QLineEdit>("FirmwareCS");
    firmware->setFocus();
    ASSERT_TRUE(TWorkspaceFixture::WaitFor([&] { return firmware->hasFocus(); }, 2000));
    meter.SetInput(30009, 0xCAFE);
    f.workspace->TimerTick();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_EQ(firmware->text(), "CAFE");
}

TEST_F(IdentificationTest, TimeFromPc_WritesYearWithinCenturyWithoutMilliseconds)
{
    page->Clock = [] { return QDateTime(QDate(2030, 12, 31), QTime(23, 59, 59, 700)); };
    Find<QPushButton>("SetCurrentDataTimeButton")->click();
    EXPECT_EQ(f.workspace->Wrapper(3)->Tag, 24);
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_TRUE(f.Logged("Время и дата установлены"));
    EXPECT_EQ(Written(40001), (std::vector<uint16_t>{30, 12, 31, 23, 59, 59}));

    // "Время и дата" takes the pickers.
    Find<QDateEdit>("CurrentDatePicker")->setDate(QDate(2024, 2, 29));
    Find<QTimeEdit>("CurrentTimePicker")->setTime(QTime(7, 8, 9));
    Find<QPushButton>("SetDataTimeButton")->click();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_EQ(Written(40001), (std::vector<uint16_t>{24, 2, 29, 7, 8, 9}));
}

TEST_F(IdentificationTest, CorrectionAndClearing_WriteTheirRegisters)
{
    auto* rtc = Find<QSpinBox>("RTCCorrection");
    rtc->setValue(-128);
    EXPECT_EQ(rtc->value(), -127) << "the spin keeps to -127..127";
    Find<QSpinBox>("TimeCorrection")->setValue(12);
    Find<QPushButton>("SetTimeCorrection")->click();
    EXPECT_EQ(f.workspace->Wrapper(3)->Tag, 26);
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_EQ(Written(40007), (std::vector<uint16_t>{uint16_t(int16_t(-127)), 12}));

    // "Очистить" starts the clearing; the next refresh shows its progress
    // and turns the button into "Отменить", which writes 0.
    f.sim->Device().SetClearingStepMs(200);
    Find<QPushButton>("ClearArchiveButton")->click();
    EXPECT_EQ(f.workspace->Wrapper(3)->Tag, 27);
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_EQ(Written(40009), (std::vector<uint16_t>{1}));
    ASSERT_TRUE(f.sim->Device().Clearing());
    TWorkspaceFixture::WaitFor([] { return false; }, 500);
    Read();
    EXPECT_TRUE(page->Clearing());
    EXPECT_EQ(Find<QPushButton>("ClearArchiveButton")->text(), "Отменить");
    EXPECT_GT(Find<QProgressBar>("ClaerArchiveProgressBar")->value(), 0);
    Find<QPushButton>("ClearArchiveButton")->click();
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_EQ(Written(40009), (std::vector<uint16_t>{0}));
}
