#pragma once
// A hostile gateway: a TCP proxy on loopback in front of the simulated
// meter that hands each reply to a plan, which may damage it, split it,
// trickle it, cut it off with the connection, or follow it with a flood.

#include "modbus/crc16.h"

#include <arpa/inet.h>
#include <atomic>
#include <cstdint>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using ProxyBytes = std::vector<uint8_t>;

// What the gateway does with one reply of the meter.
struct ProxyPlan {
    ProxyBytes Data;    // what goes back (the reply, damaged or not)
    int PieceBytes = 0; // 0: all at once; else pieces of this many bytes
    int PauseMs = 0;    // pause before each piece
    bool Close = false; // close the connection after the data
    bool Flood = false; // after the data, noise without a pause until the client leaves
};

// request, reply -> plan
using ProxyRule = std::function<ProxyPlan(const ProxyBytes& request, const ProxyBytes& reply)>;

// The frame with its CRC recomputed, so that only its content lies.
inline ProxyBytes Recrc(ProxyBytes frame)
{
    if (frame.size() < 4)
        return frame;
    const uint16_t crc = Crc16(frame.data(), int32_t(frame.size() - 2));
    frame[frame.size() - 2] = uint8_t(crc & 0xFF);
    frame[frame.size() - 1] = uint8_t(crc >> 8);
    return frame;
}

class HostileProxy {
public:
    HostileProxy(uint16_t meterPort, ProxyRule rule) : meterPort_(meterPort), rule_(std::move(rule))
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 4);
        socklen_t size = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~HostileProxy()
    {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }
    uint16_t Port() const { return port_; }

private:
    // Bytes until `silenceMs` without another, the first awaited up to firstMs.
    ProxyBytes ReadFrame(int fd, int firstMs, int silenceMs, bool& closed)
    {
        ProxyBytes data;
        int waited = 0;
        while (!stop_) {
            pollfd pfd{fd, POLLIN, 0};
            const int ready = ::poll(&pfd, 1, data.empty() ? 20 : silenceMs);
            if (ready <= 0) {
                if (!data.empty())
                    return data;
                waited += 20;
                if (firstMs >= 0 && waited >= firstMs)
                    return data;
                continue;
            }
            uint8_t buffer[2048];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                closed = true;
                return data;
            }
            data.insert(data.end(), buffer, buffer + n);
        }
        return data;
    }

    static void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    void Serve(int client)
    {
        const int meter = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(meterPort_);
        if (::connect(meter, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(meter);
            return;
        }
        bool closed = false;
        while (!stop_ && !closed) {
            const ProxyBytes request = ReadFrame(client, -1, 20, closed);
            if (request.empty())
                continue;
            ::send(meter, request.data(), request.size(), MSG_NOSIGNAL);
            bool meterClosed = false;
            const ProxyBytes reply = ReadFrame(meter, 1000, 30, meterClosed);
            const ProxyPlan plan = rule_(request, reply);
            const size_t piece = plan.PieceBytes > 0 ? size_t(plan.PieceBytes) : plan.Data.size();
            for (size_t at = 0; at < plan.Data.size() && !stop_; at += piece) {
                if (plan.PauseMs > 0)
                    Pause(plan.PauseMs);
                ::send(client, plan.Data.data() + at, std::min(piece, plan.Data.size() - at), MSG_NOSIGNAL);
            }
            if (plan.Close)
                break;
            if (plan.Flood) {
                const ProxyBytes noise(4096, 0x5A);
                while (!stop_) {
                    pollfd pfd{client, POLLOUT, 0};
                    if (::poll(&pfd, 1, 20) <= 0)
                        continue;
                    if (::send(client, noise.data(), noise.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 &&
                        errno != EAGAIN)
                        break; // the client left
                }
                break;
            }
        }
        ::close(meter);
    }

    void Run()
    {
        while (!stop_) {
            pollfd pfd{listener_, POLLIN, 0};
            if (::poll(&pfd, 1, 20) <= 0)
                continue;
            const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            Serve(client);
            ::close(client);
        }
    }

    uint16_t meterPort_;
    ProxyRule rule_;
    int listener_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
