#pragma once
// ProcessPool: the ordered list of the running processes' descriptions (not
// owning them), one instance for the whole run. At exit it cancels every
// listed operation.

#include <cstdint>
#include <mutex>
#include <vector>

struct ProcessDesctiptionStruct;

class ProcessPool {
public:
    ProcessPool() = default;
    ~ProcessPool();
    ProcessPool(const ProcessPool&) = delete;
    ProcessPool& operator=(const ProcessPool&) = delete;

    bool Add(ProcessDesctiptionStruct* description, bool unique);
    ProcessDesctiptionStruct* Find(int32_t id) const;
    ProcessDesctiptionStruct* At(int32_t index) const;
    void Remove(ProcessDesctiptionStruct* description);
    int32_t Count() const;
    // Sets the cancel request of every listed process.
    void CancelAll();

    // The process-wide pool.
    static ProcessPool& Instance();

private:
    mutable std::mutex mutex_;
    std::vector<ProcessDesctiptionStruct*> list_;
};
