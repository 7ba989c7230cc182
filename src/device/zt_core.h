#pragma once
// Archive and journal reading: the operation that finds the ring pointers
// of the chosen kinds, narrows them to a start date, fetches the records and
// publishes them to the pages, and the ring arithmetic it relies on. The
// record decoders live in zt_decode.

#include "device/zt_decode.h"
#include "device/zt_helper.h"
#include "engine/processthread.h"

#include <cstdint>
#include <vector>

struct ZT_ReadArchiveDataSetup {
    std::vector<uint32_t> Kinds; // in reading order; the low byte is the kind
    int32_t KindMask = 0;        // bit k: kind k is cleared and published
    bool SearchStart = false; // read from the first record dated DateFrom or later
    bool SearchEnd = false;   // stop before the first record dated after DateTo
    bool KeepPartial = false;
    bool Reserved = false;
    bool ReadAll = false;
    // A reading that ends without its records (an unknown version, a reply
    // of another function, no records) raises its message instead of only
    // reporting it, so that a caller without a page can tell it failed.
    bool FailIncomplete = false;
    TDateTime DateFrom = 0;
    TDateTime DateTo = 0;
};

namespace ZT_namespace {

// Records in a ring of capacity last + 1 from tail up to (not including) head.
constexpr int32_t RingCount(int32_t last, int32_t tail, int32_t head)
{
    return head >= tail ? head - tail : head + last - tail + 1;
}

// One kind's reading plan, after read-all, the date search and the pointer
// checks.
struct TArchivePlanStruct {
    int32_t Kind = 0;
    int32_t Tail = 0;
    int32_t Count = 0;
    int32_t Requests = 0;
};

} // namespace ZT_namespace

class ZT_ReadArchiveAlgorithm : public ProcessAlgorithm {
public:
    ZT_ReadArchiveAlgorithm(ZT_ReadArchiveDataSetup setup, ZT_Helper* device, TInteractContainer* container);
    void Execute() override;

    ZT_ReadArchiveDataSetup Setup;
    ZT_Helper* Device;

private:
    void Read();
    void Post(const std::string& text);
    bool Selected(uint32_t entry) const;
};
