#pragma once
// Test peers on real pseudo-terminals: a pair whose slave side the code
// under test opens by path, and a scripted peer on the master side.

#include "modbus/crc16.h"
#include "tests/support/frames.h"
#include "util/sysutil.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

class PtyPair {
public:
    PtyPair()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            throw std::runtime_error("no pseudo-terminal");
        slavePath_ = ::ptsname(master_);
        termios raw{};
        ::tcgetattr(master_, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(master_, TCSANOW, &raw);
        // Keeps the slave side alive (a read on the master gives EIO while no
        // slave is open) and keeps its termios between openers.
        keeper_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios slaveRaw{};
        ::tcgetattr(keeper_, &slaveRaw);
        ::cfmakeraw(&slaveRaw);
        ::tcsetattr(keeper_, TCSANOW, &slaveRaw);
    }
    ~PtyPair()
    {
        if (keeper_ >= 0)
            ::close(keeper_);
        ::close(master_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    int Master() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }

    void Write(const Bytes& bytes) const
    {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno != EINTR && errno != EAGAIN)
                return;
            if (n > 0)
                done += static_cast<size_t>(n);
        }
    }
    void Write(const std::string& text) const { Write(Bytes(text.begin(), text.end())); }

    // Bytes until `silenceMs` pass without another, or `limitMs` without any.
    Bytes ReadChunk(int silenceMs, int limitMs) const
    {
        Bytes data;
        int wait = limitMs;
        for (;;) {
            pollfd pfd{master_, POLLIN, 0};
            if (::poll(&pfd, 1, wait) <= 0 || !(pfd.revents & POLLIN))
                return data;
            uint8_t buffer[512];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0)
                return data;
            data.insert(data.end(), buffer, buffer + n);
            wait = silenceMs;
        }
    }

private:
    int master_ = -1;
    int keeper_ = -1;
    std::string slavePath_;
};

// Serves requests that arrive on the master side: each request (bytes up to
// a silence of 20 ms) is handed to the script, which answers on the pair.
class ScriptedPeer {
public:
    using Script = std::function<void(const Bytes& request, const PtyPair& line)>;

    ScriptedPeer(const PtyPair& line, Script script) : line_(line), script_(std::move(script))
    {
        thread_ = std::thread([this] { Run(); });
    }
    ~ScriptedPeer()
    {
        stop_ = true;
        thread_.join();
    }
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    std::vector<Bytes> Requests() const
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return requests_;
    }

private:
    void Run()
    {
        while (!stop_) {
            Bytes request = line_.ReadChunk(20, 50);
            if (request.empty())
                continue;
            {
                std::lock_guard<std::mutex> guard(mutex_);
                requests_.push_back(request);
            }
            script_(request, line_);
        }
    }

    const PtyPair& line_;
    Script script_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<Bytes> requests_;
    std::thread thread_;
};

// The text of the general error the action raised, "no error" without one.
inline std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& error) {
        return error.Message();
    }
    return "no error";
}

inline void PauseMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Answers a read request (function 3 or 4) with register i = 0x0100 + i.
inline Bytes ReadReply(const Bytes& request)
{
    const int count = request.size() >= 6 ? (request[4] << 8 | request[5]) : 0;
    Bytes reply{request[0], request[1], static_cast<uint8_t>(2 * count)};
    for (int i = 0; i < count; ++i) {
        reply.push_back(0x01);
        reply.push_back(static_cast<uint8_t>(i));
    }
    return WithCrc(reply);
}

// Every byte as "%02X " (the form of the exchange log).
inline std::string HexBytes(const Bytes& bytes)
{
    static const char* digits = "0123456789ABCDEF";
    std::string text;
    for (uint8_t byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
        text += ' ';
    }
    return text;
}

// True when `line` is "hh:mm:ss:zzz " followed by exactly `rest`.
inline bool StampedLine(const std::string& line, const std::string& rest)
{
    const std::string pattern = "00:00:00:000 ";
    if (line.size() != pattern.size() + rest.size() ||
        line.compare(pattern.size(), std::string::npos, rest) != 0)
        return false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const bool digit = line[i] >= '0' && line[i] <= '9';
        if ((pattern[i] == '0') != digit || (!digit && line[i] != pattern[i]))
            return false;
    }
    return true;
}

// True when `text` is "Ошибка - <code> \"<some message>\"".
inline bool SocketErrorText(const std::string& text, int code)
{
    const std::string prefix = "Ошибка - " + std::to_string(code) + " \"";
    return text.size() > prefix.size() + 1 && text.compare(0, prefix.size(), prefix) == 0 &&
           text.back() == '"';
}
