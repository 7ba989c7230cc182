#pragma once
// A minimal Modbus RTU master for the simulator's tests: frames with CRC,
// and an exchange over any stream descriptor (socket or tty) that collects
// the reply with a time-out.

#include "modbus/crc16.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <vector>

namespace simtest {

inline std::vector<uint8_t> Frame(std::vector<uint8_t> bytes)
{
    uint16_t crc = Crc16(bytes.data(), int32_t(bytes.size()));
    bytes.push_back(uint8_t(crc));
    bytes.push_back(uint8_t(crc >> 8));
    return bytes;
}

inline bool CrcValid(const std::vector<uint8_t>& f)
{
    if (f.size() < 4)
        return false;
    uint16_t crc = Crc16(f.data(), int32_t(f.size() - 2));
    return f[f.size() - 2] == uint8_t(crc) && f[f.size() - 1] == uint8_t(crc >> 8);
}

struct Received {
    std::vector<uint8_t> bytes;
    int reads = 0; // how many pieces the reply came in
    bool closed = false;
    long elapsedMs = 0; // from the request to the last byte
};

// Reads until `expected` bytes came, the peer closed, or `timeoutMs` of
// silence passed (counted from the request and then from each piece).
inline Received Collect(int fd, size_t expected, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    Received r;
    auto start = Clock::now();
    while (r.bytes.size() < expected) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0)
            break;
        uint8_t chunk[600];
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0) {
            r.closed = true;
            break;
        }
        r.bytes.insert(r.bytes.end(), chunk, chunk + n);
        ++r.reads;
        r.elapsedMs =
            long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
    }
    return r;
}

inline Received Exchange(int fd, const std::vector<uint8_t>& request, size_t expected, int timeoutMs = 500)
{
    if (write(fd, request.data(), request.size()) != ssize_t(request.size()))
        return {};
    return Collect(fd, expected, timeoutMs);
}

inline std::vector<uint8_t> ReadRequest(uint8_t address, uint8_t function, uint16_t start, uint16_t count)
{
    return Frame(
        {address, function, uint8_t(start >> 8), uint8_t(start), uint8_t(count >> 8), uint8_t(count)});
}

} // namespace simtest
