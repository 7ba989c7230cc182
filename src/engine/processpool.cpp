#include "engine/processpool.h"

#include "engine/processwrapper.h"

#include <algorithm>

ProcessPool::~ProcessPool()
{
    CancelAll();
}

ProcessPool& ProcessPool::Instance()
{
    static ProcessPool pool;
    return pool;
}

bool ProcessPool::Add(ProcessDesctiptionStruct* description, bool unique)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (unique && std::any_of(list_.begin(), list_.end(), [&](auto* d) { return d->Id == description->Id; }))
        return false;
    list_.push_back(description);
    return true;
}

ProcessDesctiptionStruct* ProcessPool::Find(int32_t id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = std::find_if(list_.begin(), list_.end(), [&](auto* d) { return d->Id == id; });
    return it == list_.end() ? nullptr : *it;
}

ProcessDesctiptionStruct* ProcessPool::At(int32_t index) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < 0 || static_cast<size_t>(index) >= list_.size())
        return nullptr;
    return list_[static_cast<size_t>(index)];
}

void ProcessPool::Remove(ProcessDesctiptionStruct* description)
{
    std::lock_guard<std::mutex> lock(mutex_);
    list_.erase(std::remove(list_.begin(), list_.end(), description), list_.end());
}

int32_t ProcessPool::Count() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int32_t>(list_.size());
}

void ProcessPool::CancelAll()
{
    std::vector<ProcessDesctiptionStruct*> copy;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        copy = list_;
    }
    for (auto* d : copy)
        d->Cancel();
}
