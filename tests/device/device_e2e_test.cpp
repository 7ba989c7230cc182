// The device operations end to end: the real TCP and serial channels (the
// latter on a pseudo-terminal) against the simulated meter.

#include "channels/comportchanel.h"
#include "channels/tcpchanel.h"
#include "device/zt_algorithm.h"
#include "device/zt_core.h"
#include "sim/metersim.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

using namespace ZT_namespace;
using Bytes = std::vector<uint8_t>;

namespace {

// A real channel that keeps every request it sends and every log text.
template <class Base> class Recording : public Base {
public:
    int32_t Exchange(const uint8_t* request, uint8_t* reply, int32_t requestLength, int32_t replyCapacity,
                     TInteractContainer* container) override
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            requests.emplace_back(request, request + requestLength);
        }
        return Base::Exchange(request, reply, requestLength, replyCapacity, container);
    }
    std::mutex mutex;
    std::vector<Bytes> requests;
    std::vector<std::string> logs;
};

enum class Line { Tcp, Pty };

class DeviceE2E : public ::testing::TestWithParam<Line> {
protected:
    void SetUp() override { Start(zt_sim::MeterConfig{}); }
    void TearDown() override
    {
        if (chanel)
            chanel->Close(nullptr);
        sim.reset();
    }

    void Start(const zt_sim::MeterConfig& config)
    {
        sim = std::make_unique<zt_sim::MeterSimulator>(config);
        if (GetParam() == Line::Tcp) {
            sim->StartTcp(0);
            auto tcp = std::make_unique<Recording<TcpChanelHelper>>();
            tcp->Params.TcpAddress = "127.0.0.1";
            tcp->Params.TcpPort = sim->Port();
            tcp->Params.NetAddr = 1;
            tcp->Params.TcpTimeout = 200;
            requests = &tcp->requests;
            logs = &tcp->logs;
            lock = &tcp->mutex;
            chanel = std::move(tcp);
        } else {
            sim->StartPty();
            auto serial = std::make_unique<Recording<ComPortChanelHelper>>();
            serial->Params.ComPortName = sim->PtyPath();
            serial->Params.Speed = 115200;
            serial->Params.NetAddr = 1;
            requests = &serial->requests;
            logs = &serial->logs;
            lock = &serial->mutex;
            chanel = std::move(serial);
        }
        chanel->SetOnLog([this](const std::string& text, TInteractContainer*) {
            std::lock_guard<std::mutex> guard(*lock);
            logs->push_back(text);
        });
        chanel->Open(nullptr);
        logs->clear();
        device.SetChanel(chanel.get());
        device.RetryPauseMs = 50;
    }

    // (function, register count) of every register request since `from`.
    std::vector<std::pair<int, int>> RegisterRequests(size_t from = 0)
    {
        std::lock_guard<std::mutex> guard(*lock);
        std::vector<std::pair<int, int>> out;
        for (size_t i = from; i < requests->size(); ++i) {
            const Bytes& r = (*requests)[i];
            if (r[1] == 3 || r[1] == 4 || r[1] == 0x10)
                out.push_back({r[1], (r[4] << 8) | r[5]});
        }
        return out;
    }
    size_t RequestCount(uint8_t function)
    {
        std::lock_guard<std::mutex> guard(*lock);
        size_t n = 0;
        for (const Bytes& r : *requests)
            n += r[1] == function;
        return n;
    }
    std::vector<std::string> Logs()
    {
        std::lock_guard<std::mutex> guard(*lock);
        return *logs;
    }
    std::string ErrorOf(ProcessAlgorithm& algorithm)
    {
        try {
            algorithm.Execute();
        } catch (const Exception& e) {
            return e.Message();
        }
        return "(no error)";
    }
    void Cancel()
    {
        container.Acquire()->SetCancel(true);
        container.Release(false);
    }
    int Progress()
    {
        int p = container.Acquire()->Progress;
        container.Release(false);
        return p;
    }

    std::unique_ptr<zt_sim::MeterSimulator> sim;
    std::unique_ptr<TChanelHelperBase> chanel;
    std::vector<Bytes>* requests = nullptr;
    std::vector<std::string>* logs = nullptr;
    std::mutex* lock = nullptr;
    ZT_Helper device;
    TInteractContainer container;
};

using DeviceTcp = DeviceE2E;

} // namespace

