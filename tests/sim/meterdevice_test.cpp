// The simulated meter's answers to the requests the system sends, its
// commands, and its archive arithmetic, frame in and reply out.

#include "sim/meterdevice.h"
#include "sim/simbytes.h"
#include "tests/sim/rtumaster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>

using namespace zt_sim;
using simtest::CrcValid;
using simtest::Frame;
using simtest::ReadRequest;

namespace {

// 2024-03-05 13:30:00 on the meter's clock.
const int64_t kWall = CivilToSeconds({2024, 3, 5, 13, 30, 0});

MeterConfig FixedConfig()
{
    MeterConfig c;
    c.wallSeconds = kWall;
    c.occasionalFlags = false;
    c.clearingStepMs = 2;
    return c;
}

class MeterDeviceTest : public ::testing::Test {
protected:
    MeterDevice meter{FixedConfig()};

    std::vector<uint8_t> Ask(std::vector<uint8_t> body) { return AskRaw(Frame(std::move(body))); }
    std::vector<uint8_t> AskRaw(const std::vector<uint8_t>& f)
    {
        auto r = meter.Process(f.data(), f.size());
        if (!r.empty()) {
            EXPECT_TRUE(CrcValid(r));
        }
        return r;
    }
    std::vector<uint8_t> ReadArchive(uint8_t kind, uint16_t index, uint8_t count)
    {
        return Ask({1, 0x41, kind, 0, uint8_t(index), uint8_t(index >> 8), count});
    }
    uint16_t Search(uint8_t kind, const CivilTime& t)
    {
        auto r = Ask({1, 0x42, kind, uint8_t(t.year % 100), uint8_t(t.month), uint8_t(t.day)});
        EXPECT_EQ(r.size(), 10u);
        return r.size() == 10 ? GetLE16(&r[6]) : 0xFFFF;
    }
    void Write(uint16_t reg, std::vector<uint16_t> values)
    {
        uint16_t a = uint16_t(reg - 40001), n = uint16_t(values.size());
        std::vector<uint8_t> f{1, 0x10, uint8_t(a >> 8), uint8_t(a), 0, uint8_t(n), uint8_t(2 * n)};
        for (uint16_t v : values)
            AppendBE16(f, v);
        auto r = Ask(f);
        ASSERT_EQ(r.size(), 8u);
        EXPECT_EQ(r[1], 0x10);
    }
};

uint8_t ExceptionOf(const std::vector<uint8_t>& r)
{
    return r.size() == 5 && (r[1] & 0x80) ? r[2] : 0;
}

} // namespace

TEST_F(MeterDeviceTest, RegisterReads_AnswerOrRefuseByRangeAndCount)
{
    struct Case {
        uint8_t function;
        uint16_t address, count;
        uint8_t exception; // 0: a normal answer
    } cases[] = {
        {3, 0, 1, 0},   {3, 0, 127, 0}, {3, 289, 127, 0}, {3, 415, 1, 0},   {3, 415, 2, 2},
        {3, 416, 1, 2}, {3, 0, 0, 3},   {3, 0, 128, 3},   {4, 0, 127, 0},   {4, 254, 26, 0},
        {4, 279, 1, 0}, {4, 279, 2, 2}, {4, 0, 0, 3},     {4, 65535, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.function) << " @" << c.address << " x" << c.count);
        auto r = AskRaw(ReadRequest(1, c.function, c.address, c.count));
        if (c.exception) {
            ASSERT_EQ(r.size(), 5u);
            EXPECT_EQ(r[1], c.function | 0x80);
            EXPECT_EQ(r[2], c.exception);
        } else {
            ASSERT_EQ(r.size(), 5u + 2u * c.count);
            EXPECT_EQ(r[2], 2 * c.count);
        }
    }
}

