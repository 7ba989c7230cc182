#include "engine/notifywindow.h"

#include <atomic>
#include <chrono>

namespace {
std::atomic<TMessageDispatcher*> g_dispatcher{nullptr};
}

TMessageDispatcher* TMessageDispatcher::Current()
{
    return g_dispatcher.load(std::memory_order_acquire);
}

void TMessageDispatcher::Install(TMessageDispatcher* dispatcher)
{
    g_dispatcher.store(dispatcher, std::memory_order_release);
}

void TQueueDispatcher::Post(std::function<void()> task)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(std::move(task));
    }
    arrived_.notify_all();
}

int TQueueDispatcher::ProcessMessages()
{
    int ran = 0;
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (queue_.empty())
                return ran;
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        task();
        ++ran;
    }
}

bool TQueueDispatcher::WaitUntil(const std::function<bool()>& done, uint32_t timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        ProcessMessages();
        if (done())
            return true;
        std::unique_lock<std::mutex> lock(mutex_);
        if (!arrived_.wait_until(lock, deadline, [this] { return !queue_.empty(); })) {
            lock.unlock();
            ProcessMessages();
            return done();
        }
    }
}

struct TNotifyWindow::State {
    Handler handler;
    std::atomic<bool> alive{true};
};

TNotifyWindow TNotifyWindow::Create(Handler handler)
{
    TNotifyWindow window;
    window.state_ = std::make_shared<State>();
    window.state_->handler = std::move(handler);
    return window;
}

void TNotifyWindow::Post(uint32_t message, intptr_t wParam, intptr_t lParam) const
{
    if (!state_ || !state_->alive.load(std::memory_order_acquire))
        return;
    TMessageDispatcher* dispatcher = TMessageDispatcher::Current();
    if (!dispatcher)
        return;
    std::shared_ptr<State> state = state_;
    dispatcher->Post([state, message, wParam, lParam] {
        if (state->alive.load(std::memory_order_acquire) && state->handler)
            state->handler(message, wParam, lParam);
    });
}

void TNotifyWindow::Destroy()
{
    if (state_)
        state_->alive.store(false, std::memory_order_release);
}

bool TNotifyWindow::IsValid() const
{
    return state_ && state_->alive.load(std::memory_order_acquire);
}
