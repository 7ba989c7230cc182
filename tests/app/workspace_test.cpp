// The device workspace on the window thread: indicator flags, dispatch by
// tag, the polling rules, write-all refusals, the reset while the channel
// is closed and the busy wrappers, against the simulated meter over TCP.

#include "pages/identificationframe.h"
#include "tests/support/workspacefixture.h"

#include <QTabWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace ZT_namespace;

namespace {

// A page that notes what the workspace asked of it.
class TRecordingPage : public TDevicePageFrame {
public:
    TRecordingPage(int index, std::vector<std::string>& journal) : index_(index), journal_(journal) {}
    void RefreshPage() override { journal_.push_back("refresh " + std::to_string(index_)); }
    bool CollectPage() override
    {
        journal_.push_back("collect " + std::to_string(index_));
        return !refuse;
    }
    void IdentityChanged() override { journal_.push_back("identity " + std::to_string(index_)); }
    bool ReadPage(bool) override
    {
        journal_.push_back("read " + std::to_string(index_));
        return false;
    }
    bool refuse = false;

private:
    int index_;
    std::vector<std::string>& journal_;
};

struct TRecorded {
    explicit TRecorded(TZT_Frame& workspace, std::vector<std::string>& journal, TWorkspaceFixture& f)
    {
        for (int i = 0; i < kPageCount; ++i) {
            pages[i] = new TRecordingPage(i, journal);
            workspace.AttachPage(i, pages[i]);
        }
        workspace.SetMainWindow(
            {[] { return false; },
             [&journal](bool, bool, bool, bool, bool, bool, bool) { journal.push_back("status"); },
             [&f](const std::string& t) { f.title = t; }});
    }
    TRecordingPage* pages[kPageCount];
};

} // namespace

