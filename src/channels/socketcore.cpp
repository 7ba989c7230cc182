#include "channels/socketcore.h"

#include "util/sysutil.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

TSyncSocket::TSyncSocket(int32_t timeoutMs, int32_t intervalMs)
    : Timeout(timeoutMs), IntervalTimeout(intervalMs)
{
}

TSyncSocket::~TSyncSocket()
{
    Close();
}

std::string TSyncSocket::ErrorText(int32_t code, const std::string& message)
{
    return Format("Ошибка - %d \"%s\"", code, message.c_str());
}

void TSyncSocket::SetError(int32_t code, const std::string& message)
{
    LastError = code;
    LastErrorMessage = message;
}

void TSyncSocket::SetErrno(int errorCode)
{
    SetError(errorCode, SysErrorMessage(errorCode));
}

int TSyncSocket::Wait(short events, int32_t timeoutMs)
{
    pollfd pfd{Socket, events, 0};
    const uint64_t deadline = GetTickCount64() + static_cast<uint64_t>(std::max(timeoutMs, 0));
    for (;;) {
        if (Cancelled && Cancelled()) {
            SetError(kSocketErrorCancelled, "cancelled");
            return -1;
        }
        const uint64_t now = GetTickCount64();
        const int32_t left = now >= deadline ? 0 : static_cast<int32_t>(deadline - now);
        const int32_t slice = Cancelled ? std::min(left, kCancelPollMs) : left;
        const int ready = ::poll(&pfd, 1, slice);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0) {
            SetErrno(errno);
            return -1;
        }
        if (ready > 0)
            return 1;
        if (slice >= left)
            return 0;
    }
}

bool TSyncSocket::Create()
{
    Close();
    Socket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (Socket < 0) {
        SetErrno(errno);
        return false;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = 0;
    if (::bind(Socket, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        SetErrno(errno);
        Close();
        return false;
    }
    return true;
}

bool TSyncSocket::Connect(const std::string& host, int32_t port)
{
    if (Socket < 0) {
        SetErrno(EBADF);
        return false;
    }
    // A port typed beyond 16 bits would otherwise wrap to another service.
    if (port < 1 || port > 65535) {
        SetError(kSocketErrorInvalidArgument, Format("недопустимый номер порта %d", port).c_str());
        return false;
    }
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, host.c_str(), &remote.sin_addr) != 1) {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const int rc = host.empty() ? EAI_NONAME : ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
        if (rc != 0 || !found) {
            SetError(kSocketErrorInvalidArgument, ::gai_strerror(rc != 0 ? rc : EAI_NONAME));
            if (found)
                ::freeaddrinfo(found);
            return false;
        }
        remote.sin_addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
        ::freeaddrinfo(found);
    }
    if (::connect(Socket, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0)
        return true;
    if (errno != EINPROGRESS) {
        SetErrno(errno);
        return false;
    }
    const int ready = Wait(POLLOUT, Timeout);
    if (ready < 0)
        return false;
    if (ready == 0) {
        SetError(kSocketErrorTimedOut, SysErrorMessage(ETIMEDOUT));
        return false;
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(Socket, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        error = errno;
    if (error != 0) {
        SetErrno(error);
        return false;
    }
    return true;
}

int32_t TSyncSocket::Send(const uint8_t* bytes, int32_t count)
{
    int32_t sent = 0;
    while (sent < count) {
        const int ready = Wait(POLLOUT, Timeout);
        if (ready < 0)
            return -1;
        if (ready == 0) {
            SetError(ETIMEDOUT, SysErrorMessage(ETIMEDOUT));
            return -1;
        }
        const ssize_t n = ::send(Socket, bytes + sent, static_cast<size_t>(count - sent), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            SetErrno(errno);
            return -1;
        }
        sent += static_cast<int32_t>(n);
    }
    return sent;
}

int32_t TSyncSocket::Receive(uint8_t* buffer, int32_t capacity)
{
    int32_t received = 0;
    int32_t wait = Timeout;
    // Timeout bounds the whole receive, as the total read time-out does on a
    // serial line: a peer that trickles bytes cannot stretch it.
    const uint64_t deadline = GetTickCount64() + static_cast<uint64_t>(std::max(Timeout, 0));
    while (received < capacity) {
        if (received > 0) {
            const uint64_t now = GetTickCount64();
            if (now >= deadline)
                break;
            wait = static_cast<int32_t>(
                std::min<uint64_t>(static_cast<uint64_t>(IntervalTimeout), deadline - now));
        }
        // A time-out or a failed wait ends the receive; so does a peer that
        // closed the connection.
        if (Wait(POLLIN, wait) <= 0)
            break;
        const ssize_t n = ::recv(Socket, buffer + received, static_cast<size_t>(capacity - received), 0);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            SetErrno(errno);
            break;
        }
        if (n == 0)
            break;
        received += static_cast<int32_t>(n);
        if (IntervalTimeout <= 0)
            break;
    }
    return received > 0 ? received : -1;
}

void TSyncSocket::Discard(uint8_t* scratch, int32_t size)
{
    const uint64_t deadline = GetTickCount64() + kDiscardMaxMs;
    int32_t dropped = 0;
    while (dropped < kDiscardMaxBytes && GetTickCount64() < deadline) {
        int waiting = 0;
        if (Socket < 0 || ::ioctl(Socket, FIONREAD, &waiting) != 0 || waiting <= 0)
            return;
        const int32_t chunk = std::min({waiting, size, kDiscardMaxBytes - dropped});
        const ssize_t n = ::recv(Socket, scratch, static_cast<size_t>(chunk), MSG_DONTWAIT);
        if (n <= 0)
            return;
        dropped += static_cast<int32_t>(n);
    }
}

void TSyncSocket::Close()
{
    if (Socket >= 0) {
        ::close(Socket);
        Socket = -1;
    }
}
