#pragma once
// TChanelHelperBase: the abstract channel that moves raw Modbus RTU frames
// between the system and one meter, with what every channel shares: the
// log sink, the exchange-log line of a frame, the indicator codes, the
// registry layout of the channel settings and the open/close operations.

#include "engine/criticalsectionex.h"
#include "engine/notifywindow.h"
#include "engine/processthread.h"
#include "engine/processwrapper.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <exception>
#include <string>

// Kinds of channel, as stored in "CurentChanel" and as the items of the
// channel choice list.
enum TChanelKind : int32_t {
    ckComPort = 0,
    ckTcp = 1,
};

// Indicator codes posted with WM_INDICATOR (first parameter; second is 0).
constexpr intptr_t kIndicatorFailed = 0;   // receive lamp black
constexpr intptr_t kIndicatorTransmit = 1; // transmit lamp yellow, countdown 5
constexpr intptr_t kIndicatorReceive = 2;  // receive lamp yellow, countdown 5
constexpr intptr_t kIndicatorOpened = 3;   // both lamps bright green
constexpr intptr_t kIndicatorClosed = 4;   // both lamps button face

// Registry layout of the channel settings.
extern const char* const kChanelSetupKey;      // "\Software\Selvar\RAZevedavureva\ChanelSetup"
extern const char* const kComPortChanelSubKey; // "\ComPortChanel"
extern const char* const kTcpChanelSubKey;     // "\TcpChanel"
extern const char* const kCurentChanelValue;   // "CurentChanel"

// "CurentChanel" under `keyPath`: 0 (serial) when the key, the value or its
// type is missing, or the value names no known kind.
int32_t ReadCurentChanel(const std::string& keyPath);
void WriteCurentChanel(const std::string& keyPath, int32_t kind);
// The key of the settings of one kind of channel under the dialog's key;
// empty when `keyPath` is empty (nothing is then read or written).
std::string ChanelKeyPath(const std::string& keyPath, int32_t kind);

// The probe the drivers' waits ask: true once the operation that owns
// `container` is asked to cancel; empty without a container.
std::function<bool()> CancelProbe(TInteractContainer* container);

class TChanelHelperBase {
public:
    TChanelHelperBase() = default;
    // Derived channels close themselves in their own destructors; by the
    // time this runs the line is closed.
    virtual ~TChanelHelperBase() = default;
    TChanelHelperBase(const TChanelHelperBase&) = delete;
    TChanelHelperBase& operator=(const TChanelHelperBase&) = delete;

    virtual void Open(TInteractContainer* container);
    virtual void Close(TInteractContainer* container);
    virtual bool IsOpen();
    virtual void SetTimeouts(int32_t totalMs, int32_t intervalMs, TInteractContainer* container);
    // Sends requestLength bytes, receives at most replyCapacity bytes into
    // reply and returns the number received.
    virtual int32_t Exchange(const uint8_t* request, uint8_t* reply, int32_t requestLength,
                             int32_t replyCapacity, TInteractContainer* container);
    virtual int32_t GetAddress();

    // What the window layer needs to build the settings frame of this
    // channel: its kind (-1 for the base) and the name it logs under.
    virtual int32_t ChanelKind() const { return -1; }
    virtual std::string ChanelName() const { return {}; }

    void SetLogExchange(bool value) { LogExchange = value; }
    void SetOnLog(TLogSink sink);
    void SetIndicatorWindow(const TNotifyWindow& window);
    // Hands the text to the sink; nothing happens when none is set.
    void Log(const std::string& text, TInteractContainer* container);
    // Stores the settings of a line that has just opened. A store that
    // cannot be written leaves the line open (it works; only its settings
    // are not remembered) and says so in the log.
    template <class P>
    void SaveParams(const P& params, const std::string& keyPath, TInteractContainer* container)
    {
        try {
            params.Save(keyPath);
        } catch (const std::exception& error) {
            Log(std::string("Настройки канала не сохранены: ") + error.what(), container);
        }
    }
    // The exchange-log line of a frame, when LogExchange is set:
    // "hh:mm:ss:zzz [name] << 01 03 ... " (" >> " for a received frame).
    void LogFrame(const uint8_t* bytes, int32_t count, const std::string& name, bool sent);
    // The line LogFrame writes at the given UTC time of day.
    static std::string FrameLine(const uint8_t* bytes, int32_t count, const std::string& name, bool sent,
                                 int hour, int minute, int second, int msec);
    // Posts an indicator code without waiting; nothing when no window is set.
    void PostIndicator(intptr_t code);

    int32_t Address = 0;
    std::atomic<bool> LogExchange{false};
    TNotifyWindow IndicatorWindow;
    TLogSink OnLog;
    TCriticalSectionEx Lock;

private:
    // The sink and the window are replaced on the window thread while
    // workers use them.
    mutable std::mutex hooks_;
};

// Builds the channel of `kind` over the settings under `chanelKeyPath`
// (which may be empty); null for an unknown kind.
std::unique_ptr<TChanelHelperBase> CreateChanel(int32_t kind, const std::string& chanelKeyPath);

class OpenChanelAlgorithm : public ProcessAlgorithm {
public:
    OpenChanelAlgorithm(TChanelHelperBase* chanel, TInteractContainer* container);
    void Execute() override;
    TChanelHelperBase* Chanel;
};

// Always succeeds: a failure of the close is swallowed.
class CloseChanelAlgorithm : public ProcessAlgorithm {
public:
    CloseChanelAlgorithm(TChanelHelperBase* chanel, TInteractContainer* container);
    void Execute() override;
    TChanelHelperBase* Chanel;
};
