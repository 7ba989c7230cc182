#pragma once
// TCliSession: one meter on one line for the command line. It builds the
// channel from the options, runs every operation on a worker through a
// TProcessWrapper and drains the wrapper's notifications on the calling
// thread, which plays the window thread.

#include "channels/chanelhelper.h"
#include "cli/rawregisters.h"
#include "device/zt_helper.h"
#include "engine/notifywindow.h"
#include "engine/processwrapper.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

struct TCliLineOptions {
    std::string TcpHost;
    int32_t TcpPort = 4001;
    int32_t TcpTimeout = 1000;
    int32_t TcpPause = 0;
    std::string SerialDevice;
    int32_t Baud = 19200;
    std::string ModemNumber;
    int32_t Address = 1;
    bool Log = false;

    bool HasLine() const { return !TcpHost.empty() || !SerialDevice.empty(); }
};

// The error of an operation; `Logged` when --log has shown its text already.
class TCliError : public Exception {
public:
    TCliError(const std::string& message, bool logged) : Exception(message), Logged(logged) {}
    bool Logged;
};
// An operation that ended on a cancel request (an interrupt).
class TCliInterrupted : public TCliError {
public:
    using TCliError::TCliError;
};

class TCliSession {
public:
    // `interrupt`, when given, cancels the running operation once set.
    TCliSession(const TCliLineOptions& options, const std::atomic<bool>* interrupt);
    ~TCliSession();
    TCliSession(const TCliSession&) = delete;
    TCliSession& operator=(const TCliSession&) = delete;

    // Opens the line (and dials the modem); raises the channel's error.
    void Open();
    void Close();
    // Runs the operation to its end. Raises Exception with the operation's
    // error text when it failed and TCliInterrupted when it was cancelled.
    void Run(std::unique_ptr<ProcessAlgorithm> algorithm);

    TChanelHelperBase& Chanel() { return *chanel_; }

    // Writes a line to standard error when --log is on.
    void LogLine(const std::string& text);

    TQueueDispatcher Dispatcher;

private:
    TDispatcherScope scope_;
    TCliLineOptions options_;
    const std::atomic<bool>* interrupt_;
    std::mutex logMutex_;
    std::unique_ptr<TChanelHelperBase> chanel_;

public:
    ZT_Helper Device;
    TRawRegisterHelper Raw;

private:
    // Declared last: its destructor waits for a worker that uses the
    // members above.
    TProcessWrapper wrapper_;
};
