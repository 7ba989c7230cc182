// The device model's own requests against scripted replies: identification
// outcomes, the observation and ADC record counts, the archive arithmetic
// and the guards against replies whose counts do not match their bytes.

#include "device/zt_algorithm.h"
#include "device/zt_core.h"
#include "tests/support/scriptedchanel.h"

#include <gtest/gtest.h>

#include <thread>

using namespace ZT_namespace;

namespace {

class HelperFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        device.SetChanel(&chanel);
        device.RetryPauseMs = 1;
    }
    ZT_Helper device;
    ScriptedChanel chanel;
    TInteractContainer container;
};

Bytes IdentificationReply(const std::string& code, uint8_t b4, uint8_t b5, uint8_t b6, uint8_t b7,
                          uint8_t count = 8)
{
    Bytes f{1, 0x11, count};
    f.insert(f.end(), code.begin(), code.end());
    f.insert(f.end(), {b4, b5, b6, b7});
    return WithCrc(f);
}

Bytes InputReply(const std::vector<uint16_t>& words)
{
    Bytes f{1, 4, static_cast<uint8_t>(words.size() * 2)};
    for (uint16_t w : words) {
        f.push_back(static_cast<uint8_t>(w >> 8));
        f.push_back(static_cast<uint8_t>(w));
    }
    return WithCrc(f);
}

Bytes RecordsReply(uint16_t next, int reported, int bytes, uint8_t fill = 0x11)
{
    Bytes f{1,
            0x41,
            0,
            0,
            static_cast<uint8_t>(next),
            static_cast<uint8_t>(next >> 8),
            static_cast<uint8_t>(reported)};
    f.insert(f.end(), static_cast<size_t>(bytes), fill);
    return WithCrc(f);
}

// The pointer block with ring `kind` at (last, tail, head) and the others empty.
std::vector<uint16_t> Pointers(int kind, uint16_t last, uint16_t tail, uint16_t head)
{
    std::vector<uint16_t> w(21, 0);
    for (int k = 0; k < 7; ++k)
        w[3 * k] = 255;
    w[3 * kind] = last;
    w[3 * kind + 1] = tail;
    w[3 * kind + 2] = head;
    return w;
}

} // namespace

TEST_F(HelperFixture, Identification_OutcomesByModelCodeAndVersion)
{
    struct Case {
        std::string code;
        uint8_t count;
        uint8_t major;
        bool result;
        const char* error;
        uint8_t index;
        const char* model;
    } cases[] = {
        {"KLVA", 8, 1, true, nullptr, 0, "ZT-A"},
        {"KLVB", 8, 1, true, nullptr, 0, "ZT-A"},
        {"ZT-A", 8, 0, true, nullptr, 0, "ZT-A"},
        {"ZT-E", 8, 1, true, nullptr, 2, "ZT-E"},
        {"ZT-E", 8, 2, false, nullptr, 2, "ZT-E"},
        {"ABCD", 8, 1, false, "Неизвестная модификация прибора", 255, ""},
        {"ZT-E", 7, 1, false, "Неизвестная модификация прибора", 255, ""},
    };
    for (const Case& c : cases) {
        device.Reset();
        chanel.Logs.clear();
        Bytes reply = IdentificationReply(c.code, 3, 4, c.major, 12);
        if (c.count != 8) // seven data bytes, the reply one byte short
            reply = WithCrc(Bytes{1, 0x11, 7, 'Z', 'T', '-', 'E', 3, 4, 1});
        chanel.Replies = {reply};
        if (c.error) {
            try {
                device.IdentifyDevice(&container, 1);
                ADD_FAILURE() << c.code;
            } catch (const Exception& e) {
                EXPECT_EQ(e.Message(), c.error);
            }
        } else {
            EXPECT_EQ(device.IdentifyDevice(&container, 1), c.result) << c.code;
        }
        ZT_IdentityStruct id = device.Identity();
        EXPECT_EQ(device.IsIdentified(), c.result) << c.code;
        EXPECT_EQ(id.ModificationIndex, c.index) << c.code;
        EXPECT_EQ(id.ModelName, c.model) << c.code;
        if (!c.error) {
            EXPECT_EQ(id.Version, Format("%u.12", c.major));
            EXPECT_EQ(id.Modification, "3.4");
        }
        bool versionReported = !chanel.Logs.empty() && chanel.Logs.back() == "Неизвестная версия прибора";
        EXPECT_EQ(versionReported, c.major >= 2 && !c.error) << c.code;
    }
    EXPECT_EQ(chanel.Requests.back(), (Bytes{0x01, 0x11, 0xC0, 0x2C}));
    EXPECT_EQ(chanel.Timeouts.back(), (std::pair<int32_t, int32_t>{1000, 100}));
}

