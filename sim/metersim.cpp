#include "sim/metersim.h"

#include "modbus/crc16.h"
#include "util/sysutil.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace zt_sim {

namespace {

bool CrcMatches(const uint8_t* f, size_t n)
{
    if (n < 4)
        return false;
    uint16_t crc = Crc16(f, int32_t(n - 2));
    return f[n - 2] == uint8_t(crc) && f[n - 1] == uint8_t(crc >> 8);
}

// Silence after which an incomplete request is thrown away; also the guard
// time after "+++".
constexpr int kGapMs = 50;

speed_t BaudConstant(int baud)
{
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    default:
        throw Exception(Format("Unsupported speed %d", baud));
    }
}

void MakeRaw(int fd, speed_t speed)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        throw EOSError(errno, "tcgetattr");
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    if (tcsetattr(fd, TCSANOW, &tio) != 0)
        throw EOSError(errno, "tcsetattr");
}

// The time `bytes` take on the line at 10 bit times per byte.
std::chrono::nanoseconds WireTime(size_t bytes, int baud)
{
    if (baud <= 0)
        return std::chrono::nanoseconds::zero();
    return std::chrono::nanoseconds(int64_t(bytes) * 10 * 1000000000LL / baud);
}

std::string Hex(const uint8_t* data, size_t length)
{
    std::string text;
    for (size_t i = 0; i < length; ++i)
        text += Format(i ? " %02X" : "%02X", data[i]);
    return text;
}

} // namespace

long RequestLength(const uint8_t* b, size_t n)
{
    if (n < 2)
        return -1;
    switch (b[1]) {
    case 0x03:
    case 0x04:
    case 0x42:
        return 8;
    case 0x10:
        return n < 7 ? -1 : 9 + long(b[6]);
    case 0x11:
        return 4;
    case 0x41:
        return 9;
    case 0x45:
        return 5;
    case 0x46:
        // The first poll carries no stamp; the others carry four bytes.
        if (n < 4)
            return -1;
        return CrcMatches(b, 4) ? 4 : 8;
    default:
        for (size_t len = 4; len <= std::min<size_t>(n, 256); ++len)
            if (CrcMatches(b, len))
                return long(len);
        return -1;
    }
}

MeterSimulator::MeterSimulator(const MeterConfig& config) : device_(config) {}

MeterSimulator::~MeterSimulator()
{
    Stop();
}

void MeterSimulator::SetBehaviour(const SimBehaviour& behaviour)
{
    std::lock_guard<std::mutex> lock(mutex_);
    behaviour_ = behaviour;
}

SimBehaviour MeterSimulator::Behaviour()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return behaviour_;
}

void MeterSimulator::SetModem(const ModemSetup& modem)
{
    std::lock_guard<std::mutex> lock(mutex_);
    modem_ = modem;
    if (!modem.enabled)
        modemConnected_ = false;
}

ModemSetup MeterSimulator::Modem()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return modem_;
}

void MeterSimulator::SetTrace(std::function<void(const std::string&)> trace)
{
    std::lock_guard<std::mutex> lock(mutex_);
    trace_ = std::move(trace);
}

void MeterSimulator::Trace(const char* what, const uint8_t* data, size_t length)
{
    std::function<void(const std::string&)> trace;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        trace = trace_;
    }
    if (trace)
        trace(std::string(what) + " " + Hex(data, length));
}

void MeterSimulator::Launch(std::function<void()> body)
{
    if (pipe(wakePipe_) != 0)
        throw EOSError(errno, "pipe");
    stop_ = false;
    // The wire-speed pacing must end each wait when it is due, whatever
    // slack the program that runs the simulator left to its threads.
    thread_ = std::thread([body = std::move(body)] {
        ReduceTimerSlack();
        body();
    });
}

void MeterSimulator::StartTcp(uint16_t port, const std::string& host)
{
    if (Running())
        throw Exception("The simulator is already running");
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw EOSError(errno, "socket");
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1) {
        close(fd);
        throw Exception("Not an IPv4 address: " + host);
    }
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 4) != 0) {
        int e = errno;
        close(fd);
        throw EOSError(e, Format("%s:%u", host.c_str(), unsigned(port)));
    }
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    listenFd_ = fd;
    Launch([this] { AcceptLoop(); });
}

void MeterSimulator::StartPty()
{
    if (Running())
        throw Exception("The simulator is already running");
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0)
        throw EOSError(errno, "posix_openpt");
    char name[128];
    if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
        int e = errno;
        close(master);
        throw EOSError(e, "pty");
    }
    // Our own slave descriptor keeps the pair alive between the clients and
    // carries the raw line settings that a client finds when it opens it.
    int slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        int e = errno;
        close(master);
        throw EOSError(e, name);
    }
    try {
        MakeRaw(slave, B19200);
    } catch (...) {
        close(slave);
        close(master);
        throw;
    }
    ptySlaveFd_ = slave;
    streamFd_ = master;
    ptyPath_ = name;
    Launch([this] { Serve(streamFd_, false); });
}

