// The cost of the line measured against its limit. The limit of an exchange
// is the wire time of its request and reply at 10 bit times per byte plus
// the pauses the system's own pacing takes: 1 ms after every exchange in the
// channel (and the TCP pause when set), 1 ms each time the TCP channel's
// time-outs are set, 1 ms after every register
// transaction in the device helper and 10 ms more after a stored read, and
// 10 ms at the end of an archive reading. The simulated meter paces each
// request and each reply to whole milliseconds; the second ratio is taken
// against that pacing, so that it shows the system's own overhead alone.
//
// Times are per operation in milliseconds; the ratios use the median run.
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
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <sys/prctl.h>
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

struct Limits {
    double Wire = 0;     // ms, exact wire time plus the system's pauses
    double SimPaced = 0; // ms, the same with the simulator's whole-millisecond pacing
};

Limits LimitOf(const std::vector<ExchangeRecord>& records, int baud, bool tcp, int tcpPause, double extraMs)
{
    Limits limits;
    limits.Wire = limits.SimPaced = extraMs;
    for (const ExchangeRecord& r : records) {
        if (r.Function == 0) {
            limits.Wire += tcp ? 1 : 0;
            limits.SimPaced += tcp ? 1 : 0;
            continue;
        }
        const double request = r.RequestBytes * 10.0 * 1000.0 / baud;
        const double reply = r.ReplyBytes * 10.0 * 1000.0 / baud;
        double pauses = 1 + (tcp ? tcpPause : 0); // the channel, after every exchange
        if (r.Function == kFnReadHolding || r.Function == kFnReadInput)
            pauses += 1 + 10; // the helper: after the transaction, after the stored read
        else if (r.Function == kFnWriteMultiple)
            pauses += 1;
        limits.Wire += request + reply + pauses;
        limits.SimPaced += std::ceil(request) + std::ceil(reply) + pauses;
    }
    return limits;
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
    Limits Limit;      // per operation
};

std::vector<Row> gRows;

void PrintRow(const Row& r)
{
    std::printf("%-4s %6d  %-26s %4d %9.3f %9.3f %9.3f %9.3f %9.3f %7.4f %9.3f %7.4f\n", r.Line.c_str(),
                r.Baud, r.Case.c_str(), r.Count, r.MeasuredMs, r.MinMs, r.MaxMs, r.ExchangeMs, r.Limit.Wire,
                r.MeasuredMs / r.Limit.Wire, r.Limit.SimPaced, r.MeasuredMs / r.Limit.SimPaced);
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
        double total = 0, low = 1e300, high = 0;
        std::vector<double> times;
        std::vector<ExchangeRecord> all;
        int runs = 0;
        body(); // warm-up
        recorder_();
        for (int i = 0; i < count; ++i) {
            const auto start = Clock::now();
            body();
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            total += ms;
            times.push_back(ms);
            low = std::min(low, ms);
            high = std::max(high, ms);
            std::vector<ExchangeRecord> r = recorder_();
            all.insert(all.end(), r.begin(), r.end());
            ++runs;
        }
        Limits limit = LimitOf(all, baud_, line_ == Line::Tcp, tcpPause_, extraMs * runs);
        limit.Wire /= runs;
        limit.SimPaced /= runs;
        double exchange = 0;
        for (const ExchangeRecord& r : all)
            exchange += r.Ms;
        std::sort(times.begin(), times.end());
        const double median = times.size() % 2 ? times[times.size() / 2]
                                               : (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2;
        Row row{LineName(), baud_, name, runs, median, total / runs, low, high, exchange / runs, limit};
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

} // namespace

int main(int argc, char** argv)
{
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
    std::printf("%-4s %6s  %-26s %4s %9s %9s %9s %9s %9s %7s %9s %7s\n", "line", "bit/s", "case", "runs",
                "median", "min", "max", "in chanel", "limit", "ratio", "sim-paced", "ratio");
    try {
        for (int baud : {19200, 115200})
            for (Line line : {Line::Tcp, Line::Pty}) {
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
    double worst = 0, worstPaced = 0;
    for (const Row& r : gRows) {
        worst = std::max(worst, r.MeasuredMs / r.Limit.Wire);
        worstPaced = std::max(worstPaced, r.MeasuredMs / r.Limit.SimPaced);
    }
    std::printf("\nworst ratio to the wire limit %.4f, to the simulator's pacing %.4f (target <= 1.02)\n",
                worst, worstPaced);
    std::printf("tcp* = TCP with TcpPause 5 ms\n");
    return 0;
}
