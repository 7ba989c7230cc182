#include "engine/qtnotifydispatcher.h"
#include "engine/processwrapper.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <thread>

namespace {
class Answer : public ProcessAlgorithm {
public:
    explicit Answer(std::thread::id* worker) : ProcessAlgorithm(nullptr), worker_(worker) {}
    void Execute() override { *worker_ = std::this_thread::get_id(); }

private:
    std::thread::id* worker_;
};
}  // namespace

TEST(QtNotifyDispatcher, HandlersRunOnTheWindowThread)
{
    int argc = 0;
    QApplication app(argc, nullptr);
    TQtNotifyDispatcher dispatcher;
    TDispatcherScope scope(&dispatcher);
    TProcessWrapper wrapper(1);
    std::thread::id worker, handler;
    bool done = false;
    wrapper.OnComplete = [&](int32_t, int32_t) {
        handler = std::this_thread::get_id();
        done = true;
    };
    ASSERT_TRUE(wrapper.Start(std::make_unique<Answer>(&worker), 0));
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));
    EXPECT_EQ(handler, std::this_thread::get_id());
    EXPECT_NE(worker, std::this_thread::get_id());
}
