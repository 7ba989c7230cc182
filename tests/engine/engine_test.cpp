#include "engine/processpool.h"
#include "engine/processwrapper.h"
#include "util/sysutil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// An operation whose end the test controls: it reports, then waits for a
// release (with cancel checks), then returns or raises as told.
class ScriptedAlgorithm : public ProcessAlgorithm {
public:
    enum class End { Return, RaiseGeneral, RaiseOther };
    ScriptedAlgorithm(End end, std::atomic<bool>* release = nullptr, bool quiet = false)
        : ProcessAlgorithm(nullptr), end_(end), release_(release)
    {
        Quiet = quiet;
    }
    void Execute() override
    {
        QueueMessage(Container, "шаг");
        ProgressDone = 1;
        ProgressTotal = 4;
        UpdateProgress();
        PostData("данные");
        while (release_ && !release_->load()) {
            if (end_ == End::RaiseGeneral)
                CheckCancel();
            Sleep(1);
        }
        if (end_ == End::RaiseGeneral)
            throw Exception("сбой");
        if (end_ == End::RaiseOther)
            throw std::runtime_error("other");
    }

private:
    End end_;
    std::atomic<bool>* release_;
};

struct Events {
    std::vector<std::string> log;
    std::vector<int> progress;
    std::vector<std::string> data;
    int completed = 0;
    int errorCode = -1;
    int completeTag = -1;
};

class EngineTest : public ::testing::Test {
protected:
    EngineTest() : scope_(&dispatcher_), wrapper_(7)
    {
        wrapper_.OnMessage = [this](const std::string& text, TInteractContainer* c) {
            EXPECT_EQ(c, nullptr);
            events_.log.push_back(text);
        };
        wrapper_.OnProgress = [this](int32_t id, int32_t, int32_t percent) {
            EXPECT_EQ(id, 7);
            events_.progress.push_back(percent);
        };
        wrapper_.OnData = [this](TInteract& record) { events_.data.push_back(record.DataText); };
        wrapper_.OnComplete = [this](int32_t, int32_t tag) {
            ++events_.completed;
            events_.completeTag = tag;
        };
        wrapper_.OnError = [this](int32_t, int32_t, int32_t code) { events_.errorCode = code; };
    }

    bool WaitIdle() { return dispatcher_.WaitUntil([this] { return !wrapper_.IsRunning(); }, 5000); }

    TQueueDispatcher dispatcher_;
    TDispatcherScope scope_;
    TProcessWrapper wrapper_;
    Events events_;
};

}  // namespace

TEST_F(EngineTest, BusyWrapperRefusesUntilTheFinishingNotificationIsHandled)
{
    std::atomic<bool> release{false};
    ASSERT_TRUE(wrapper_.Start(std::make_unique<ScriptedAlgorithm>(ScriptedAlgorithm::End::Return, &release), 11, "готово"));
    EXPECT_TRUE(wrapper_.IsRunning());
    EXPECT_EQ(ProcessPool::Instance().Find(7), &wrapper_);
    EXPECT_FALSE(wrapper_.Start(std::make_unique<ScriptedAlgorithm>(ScriptedAlgorithm::End::Return), 12));
    release = true;
    // Even after the worker has returned, the wrapper stays busy until the
    // window thread has handled the notification.
    for (int i = 0; i < 500; ++i) {
        TInteract* r = wrapper_.Container->Acquire();
        const bool finished = r->Finished;
        wrapper_.Container->Release(false);
        if (finished)
            break;
        Sleep(2);
    }
    EXPECT_FALSE(wrapper_.Start(std::make_unique<ScriptedAlgorithm>(ScriptedAlgorithm::End::Return), 13));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ProcessPool::Instance().Find(7), nullptr);
    EXPECT_EQ(events_.completed, 1);
    EXPECT_EQ(events_.completeTag, 11);
    EXPECT_EQ(events_.log, (std::vector<std::string>{"шаг", "готово"}));
    EXPECT_EQ(events_.data, (std::vector<std::string>{"данные"}));
    ASSERT_FALSE(events_.progress.empty());
    EXPECT_EQ(events_.progress.back(), 0);  // the end resets the progress
    EXPECT_NE(std::find(events_.progress.begin(), events_.progress.end(), 25), events_.progress.end());
    ASSERT_TRUE(wrapper_.Start(std::make_unique<ScriptedAlgorithm>(ScriptedAlgorithm::End::Return), 14));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(events_.completed, 2);
}

struct FailureCase {
    const char* name;
    ScriptedAlgorithm::End end;
    bool cancel;
    bool quiet;
    int code;
    std::vector<std::string> log;
};

