#pragma once
// TSyncSocket: a non-blocking IPv4 TCP client socket whose operations wait
// with poll(): for the first byte of a receive and for writability up to
// Timeout, for each further chunk of a receive up to IntervalTimeout. Every
// wait also asks the Cancelled probe, when one is set, at least every
// kCancelPollMs, and ends with kSocketErrorCancelled when it says yes.

#include <cstdint>
#include <functional>
#include <string>

// Socket error codes kept with the numbers the logs have always shown.
constexpr int32_t kSocketErrorInvalidArgument = 10022; // host name does not resolve
constexpr int32_t kSocketErrorTimedOut = 10060;        // no connection in time
constexpr int32_t kSocketErrorCancelled = -2;          // the Cancelled probe said yes

// The longest a wait goes without asking the Cancelled probe.
constexpr int32_t kCancelPollMs = 50;
// A discard drops at most this many bytes and spends at most this long: a
// peer that never stops sending must not hold the exchange.
constexpr int32_t kDiscardMaxBytes = 64 * 1024;
constexpr int32_t kDiscardMaxMs = 50;

class TSyncSocket {
public:
    TSyncSocket(int32_t timeoutMs, int32_t intervalMs);
    ~TSyncSocket();
    TSyncSocket(const TSyncSocket&) = delete;
    TSyncSocket& operator=(const TSyncSocket&) = delete;

    // False on failure, with LastError/LastErrorMessage set.
    bool Create();
    // A dotted address is used as is, a name is resolved to its first IPv4
    // address (10022 when it does not resolve); 10060 when the connection is
    // not made within Timeout.
    bool Connect(const std::string& host, int32_t port);
    // All bytes or -1; gives up after Timeout when the socket never becomes
    // writable.
    int32_t Send(const uint8_t* bytes, int32_t count);
    // Bytes until capacity, until no further byte within IntervalTimeout
    // (IntervalTimeout 0 ends after the first chunk), until Timeout has
    // passed since the call, until the peer closes, or until the wait fails.
    // -1 when nothing was received.
    int32_t Receive(uint8_t* buffer, int32_t capacity);
    // Drops what has arrived and not been read, up to kDiscardMaxBytes
    // and kDiscardMaxMs.
    void Discard(uint8_t* scratch, int32_t size);
    void Close();
    bool IsCreated() const { return Socket >= 0; }
    // Whether the last failure was a cancel request.
    bool WasCancelled() const { return LastError == kSocketErrorCancelled; }
    void ClearError() { SetError(0, {}); }

    // "Ошибка - %d \"%s\"" of the last failure.
    std::string LastErrorText() const { return ErrorText(LastError, LastErrorMessage); }
    static std::string ErrorText(int32_t code, const std::string& message);

    int Socket = -1;
    int32_t Timeout;
    int32_t IntervalTimeout;
    int32_t LastError = 0;
    std::string LastErrorMessage;
    // Asked during every wait; empty: the waits are not cancelled.
    std::function<bool()> Cancelled;

private:
    void SetError(int32_t code, const std::string& message);
    void SetErrno(int errorCode);
    // poll() for `events` up to `timeoutMs`: 1 ready, 0 timed out, -1 failed
    // or cancelled.
    int Wait(short events, int32_t timeoutMs);
};