TEST_P(DeviceE2E, ReadAll_IssuesSevenPiecesAndMatchesTheMeter)
{
    sim->Device().SetHoldingU32(40027, 20240305);
    sim->Device().SetHoldingFloat(40233, 0.75f);
    ZT_MultiReadWriteAlgorithm readAll(kReadAllOperation, &device, &container, false);
    readAll.Execute();

    std::vector<std::pair<int, int>> expected{{3, 2},   {4, 127}, {4, 127}, {4, 26},
                                              {3, 127}, {3, 127}, {3, 127}, {3, 32}};
    EXPECT_EQ(RegisterRequests(), expected);
    EXPECT_TRUE(device.IsIdentified());
    EXPECT_TRUE(device.IdentificationChanged());
    EXPECT_EQ(device.Identity().Version, "1.12");

    TDeviceHelperLocker locker(device);
    EXPECT_EQ(device.Get(ZT_Fields::SerialNumber), 20240305u);
    EXPECT_FLOAT_EQ(device.Get(ZT_Fields::Qmin), 0.75f);
    // Every holding field as the meter encodes it on its own.
    for (const TFieldDesc& f : FieldTable()) {
        // The meter's clock runs on between the read and the comparison.
        if (f.Register <= ZT_Fields::Second.Register || f.Register < kHoldingBase ||
            f.Register >= kHoldingBase + kHoldingReadAllCount)
            continue;
        if (FieldWidth(f.Type) == 2)
            EXPECT_EQ(device.Get(TField<uint32_t>{f.Register}), sim->Device().HoldingU32(f.Register))
                << f.Name;
        else
            EXPECT_EQ(device.Word(f.Register), sim->Device().Holding(f.Register)) << f.Name;
    }
    EXPECT_EQ(device.Get(ZT_Fields::rcFirmware), sim->Device().Input(30009));
}

TEST_P(DeviceE2E, WriteAll_WritesSixBlocksAndLogsSixMessages)
{
    ZT_MultiReadWriteAlgorithm readAll(kReadAllOperation, &device, &container, false);
    readAll.Execute();
    uint16_t flags = sim->Device().Holding(40247);
    {
        TDeviceHelperLocker locker(device);
        device.Set(ZT_Fields::SerialNumber, 7654321u);
        device.Set(ZT_Fields::KoefReverse(4).B, -2.5f);
        device.Set(ZT_Fields::Plugin_2.QlowCurrent, 3.25f);
        device.Set(ZT_Fields::CalibrationFlags, uint16_t(flags ^ 3));
    }
    size_t from = requests->size();
    ZT_MultiReadWriteAlgorithm writeAll(kWriteAllOperation, &device, &container, false);
    writeAll.Execute();

    std::vector<std::pair<int, int>> expected{{16, 9}, {16, 66}, {16, 56}, {16, 67}, {16, 24}, {16, 120}};
    EXPECT_EQ(RegisterRequests(from), expected);
    std::vector<std::string> messages;
    for (const ZT_WriteStepStruct& step : WriteAllSteps)
        messages.push_back(step.Message);
    EXPECT_EQ(Logs(), messages);
    EXPECT_EQ(sim->Device().HoldingU32(40027), 7654321u);
    EXPECT_FLOAT_EQ(sim->Device().HoldingFloat(40231), -2.5f);
    EXPECT_FLOAT_EQ(sim->Device().HoldingFloat(40309), 3.25f);
    EXPECT_EQ(sim->Device().Holding(40247), flags);
}

TEST_P(DeviceE2E, WriteAll_CalibrationStepEndsOnTheHighWordOfTheImagesPair)
{
    ZT_MultiReadWriteAlgorithm readAll(kReadAllOperation, &device, &container, false);
    readAll.Execute();
    {
        TDeviceHelperLocker locker(device);
        device.Set(TField<float>{40243}, 1234.5f); // 0x449A5000 on the wire
    }
    size_t from = requests->size();
    ZT_MultiReadWriteAlgorithm writeAll(kWriteAllOperation, &device, &container, false);
    writeAll.Execute();

    std::lock_guard<std::mutex> guard(*lock);
    const Bytes* calibration = nullptr;
    for (size_t i = from; i < requests->size(); ++i) {
        const Bytes& r = (*requests)[i];
        if (r[1] == 0x10 && ((r[2] << 8) | r[3]) == 40177 - 40001)
            calibration = &r;
    }
    ASSERT_NE(calibration, nullptr);
    const Bytes& r = *calibration;
    ASSERT_EQ((r[4] << 8) | r[5], 67);
    // Words from byte 7 on; the 67th is the high half of the pair.
    EXPECT_EQ((r[7 + 2 * 66] << 8) | r[7 + 2 * 66 + 1], 0x449A);
    EXPECT_EQ(sim->Device().Holding(40243), 0x449A);
}

