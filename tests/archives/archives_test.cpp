// The archive and journal pages in the workspace against the simulated
// meter: the reading's setup from the page, tables, progress, cancel and
// failure, the reading by period, the alarm details and the group mask.

#include "archives/archiveframe.h"
#include "archives/journalframe.h"
#include "archives/notstaffarchiveframe.h"
#include "controls/biteditcombobox.h"
#include "controls/goodtable.h"
#include "tests/support/workspacefixture.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <gtest/gtest.h>

using namespace ZT_namespace;

namespace {

class ArchivePagesTest : public ::testing::Test {
protected:
    template <class W> W* Find(QWidget* page, const char* name) { return page->findChild<W*>(name); }
    TArchiveParam* Archive() { return f.workspace->PageOf<TArchiveParam>(pgArchive); }
    TGoodTable* Table(const char* name) { return Find<TGoodTable>(Archive(), name); }
    // Leaves only the named boxes checked.
    void Check(std::initializer_list<const char*> names)
    {
        for (const char* box : {"IntervalCheckBox", "HourCheckBox", "DayCheckBox", "MonthCheckBox"})
            Find<QCheckBox>(Archive(), box)->setChecked(false);
        for (const char* box : names)
            Find<QCheckBox>(Archive(), box)->setChecked(true);
    }
    void Click(QWidget* page)
    {
        Find<QPushButton>(page, "GetArchive")->click();
    }
    // The highest position the page's progress bar takes from now on.
    int* FollowProgress(QWidget* page)
    {
        auto* bar = Find<QProgressBar>(page, "ArchiveProgressBar");
        QObject::connect(bar, &QProgressBar::valueChanged, bar, [this](int v) { highest = std::max(highest, v); });
        return &highest;
    }
    int highest = 0;
    static void Key(QWidget* table)
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QCoreApplication::sendEvent(table, &press);
    }
    // The hourly records of the meter's ring stamped on the day of `stamp`.
    static int RecordsOfDay(const zt_sim::ArchiveRing& ring, const uint8_t* stamp)
    {
        int n = 0;
        for (uint16_t i = ring.Tail(); i != ring.Head(); i = uint16_t((i + 1) % ring.Capacity())) {
            const uint8_t* p = ring.Slot(i);
            n += p[0] == stamp[0] && p[1] == stamp[1] && p[2] == stamp[2];
        }
        return n;
    }

    TWorkspaceFixture f;
};

} // namespace

TEST_F(ArchivePagesTest, KindListAndMask_FollowTheCheckBoxesInTheirOrder)
{
    const struct {
        std::initializer_list<const char*> Boxes;
        std::vector<uint32_t> Kinds;
        int32_t Mask;
    } cases[] = {
        {{"MonthCheckBox"}, {2}, 0x04},
        {{"IntervalCheckBox", "HourCheckBox", "DayCheckBox", "MonthCheckBox"}, {5, 0, 1, 2}, 0x27},
        {{"DayCheckBox", "IntervalCheckBox"}, {5, 1}, 0x22},
        {{}, {}, 0},
    };
    for (const auto& c : cases) {
        Check(c.Boxes);
        const ZT_ReadArchiveDataSetup setup = Archive()->ReadSetup();
        EXPECT_EQ(setup.Kinds, c.Kinds);
        EXPECT_EQ(setup.KindMask, c.Mask);
        EXPECT_FALSE(setup.SearchStart || setup.SearchEnd || setup.KeepPartial || setup.ReadAll);
    }
}

TEST_F(ArchivePagesTest, Initialisation_ColumnsCaptionsAndHourlyTab)
{
    TGoodTable* hourly = Table("HourArchive");
    ASSERT_NE(hourly, nullptr);
    EXPECT_EQ(hourly->ColCount(), 16);
    EXPECT_EQ(hourly->Captions(0), QString::fromUtf8("Дата/Время"));
    EXPECT_EQ(hourly->Widths(0), 130);
    EXPECT_EQ(hourly->Captions(15), QString::fromUtf8("Системные НС"));
    EXPECT_EQ(hourly->Widths(15), 120);
    EXPECT_TRUE(hourly->ColReadOnly(7));
    EXPECT_EQ(Find<QTabWidget>(Archive(), "ArchivePageControl")->currentIndex(), 1);
    EXPECT_FALSE(Find<QDateEdit>(Archive(), "ArchiveTimeBegin")->isEnabled());
    Find<QRadioButton>(Archive(), "PeriodArchiveRead")->click();
    EXPECT_TRUE(Find<QDateEdit>(Archive(), "ArchiveTimeEnd")->isEnabled());
    Find<QRadioButton>(Archive(), "AllArchiveRead")->click();
    EXPECT_FALSE(Find<QDateEdit>(Archive(), "ArchiveTimeEnd")->isEnabled());
}