TEST_F(HelperFixture, VersionReport_IsLoggedWithoutTheDataLock)
{
    // The log ends in the interaction record, whose lock the window thread
    // holds while it takes the data lock: a report under the data lock
    // would deadlock the two.
    bool dataFree = false;
    chanel.SetOnLog([&](const std::string&, TInteractContainer*) {
        std::thread window([&] {
            dataFree = device.DataMutex.try_lock();
            if (dataFree)
                device.DataMutex.unlock();
        });
        window.join();
    });
    chanel.Replies = {IdentificationReply("ZT-E", 1, 0, 2, 0)};
    EXPECT_FALSE(device.IdentifyDevice(&container, 1));
    EXPECT_TRUE(dataFree);
}

TEST_F(HelperFixture, Observation_AcceptsNewAndRestartedStamps)
{
    auto reply = [](std::vector<uint32_t> stamps) {
        Bytes f{1, 0x46};
        for (uint32_t s : stamps) {
            Bytes record(32, 0);
            std::memcpy(record.data(), &s, 4);
            float v = float(s) / 2;
            std::memcpy(record.data() + 4, &v, 4);
            f.insert(f.end(), record.begin(), record.end());
        }
        return WithCrc(f);
    };
    chanel.Replies = {reply({10, 11, 11}), reply({30}), reply({20, 2}), WithCrc(Bytes{1, 0x46, 0xAA})};
    std::vector<ObservationStruct> taken;
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(device.ReadObservation(&container, 1));
    device.TakeObservations(taken);
    ASSERT_EQ(taken.size(), 4u);
    EXPECT_EQ(taken[0].Stamp, 10u);
    EXPECT_EQ(taken[1].Stamp, 11u);
    EXPECT_FLOAT_EQ(taken[1].Values[0], 5.5f);
    EXPECT_EQ(taken[2].Stamp, 30u);
    EXPECT_EQ(taken[3].Stamp, 2u); // 20 after 30 was skipped
    // The first poll asks without a stamp, the next ones with the last stamp.
    EXPECT_EQ(chanel.Requests[0].size(), 4u);
    EXPECT_EQ(chanel.Requests[1], WithCrc(Bytes{1, 0x46, 11, 0, 0, 0}));
    EXPECT_EQ(chanel.Capacities[0], 260);
    device.TakeObservations(taken);
    EXPECT_EQ(taken.size(), 4u);
}

