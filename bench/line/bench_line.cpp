// The cost of the line measured against its limit. The limit of an exchange
// is the wire time of its request and reply at 10 bit times per byte plus
// the pauses the system's own pacing takes: 1 ms after every exchange in the
// channel (and the TCP pause when set), 1 ms each time the TCP channel's
// time-outs are set, 1 ms after every register
// transaction in the device helper and 10 ms more after a stored read, and
// 10 ms at the end of an archive reading. The simulated meter paces each
// request and each piece of a reply to the microsecond on the steady clock.
// The "sim alone" rows time bare request/reply exchanges against the
// simulator without the system's channels, the floor the line itself
// (loopback or pty, the simulator's wake-ups) sets under every transaction.
//
// Times are per operation in milliseconds; the ratios use the median run.
// The timer slack is 1 ns, as in the programs; --timer-slack-ns sets
// another (50000 is the kernel's default) to show what it costs.
//
//   bench_line [--reps N] [--quick] [--timer-slack-ns N]

#include "channels/comportchanel.h"
#include "channels/tcpchanel.h"
#include "device/zt_algorithm.h"
#include "device/zt_core.h"
#include "engine/processwrapper.h"
#include "modbus/modbus.h"
#include "sim/metersim.h"
#include "util/sysutil.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

using namespace ZT_namespace;
using Clock = std::chrono::steady_clock;

namespace {

struct ExchangeRecord {
    uint8_t Function; // 0: the time-outs were set, no exchange
    int32_t RequestBytes;
    int32_t ReplyBytes;
    double Ms; // inside the channel's Exchange
};

// A real channel that notes the size of every exchange it makes.
template <class Base> class Recorded : public Base {
public:
    int32_t Exchange(const uint8_t* request, uint8_t* reply, int32_t requestLength, int32_t replyCapacity,
                     TInteractContainer* container) override
    {
        const auto start = Clock::now();
        const int32_t received = Base::Exchange(request, reply, requestLength, replyCapacity, container);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        std::lock_guard<std::mutex> guard(mutex_);
        records_.push_back({request[1], requestLength, std::max(received, 0), ms});
        return received;
    }
    // The TCP channel pauses 1 ms each time the time-outs are set; the
    // serial channel does not.
    void SetTimeouts(int32_t totalMs, int32_t intervalMs, TInteractContainer* container) override
    {
        Base::SetTimeouts(totalMs, intervalMs, container);
        std::lock_guard<std::mutex> guard(mutex_);
        records_.push_back({0, 0, 0, 0});
    }
    std::vector<ExchangeRecord> Take()
    {
        std::lock_guard<std::mutex> guard(mutex_);
        std::vector<ExchangeRecord> out;
        out.swap(records_);
        return out;
    }

private:
    std::mutex mutex_;
    std::vector<ExchangeRecord> records_;
};

enum class Line { Tcp, Pty };

double WireMs(int32_t bytes, int baud)
{
    return bytes * 10.0 * 1000.0 / baud;
}

// The wire time of every request and reply as exchanged, plus the pauses.
double LimitOf(const std::vector<ExchangeRecord>& records, int baud, bool tcp, int tcpPause, double extraMs)
{
    double limit = extraMs;
    for (const ExchangeRecord& r : records) {
        if (r.Function == 0) {
            limit += tcp ? 1 : 0;
            continue;
        }
        double pauses = 1 + (tcp ? tcpPause : 0); // the channel, after every exchange
        if (r.Function == kFnReadHolding || r.Function == kFnReadInput)
            pauses += 1 + 10; // the helper: after the transaction, after the stored read
        else if (r.Function == kFnWriteMultiple)
            pauses += 1;
        limit += WireMs(r.RequestBytes, baud) + WireMs(r.ReplyBytes, baud) + pauses;
    }
    return limit;
}

struct Row {
    std::string Line;
    int Baud;
    std::string Case;
    int Count;
    double MeasuredMs; // per operation, median
    double MeanMs;
    double MinMs;
    double MaxMs;
    double ExchangeMs; // of which inside the channel
    double Limit;      // per operation
};

std::vector<Row> gRows;

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    return n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
}

Row RowOf(const std::string& line, int baud, const std::string& name, const std::vector<double>& times,
          double exchangeMs, double limit)
{
    double total = 0;
    for (double t : times)
        total += t;
    return {line,
            baud,
            name,
            int(times.size()),
            Median(times),
            total / double(times.size()),
            *std::min_element(times.begin(), times.end()),
            *std::max_element(times.begin(), times.end()),
            exchangeMs,
            limit};
}

void PrintRow(const Row& r)
{
    std::printf("%-4s %6d  %-26s %4d %9.3f %9.3f %9.3f %9.3f %9.3f %7.4f %7.3f\n", r.Line.c_str(), r.Baud,
                r.Case.c_str(), r.Count, r.MeasuredMs, r.MinMs, r.MaxMs, r.ExchangeMs, r.Limit,
                r.MeasuredMs / r.Limit, r.MeasuredMs - r.Limit);
    std::fflush(stdout);
}