TEST_F(ArchivePagesTest, FullReading_FillsTheTablesAndASubsetRefillsAll)
{
    Check({"HourCheckBox", "DayCheckBox"});
    const int* progress = FollowProgress(Archive());
    Click(Archive());
    ASSERT_TRUE(f.WaitIdle(60000));
    EXPECT_TRUE(f.Logged("Архив считан"));
    EXPECT_EQ(*progress, 100);
    EXPECT_EQ(Find<QProgressBar>(Archive(), "ArchiveProgressBar")->value(), 0);
    const zt_sim::ArchiveRing hourly = f.sim->Device().Ring(kHourlyArchive);
    const zt_sim::ArchiveRing daily = f.sim->Device().Ring(kDailyArchive);
    EXPECT_EQ(Table("HourArchive")->RowCount(), int(hourly.Count()));
    EXPECT_EQ(Table("DayArchive")->RowCount(), int(daily.Count()));
    EXPECT_EQ(Table("MonthArchive")->RowCount(), 0);
    const TArchiveRowStruct first = ArchiveRow(Archive()->Records(kHourlyArchive)[0], kHourlyArchive);
    for (int c = 0; c < 16; ++c)
        EXPECT_EQ(Table("HourArchive")->Cells(0, c).toStdString(), first.Cells[size_t(c)]) << c;

    Check({"MonthCheckBox"});
    Click(Archive());
    ASSERT_TRUE(f.WaitIdle(60000));
    EXPECT_EQ(Table("MonthArchive")->RowCount(), int(f.sim->Device().Ring(kMonthlyArchive).Count()));
    EXPECT_EQ(Table("HourArchive")->RowCount(), int(hourly.Count()));
    EXPECT_EQ(Table("DayArchive")->RowCount(), int(daily.Count()));
}

TEST_F(ArchivePagesTest, FailedAndCancelledReadings_LeaveTheTables)
{
    Check({"DayCheckBox"});
    Click(Archive());
    ASSERT_TRUE(f.WaitIdle(60000));
    const int rows = Table("DayArchive")->RowCount();
    ASSERT_GT(rows, 0);
    const QString cell = Table("DayArchive")->Cells(rows - 1, 1);

    zt_sim::SimBehaviour silent;
    silent.noReply = true;
    silent.onlyFunction = 0x41;
    f.sim->SetBehaviour(silent);
    f.log.clear();
    Click(Archive());
    ASSERT_TRUE(f.WaitIdle(60000));
    EXPECT_FALSE(f.Logged("Архив считан"));
    EXPECT_EQ(Table("DayArchive")->RowCount(), rows);
    EXPECT_EQ(Table("DayArchive")->Cells(rows - 1, 1), cell);

    // A second click while the reading runs stops it.
    zt_sim::SimBehaviour slow;
    slow.latencyMs = 50;
    f.sim->SetBehaviour(slow);
    Check({"HourCheckBox"});
    Click(Archive());
    Click(Archive());
    ASSERT_TRUE(f.WaitIdle(60000));
    EXPECT_TRUE(f.Logged("Выполнение процесса прервано"));
    EXPECT_FALSE(f.Logged("Архив считан"));
    EXPECT_EQ(Table("HourArchive")->RowCount(), 0);
    EXPECT_EQ(Table("DayArchive")->RowCount(), rows);
}