TEST_F(MeterDeviceTest, RegisterValues_BigEndianHighWordFirst)
{
    // Serial number 12345678 = 0x00BC614E at 40027..40028, Ду 50 at 40029.
    auto r = Ask({1, 3, 0, 26, 0, 3});
    ASSERT_EQ(r.size(), 11u);
    EXPECT_EQ(std::vector<uint8_t>(r.begin() + 3, r.begin() + 9),
              (std::vector<uint8_t>{0x00, 0xBC, 0x61, 0x4E, 0, 50}));
    // Qmax 70.0 = 0x428C0000 at 40235.
    r = Ask({1, 3, 0, 234, 0, 2});
    ASSERT_EQ(r.size(), 9u);
    EXPECT_EQ(std::vector<uint8_t>(r.begin() + 3, r.begin() + 7),
              (std::vector<uint8_t>{0x42, 0x8C, 0x00, 0x00}));
    // Input registers agree with the state accessor.
    r = Ask({1, 4, 0, 8, 0, 4});
    ASSERT_EQ(r.size(), 13u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(GetBE16(&r[size_t(3 + 2 * i)]), meter.Input(30009 + i));
}

TEST_F(MeterDeviceTest, InitialBlocks_PassThePagesChecks)
{
    int phases = 0;
    for (int reg = 40055; reg <= 40064; ++reg)
        phases += meter.Holding(reg);
    EXPECT_GT(phases, 0);
    for (int reg = 40065; reg <= 40072; ++reg)
        EXPECT_NE(meter.Holding(reg), 0) << reg;
    for (int reg = 40365; reg <= 40368; ++reg)
        EXPECT_NE(meter.Holding(reg), 0) << reg;
    EXPECT_EQ(meter.Holding(40029), 50);
    EXPECT_NE(meter.HoldingFloat(40149), 0.0f);
    EXPECT_GT(meter.HoldingFloat(40233), 0.0f);
    EXPECT_GT(meter.HoldingFloat(40235), meter.HoldingFloat(40233));
    for (int out : {40257, 40269})
        if (meter.Holding(out) != 0) {
            EXPECT_NE(meter.HoldingFloat(out + 4), 0.0f);
        }
    EXPECT_LE(meter.Holding(40376), 25000);
    EXPECT_EQ(meter.Holding(40322), 1);
}

TEST_F(MeterDeviceTest, Addressing_OwnAddressAndZeroAnswerOthersIgnored)
{
    EXPECT_EQ(AskRaw(ReadRequest(1, 3, 0, 1))[0], 1);
    EXPECT_EQ(AskRaw(ReadRequest(0, 3, 0, 1))[0], 0);
    EXPECT_TRUE(AskRaw(ReadRequest(2, 3, 0, 1)).empty());
    auto broken = ReadRequest(1, 3, 0, 1);
    broken[7] ^= 1;
    EXPECT_TRUE(AskRaw(broken).empty());

    Write(40322, {17});
    EXPECT_TRUE(AskRaw(ReadRequest(1, 3, 0, 1)).empty());
    EXPECT_EQ(AskRaw(ReadRequest(17, 3, 0, 1))[0], 17);
    meter.SetAnswerAddressZero(false);
    EXPECT_TRUE(AskRaw(ReadRequest(0, 3, 0, 1)).empty());
}

TEST_F(MeterDeviceTest, UnsupportedFunctions_Exception1)
{
    for (uint8_t f : {1, 2, 5, 6, 15, 0x2B, 0x47})
        EXPECT_EQ(ExceptionOf(Ask({1, f, 0, 0, 0, 1})), 1) << int(f);
}

TEST_F(MeterDeviceTest, Writes_LandInHoldingSpaceOrAreRefused)
{
    // Float 10.0 written high word first.
    auto r = Ask({1, 0x10, 0, 232, 0, 2, 4, 0x41, 0x20, 0x00, 0x00});
    ASSERT_EQ(r, Frame({1, 0x10, 0, 232, 0, 2}));
    EXPECT_FLOAT_EQ(meter.HoldingFloat(40233), 10.0f);

    struct Bad {
        std::vector<uint8_t> body;
        uint8_t exception;
    } bad[] = {
        {{1, 0x10, 1, 159, 0, 2, 4, 0, 1, 0, 2}, 2}, // 40416..40417
        {{1, 0x10, 0, 28, 0, 2, 2, 0, 1}, 3},        // byte count differs from count
        {{1, 0x10, 0, 28, 0, 0, 0}, 3},              // no registers
        {{1, 0x10, 0, 1, 0, 1, 2, 0, 13}, 3},        // month 13
        {{1, 0x10, 0, 6, 0, 1, 2, 0x00, 0xC8}, 3},   // RTC correction 200 ppm
        {{1, 0x10, 1, 65, 0, 1, 2, 0, 0}, 3},        // address 0 for 40322
    };
    for (const Bad& b : bad)
        EXPECT_EQ(ExceptionOf(Ask(b.body)), b.exception);
    std::vector<uint8_t> big{1, 0x10, 0, 0, 0, 124, 248};
    big.resize(big.size() + 248, 0);
    EXPECT_EQ(ExceptionOf(Ask(big)), 3);
    EXPECT_EQ(meter.Holding(40322), 1);
    EXPECT_EQ(meter.Holding(40030), 0);

    Write(40007, {uint16_t(int16_t(-5)), 12});
    EXPECT_EQ(int16_t(meter.Holding(40007)), -5);
    EXPECT_EQ(meter.Holding(40008), 12);
}

TEST_F(MeterDeviceTest, ClockWrite_SetsARunningClock)
{
    CivilTime before = meter.Clock();
    EXPECT_EQ(before.year, 2024);
    EXPECT_EQ(before.month, 3);
    Write(40001, {23, 7, 14, 10, 20, 30});
    auto r = Ask({1, 3, 0, 0, 0, 6});
    ASSERT_EQ(r.size(), 17u);
    EXPECT_EQ(GetBE16(&r[3]), 23);
    EXPECT_EQ(GetBE16(&r[5]), 7);
    EXPECT_EQ(GetBE16(&r[7]), 14);
    EXPECT_EQ(GetBE16(&r[9]), 10);
    EXPECT_EQ(GetBE16(&r[11]), 20);
    EXPECT_LE(GetBE16(&r[13]) - 30, 2);
}

TEST_F(MeterDeviceTest, ClearingCommand_CountsToThirtyThenResetsArchivesAndTotals)
{
    meter.SetClearingStepMs(20);
    Write(40009, {1});
    EXPECT_TRUE(meter.Clearing());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    uint16_t progress = meter.Input(30007);
    EXPECT_GT(progress, 1);
    EXPECT_LT(progress, 30);
    for (int i = 0; i < 100 && meter.Clearing(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_FALSE(meter.Clearing());
    EXPECT_EQ(meter.Input(30007), 0);
    EXPECT_LT(meter.InputU32(30055), 1u); // forward volume starts again
    for (int k : {0, 1, 2, 3, 5, 6})
        EXPECT_EQ(meter.Ring(k).Count(), 0u) << k;
    // The operator journal keeps the clearing and the discarded totals.
    ArchiveRing journal = meter.Ring(kOperatorJournal);
    ASSERT_EQ(journal.Count(), 3u);
    EXPECT_EQ(GetLE16(journal.Slot(0) + 6) & 0x0FFF, 2);
    EXPECT_EQ(GetLE16(journal.Slot(1) + 6), uint16_t(16 | (10 << 12)));
    // 30001..30006 take the clearing time.
    CivilTime now = meter.Clock();
    EXPECT_EQ(meter.Input(30001), now.year - 2000);
    EXPECT_EQ(meter.Input(30003), now.day);
}

TEST_F(MeterDeviceTest, ClearingCancelled_KeepsArchives)
{
    meter.SetClearingStepMs(1000);
    uint32_t hourly = meter.Ring(kHourly).Count();
    Write(40009, {1});
    EXPECT_EQ(meter.Input(30007), 1);
    Write(40009, {0});
    EXPECT_FALSE(meter.Clearing());
    EXPECT_EQ(meter.Input(30007), 0);
    EXPECT_EQ(meter.Ring(kHourly).Count(), hourly);
}

TEST_F(MeterDeviceTest, IntegrationCommand_AccumulatesWhileOn)
{
    EXPECT_EQ(meter.Input(30079) & 1, 0);
    Write(40010, {1});
    EXPECT_EQ(meter.Input(30079) & 1, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    uint32_t measurements = meter.InputU32(30097), ms = meter.InputU32(30099);
    EXPECT_GT(measurements, 0u);
    EXPECT_GE(ms, 100u);
    EXPECT_GT(meter.InputFloat(30105), 0.0f);
    Write(40010, {0});
    EXPECT_EQ(meter.Input(30079) & 1, 0);
    uint32_t frozen = meter.InputU32(30099);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(meter.InputU32(30099), frozen);
}

TEST_F(MeterDeviceTest, LiveValues_FlowAroundSetPointAndTotalsGrow)
{
    meter.SetFlow(20.0f, 0.5f);
    uint32_t forwardTime = meter.InputU32(30063);
    for (int i = 0; i < 5; ++i) {
        float q = meter.InputFloat(30075);
        EXPECT_NEAR(q, 20.0f, 0.5f);
    }
    meter.SetForcedFlags(0x0008, 0, 0x0001);
    EXPECT_EQ(meter.Input(30078), 0x0008);
    EXPECT_EQ(meter.Input(30080) & 0x0001, 0x0001);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_GT(meter.InputU32(30063), forwardTime);
}

TEST_F(MeterDeviceTest, Identification_ModelBytesAndBadLengthModes)
{
    EXPECT_EQ(Ask({1, 0x11}), Frame({1, 0x11, 8, 'Z', 'T', '-', 'A', 1, 0, 1, 12}));
    meter.SetIdentity({"KLVB", {2, 3, 2, 0}, 8});
    EXPECT_EQ(Ask({0, 0x11}), Frame({0, 0x11, 8, 'K', 'L', 'V', 'B', 2, 3, 2, 0}));
    meter.SetIdentity({"ZT-E", {1, 0, 1, 12}, 6});
    auto r = Ask({1, 0x11});
    ASSERT_EQ(r.size(), 11u);
    EXPECT_EQ(r[2], 6);
}

TEST_F(MeterDeviceTest, RingPointers_InArchiveStateBlock)
{
    auto setup = DefaultRingSetup();
    for (int k = 0; k < kArchiveKinds; ++k) {
        ArchiveRing ring = meter.Ring(k);
        EXPECT_EQ(meter.Input(30021 + 3 * k), setup[size_t(k)].capacity - 1) << k;
        EXPECT_EQ(meter.Input(30022 + 3 * k), ring.Tail()) << k;
        EXPECT_EQ(meter.Input(30023 + 3 * k), ring.Head()) << k;
        EXPECT_EQ(ring.Count(), setup[size_t(k)].count) << k;
    }
    // The hourly ring is full and wrapped: the head is just before the tail.
    EXPECT_EQ(meter.Input(30022), 301);
    EXPECT_EQ(meter.Input(30023), 300);
    // The operator journal wrapped without filling: 20 + 255 - 100 + 1.
    EXPECT_EQ(meter.Input(30034), 100);
    EXPECT_EQ(meter.Input(30035), 20);
}

TEST_F(MeterDeviceTest, ArchiveRead_RecordsPerRequestAndWrap)
{
    struct Case {
        uint8_t kind;
        uint16_t index;
        uint8_t wanted;
        uint8_t returned;
        uint16_t next;
    } cases[] = {
        {kHourly, 1022, 255, 4, 2},        {kHourly, 301, 3, 3, 304},      {kDaily, 0, 255, 4, 4},
        {kAlarmJournal, 250, 255, 16, 10}, {kOperatorJournal, 0, 1, 1, 1}, {kSystem, 60, 255, 8, 4},
        {kInterval, 511, 2, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << int(c.kind) << " @" << c.index);
        auto r = ReadArchive(c.kind, c.index, c.wanted);
        size_t bytes = size_t(RecordSize(c.kind)) * c.returned;
        ASSERT_EQ(r.size(), bytes + 9);
        EXPECT_EQ(r[1], 0x41);
        EXPECT_EQ(GetLE16(&r[4]), c.next);
        EXPECT_EQ(r[6], c.returned);
        ArchiveRing ring = meter.Ring(c.kind);
        for (int i = 0; i < c.returned; ++i)
            EXPECT_TRUE(std::equal(r.begin() + 7 + i * RecordSize(c.kind),
                                   r.begin() + 7 + (i + 1) * RecordSize(c.kind),
                                   ring.Slot(uint16_t((c.index + i) % ring.Capacity()))));
    }
    EXPECT_EQ(ExceptionOf(ReadArchive(kHourly, 1024, 1)), 2);
    EXPECT_EQ(ExceptionOf(ReadArchive(7, 0, 1)), 3);
    EXPECT_EQ(ExceptionOf(ReadArchive(kDaily, 0, 0)), 3);
}

TEST_F(MeterDeviceTest, HourlyHistory_StampedEachHourBackAcrossTheWrap)
{
    ArchiveRing ring = meter.Ring(kHourly);
    auto stampOf = [&](int age) {
        const uint8_t* p = ring.Slot(uint16_t((ring.Head() - age + ring.Capacity()) % ring.Capacity()));
        return CivilToSeconds({2000 + p[0], p[1], p[2], p[3], p[4], p[5]});
    };
    const int64_t newest = CivilToSeconds({2024, 3, 5, 12, 0, 0});
    for (int age : {1, 2, 29, 32, 300, 301, 302, 1023})
        EXPECT_EQ(stampOf(age), newest - (age - 1) * 3600) << age;
    auto isAll = [&](int age, uint8_t v) {
        const uint8_t* p = ring.Slot(uint16_t((ring.Head() - age + ring.Capacity()) % ring.Capacity()));
        return std::all_of(p, p + 64, [v](uint8_t b) { return b == v; });
    };
    EXPECT_TRUE(isAll(30, 0x00));
    EXPECT_TRUE(isAll(31, 0xFF));
    // Durations of an hour add up to the hour.
    const uint8_t* p = ring.Slot(uint16_t(ring.Head() - 1));
    uint32_t sum = 0;
    for (int i = 0; i < 6; ++i)
        sum += GetLE32(p + 32 + 4 * i);
    EXPECT_EQ(sum, 3600u);
}

TEST_F(MeterDeviceTest, SearchByDate_FirstRecordOfThatDateOrLater)
{
    ArchiveRing daily = meter.Ring(kDaily);
    // Daily records: the newest is stamped 2024-03-04, one per day back.
    EXPECT_EQ(Search(kDaily, {2024, 3, 4}), uint16_t(daily.Head() - 1));
    EXPECT_EQ(Search(kDaily, {2024, 2, 24}), uint16_t(daily.Head() - 10));
    EXPECT_EQ(Search(kDaily, {2024, 3, 5}), daily.Head()); // newer than everything
    EXPECT_EQ(Search(kDaily, {2020, 1, 1}), daily.Tail()); // older than everything
    // Hourly ring, across its wrap: the first hour of 2024-02-01.
    ArchiveRing hourly = meter.Ring(kHourly);
    uint16_t found = Search(kHourly, {2024, 2, 1});
    const uint8_t* p = hourly.Slot(found);
    EXPECT_EQ(p[1], 2);
    EXPECT_EQ(p[2], 1);
    EXPECT_EQ(p[3], 0);
    const uint8_t* before = hourly.Slot(uint16_t((found + 1023) % 1024));
    EXPECT_EQ(before[2], 31);
    EXPECT_EQ(ExceptionOf(Ask({1, 0x42, 9, 24, 3, 5})), 3);
}

TEST_F(MeterDeviceTest, Journals_RecordsAcrossGroupsAndValueTypes)
{
    ArchiveRing alarms = meter.Ring(kAlarmJournal);
    bool groups[3] = {};
    for (uint16_t i = alarms.Tail(); i != alarms.Head(); i = uint16_t((i + 1) % alarms.Capacity())) {
        const uint8_t* r = alarms.Slot(i);
        if (r[0] == 0 || r[0] == 0xFF)
            continue;
        ASSERT_LT(r[6], 3);
        groups[r[6]] = true;
        EXPECT_NE(GetLE32(r + 8), GetLE32(r + 12));
    }
    EXPECT_TRUE(groups[0] && groups[1] && groups[2]);
    ArchiveRing ops = meter.Ring(kOperatorJournal);
    std::set<int> types;
    for (uint16_t i = ops.Tail(); i != ops.Head(); i = uint16_t((i + 1) % ops.Capacity()))
        if (ops.Slot(i)[0] != 0xFF)
            types.insert(GetLE16(ops.Slot(i) + 6) >> 12);
    for (int t = 1; t <= 12; ++t)
        EXPECT_TRUE(types.count(t)) << t;
}

TEST(ArchiveRingTest, AppendPastCapacity_OldestGoes)
{
    ArchiveRing ring(kAlarmJournal, 4);
    uint8_t record[16] = {};
    for (int i = 0; i < 5; ++i) {
        record[0] = uint8_t(i);
        ring.Append(record);
    }
    EXPECT_EQ(ring.Count(), 3u);
    EXPECT_EQ(ring.Head(), 1);
    EXPECT_EQ(ring.Tail(), 2);
    EXPECT_EQ(ring.Slot(ring.Tail())[0], 2);
    std::vector<uint8_t> out;
    EXPECT_EQ(ring.Read(3, 3, out), 2);
    EXPECT_EQ(out.size(), 48u);
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(out[16], 4);
}

TEST_F(MeterDeviceTest, Observation_OnlyNewerRecordsAtMostEight)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // > 8 records made
    auto first = Ask({1, 0x46});
    ASSERT_EQ(first.size(), 4u + 8 * 32);
    uint32_t last = 0;
    for (int i = 0; i < 8; ++i) {
        uint32_t stamp = GetLE32(&first[size_t(2 + 32 * i)]);
        EXPECT_GT(stamp, last);
        last = stamp;
    }
    EXPECT_NEAR(GetLEFloat(&first[2 + 4]), 12.5f, 0.2f); // channel 1 is the flow
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    uint8_t s[4];
    PutLE32(s, last);
    auto next = Ask({1, 0x46, s[0], s[1], s[2], s[3]});
    ASSERT_GT(next.size(), 4u);
    ASSERT_EQ((next.size() - 4) % 32, 0u);
    EXPECT_EQ(GetLE32(&next[2]), last + 1);
    PutLE32(s, meter.ObservationStamp() + 1000); // from before a restart
    EXPECT_GT(Ask({1, 0x46, s[0], s[1], s[2], s[3]}).size(), 4u);

    meter.SetHolding(40043, 0);
    auto off = Ask({1, 0x46});
    EXPECT_EQ(GetLEFloat(&off[2 + 4]), 0.0f);
}

TEST_F(MeterDeviceTest, AdcSignal_PartsAndCounts)
{
    struct Case {
        uint8_t part;
        size_t sampleBytes;
    } cases[] = {{0, 4}, {1, 2}, {2, 2}};
    for (const Case& c : cases) {
        auto r = Ask({1, 0x45, c.part});
        ASSERT_GE(r.size(), 6u);
        EXPECT_LE(r.size(), 262u);
        EXPECT_EQ((r.size() - 6) / c.sampleBytes, r[3]) << int(c.part);
    }
    auto a = Ask({1, 0x45, 0});
    EXPECT_GT(int32_t(GetLE32(&a[4 + 4 * 20])), 0);        // half A positive
    EXPECT_LT(int32_t(GetLE32(&a[4 + 4 * (32 + 20)])), 0); // half B negative
    EXPECT_EQ(ExceptionOf(Ask({1, 0x45, 3})), 3);
}