class Bench {
public:
    Bench(Line line, int baud, int tcpPause) : line_(line), baud_(baud), tcpPause_(tcpPause)
    {
        zt_sim::SimBehaviour behaviour;
        behaviour.wireBaud = baud;
        sim_.Device().SetOccasionalFlags(false);
        sim_.SetBehaviour(behaviour);
        if (line == Line::Tcp) {
            sim_.StartTcp(0);
            auto tcp = std::make_unique<Recorded<TcpChanelHelper>>();
            tcp->Params.TcpAddress = "127.0.0.1";
            tcp->Params.TcpPort = sim_.Port();
            tcp->Params.NetAddr = 1;
            tcp->Params.TcpPause = tcpPause;
            recorder_ = [t = tcp.get()] { return t->Take(); };
            chanel_ = std::move(tcp);
        } else {
            sim_.StartPty();
            auto serial = std::make_unique<Recorded<ComPortChanelHelper>>();
            serial->Params.ComPortName = sim_.PtyPath();
            serial->Params.Speed = baud;
            serial->Params.NetAddr = 1;
            recorder_ = [s = serial.get()] { return s->Take(); };
            chanel_ = std::move(serial);
        }
        chanel_->Open(nullptr);
        device_.SetChanel(chanel_.get());
        if (!device_.IdentifyDevice(nullptr, 2))
            throw Exception("the simulated meter was not identified");
        // The working settings, so that writing them back changes nothing.
        device_.ReadRegisters(40281, 120, nullptr, 2);
        recorder_();
    }
    ~Bench() { chanel_->Close(nullptr); }

    std::string LineName() const { return line_ == Line::Tcp ? (tcpPause_ ? "tcp*" : "tcp") : "pty"; }

    // Times `count` runs of `body`; each run's exchanges give its limit.
    void Measure(const std::string& name, int count, const std::function<void()>& body, double extraMs = 0)
    {
        std::vector<double> times;
        std::vector<ExchangeRecord> all;
        int runs = 0;
        body(); // warm-up
        recorder_();
        for (int i = 0; i < count; ++i) {
            const auto start = Clock::now();
            body();
            times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            std::vector<ExchangeRecord> r = recorder_();
            all.insert(all.end(), r.begin(), r.end());
            ++runs;
        }
        const double limit = LimitOf(all, baud_, line_ == Line::Tcp, tcpPause_, extraMs * runs) / runs;
        double exchange = 0;
        for (const ExchangeRecord& r : all)
            exchange += r.Ms;
        Row row = RowOf(LineName(), baud_, name, times, exchange / runs, limit);
        PrintRow(row);
        gRows.push_back(row);
    }

    void Transactions(int reps)
    {
        Measure("read 1", reps, [&] { Check(device_.ReadRegisters(40001, 1, nullptr, 1)); });
        Measure("read 62", reps, [&] { Check(device_.ReadRegisters(30055, 62, nullptr, 1)); });
        Measure("read 120", reps, [&] { Check(device_.ReadRegisters(40281, 120, nullptr, 1)); });
        Measure("read 127", reps, [&] { Check(device_.ReadRegisters(30001, 127, nullptr, 1)); });
        Measure("write 120", reps, [&] { Check(device_.WriteRegisters(40281, 120, nullptr, 1)); });
        const uint16_t tail = sim_.Device().Ring(kHourlyArchive).Tail();
        Measure("archive 4 x 64 bytes", reps, [&] {
            uint16_t index = tail;
            int32_t count = 4;
            Check(device_.ReadArchive(kHourlyArchive, false, index, count, nullptr, 1) && count == 4);
        });
        device_.ClearArchives(0x7F);
    }

    // An operation through the process engine, as the program runs it.
    void RunOperation(std::unique_ptr<ProcessAlgorithm> algorithm)
    {
        TQueueDispatcher dispatcher;
        TDispatcherScope scope(&dispatcher);
        TProcessWrapper wrapper(7);
        bool done = false, failed = false;
        wrapper.OnComplete = [&](int32_t, int32_t) { done = true; };
        wrapper.OnError = [&](int32_t, int32_t, int32_t) { done = failed = true; };
        wrapper.Start(std::move(algorithm), 0);
        while (!done)
            dispatcher.WaitUntil([&] { return done; }, 1000);
        Check(!failed);
    }

    void HourlyRing(int reps)
    {
        const uint32_t records = sim_.Device().Ring(kHourlyArchive).Count();
        Measure(
            Format("hourly ring, %u records", records), reps,
            [&] {
                ZT_ReadArchiveDataSetup setup;
                setup.Kinds = {kHourlyArchive};
                setup.KindMask = 1 << kHourlyArchive;
                RunOperation(std::make_unique<ZT_ReadArchiveAlgorithm>(setup, &device_, nullptr));
                TDeviceHelperLocker locker(device_);
                Check(device_.ArchiveVector(kHourlyArchive).size() == records);
            },
            10);
    }