TEST_F(ArchivePagesTest, PeriodOfOneDay_ReadsAndShowsOnlyThatDay)
{
    const zt_sim::ArchiveRing ring = f.sim->Device().Ring(kHourlyArchive);
    ASSERT_EQ(ring.Count(), 1023u); // a full ring
    const uint8_t* middle = ring.Slot(uint16_t((ring.Tail() + ring.Count() / 2) % ring.Capacity()));
    const int dayRecords = RecordsOfDay(ring, middle);
    ASSERT_GT(dayRecords, 0);

    Check({"HourCheckBox"});
    Find<QRadioButton>(Archive(), "PeriodArchiveRead")->click();
    const QDate day(2000 + middle[0], middle[1], middle[2]);
    Find<QDateEdit>(Archive(), "ArchiveTimeBegin")->setDate(day);
    Find<QDateEdit>(Archive(), "ArchiveTimeEnd")->setDate(day);
    const uint32_t reads = f.sim->Device().RequestCount(0x41);
    const uint32_t searches = f.sim->Device().RequestCount(0x42);
    Click(Archive());
    ASSERT_TRUE(f.WaitIdle(60000));

    EXPECT_EQ(f.sim->Device().RequestCount(0x42) - searches, 2u);
    EXPECT_EQ(int(f.sim->Device().RequestCount(0x41) - reads), (dayRecords + 3) / 4);
    TGoodTable* table = Table("HourArchive");
    ASSERT_EQ(table->RowCount(), dayRecords);
    const QString prefix = day.toString(QStringLiteral("dd/MM/yy"));
    for (int r = 0; r < table->RowCount(); ++r)
        EXPECT_TRUE(table->Cells(r, 0).startsWith(prefix)) << table->Cells(r, 0).toStdString();
}

TEST_F(ArchivePagesTest, KeyOnARow_LogsTheAlarmDetails)
{
    Key(Table("HourArchive"));
    EXPECT_TRUE(f.log.empty());

    Check({"DayCheckBox"});
    Click(Archive());
    ASSERT_TRUE(f.WaitIdle(60000));
    TGoodTable* table = Table("DayArchive");
    ASSERT_GT(table->RowCount(), 1);
    table->SetRow(1);
    f.log.clear();
    Key(table);
    const std::string expected = ArchiveFlagsText(Archive()->Records(kDailyArchive)[1], kDailyArchive);
    if (expected.empty()) {
        EXPECT_TRUE(f.log.empty()); // a skipped or erased page
    } else {
        EXPECT_EQ(f.log, std::vector<std::string>{expected});
    }
}

TEST_F(ArchivePagesTest, AlarmJournal_MaskFiltersWithoutAnExchange)
{
    auto* page = f.workspace->PageOf<TNotStaffArchive>(pgNotStaff);
    ASSERT_NE(page, nullptr);
    auto* mask = Find<TBitEditComboBox>(page, "NotStaffMaskBitEdit");
    EXPECT_EQ(mask->BitFlags(), 7);
    Click(page);
    ASSERT_TRUE(f.WaitIdle(60000));
    EXPECT_TRUE(f.Logged("Журнал НС считан"));
    auto* table = Find<TGoodTable>(page, "NotStaffTable");
    std::vector<JournalStruct> records;
    {
        TDeviceHelperLocker locker(f.workspace->Device());
        records = f.workspace->Device().JournalVector(kAlarmJournal);
    }
    const int rows = int(AlarmJournalTable(records).Rows.size());
    ASSERT_GT(rows, 0);
    EXPECT_EQ(table->RowCount(), rows);
    EXPECT_EQ(table->ColCount(), 3);
    EXPECT_EQ(table->Widths(1), 310);

    const size_t sent = f.chanel->Requests().size();
    mask->SetBitFlags(0);
    EXPECT_EQ(table->RowCount(), 0);
    mask->SetBitFlags(7);
    EXPECT_EQ(table->RowCount(), rows);
    mask->SetBitFlags(1);
    EXPECT_EQ(table->RowCount(), int(AlarmJournalTable(records, 1).Rows.size()));
    EXPECT_EQ(f.chanel->Requests().size(), sent);
}

TEST_F(ArchivePagesTest, OperatorJournal_ShowsEveryRecord)
{
    auto* page = f.workspace->PageOf<TJournalArchive>(pgJournal);
    ASSERT_NE(page, nullptr);
    const int* progress = FollowProgress(page);
    Click(page);
    ASSERT_TRUE(f.WaitIdle(60000));
    EXPECT_TRUE(f.Logged("Журнал оператора считан"));
    EXPECT_EQ(*progress, 100);
    auto* table = Find<TGoodTable>(page, "JournalTable");
    EXPECT_EQ(table->RowCount(), int(f.sim->Device().Ring(kOperatorJournal).Count()));
    EXPECT_EQ(table->ColAlignment(1), taRightJustify);
    EXPECT_EQ(table->Widths(2), 250);
}
