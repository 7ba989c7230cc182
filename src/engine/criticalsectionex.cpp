#include "engine/criticalsectionex.h"

#include "util/sysutil.h"

uint32_t TCriticalSectionEx::BackoffPause(uint32_t failures)
{
    if (failures <= 8)
        return 0;
    const uint32_t doublings = failures - 9;  // the ninth failure waits 8 ms
    if (doublings >= 6)
        return 512;
    return 8u << doublings;
}

bool TCriticalSectionEx::TryEnter()
{
    uint32_t expected = 0;
    return word_.compare_exchange_strong(expected, 1, std::memory_order_acquire, std::memory_order_relaxed);
}

void TCriticalSectionEx::Enter()
{
    uint32_t failures = 0;
    while (!TryEnter()) {
        ++failures;
        const uint32_t pause = BackoffPause(failures);
        if (sleep_)
            sleep_(pause);
        else
            Sleep(pause);
    }
}

void TCriticalSectionEx::Leave()
{
    word_.store(0, std::memory_order_release);
}
