#pragma once
// Filter: a moving average over the newest values of a small ring, used to
// smooth the number of samples per delivery of the readings graph. With a
// jump ratio set, a value that departs from the running mean by more than
// that ratio (either way) drops the history and starts the average afresh
// from itself, so that a real change of rate shows at once instead of
// trailing through the window.

#include <array>
#include <cstdint>

class Filter {
public:
    static constexpr int32_t kRingSize = 101;
    static constexpr int32_t kMaxWindow = kRingSize - 1;

    Filter() { Init(); }

    // Window 1, no jump detection, nothing stored.
    void Init();
    // The number of newest values averaged; used as 1 to 100.
    void SetWindow(int32_t window) { Window = window; }
    // 0 turns jump detection off; a negative ratio is taken as 0.
    void SetJumpRatio(float ratio) { JumpRatio = ratio < 0 ? 0 : ratio; }
    // Stores `value` and returns the filtered value.
    float Add(float value);

    int32_t GetWindow() const { return Window; }
    float GetJumpRatio() const { return JumpRatio; }
    // Values the next average may take from (at most kMaxWindow).
    int32_t Stored() const;

private:
    std::array<float, kRingSize> Ring{};
    float JumpRatio = 0;
    int32_t Head = 0;
    int32_t Tail = 0;
    int32_t Window = 1;
};
