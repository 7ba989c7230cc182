#pragma once
// The hidden message windows of the system. A TNotifyWindow is a handle that
// any thread posts a message to without waiting; its handler runs later on
// the window thread, whose queue is the installed TMessageDispatcher. The
// program installs one over the Qt event loop; tests install a
// TQueueDispatcher and drain it themselves.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

constexpr uint32_t WM_USER = 1024;
// The indicator lamps' message (Part of the channel interface).
constexpr uint32_t WM_INDICATOR = 1122;
// The process notification of the engine.
constexpr uint32_t WM_PROCESS_NOTIFY = WM_USER + 99;

// The window thread's queue.
class TMessageDispatcher {
public:
    virtual ~TMessageDispatcher() = default;
    // Queues `task` to run on the window thread. Never blocks; callable from
    // any thread.
    virtual void Post(std::function<void()> task) = 0;

    // The dispatcher of the process; null until one is installed. Posts made
    // while none is installed are dropped.
    static TMessageDispatcher* Current();
    static void Install(TMessageDispatcher* dispatcher);
};

// A dispatcher whose queue the owning thread drains itself (tests, the
// command line).
class TQueueDispatcher : public TMessageDispatcher {
public:
    void Post(std::function<void()> task) override;
    // Runs every task queued so far (and those they queue); returns how many ran.
    int ProcessMessages();
    // Runs tasks as they arrive until `done` is true or `timeoutMs` passed.
    // True when `done` became true.
    bool WaitUntil(const std::function<bool()>& done, uint32_t timeoutMs);

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::function<void()>> queue_;
};

// Installs a dispatcher for the lifetime of the object and restores the
// previous one after.
class TDispatcherScope {
public:
    explicit TDispatcherScope(TMessageDispatcher* dispatcher) : previous_(TMessageDispatcher::Current())
    {
        TMessageDispatcher::Install(dispatcher);
    }
    ~TDispatcherScope() { TMessageDispatcher::Install(previous_); }
    TDispatcherScope(const TDispatcherScope&) = delete;
    TDispatcherScope& operator=(const TDispatcherScope&) = delete;

private:
    TMessageDispatcher* previous_;
};

class TNotifyWindow {
public:
    using Handler = std::function<void(uint32_t message, intptr_t wParam, intptr_t lParam)>;

    // A null handle: posts go nowhere.
    TNotifyWindow() = default;
    static TNotifyWindow Create(Handler handler);

    // Queues the message for the handler; never blocks. A message posted to
    // a null or destroyed window is dropped.
    void Post(uint32_t message, intptr_t wParam = 0, intptr_t lParam = 0) const;
    // From the window thread: no handler call happens after this returns,
    // also for messages still queued. Every copy of the handle sees it.
    void Destroy();
    bool IsValid() const;
    explicit operator bool() const { return IsValid(); }
    bool operator==(const TNotifyWindow& other) const { return state_ == other.state_; }

private:
    struct State;
    std::shared_ptr<State> state_;
};
