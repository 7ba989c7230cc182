#include "observation/filter.h"

#include <algorithm>

void Filter::Init()
{
    Ring.fill(0);
    JumpRatio = 0;
    Head = 0;
    Tail = 0;
    Window = 1;
}

int32_t Filter::Stored() const
{
    int32_t count = Head - Tail;
    return count < 0 ? count + kRingSize : count;
}

float Filter::Add(float value)
{
    const int32_t written = Head;
    Ring[static_cast<size_t>(Head)] = value;
    Head = (Head + 1) % kRingSize;
    if (Head == Tail)
        Tail = (Tail + 1) % kRingSize;

    const int32_t count = std::min(Stored(), std::clamp(Window, 1, kMaxWindow));
    if (JumpRatio == 0 || value != 0) {
        float sum = 0;
        for (int32_t i = 1; i <= count; ++i)
            sum += Ring[static_cast<size_t>((Head - i + kRingSize) % kRingSize)];
        if (count < 2)
            return sum;
        const float mean = sum / static_cast<float>(count);
        if (JumpRatio == 0)
            return mean;
        if (value >= mean && (mean == 0 || value / mean <= JumpRatio))
            return mean;
        if (value < mean && mean / value <= JumpRatio)
            return mean;
    }
    // A jump (or a zero with jump detection on): the history goes, the new
    // value stays as the only one stored.
    Tail = written;
    return value;
}