TEST(DeviceStatus, StatusWords_GiveTheSevenIndicators)
{
    struct Case {
        uint16_t hardware, work, system;
        TDeviceStatusStruct expected;
    };
    const Case cases[] = {
        {0, 0, 0, {}},
        {0x0001, 0, 0, {.HardwareFault = true}},
        {0x0100, 0, 0, {.HardwareFault = true}},
        // Bits outside the hardware mask (memory faults, resets) light nothing.
        {0x0E86, 0, 0, {}},
        {0, 0, 0x0002, {.Unstable = true}},
        {0, 0, 0x8000, {.Unstable = true}},
        {0, 0, 0x0040, {.QAboveMax = true}},
        {0, 0, 0x0080, {.QBelowMin = true}},
        {0, 0, 0x0001, {.EmptyPipe = true}},
        {0, 0x0008, 0, {.ServiceMode = true}},
        {0, 0x0400, 0, {.ServiceMode = true}},
        {0, 0x0001, 0, {.Integration = true}},
        // Q bits of the work mode word are not the system word's Q bits.
        {0, 0x00C0, 0, {}},
        {0xFFFF, 0xFFFF, 0xFFFF, {true, true, true, true, true, true, true}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DeviceStatusFromWords(c.hardware, c.work, c.system), c.expected)
            << std::hex << c.hardware << " " << c.work << " " << c.system;
}

TEST(Workspace, Creation_BuildsSheetsInOrderTreeAndHiddenSheets)
{
    TWorkspaceFixture f;
    TZT_Frame& w = *f.workspace;
    EXPECT_EQ(ZT_Frame, &w);
    EXPECT_EQ(PageHost, &w);
    const char* sheets[kPageCount] = {"CurrentSheet",          "ArchiveSheet",        "NotStaffSheet",
                                      "JournalSheet",          "IdentificationSheet", "SetupSheet",
                                      "SetupSheet_2",          "ImpulseOutTabSheet",  "WorkSetupSheet",
                                      "CalibrationSheet",      "ServiceParamSheet",   "ServiceInfoSheet",
                                      "GraphObservationSheet", "AdcSignalTabSheet",   "StraitWorkTabSheet"};
    ASSERT_EQ(w.PageControl()->count(), kPageCount);
    for (int i = 0; i < kPageCount; ++i)
        EXPECT_EQ(w.PageControl()->widget(i)->objectName(), sheets[i]);
    EXPECT_FALSE(w.PageControl()->isTabVisible(pgServiceParam));
    EXPECT_FALSE(w.PageControl()->isTabVisible(pgGraphObservation));
    EXPECT_FALSE(w.PageControl()->isTabVisible(pgAdcSignal));
    EXPECT_TRUE(w.PageControl()->isTabVisible(pgServiceInfo));

    // Top level: nodes and their pages, children expanded.
    QTreeWidget* tree = w.TreeView();
    ASSERT_EQ(tree->topLevelItemCount(), 4);
    std::vector<std::pair<QString, int>> nodes;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        nodes.emplace_back((*it)->text(0), (*it)->data(0, Qt::UserRole).toInt());
    const std::vector<std::pair<QString, int>> expected = {
        {"Текущие параметры", 0}, {"Архивы", 1},  {"Журнал НС", 2}, {"Журнал оператора", 3}, {"Настройки", 4},
        {"Калибровка", 9},        {"Выходов", 7}, {"Рабочие", 8},   {"Проливка", 14}};
    EXPECT_EQ(nodes, expected);
    EXPECT_TRUE(tree->topLevelItem(1)->isExpanded());
    EXPECT_TRUE(tree->topLevelItem(2)->isExpanded());

    f.workspace.reset();
    EXPECT_EQ(ZT_Frame, nullptr);
    EXPECT_EQ(PageHost, nullptr);
}

TEST(Workspace, Completion_RefreshesThePageOfItsTag)
{
    TWorkspaceFixture f(false);
    std::vector<std::string> journal;
    TRecorded recorded(*f.workspace, journal, f);
    const std::vector<std::pair<int, std::vector<std::string>>> cases = {
        {1, {"refresh 5"}},
        {3, {"refresh 6"}},
        {5, {"refresh 0", "status"}},
        {6, {"refresh 8"}},
        {8, {"refresh 7"}},
        {10, {"refresh 9"}},
        {12, {"refresh 10"}},
        {15, {"refresh 11"}},
        {21, {"refresh 12"}},
        {23, {"refresh 4"}},
        {39, {"refresh 1"}},
        {40, {"refresh 2"}},
        {41, {"refresh 3"}},
        {37,
         {"refresh 0", "status", "refresh 9", "refresh 4", "refresh 10", "refresh 11", "refresh 5",
          "refresh 6", "refresh 7", "refresh 8"}},
        // Writes and commands refresh nothing.
        {2, {}},
        {4, {}},
        {7, {}},
        {19, {}},
        {20, {}},
        {24, {}},
        {25, {}},
        {38, {}},
    };
    for (const auto& [tag, expected] : cases) {
        journal.clear();
        f.workspace->ProcessComplete(1, tag);
        EXPECT_EQ(journal, expected) << "tag " << tag;
    }

    // A fresh identification reaches the identity of both system settings
    // pages and the identification page before the dispatch.
    journal.clear();
    f.workspace->Device().SetIdentificationChanged(true);
    f.workspace->ProcessComplete(2, 6);
    const std::vector<std::string> identified = {"identity 5", "identity 6", "identity 4", "refresh 8"};
    EXPECT_EQ(journal, identified);
    EXPECT_FALSE(f.workspace->Device().IdentificationChanged());
}

TEST(Workspace, PageReads_OnlyPagesOfTheReadTableOncePerSelection)
{
    TWorkspaceFixture f(false);
    std::vector<std::string> journal;
    TRecorded recorded(*f.workspace, journal, f);
    f.workspace->SetMainWindow({[] { return true; }, {}, {}});
    struct Case {
        int page;
        std::vector<std::string> selected, ticked;
    };
    // Archives, journals, the workbench and the hidden graph pages have a
    // read of their own on their buttons only.
    const Case cases[] = {
        {pgArchive, {}, {}},
        {pgNotStaff, {}, {}},
        {pgJournal, {}, {}},
        {pgIdentification, {"read 4"}, {"read 4", "read 0"}},
        {pgCalibration, {}, {}},
        {pgImpulseOut, {"read 7"}, {}},
        {pgWorkSetup, {"read 8"}, {}},
        {pgStraitWork, {}, {"read 0"}},
        {pgCurrent, {"read 0"}, {"read 0"}},
    };
    for (const Case& c : cases) {
        journal.clear();
        f.workspace->SelectPage(c.page);
        EXPECT_EQ(journal, c.selected) << "selected page " << c.page;
        journal.clear();
        f.workspace->TimerTick();
        EXPECT_EQ(journal, c.ticked) << "tick on page " << c.page;
    }
    for (int page :
         {pgArchive, pgNotStaff, pgJournal, pgCalibration, pgGraphObservation, pgAdcSignal, pgStraitWork}) {
        journal.clear();
        EXPECT_FALSE(f.workspace->ReadPage(page, true));
        EXPECT_TRUE(journal.empty()) << "page " << page;
    }
}

TEST(Workspace, WriteAll_CollectsInOrderAndStopsAtTheFirstRefusal)
{
    const std::vector<std::string> order = {"collect 4", "collect 5", "collect 6",
                                            "collect 9", "collect 7", "collect 8"};
    for (size_t refusing = 0; refusing <= order.size(); ++refusing) {
        TWorkspaceFixture f(false);
        std::vector<std::string> journal;
        TRecorded recorded(*f.workspace, journal, f);
        const int pagesInOrder[] = {4, 5, 6, 9, 7, 8};
        if (refusing < order.size())
            recorded.pages[pagesInOrder[refusing]]->refuse = true;
        f.workspace->WriteAllParams();
        const size_t collected = refusing < order.size() ? refusing + 1 : order.size();
        EXPECT_EQ(journal, std::vector<std::string>(order.begin(), order.begin() + long(collected)));
        if (refusing < order.size()) {
            EXPECT_FALSE(f.workspace->Wrapper(1)->IsRunning());
            EXPECT_EQ(f.Sent(16), 0u);
        } else {
            EXPECT_TRUE(f.workspace->Wrapper(1)->IsRunning());
            EXPECT_EQ(f.workspace->Wrapper(1)->Tag, 38);
            ASSERT_TRUE(f.WaitIdle(20000));
            EXPECT_GE(f.Sent(16), 6u);
        }
    }
}

TEST(Workspace, Polling_ReadsOnlyThePolledPagesOnWrapperOne)
{
    struct Case {
        int page;
        int wrapperOneTag; // -1: nothing starts
    };
    // On the identification, service and service information pages the
    // page read takes wrapper 1 and the current parameters read of the same
    // tick is refused.
    const Case cases[] = {{pgCurrent, 5},    {pgArchive, -1},        {pgNotStaff, -1},
                          {pgJournal, -1},   {pgIdentification, 23}, {pgImpulseOut, -1},
                          {pgWorkSetup, -1}, {pgCalibration, -1},    {pgStraitWork, 5}};
    TWorkspaceFixture f;
    for (const Case& c : cases) {
        f.autoRequest = false;
        f.workspace->SelectPage(c.page);
        ASSERT_EQ(f.workspace->GetCurrentPage(), c.page);
        ASSERT_TRUE(f.WaitIdle());
        f.autoRequest = true;
        f.workspace->TimerTick();
        for (int id = 2; id <= 8; ++id)
            EXPECT_FALSE(f.workspace->Wrapper(id)->IsRunning()) << "page " << c.page << " wrapper " << id;
        if (c.wrapperOneTag < 0) {
            EXPECT_FALSE(f.workspace->Wrapper(1)->IsRunning()) << "page " << c.page;
        } else {
            EXPECT_TRUE(f.workspace->Wrapper(1)->IsRunning()) << "page " << c.page;
            EXPECT_EQ(f.workspace->Wrapper(1)->Tag, c.wrapperOneTag) << "page " << c.page;
        }
        ASSERT_TRUE(f.WaitIdle());
    }

    // Pages without a tree node, reached as program code does.
    for (auto [page, tag] : {std::pair{pgServiceParam, 12}, std::pair{pgServiceInfo, 15}}) {
        f.autoRequest = false;
        ASSERT_TRUE(f.workspace->ReadPage(page, true));
        EXPECT_EQ(f.workspace->Wrapper(1)->Tag, tag);
        EXPECT_FALSE(f.workspace->ReadPage(pgCurrent, true)) << "wrapper 1 is busy";
        ASSERT_TRUE(f.WaitIdle());
    }
}

TEST(Workspace, TreeSelection_ReadsThePageWhenPollingAndNothingOnArchives)
{
    TWorkspaceFixture f;
    f.autoRequest = true;
    f.workspace->SelectPage(pgArchive);
    EXPECT_FALSE(f.workspace->Wrapper(1)->IsRunning());
    EXPECT_EQ(f.workspace->PageControl()->currentIndex(), pgArchive);

    f.workspace->SelectPage(pgIdentification);
    EXPECT_TRUE(f.workspace->Wrapper(1)->IsRunning());
    EXPECT_EQ(f.workspace->Wrapper(1)->Tag, 23);
    ASSERT_TRUE(f.WaitIdle());
    // The identification read is no current parameters read: the
    // indicators stay as they were.
    EXPECT_TRUE(f.status.empty());
    EXPECT_EQ(f.Sent(4) > 0, true);
    EXPECT_TRUE(f.log.empty()) << f.log.front();
}

TEST(Workspace, ReadAll_WhilePollRunsIsRefusedThenStarts)
{
    TWorkspaceFixture f;
    zt_sim::SimBehaviour slow;
    slow.latencyMs = 300;
    f.sim->SetBehaviour(slow);
    f.autoRequest = true;
    f.workspace->TimerTick();
    ASSERT_EQ(f.workspace->Wrapper(1)->Tag, 5);
    f.workspace->ReadAllParams();
    EXPECT_EQ(f.workspace->Wrapper(1)->Tag, 5);
    ASSERT_TRUE(f.WaitIdle());
    f.sim->SetBehaviour({});
    f.autoRequest = false;
    f.workspace->ReadAllParams();
    EXPECT_EQ(f.workspace->Wrapper(1)->Tag, 37);
    ASSERT_TRUE(f.WaitIdle(20000));
    EXPECT_TRUE(f.Logged("Все параметры считаны"));
    EXPECT_FALSE(f.status.empty());
}

TEST(Workspace, ClosedChanel_ResetsTheModelWithinOneSecond)
{
    TWorkspaceFixture f;
    f.sim->Device().SetHoldingU32(40027, 4321);
    ASSERT_TRUE(f.workspace->StartMultiOperation(23, false, {}));
    ASSERT_TRUE(f.WaitIdle());
    {
        TDeviceHelperLocker lock(f.workspace->Device());
        ASSERT_EQ(f.workspace->Device().Get(ZT_Fields::SerialNumber), 4321u);
    }
    ASSERT_TRUE(f.workspace->Device().IsIdentified());

    f.workspace->PollTimer()->start();
    f.chanel->Close(nullptr);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(f.WaitFor([&] { return !f.workspace->Device().IsIdentified(); }, 1500));
    EXPECT_LE(clock.elapsed(), 1100);
    TDeviceHelperLocker lock(f.workspace->Device());
    EXPECT_EQ(f.workspace->Device().Get(ZT_Fields::SerialNumber), 0u);
}

TEST(Workspace, BusyWrapper_RefusesSilentlyAndSecondArchiveClickCancels)
{
    TWorkspaceFixture f;
    zt_sim::SimBehaviour slow;
    slow.latencyMs = 200;
    f.sim->SetBehaviour(slow);
    const TBlockStruct& block = ZT_namespace::ZT_Blocks::CurrentParamsBlock;
    EXPECT_TRUE(f.workspace->StartRead(5, block.First, block.Count, false, "Текущие параметры считаны"));
    EXPECT_FALSE(f.workspace->StartRead(5, block.First, block.Count, false, "Текущие параметры считаны"));
    EXPECT_TRUE(f.workspace->Wrapper(2)->IsRunning());
    EXPECT_FALSE(f.workspace->Wrapper(1)->IsRunning());
    ASSERT_TRUE(f.WaitIdle());
    EXPECT_EQ(std::count(f.log.begin(), f.log.end(), "Текущие параметры считаны"), 1);

    ZT_ReadArchiveDataSetup setup;
    setup.Kinds = {0};
    setup.KindMask = 1;
    setup.ReadAll = true;
    ASSERT_TRUE(f.workspace->StartArchiveRead(ArchiveRead, setup));
    EXPECT_TRUE(f.workspace->Wrapper(6)->IsRunning());
    EXPECT_FALSE(f.workspace->StartArchiveRead(ArchiveRead, setup));
    ASSERT_TRUE(f.WaitIdle(5000));
    TInteract* record = f.workspace->Wrapper(6)->Container->Acquire();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->ResultCode, kResultCancelled);
    f.workspace->Wrapper(6)->Container->Release(false);

    EXPECT_FALSE(f.workspace->StartArchiveRead(TArchiveReadStruct{5, ""}, setup)) << "not an archive tag";
}