void MeterSimulator::StartSerial(const std::string& device, int baud)
{
    if (Running())
        throw Exception("The simulator is already running");
    speed_t speed = BaudConstant(baud);
    int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw EOSError(errno, device);
    try {
        MakeRaw(fd, speed);
    } catch (...) {
        close(fd);
        throw;
    }
    streamFd_ = fd;
    Launch([this] { Serve(streamFd_, false); });
}

void MeterSimulator::Stop()
{
    if (!thread_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    char c = 1;
    if (write(wakePipe_[1], &c, 1) < 0) {
        // the thread also sees stop_ at its next poll time-out
    }
    thread_.join();
    for (int* fd : {&listenFd_, &streamFd_, &ptySlaveFd_, &wakePipe_[0], &wakePipe_[1]})
        if (*fd >= 0) {
            close(*fd);
            *fd = -1;
        }
    modemConnected_ = false;
}

bool MeterSimulator::WaitMs(int ms)
{
    if (ms <= 0)
        return !stop_;
    return WaitUntil(Clock::now() + std::chrono::milliseconds(ms));
}

bool MeterSimulator::WaitUntil(Clock::time_point due)
{
    // A sleeping thread wakes some tens of microseconds late even without
    // timer slack; the last stretch is spun so that a reply at 115200 bit/s
    // is not lengthened by a tenth of its wire time.
    constexpr auto kSpin = std::chrono::microseconds(150);
    if (due - Clock::now() > kSpin) {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait_until(lock, due - kSpin, [this] { return stop_.load(); });
    }
    while (!stop_ && Clock::now() < due) {
    }
    return !stop_;
}

void MeterSimulator::AcceptLoop()
{
    while (!stop_) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        if (poll(fds, 2, 500) <= 0)
            continue;
        if (fds[1].revents)
            break;
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ++connections_;
        modemConnected_ = false;
        Serve(fd, true);
        close(fd);
    }
}

bool MeterSimulator::WriteAll(int fd, bool socket, const uint8_t* data, size_t length)
{
    size_t done = 0;
    while (done < length && !stop_) {
        ssize_t n = socket ? send(fd, data + done, length - done, MSG_NOSIGNAL)
                           : write(fd, data + done, length - done);
        if (n > 0) {
            done += size_t(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            poll(&p, 1, 100);
            continue;
        }
        return false;
    }
    return done == length;
}

void MeterSimulator::Serve(int fd, bool socket)
{
    std::vector<uint8_t> buffer;
    Clock::time_point lastByte = Clock::now();
    while (!stop_) {
        int timeout = 200;
        if (!buffer.empty()) {
            auto idle =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastByte).count();
            timeout = std::max<int>(1, kGapMs - int(idle));
        }
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        int ready = poll(fds, 2, timeout);
        if (ready < 0 && errno != EINTR)
            return;
        if (fds[1].revents)
            return;
        if (ready > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
            uint8_t chunk[512];
            ssize_t n = read(fd, chunk, sizeof chunk);
            if (n == 0 && socket)
                return;
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR)
                    continue;
                if (socket)
                    return;
                WaitMs(20); // a pseudo-terminal without a client
                continue;
            }
            if (n == 0) {
                WaitMs(20);
                continue;
            }
            buffer.insert(buffer.end(), chunk, chunk + n);
            lastByte = Clock::now();
        }

        ModemSetup modem = Modem();
        if (modem.enabled && !modemConnected_) {
            HandleModemText(fd, socket, buffer);
            continue;
        }
        // A request queued behind another is taken as arriving when the
        // reply before it has gone out.
        Clock::time_point arrived = lastByte;
        while (!buffer.empty()) {
            long need = RequestLength(buffer.data(), buffer.size());
            if (need < 0 || size_t(need) > buffer.size())
                break;
            if (!CrcMatches(buffer.data(), size_t(need))) {
                buffer.erase(buffer.begin()); // resynchronise on the next byte
                continue;
            }
            std::vector<uint8_t> frame(buffer.begin(), buffer.begin() + need);
            buffer.erase(buffer.begin(), buffer.begin() + need);
            if (HandleFrame(fd, socket, frame, arrived) == Outcome::Drop)
                return;
            arrived = std::max(lastByte, Clock::now());
        }
        auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastByte).count();
        if (!buffer.empty() && idle >= kGapMs) {
            static const uint8_t escape[3] = {'+', '+', '+'};
            if (modem.enabled && buffer.size() == 3 && std::equal(buffer.begin(), buffer.end(), escape)) {
                modemConnected_ = false;
                static const char ok[] = "\r\nOK\r\n";
                WriteAll(fd, socket, reinterpret_cast<const uint8_t*>(ok), sizeof ok - 1);
            }
            buffer.clear();
        }
    }
}