TEST_F(HelperFixture, AdcSignal_SplitsPartZeroAndChecksTheCount)
{
    // 64 samples fill the 262 bytes a reply may have.
    Bytes part0{1, 0x45, 0, 64};
    for (int32_t i = 0; i < 64; ++i) {
        int32_t v = i - 32;
        part0.insert(part0.end(), reinterpret_cast<uint8_t*>(&v), reinterpret_cast<uint8_t*>(&v) + 4);
    }
    Bytes part1{1, 0x45, 1, 3, 1, 0, 2, 0, 0xFF, 0xFF};
    Bytes bad{1, 0x45, 2, 4, 1, 0, 2, 0};
    chanel.Replies = {WithCrc(part0), WithCrc(part1), WithCrc(bad)};
    EXPECT_TRUE(device.ReadAdcSignal(0, &container, 1));
    EXPECT_TRUE(device.ReadAdcSignal(1, &container, 1));
    EXPECT_THROW(
        {
            try {
                device.ReadAdcSignal(2, &container, 1);
            } catch (const Exception& e) {
                EXPECT_EQ(e.Message(), "Неправильный ответ от прибора");
                throw;
            }
        },
        Exception);
    std::vector<double> a, b, p1, p2;
    device.TakeAdcSignal(a, b, p1, p2);
    ASSERT_EQ(a.size(), 32u);
    ASSERT_EQ(b.size(), 32u);
    EXPECT_EQ(a[0], -32);
    EXPECT_EQ(b[31], 31);
    EXPECT_EQ(p1, (std::vector<double>{1, 2, 65535}));
    EXPECT_TRUE(p2.empty());
    EXPECT_EQ(chanel.Requests[1], WithCrc(Bytes{1, 0x45, 1}));

    // Replies of no samples empty the signals (and copy nothing).
    chanel.Replies = {WithCrc(Bytes{1, 0x45, 0, 0}), WithCrc(Bytes{1, 0x45, 1, 0})};
    EXPECT_TRUE(device.ReadAdcSignal(0, &container, 1));
    EXPECT_TRUE(device.ReadAdcSignal(1, &container, 1));
    device.TakeAdcSignal(a, b, p1, p2);
    EXPECT_TRUE(a.empty() && b.empty() && p1.empty());
}

TEST(ArchiveArithmetic, RingCount_WrapsAndReadsAll)
{
    EXPECT_EQ(RingCount(255, 250, 10), 16);
    EXPECT_EQ(RingCount(255, 7, 7), 0);
    EXPECT_EQ(RingCount(1023, 0, 1023), 1023);
    EXPECT_EQ(RingCount(255, 10, 250), 240);
    EXPECT_EQ(ZT_Helper::RecordsPerRequest(kHourlyArchive), 4);
    EXPECT_EQ(ZT_Helper::RecordsPerRequest(kAlarmJournal), 16);
    EXPECT_EQ(ZT_Helper::RecordsPerRequest(kSystemArchive), 8);
    EXPECT_EQ(ZT_Helper::RequestBytes(kOperatorJournal, 3), 48);
    EXPECT_EQ(ZT_Helper::RequestBytes(kHourlyArchive, 255), 256);
}

TEST_F(HelperFixture, Search_IndexIsLowByteFirstAndFailuresReadAsNotFound)
{
    chanel.Replies = {WithCrc(Bytes{1, 0x42, 0, 0, 0, 0, 0x10, 0x02}),
                      WithCrc(Bytes{1, 0x42, 0, 0, 0x10, 0x02})};
    uint16_t index = 0;
    EXPECT_TRUE(device.SearchArchive(1, EncodeDate(2024, 3, 5), &container, 1, index));
    EXPECT_EQ(index, 528);
    EXPECT_EQ(chanel.Requests[0], WithCrc(Bytes{1, 0x42, 1, 24, 3, 5}));
    EXPECT_EQ(chanel.Timeouts.back(), (std::pair<int32_t, int32_t>{3500, 100}));
    EXPECT_FALSE(device.SearchArchive(1, EncodeDate(2024, 3, 5), &container, 1, index));
    ASSERT_FALSE(chanel.Logs.empty());
    EXPECT_EQ(chanel.Logs.back(), "Неверная длина ответа поиска архива");
}

TEST_F(HelperFixture, ReadArchive_ReplyClaimingMoreRecordsThanItCarries_Fails)
{
    // Four hourly records fit 256 bytes; a reply that claims five is malformed.
    chanel.Replies = {RecordsReply(4, 5, 256), RecordsReply(4, 4, 200)};
    uint16_t index = 0;
    int32_t count = 4;
    for (int i = 0; i < 2; ++i) {
        try {
            device.ReadArchive(kHourlyArchive, false, index, count, &container, 1);
            ADD_FAILURE();
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Неверная длина ответа архивных данных");
        }
    }
    EXPECT_EQ(device.ListSize(kHourlyArchive), 0u);
    EXPECT_EQ(chanel.Requests[0], WithCrc(Bytes{1, 0x41, 0, 0, 0, 0, 4}));
    EXPECT_EQ(chanel.Capacities[0], 265);
}