TEST(Workspace, Observation_StartsOnceAndStops)
{
    TWorkspaceFixture f;
    f.workspace->SetObservation(true);
    f.workspace->SetObservation(true);
    EXPECT_TRUE(f.workspace->Wrapper(4)->IsRunning());
    EXPECT_EQ(f.workspace->Wrapper(4)->Tag, 4);
    f.workspace->SetAdcSignal(true);
    EXPECT_TRUE(f.workspace->Wrapper(5)->IsRunning());
    EXPECT_EQ(f.workspace->Wrapper(5)->Tag, 5);
    f.workspace->SetObservation(false);
    f.workspace->SetAdcSignal(false);
    ASSERT_TRUE(f.WaitIdle());
}

TEST(Workspace, WriteAll_RefusesWhilePagesOfItsOrderAreNotBuilt)
{
    // Only the identification page exists here: the system settings block
    // would go out as last read.
    TWorkspaceFixture f(false);
    f.workspace->AttachPage(pgIdentification, new TIdentification);
    {
        TDeviceHelperLocker lock(f.workspace->Device());
        f.workspace->Device().Set(ZT_Fields::Du, uint16_t(50));
    }
    f.workspace->Page(pgIdentification)->RefreshPage();
    f.workspace->WriteAllParams();
    EXPECT_TRUE(f.Logged("Запись всех данных отменена: нет страницы \"Системные настройки\""));
    EXPECT_FALSE(f.workspace->Wrapper(1)->IsRunning());
    EXPECT_EQ(f.Sent(16), 0u);
}
