#pragma once
// comprt::ComPort: the serial port driver under the serial channel, over
// termios and poll(). It keeps the read semantics of a total read time-out
// and a read interval time-out between bytes, so a reply ends at its first
// silence of the interval. The port list comes from libserialport's
// enumeration plus the stable /dev/serial/by-id names.

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <termios.h>
#include <vector>

namespace comprt {

// The five time-outs of a port, in ms. A read returns when the buffer is
// full, when ReadIntervalTimeout passed after a byte without another (0: no
// interval limit), or when the total (constant + multiplier * capacity) has
// passed (0 in both: no total limit). A write is bounded by its total the
// same way.
struct ComTimeouts {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};

struct ComPortDescription {
    std::string Name;
    std::string Description;
};

using Lock = std::lock_guard<std::mutex>;

class ComPort {
public:
    ComPort() = default;
    ~ComPort();
    ComPort(const ComPort&) = delete;
    ComPort& operator=(const ComPort&) = delete;

    // `name` without "/" means "/dev/" + name; a path is taken as is. Opens
    // exclusively: a port held by another program fails with
    // "COM-порт не открыт". Parity code: 0 none, 1 odd, 2 even, 3 mark, 4 space.
    void Open(const std::string& name, int32_t speed, uint32_t readTimeoutMs, uint8_t parity);
    void Close();
    bool IsOpen() const { return Handle >= 0; }

    // Waits until every byte has been handed to the line.
    void Write(const uint8_t* bytes, int32_t count);
    // One read under the port's time-outs; no byte gives "Прибор не отвечает".
    void Read(uint8_t* buffer, int32_t capacity, int32_t& received);
    // Repeats reads until one brings a byte or the total read time-out has
    // passed since the call began.
    void ReadResponse(uint8_t* buffer, int32_t capacity, int32_t& received);
    // A device without modem-control lines (a pseudo-terminal) ignores these.
    void SetDtr(bool on);
    void SetRts(bool on);
    void PurgeReceive();
    ComTimeouts GetTimeouts() const;
    void SetTimeouts(const ComTimeouts& timeouts);

    // The device path of the open port.
    const std::string& Path() const { return path_; }

    // Asked during every wait of a read or a write at least every 50 ms;
    // when it says yes the call raises "Выполнение процесса прервано".
    std::function<bool()> Cancelled;

private:
    void CheckOpen() const;
    void CheckCancelled() const;
    // The part of `waitMs` (-1: no limit) to poll before the probe is asked
    // again.
    int PollSlice(int64_t waitMs) const;
    void SetModemLine(int line, bool on);
    // Reads under the time-outs (the total replaced by totalLimitMs when it
    // is not negative); returns the bytes read, or -1
    // with errno set when the device refused.
    int32_t ReadOnce(uint8_t* buffer, int32_t capacity, int64_t totalLimitMs);

    int Handle = -1;
    std::mutex ReadGuard;
    termios State{};
    ComTimeouts timeouts_;
    std::string path_;
};

// The device path a port name means.
std::string PortPath(const std::string& name);
// The sort key of a name: its trailing decimal number, -1 without one.
int64_t PortNumber(const std::string& name);
// Sorts by trailing number; names without one after those, by name.
void SortPortList(std::vector<ComPortDescription>& list);
// Rebuilds the list of the serial ports present.
void RefreshPortList(std::vector<ComPortDescription>& list);

} // namespace comprt