TEST_F(HelperFixture, ArchiveReading_WrappedJournalIsOneRequest)
{
    device.SetIdentified(true);
    chanel.Replies = {InputReply(Pointers(kAlarmJournal, 255, 250, 10)), RecordsReply(10, 16, 256)};
    ZT_ReadArchiveDataSetup setup;
    setup.Kinds = {kAlarmJournal};
    setup.KindMask = 1 << kAlarmJournal;
    ZT_ReadArchiveAlgorithm algorithm(setup, &device, &container);
    algorithm.Execute();
    ASSERT_EQ(chanel.Requests.size(), 2u);
    EXPECT_EQ(chanel.Requests[1], WithCrc(Bytes{1, 0x41, 3, 0, 250, 0, 16}));
    EXPECT_EQ(device.JournalVector(kAlarmJournal).size(), 16u);
    EXPECT_EQ(algorithm.ProgressTotal, 1);
    EXPECT_EQ(algorithm.ProgressDone, 2);
}

TEST_F(HelperFixture, ArchiveReading_BadRecordCounts_EndThatKindWithAMessage)
{
    struct Case {
        int reported;
        size_t kept;
    } cases[] = {{0, 0}, {3, 0}, {1, 1}};
    for (const Case& c : cases) {
        chanel.Replies.clear();
        chanel.Logs.clear();
        chanel.Requests.clear();
        device.SetIdentified(true);
        // Two operator records remain; the daily archive follows and still reads.
        std::vector<uint16_t> w = Pointers(kOperatorJournal, 255, 0, 2);
        w[3 * kDailyArchive + 2] = 1;
        Bytes second = c.reported == 1 ? RecordsReply(2, 1, 16) : Bytes{};
        chanel.Replies = {InputReply(w), RecordsReply(1, c.reported, 32)};
        if (!second.empty())
            chanel.Replies.push_back(second);
        chanel.Replies.push_back(RecordsReply(1, 1, 64, 0x22));
        ZT_ReadArchiveDataSetup setup;
        setup.Kinds = {kOperatorJournal, kDailyArchive};
        setup.KindMask = (1 << kOperatorJournal) | (1 << kDailyArchive);
        ZT_ReadArchiveAlgorithm algorithm(setup, &device, &container);
        if (c.reported == 3) {
            // More records than the reply carries: a malformed reply, tried 3 times.
            EXPECT_THROW(algorithm.Execute(), Exception);
            EXPECT_EQ(chanel.Requests.size(), 4u);
            continue;
        }
        algorithm.Execute();
        EXPECT_TRUE(chanel.Replies.empty()) << c.reported;
        if (c.reported == 1) {
            EXPECT_EQ(device.JournalVector(kOperatorJournal).size(), 2u);
            EXPECT_TRUE(chanel.Logs.empty());
        } else {
            EXPECT_EQ(device.JournalVector(kOperatorJournal).size(), c.kept) << c.reported;
            ASSERT_EQ(chanel.Logs.size(), 1u);
            EXPECT_EQ(chanel.Logs[0], "Неверное число записей в ответе архивных данных");
        }
        EXPECT_EQ(device.ArchiveVector(kDailyArchive).size(), 1u);
    }
}

TEST_F(HelperFixture, ArchiveReading_FailureKeepsOrDropsWhatWasRead)
{
    for (bool keep : {false, true}) {
        device.SetIdentified(true);
        chanel.Replies = {InputReply(Pointers(kHourlyArchive, 255, 0, 8)), RecordsReply(4, 4, 256)};
        ZT_ReadArchiveDataSetup setup;
        setup.Kinds = {kHourlyArchive};
        setup.KindMask = 1 << kHourlyArchive;
        setup.KeepPartial = keep;
        ZT_ReadArchiveAlgorithm algorithm(setup, &device, &container);
        if (keep) {
            EXPECT_NO_THROW(algorithm.Execute());
            EXPECT_EQ(device.ArchiveVector(kHourlyArchive).size(), 4u);
        } else {
            EXPECT_THROW(algorithm.Execute(), Exception);
            EXPECT_EQ(device.ArchiveVector(kHourlyArchive).size(), 0u);
        }
    }
}
