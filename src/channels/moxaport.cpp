#include "channels/moxaport.h"

#include "engine/processthread.h"
#include "util/sysutil.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#ifdef ZT_HAVE_LIBSERIALPORT
#include <libserialport.h>
#endif

namespace comprt {

namespace {

const char* const kNotOpenText = "COM-порт не открыт";
const char* const kNoAnswerText = "Прибор не отвечает";
constexpr int64_t kCancelPollMs = 50;

int64_t NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool SpeedConstant(int32_t speed, speed_t& result)
{
    static const struct {
        int32_t Speed;
        speed_t Constant;
    } kSpeeds[] = {
        {50, B50},           {75, B75},           {110, B110},         {134, B134},
        {150, B150},         {200, B200},         {300, B300},         {600, B600},
        {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
        {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
        {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000},
    };
    for (const auto& entry : kSpeeds) {
        if (entry.Speed == speed) {
            result = entry.Constant;
            return true;
        }
    }
    return false;
}

} // namespace

ComPort::~ComPort()
{
    Close();
}

void ComPort::Open(const std::string& name, int32_t speed, uint32_t readTimeoutMs, uint8_t parity)
{
    Close();
    const std::string path = PortPath(name);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw Exception(kNotOpenText);
    // TIOCEXCL keeps out later openers that are not privileged; the advisory
    // lock, which serial programs honour, also keeps out privileged ones.
    if (!::isatty(fd) || ::ioctl(fd, TIOCEXCL) != 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        throw Exception(kNotOpenText);
    }
    Handle = fd;
    path_ = path;

    try {
        termios state{};
        if (::tcgetattr(fd, &state) != 0)
            throw EOSError(errno);
        ::cfmakeraw(&state);
        state.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
        state.c_cflag |= CS8 | CREAD | CLOCAL;
        state.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
        switch (parity) {
        case 0:
            break;
        case 1:
            state.c_cflag |= PARENB | PARODD;
            break;
        case 2:
            state.c_cflag |= PARENB;
            break;
        case 3:
            state.c_cflag |= PARENB | PARODD | CMSPAR;
            break;
        case 4:
            state.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            throw EOSError(EINVAL);
        }
        if (parity != 0)
            state.c_iflag |= INPCK;
        state.c_cc[VMIN] = 0;
        state.c_cc[VTIME] = 0;
        speed_t constant{};
        if (!SpeedConstant(speed, constant))
            throw EOSError(EINVAL);
        if (::cfsetispeed(&state, constant) != 0 || ::cfsetospeed(&state, constant) != 0)
            throw EOSError(errno);
        if (::tcsetattr(fd, TCSANOW, &state) != 0)
            throw EOSError(errno);
        State = state;
        SetModemLine(TIOCM_DTR, true);
        SetModemLine(TIOCM_RTS, true);
        ComTimeouts timeouts;
        timeouts.ReadTotalTimeoutConstant = readTimeoutMs;
        timeouts_ = timeouts;
    } catch (...) {
        Close();
        throw;
    }
}

void ComPort::Close()
{
    if (Handle < 0)
        return;
    // The exclusive mode outlives this descriptor on a pseudo-terminal whose
    // other side stays open; give it back explicitly.
    ::ioctl(Handle, TIOCNXCL);
    ::close(Handle);
    Handle = -1;
    path_.clear();
}

void ComPort::CheckOpen() const
{
    if (Handle < 0)
        throw Exception(kNotOpenText);
}

void ComPort::CheckCancelled() const
{
    if (Cancelled && Cancelled())
        throw Exception(kCancelText);
}

int ComPort::PollSlice(int64_t waitMs) const
{
    if (Cancelled && (waitMs < 0 || waitMs > kCancelPollMs))
        waitMs = kCancelPollMs;
    return static_cast<int>(std::min<int64_t>(waitMs, INT_MAX));
}

void ComPort::Write(const uint8_t* bytes, int32_t count)
{
    CheckOpen();
    const int64_t limit = static_cast<int64_t>(timeouts_.WriteTotalTimeoutConstant) +
                          static_cast<int64_t>(timeouts_.WriteTotalTimeoutMultiplier) * count;
    const int64_t deadline = NowMs() + limit;
    int32_t written = 0;
    while (written < count) {
        int64_t timeout = -1;
        if (limit > 0) {
            const int64_t remaining = deadline - NowMs();
            if (remaining <= 0)
                break;
            timeout = remaining;
        }
        CheckCancelled();
        pollfd pfd{Handle, POLLOUT, 0};
        const int slice = PollSlice(timeout);
        const int ready = ::poll(&pfd, 1, slice);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            throw EOSError(errno);
        }
        if (ready == 0) {
            if (slice != timeout)
                continue;
            break;
        }
        const ssize_t n = ::write(Handle, bytes + written, static_cast<size_t>(count - written));
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            throw EOSError(errno);
        }
        written += static_cast<int32_t>(n);
    }
    if (written < count)
        throw EOSError(EIO);
    if (::tcdrain(Handle) != 0 && errno != ENOTTY && errno != EINVAL)
        throw EOSError(errno);
}

int32_t ComPort::ReadOnce(uint8_t* buffer, int32_t capacity, int64_t totalLimitMs)
{
    const int64_t start = NowMs();
    int64_t total = static_cast<int64_t>(timeouts_.ReadTotalTimeoutConstant) +
                    static_cast<int64_t>(timeouts_.ReadTotalTimeoutMultiplier) * capacity;
    if (totalLimitMs >= 0)
        total = totalLimitMs;
    const uint32_t interval = timeouts_.ReadIntervalTimeout;
    // An interval of all ones with no total returns at once with what is there.
    const bool immediate = interval == UINT32_MAX && total == 0;
    int32_t got = 0;
    int64_t lastByte = start;
    while (got < capacity) {
        const int64_t now = NowMs();
        int64_t wait = -1;
        if (total > 0)
            wait = std::max<int64_t>(0, start + total - now);
        if (got > 0 && interval > 0 && interval != UINT32_MAX) {
            const int64_t gap = std::max<int64_t>(0, lastByte + interval - now);
            wait = wait < 0 ? gap : std::min<int64_t>(wait, gap);
        }
        if (immediate)
            wait = 0;
        if (total > 0 && wait == 0 && !immediate && now - start >= total)
            break;
        CheckCancelled();
        pollfd pfd{Handle, POLLIN, 0};
        const int slice = PollSlice(wait);
        const int ready = ::poll(&pfd, 1, slice);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return got > 0 ? got : -1;
        }
        if (ready == 0) {
            // Only a whole wait ends the read; a slice asks the probe again.
            if (slice != wait)
                continue;
            break;
        }
        if (pfd.revents & POLLIN) {
            const ssize_t n = ::read(Handle, buffer + got, static_cast<size_t>(capacity - got));
            if (n > 0) {
                got += static_cast<int32_t>(n);
                lastByte = NowMs();
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            if (n == 0)
                errno = EIO;
            return got > 0 ? got : -1;
        }
        // Hang-up or error without data: the line is gone.
        errno = EIO;
        return got > 0 ? got : -1;
    }
    return got;
}

void ComPort::Read(uint8_t* buffer, int32_t capacity, int32_t& received)
{
    CheckOpen();
    Lock guard(ReadGuard);
    received = 0;
    const int32_t n = ReadOnce(buffer, capacity, -1);
    if (n < 0)
        throw EOSError(errno);
    if (n == 0)
        throw Exception(kNoAnswerText);
    received = n;
}

void ComPort::ReadResponse(uint8_t* buffer, int32_t capacity, int32_t& received)
{
    CheckOpen();
    received = 0;
    const int64_t total = timeouts_.ReadTotalTimeoutConstant;
    const int64_t start = NowMs();
    for (;;) {
        int32_t n;
        int error = 0;
        {
            Lock guard(ReadGuard);
            // Each read gets what is left of the total, so the whole wait
            // never exceeds it.
            const int64_t left = total > 0 ? std::max<int64_t>(1, total - (NowMs() - start)) : -1;
            n = ReadOnce(buffer, capacity, left);
            if (n < 0)
                error = errno;
        }
        if (n > 0) {
            received = n;
            return;
        }
        const bool expired = NowMs() - start > total || total == 0;
        if (n == 0 && expired)
            throw Exception(kNoAnswerText);
        if (n < 0) {
            if (expired)
                throw EOSError(error);
            // A failing device answers at once; do not spin on it.
            Sleep(5);
        }
    }
}

void ComPort::SetModemLine(int line, bool on)
{
    int bits = line;
    if (::ioctl(Handle, on ? TIOCMBIS : TIOCMBIC, &bits) != 0) {
        // A device without modem-control lines, such as a pseudo-terminal.
        if (errno == ENOTTY || errno == EINVAL)
            return;
        throw EOSError(errno);
    }
}

void ComPort::SetDtr(bool on)
{
    CheckOpen();
    SetModemLine(TIOCM_DTR, on);
}

void ComPort::SetRts(bool on)
{
    CheckOpen();
    SetModemLine(TIOCM_RTS, on);
}

void ComPort::PurgeReceive()
{
    CheckOpen();
    if (::tcflush(Handle, TCIFLUSH) != 0)
        throw EOSError(errno);
}

ComTimeouts ComPort::GetTimeouts() const
{
    CheckOpen();
    return timeouts_;
}

void ComPort::SetTimeouts(const ComTimeouts& timeouts)
{
    CheckOpen();
    timeouts_ = timeouts;
}

std::string PortPath(const std::string& name)
{
    if (name.find('/') != std::string::npos)
        return name;
    return "/dev/" + name;
}

int64_t PortNumber(const std::string& name)
{
    size_t begin = name.size();
    while (begin > 0 && name[begin - 1] >= '0' && name[begin - 1] <= '9')
        --begin;
    if (begin == name.size())
        return -1;
    // Long digit runs are compared by their last 18 digits.
    if (name.size() - begin > 18)
        begin = name.size() - 18;
    return std::stoll(name.substr(begin));
}

void SortPortList(std::vector<ComPortDescription>& list)
{
    std::stable_sort(list.begin(), list.end(), [](const ComPortDescription& a, const ComPortDescription& b) {
        const int64_t na = PortNumber(a.Name);
        const int64_t nb = PortNumber(b.Name);
        if ((na < 0) != (nb < 0))
            return na >= 0;
        if (na != nb)
            return na < nb;
        return a.Name < b.Name;
    });
}

namespace {

void AppendUnique(std::vector<ComPortDescription>& list, const std::string& name,
                  const std::string& description)
{
    for (const auto& entry : list) {
        if (entry.Name == name)
            return;
    }
    list.push_back({name, description});
}

std::string ShortName(const std::string& path)
{
    const std::string prefix = "/dev/";
    if (path.compare(0, prefix.size(), prefix) == 0 && path.find('/', prefix.size()) == std::string::npos)
        return path.substr(prefix.size());
    return path;
}

} // namespace

void RefreshPortList(std::vector<ComPortDescription>& list)
{
    list.clear();
#ifdef ZT_HAVE_LIBSERIALPORT
    sp_port** ports = nullptr;
    if (sp_list_ports(&ports) == SP_OK && ports) {
        for (int i = 0; ports[i]; ++i) {
            const char* name = sp_get_port_name(ports[i]);
            if (!name)
                continue;
            std::string description;
            if (sp_get_port_transport(ports[i]) == SP_TRANSPORT_USB) {
                const char* product = sp_get_port_usb_product(ports[i]);
                const char* maker = sp_get_port_usb_manufacturer(ports[i]);
                if (product && *product)
                    description = product;
                if (maker && *maker)
                    description += description.empty() ? std::string(maker) : ", " + std::string(maker);
            }
            if (description.empty()) {
                const char* text = sp_get_port_description(ports[i]);
                if (text)
                    description = text;
            }
            AppendUnique(list, ShortName(name), description);
        }
        sp_free_port_list(ports);
    }
#endif
    // The by-id names stay the same when an adapter is plugged in again.
    const std::string byId = "/dev/serial/by-id";
    if (DIR* dir = ::opendir(byId.c_str())) {
        std::vector<ComPortDescription> stable;
        while (dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            const std::string path = byId + "/" + name;
            std::string description;
            char target[PATH_MAX];
            if (char* resolved = ::realpath(path.c_str(), target)) {
                const std::string shortName = ShortName(resolved);
                description = shortName;
                for (const auto& port : list) {
                    if (port.Name == shortName && !port.Description.empty())
                        description = port.Description + ", " + shortName;
                }
            }
            stable.push_back({path, description});
        }
        ::closedir(dir);
        for (const auto& entry : stable)
            AppendUnique(list, entry.Name, entry.Description);
    }
    SortPortList(list);
}

} // namespace comprt