    void Read120(int reps)
    {
        Measure("read 120", reps, [&] { Check(device_.ReadRegisters(40281, 120, nullptr, 1)); });
    }

    void ReadAll(int reps)
    {
        Measure("read-all", reps, [&] {
            RunOperation(
                std::make_unique<ZT_MultiReadWriteAlgorithm>(kReadAllOperation, &device_, nullptr, false));
        });
    }

private:
    static void Check(bool ok)
    {
        if (!ok)
            throw Exception("a transaction of the benchmark failed");
    }

    Line line_;
    int baud_;
    int tcpPause_;
    zt_sim::MeterSimulator sim_;
    std::unique_ptr<TChanelHelperBase> chanel_;
    std::function<std::vector<ExchangeRecord>()> recorder_;
    ZT_Helper device_;
};

int OpenLine(zt_sim::MeterSimulator& sim, Line line)
{
    if (line == Line::Tcp) {
        sim.StartTcp(0);
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(sim.Port());
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
            throw EOSError(errno, "connect");
        return fd;
    }
    sim.StartPty();
    const int fd = open(sim.PtyPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (fd < 0 || tcgetattr(fd, &tio) != 0)
        throw EOSError(errno, sim.PtyPath());
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    return fd;
}

// Bare exchanges with the simulator, the request written at once and the
// reply read as it comes, against the wire time of both: what the line and
// the simulator take without any of the system's code.
void SimAlone(Line line, int baud, int reps)
{
    zt_sim::MeterSimulator sim;
    zt_sim::SimBehaviour behaviour;
    behaviour.wireBaud = baud;
    sim.Device().SetOccasionalFlags(false);
    sim.SetBehaviour(behaviour);
    const int fd = OpenLine(sim, line);
    for (uint16_t count : {1, 127}) {
        uint8_t request[8], reply[300];
        int32_t length = sizeof request;
        BuildReadRegistersRequest(request, length, 1, 30001, count);
        const int32_t expected = 2 * count + 5;
        std::vector<double> times;
        for (int i = 0; i <= reps; ++i) {
            const auto start = Clock::now();
            if (write(fd, request, size_t(length)) != length)
                throw EOSError(errno, "write");
            int32_t got = 0;
            while (got < expected) {
                pollfd p{fd, POLLIN, 0};
                if (poll(&p, 1, 1000) <= 0)
                    throw Exception("the simulated meter did not answer");
                const ssize_t n = read(fd, reply + got, size_t(expected - got));
                if (n <= 0)
                    throw EOSError(errno, "read");
                got += int32_t(n);
            }
            if (i > 0) // the first is a warm-up
                times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        Row row =
            RowOf(line == Line::Tcp ? "tcp" : "pty", baud, Format("sim alone: read %u", unsigned(count)),
                  times, 0, WireMs(length, baud) + WireMs(expected, baud));
        PrintRow(row);
        gRows.push_back(row);
    }
    close(fd);
}

} // namespace

int main(int argc, char** argv)
{
    ReduceTimerSlack();
    int reps = 10;
    bool quick = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--reps" && i + 1 < argc)
            reps = std::max(1, StrToInt(argv[++i]));
        else if (a == "--quick")
            quick = true;
        else if (a == "--timer-slack-ns" && i + 1 < argc)
            prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(std::max(1, StrToInt(argv[++i]))), 0, 0, 0);
        else {
            std::fprintf(stderr, "usage: bench_line [--reps N] [--quick] [--timer-slack-ns N]\n");
            return 2;
        }
    }
    std::printf("%-4s %6s  %-26s %4s %9s %9s %9s %9s %9s %7s %7s\n", "line", "bit/s", "case", "runs",
                "median", "min", "max", "in chanel", "limit", "ratio", "over");
    try {
        for (int baud : {19200, 115200})
            for (Line line : {Line::Tcp, Line::Pty}) {
                SimAlone(line, baud, reps);
                Bench bench(line, baud, 0);
                bench.Transactions(reps);
                bench.ReadAll(std::max(1, reps / 2));
                if (!quick)
                    bench.HourlyRing(baud < 100000 ? 1 : 2);
            }
        {
            Bench paused(Line::Tcp, 115200, 5);
            paused.Read120(reps);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    double worst = 0;
    for (const Row& r : gRows)
        if (r.Case.rfind("sim alone", 0) != 0)
            worst = std::max(worst, r.MeasuredMs / r.Limit);
    std::printf("\nworst ratio to the limit %.4f (target <= 1.02); over = median - limit, ms\n", worst);
    std::printf("tcp* = TCP with TcpPause 5 ms\n");
    return 0;
}