TEST_F(EngineTest, FailuresEndWithTheirCodeAndMessage)
{
    const FailureCase cases[] = {
        {"general error", ScriptedAlgorithm::End::RaiseGeneral, false, false, 3, {"шаг", "сбой"}},
        {"quiet general error", ScriptedAlgorithm::End::RaiseGeneral, false, true, 3, {"шаг"}},
        {"cancelled", ScriptedAlgorithm::End::RaiseGeneral, true, false, 2, {"шаг", "Выполнение процесса прервано"}},
        {"other error", ScriptedAlgorithm::End::RaiseOther, false, false, 3, {"шаг"}},
    };
    for (const auto& c : cases) {
        events_ = {};
        std::atomic<bool> release{false};
        ASSERT_TRUE(wrapper_.Start(std::make_unique<ScriptedAlgorithm>(c.end, &release, c.quiet), 1, "готово"));
        if (c.cancel)
            wrapper_.Cancel();
        else
            release = true;
        ASSERT_TRUE(WaitIdle()) << c.name;
        EXPECT_EQ(events_.errorCode, c.code) << c.name;
        EXPECT_EQ(events_.completed, 0) << c.name;
        EXPECT_EQ(events_.log, c.log) << c.name;
    }
}

TEST_F(EngineTest, CaptionPrefixesEveryMessage)
{
    wrapper_.Caption = "Архив";
    ASSERT_TRUE(wrapper_.Start(std::make_unique<ScriptedAlgorithm>(ScriptedAlgorithm::End::Return), 1, "считан"));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(events_.log, (std::vector<std::string>{"[Архив] шаг", "[Архив] считан"}));
}

TEST_F(EngineTest, DestroyingARunningWrapperCancelsAndWaitsForItsWorker)
{
    std::atomic<bool> release{false};
    auto wrapper = std::make_unique<TProcessWrapper>(8);
    ASSERT_TRUE(wrapper->Start(std::make_unique<ScriptedAlgorithm>(ScriptedAlgorithm::End::RaiseGeneral, &release), 1));
    wrapper.reset();  // returns only after the worker ended; nothing is left behind
    EXPECT_EQ(ProcessPool::Instance().Find(8), nullptr);
    dispatcher_.ProcessMessages();  // queued notifications of a destroyed wrapper are dropped
}

TEST(ProgressPercent, Arithmetic)
{
    const int cases[][3] = {{0, 0, 0}, {5, 0, 0}, {1, 3, 33}, {3, 3, 100}, {7, 3, 100}, {50, 200, 25}};
    for (const auto& c : cases)
        EXPECT_EQ(ProcessAlgorithm::ProgressPercent(c[0], c[1]), c[2]) << c[0] << "/" << c[1];
}

TEST(CriticalSectionEx, BackoffSequence)
{
    std::vector<uint32_t> expected(8, 0);
    for (uint32_t p : {8u, 16u, 32u, 64u, 128u, 256u, 512u, 512u, 512u})
        expected.push_back(p);
    std::vector<uint32_t> pauses;
    TCriticalSectionEx lock;
    lock.Enter();
    // The injected sleep records each pause and frees the lock after the
    // 17th failure.
    lock.SetSleepFunction([&](uint32_t ms) {
        pauses.push_back(ms);
        if (pauses.size() == expected.size())
            lock.Leave();
    });
    lock.Enter();
    EXPECT_EQ(pauses, expected);
    lock.Leave();
}

TEST(CriticalSectionEx, GuardsAndExcludes)
{
    TCriticalSectionEx lock;
    { TCriticalSectionEx::CAuto none(nullptr); }
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                TCriticalSectionEx::CAuto guard(lock);
                ++counter;
            }
        });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(counter, 8000);
    EXPECT_TRUE(lock.TryEnter());
    EXPECT_FALSE(lock.TryEnter());
    lock.Leave();
}

TEST(ProcessPool, AddFindAtRemove)
{
    ProcessDesctiptionStruct a(1), b(1), c(2);
    ProcessPool pool;  // destroyed first: at exit it cancels what is still listed
    EXPECT_TRUE(pool.Add(&a, true));
    EXPECT_FALSE(pool.Add(&b, true));
    EXPECT_TRUE(pool.Add(&b, false));
    EXPECT_TRUE(pool.Add(&c, true));
    EXPECT_EQ(pool.Find(1), &a);
    EXPECT_EQ(pool.At(2), &c);
    EXPECT_EQ(pool.At(3), nullptr);
    EXPECT_EQ(pool.At(-1), nullptr);
    pool.Remove(&a);
    EXPECT_EQ(pool.Find(1), &b);
    pool.CancelAll();
    TInteract* record = c.Container->Acquire();
    EXPECT_TRUE(record->CancelRequested);
    c.Container->Release(false);
}

TEST(Interact, CheckCancelAndMessagesQueue)
{
    TInteractContainer container;
    EXPECT_NO_THROW(CheckCancel(&container, "x"));
    EXPECT_NO_THROW(CheckCancel(nullptr, "x"));
    QueueMessage(&container, "a");
    QueueMessage(&container, "b");
    TInteract* r = container.Acquire();
    EXPECT_EQ(r->PopMessage(), "a");
    EXPECT_EQ(r->PopMessage(), "b");
    EXPECT_EQ(r->PopMessage(), "");
    r->SetCancel(true);
    container.Release(false);
    try {
        CheckCancel(&container, "остановлено");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "остановлено");
    }
}
