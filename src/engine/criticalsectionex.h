#pragma once
// TCriticalSectionEx: the system's small lock, one word that is 0 when free
// and 1 when held. Not re-entrant: a thread that enters twice waits for ever.
// A failed attempt backs off: 0 ms for the first eight failures, then 8 ms,
// doubled after every further failure up to 512 ms.

#include <atomic>
#include <cstdint>
#include <functional>

class TCriticalSectionEx {
public:
    using SleepFunction = std::function<void(uint32_t milliseconds)>;

    TCriticalSectionEx() = default;
    TCriticalSectionEx(const TCriticalSectionEx&) = delete;
    TCriticalSectionEx& operator=(const TCriticalSectionEx&) = delete;

    void Enter();
    void Leave();
    bool TryEnter();

    // The pause after the n-th consecutive failure (n counts from 1).
    static uint32_t BackoffPause(uint32_t failures);
    // Replaces the sleep between attempts (tests observe the back-off).
    void SetSleepFunction(SleepFunction sleep) { sleep_ = std::move(sleep); }

    // Scoped guard: enters in the constructor, leaves in the destructor;
    // does nothing when given no lock.
    class CAuto {
    public:
        explicit CAuto(TCriticalSectionEx* lock) : lock_(lock)
        {
            if (lock_)
                lock_->Enter();
        }
        explicit CAuto(TCriticalSectionEx& lock) : CAuto(&lock) {}
        ~CAuto()
        {
            if (lock_)
                lock_->Leave();
        }
        CAuto(const CAuto&) = delete;
        CAuto& operator=(const CAuto&) = delete;

    private:
        TCriticalSectionEx* lock_;
    };

private:
    std::atomic<uint32_t> word_{0};
    SleepFunction sleep_;
};
