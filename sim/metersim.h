#pragma once
// The simulated meter on a line: a Modbus RTU slave serving one MeterDevice
// over a TCP listener (RTU frames in the stream, one connection at a time),
// a pseudo-terminal or a serial device, with switchable misbehaviours and an
// optional dial-up modem in front of it.

#include "sim/meterdevice.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zt_sim {

// How the line and the meter misbehave. Latency, splitting and wire-speed
// pacing shape every reply; the faults (no reply, bad CRC, exception, drop)
// hit the requests of `onlyFunction` (0: all), `times` of them (-1: all).
struct SimBehaviour {
    bool noReply = false;
    bool badCrc = false;
    int exceptionCode = 0;       // 0: none; otherwise answer with this exception
    bool dropConnection = false; // close the connection instead of answering
    uint8_t onlyFunction = 0;
    int times = -1;

    int latencyMs = 0;    // pause before a reply
    int splitBytes = 0;   // reply in pieces of this many bytes
    int splitPauseMs = 0; // pause between the pieces
    // Each byte of request and reply takes 10 bit times at this speed: a
    // request counts as sent when it has arrived plus its wire time, and
    // each piece of the reply is written when its last byte is due, both on
    // the steady clock to the microsecond.
    int wireBaud = 0;
};

// A Hayes modem in front of the meter: AT commands until a dial connects,
// RTU frames after, "+++" back to commands, ATH0 hangs up.
struct ModemSetup {
    enum class Dial { Connect, Busy, NoCarrier, Silence };
    bool enabled = false;
    Dial dial = Dial::Connect;
    int connectDelayMs = 200;
    std::string connectText = "CONNECT 19200";
};

class MeterSimulator {
public:
    explicit MeterSimulator(const MeterConfig& config = {});
    ~MeterSimulator();
    MeterSimulator(const MeterSimulator&) = delete;
    MeterSimulator& operator=(const MeterSimulator&) = delete;

    // Each start raises EOSError when the system refuses; one transport per run.
    void StartTcp(uint16_t port = 0, const std::string& host = "127.0.0.1");
    void StartPty();
    void StartSerial(const std::string& device, int baud);
    void Stop();
    bool Running() const { return thread_.joinable(); }

    uint16_t Port() const { return port_; }
    std::string PtyPath() const { return ptyPath_; }

    void SetBehaviour(const SimBehaviour& behaviour);
    SimBehaviour Behaviour();
    void SetModem(const ModemSetup& modem);
    ModemSetup Modem();
    bool ModemConnected() const { return modemConnected_; }

    MeterDevice& Device() { return device_; }
    uint32_t Connections() const { return connections_; }
    uint32_t Replies() const { return replies_; }

    // A line for each request and reply when set; called on the serving thread.
    void SetTrace(std::function<void(const std::string&)> trace);

private:
    enum class Outcome { Keep, Drop };
    void Launch(std::function<void()> body);
    void AcceptLoop();
    void Serve(int fd, bool socket);
    using Clock = std::chrono::steady_clock;
    // `arrived`: when the frame's last byte was read from the line.
    Outcome HandleFrame(int fd, bool socket, const std::vector<uint8_t>& frame, Clock::time_point arrived);
    void HandleModemText(int fd, bool socket, std::vector<uint8_t>& buffer);
    bool WriteAll(int fd, bool socket, const uint8_t* data, size_t length);
    bool WaitMs(int ms);
    bool WaitUntil(Clock::time_point due); // false when the simulator stops
    void Trace(const char* what, const uint8_t* data, size_t length);

    MeterDevice device_;
    std::mutex mutex_;
    SimBehaviour behaviour_;
    ModemSetup modem_;
    std::function<void(const std::string&)> trace_;
    std::condition_variable wake_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> modemConnected_{false};
    std::atomic<uint32_t> connections_{0}, replies_{0};
    std::thread thread_;
    int listenFd_ = -1, streamFd_ = -1, ptySlaveFd_ = -1;
    int wakePipe_[2] = {-1, -1};
    uint16_t port_ = 0;
    std::string ptyPath_;
};

// The length of the request frame at the start of `buffer` from its function
// code, or -1 while too few bytes have arrived to tell. A function unknown
// to the meter is delimited by the first prefix whose CRC matches.
long RequestLength(const uint8_t* buffer, size_t length);

} // namespace zt_sim