void MeterSimulator::HandleModemText(int fd, bool socket, std::vector<uint8_t>& buffer)
{
    for (;;) {
        auto end =
            std::find_if(buffer.begin(), buffer.end(), [](uint8_t c) { return c == '\r' || c == '\n'; });
        if (end == buffer.end()) {
            if (buffer.size() > 256)
                buffer.clear();
            return;
        }
        std::string line(buffer.begin(), end);
        buffer.erase(buffer.begin(), end + 1);
        line = Trim(line);
        for (char& c : line)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        // A modem waits for "AT" and passes over whatever came before it.
        size_t at = line.find("AT");
        if (at == std::string::npos)
            continue;
        line = line.substr(at);
        auto say = [&](const std::string& text) {
            std::string out = "\r\n" + text + "\r\n";
            WriteAll(fd, socket, reinterpret_cast<const uint8_t*>(out.data()), out.size());
        };
        if (line.rfind("ATD", 0) == 0) {
            ModemSetup modem = Modem();
            if (!WaitMs(modem.connectDelayMs))
                return;
            switch (modem.dial) {
            case ModemSetup::Dial::Connect:
                modemConnected_ = true;
                say(modem.connectText);
                buffer.clear();
                return;
            case ModemSetup::Dial::Busy:
                say("BUSY");
                break;
            case ModemSetup::Dial::NoCarrier:
                say("NO CARRIER");
                break;
            case ModemSetup::Dial::Silence:
                break;
            }
        } else {
            say("OK");
        }
    }
}

MeterSimulator::Outcome MeterSimulator::HandleFrame(int fd, bool socket, const std::vector<uint8_t>& frame,
                                                    Clock::time_point arrived)
{
    Trace("<-", frame.data(), frame.size());
    if (!device_.Addresses(frame[0]))
        return Outcome::Keep; // another slave on the bus
    SimBehaviour b;
    bool fault = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        b = behaviour_;
        bool any = b.noReply || b.badCrc || b.exceptionCode != 0 || b.dropConnection;
        fault = any && (b.onlyFunction == 0 || b.onlyFunction == frame[1]) && b.times != 0;
        if (fault && behaviour_.times > 0)
            --behaviour_.times;
    }
    std::vector<uint8_t> reply = device_.Process(frame.data(), frame.size());
    if (fault) {
        if (b.dropConnection) {
            if (socket)
                return Outcome::Drop;
            if (modemConnected_) {
                modemConnected_ = false;
                static const char lost[] = "\r\nNO CARRIER\r\n";
                WriteAll(fd, socket, reinterpret_cast<const uint8_t*>(lost), sizeof lost - 1);
            }
            return Outcome::Keep;
        }
        if (b.noReply)
            return Outcome::Keep;
        if (b.exceptionCode != 0) {
            reply = {frame[0], uint8_t(frame[1] | 0x80), uint8_t(b.exceptionCode)};
            uint16_t crc = Crc16(reply.data(), int32_t(reply.size()));
            reply.push_back(uint8_t(crc));
            reply.push_back(uint8_t(crc >> 8));
        }
        if (b.badCrc && !reply.empty())
            reply.back() ^= 0x5A;
    }
    if (reply.empty())
        return Outcome::Keep;

    // Every due time is counted from the request's arrival, so the time
    // taken to build the reply and to write each piece is absorbed instead
    // of added.
    Clock::time_point due =
        arrived + WireTime(frame.size(), b.wireBaud) + std::chrono::milliseconds(b.latencyMs);
    size_t piece = b.splitBytes > 0 ? size_t(b.splitBytes) : reply.size();
    for (size_t at = 0; at < reply.size(); at += piece) {
        size_t n = std::min(piece, reply.size() - at);
        if (at > 0)
            due += std::chrono::milliseconds(b.splitPauseMs);
        due += WireTime(n, b.wireBaud);
        if (!WaitUntil(due))
            return Outcome::Drop;
        if (!WriteAll(fd, socket, reply.data() + at, n))
            return socket ? Outcome::Drop : Outcome::Keep;
    }
    ++replies_;
    Trace("->", reply.data(), reply.size());
    return Outcome::Keep;
}

} // namespace zt_sim
