#pragma once
// A channel that answers from a script of reply frames: the peer for replies
// the simulated meter never sends (malformed counts and lengths). Every
// request is kept, and every log text.

#include "channels/chanelhelper.h"
#include "modbus/crc16.h"
#include "tests/support/frames.h"
#include "util/sysutil.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

class ScriptedChanel : public TChanelHelperBase {
public:
    ScriptedChanel()
    {
        Address = 1;
        SetOnLog([this](const std::string& text, TInteractContainer*) {
            std::lock_guard<std::mutex> lock(mutex_);
            Logs.push_back(text);
        });
    }
    bool IsOpen() override { return true; }
    void SetTimeouts(int32_t totalMs, int32_t intervalMs, TInteractContainer*) override
    {
        Timeouts.push_back({totalMs, intervalMs});
    }
    int32_t Exchange(const uint8_t* request, uint8_t* reply, int32_t requestLength, int32_t replyCapacity,
                     TInteractContainer*) override
    {
        Requests.emplace_back(request, request + requestLength);
        Capacities.push_back(replyCapacity);
        if (Replies.empty())
            throw Exception("Прибор не отвечает");
        Bytes frame = Replies.front();
        Replies.pop_front();
        int32_t n = std::min<int32_t>(replyCapacity, static_cast<int32_t>(frame.size()));
        std::memcpy(reply, frame.data(), static_cast<size_t>(n));
        return n;
    }
    std::vector<std::string> LogTexts()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return Logs;
    }

    std::deque<Bytes> Replies;
    std::vector<Bytes> Requests;
    std::vector<int32_t> Capacities;
    std::vector<std::pair<int32_t, int32_t>> Timeouts;
    std::vector<std::string> Logs;

private:
    std::mutex mutex_;
};