TEST_P(DeviceE2E, ArchiveRing_FullWrappedRingReadsInOrderWithSpecialPages)
{
    ZT_ReadArchiveDataSetup setup;
    setup.Kinds = {kHourlyArchive, kAlarmJournal, kOperatorJournal};
    setup.KindMask = (1 << kHourlyArchive) | (1 << kAlarmJournal) | (1 << kOperatorJournal);
    ZT_ReadArchiveAlgorithm algorithm(setup, &device, &container);
    algorithm.Execute();

    zt_sim::ArchiveRing hourly = sim->Device().Ring(kHourlyArchive);
    ASSERT_GT(hourly.Tail(), hourly.Head()); // wrapped
    const auto& records = device.ArchiveVector(kHourlyArchive);
    ASSERT_EQ(records.size(), hourly.Count());
    int special = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        uint16_t slot = static_cast<uint16_t>((hourly.Tail() + i) % hourly.Capacity());
        ASSERT_EQ(std::memcmp(records[i].Bytes.data(), hourly.Slot(slot), 64), 0) << i;
        bool valid = true;
        ArchiveDecodeStruct row = DecodeArchiveRecord(records[i], kHourlyArchive, valid);
        special += !valid;
        if (!valid) {
            EXPECT_TRUE(row.DateText == "Пропущ.страница" || row.DateText == "Стертая страница");
        }
    }
    // The pointer read counts as done but not in the total.
    EXPECT_EQ(algorithm.ProgressTotal, 256 + 3 + 11);
    EXPECT_EQ(algorithm.ProgressDone, 1 + 256 + 3 + 11);
    zt_sim::ArchiveRing journal = sim->Device().Ring(kOperatorJournal);
    EXPECT_EQ(device.JournalVector(kOperatorJournal).size(), journal.Count());
    EXPECT_EQ(device.JournalVector(kAlarmJournal).size(), sim->Device().Ring(kAlarmJournal).Count());
    for (const JournalStruct& r : device.JournalVector(kOperatorJournal)) {
        bool valid = true;
        special += !DecodeOperatorRecord(r, valid).DateText.empty() && !valid;
    }
    EXPECT_GT(special, 0);
}

TEST_P(DeviceTcp, Version2_SingleWriteRefusedWriteAllAndReadsGoOn)
{
    zt_sim::MeterIdentity id;
    id.modelCode = "ZT-E";
    id.bytes = {1, 0, 2, 0};
    sim->Device().SetIdentity(id);

    ZT_MultiReadWriteAlgorithm readAll(kReadAllOperation, &device, &container, false);
    EXPECT_EQ(ErrorOf(readAll), "(no error)");
    EXPECT_EQ(RequestCount(0x03), 5u);
    ZT_WriteModbusRegAlgorithm write(40281, 120, &device, &container);
    EXPECT_EQ(ErrorOf(write), "(no error)");
    EXPECT_EQ(RequestCount(0x10), 0u);
    ZT_MultiReadWriteAlgorithm writeAll(kWriteAllOperation, &device, &container, false);
    EXPECT_EQ(ErrorOf(writeAll), "(no error)");
    EXPECT_EQ(RequestCount(0x10), 6u);
    EXPECT_FALSE(device.IsIdentified());
    EXPECT_EQ(RequestCount(0x11), 3u);
    int reported = 0;
    for (const std::string& text : Logs())
        reported += text == "Неизвестная версия прибора";
    EXPECT_EQ(reported, 3);
    EXPECT_EQ(device.Identity().ModelName, "ZT-E");
}

TEST_P(DeviceTcp, Failures_UnknownModelAndNoAnswer)
{
    zt_sim::MeterIdentity id;
    id.modelCode = "QQQQ";
    sim->Device().SetIdentity(id);
    ZT_ReadModbusRegAlgorithm read(40281, 120, &device, &container, false);
    EXPECT_EQ(ErrorOf(read), "Неизвестная модификация прибора");
    EXPECT_EQ(device.Identity().ModificationIndex, 255);

    sim->Device().SetIdentity(zt_sim::MeterIdentity{});
    ASSERT_TRUE(device.IdentifyDevice(&container, 1));
    zt_sim::SimBehaviour silent;
    silent.noReply = true;
    silent.onlyFunction = 3;
    sim->SetBehaviour(silent);
    size_t before = RequestCount(3);
    // The line's own text of a missing reply.
    EXPECT_NE(ErrorOf(read), "(no error)");
    EXPECT_EQ(RequestCount(3) - before, 2u);
}

TEST_P(DeviceTcp, ArchivePointers_SearchFaultsAndReadAll)
{
    // From a date inside the daily archive, the reading starts where the
    // meter's search points.
    zt_sim::ArchiveRing daily = sim->Device().Ring(kDailyArchive);
    const uint8_t* middle = daily.Slot(static_cast<uint16_t>(daily.Tail() + daily.Count() / 2));
    ZT_ReadArchiveDataSetup setup;
    setup.Kinds = {kDailyArchive};
    setup.KindMask = 1 << kDailyArchive;
    setup.SearchStart = true;
    setup.DateFrom = EncodeDate(2000 + middle[0], middle[1], middle[2]);
    ZT_ReadArchiveAlgorithm search(setup, &device, &container);
    search.Execute();
    uint16_t found = daily.SearchDate(middle[0], middle[1], middle[2]);
    EXPECT_EQ(int(device.ArchiveVector(kDailyArchive).size()),
              RingCount(daily.LastIndex(), found, daily.Head()));
    EXPECT_LT(device.ArchiveVector(kDailyArchive).size(), daily.Count());
    EXPECT_EQ(RequestCount(0x42), 1u);

    sim->Device().SetRingPointers(kDailyArchive, 600, 700);
    setup = {};
    setup.Kinds = {kDailyArchive, 9, kMonthlyArchive};
    setup.KindMask = 1 << kDailyArchive;
    ZT_ReadArchiveAlgorithm faults(setup, &device, &container);
    faults.Execute();
    std::vector<std::string> logs = Logs();
    EXPECT_NE(std::find(logs.begin(), logs.end(), "Сбой указателя хвоста архива"), logs.end());
    EXPECT_NE(std::find(logs.begin(), logs.end(), "Сбой указателя головы архива"), logs.end());
    EXPECT_EQ(device.ArchiveVector(kDailyArchive).size(), 511u);
    EXPECT_TRUE(device.ArchiveVector(kMonthlyArchive).empty());

    setup.Kinds = {kMonthlyArchive};
    setup.KindMask = 1 << kMonthlyArchive;
    setup.ReadAll = true;
    ZT_ReadArchiveAlgorithm all(setup, &device, &container);
    all.Execute();
    EXPECT_EQ(device.ArchiveVector(kMonthlyArchive).size(), 63u);
    EXPECT_EQ(device.ArchiveVector(kDailyArchive).size(), 511u);
}

TEST_P(DeviceTcp, ArchiveCancel_DropsOrKeepsWhatWasRead)
{
    zt_sim::SimBehaviour slow;
    slow.latencyMs = 5;
    slow.onlyFunction = 0x41;
    sim->SetBehaviour(slow);
    for (bool keep : {false, true}) {
        container.Assign(std::make_unique<TInteract>());
        ZT_ReadArchiveDataSetup setup;
        setup.Kinds = {kHourlyArchive};
        setup.KindMask = 1 << kHourlyArchive;
        setup.KeepPartial = keep;
        ZT_ReadArchiveAlgorithm algorithm(setup, &device, &container);
        std::string error = "(no error)";
        std::thread worker([&] { error = ErrorOf(algorithm); });
        for (int i = 0; i < 400 && Progress() < 5; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        Cancel();
        worker.join();
        size_t kept = device.ArchiveVector(kHourlyArchive).size();
        if (keep) {
            EXPECT_EQ(error, "(no error)");
            EXPECT_GT(kept, 0u);
            EXPECT_LT(kept, 1023u);
        } else {
            EXPECT_EQ(error, "Выполнение процесса прервано");
            EXPECT_EQ(kept, 0u);
        }
    }
}

TEST_P(DeviceTcp, PollingLoops_DeliverDataUntilCancelled)
{
    ASSERT_TRUE(device.IdentifyDevice(&container, 1));
    {
        ZT_ObservationAlgorithm observation(&device, &container);
        std::thread worker([&] { ErrorOf(observation); });
        std::vector<ObservationStruct> taken;
        for (int i = 0; i < 300 && taken.size() < 5; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            device.TakeObservations(taken);
        }
        auto start = std::chrono::steady_clock::now();
        Cancel();
        worker.join();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        ASSERT_GE(taken.size(), 5u);
        for (size_t i = 1; i < taken.size(); ++i)
            EXPECT_GT(taken[i].Stamp, taken[i - 1].Stamp);
        EXPECT_TRUE(container.Acquire()->DataReady);
        container.Release(false);
    }
    container.Assign(std::make_unique<TInteract>());
    {
        ZT_AdcSignalAlgorithm adc(&device, &container);
        std::thread worker([&] { ErrorOf(adc); });
        std::vector<double> a, b, p1, p2;
        for (int i = 0; i < 300 && p2.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            device.TakeAdcSignal(a, b, p1, p2);
        }
        Cancel();
        worker.join();
        EXPECT_EQ(a.size(), 32u);
        EXPECT_EQ(b.size(), 32u);
        EXPECT_EQ(p1.size(), 128u);
        EXPECT_EQ(p2.size(), 128u);
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, DeviceE2E, ::testing::Values(Line::Tcp, Line::Pty),
                         [](const auto& info) { return info.param == Line::Tcp ? "Tcp" : "Pty"; });
INSTANTIATE_TEST_SUITE_P(Lines, DeviceTcp, ::testing::Values(Line::Tcp),
                         [](const auto&) { return std::string("Tcp"); });
