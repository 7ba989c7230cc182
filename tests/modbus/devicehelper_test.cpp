#include "channels/comportchanel.h"
#include "modbus/devicehelper.h"
#include "modbus/modbus.h"
#include "tests/support/ptypair.h"
#include "util/sysutil.h"

#include <gtest/gtest.h>

#include <cstring>
// The library's own header (its include directory is on the path).
#include <modbus.h>

namespace {

// Images of 50 input and 100 holding registers; holding registers 4-5 hold
// one 32-bit value, everything else is 16-bit.
class TestDevice : public TDeviceModbusHelper {
public:
    TestDevice()
    {
        std::fill(std::begin(input), std::end(input), 0xAAAA);
        std::fill(std::begin(holding), std::end(holding), 0xAAAA);
    }
    uint16_t* InputImage() override { return input; }
    uint16_t* HoldingImage() override { return holding; }
    uint16_t* InputRaw() override { return inputRaw; }
    uint16_t* HoldingRaw() override { return holdingRaw; }
    int32_t InputCount() override { return 50; }
    int32_t HoldingCount() override { return 100; }
    void ConvertInput(uint16_t* image) override
    {
        const TLayoutEntry layout[] = {{kLayoutWord, 50}};
        ConvertByLayout(image, 50, layout, 1);
    }
    void ConvertHolding(uint16_t* image) override
    {
        const TLayoutEntry layout[] = {{kLayoutWord, 4}, {kLayoutDword, 1}, {kLayoutWord, 94}};
        ConvertByLayout(image, 100, layout, 3);
    }
    uint16_t input[50], holding[100], inputRaw[50] = {}, holdingRaw[100] = {};
};

class DeviceOnLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        chanel.Params.ComPortName = line.SlavePath();
        chanel.Params.NetAddr = 1;
        chanel.Open(nullptr);
        device.SetChanel(&chanel);
        device.RetryPauseMs = 100;
        container.Assign(std::make_unique<TInteract>());
    }
    PtyPair line;
    ComPortChanelHelper chanel;
    TestDevice device;
    TInteractContainer container;
};

} // namespace

TEST_F(DeviceOnLine, FailingMeters_TriedThenReportedWithTheLastText)
{
    const struct {
        const char* Name;
        std::function<void(const Bytes&, const PtyPair&)> Script;
        const char* Expected;
    } cases[] = {
        {"silent", [](const Bytes&, const PtyPair&) {}, "Прибор не отвечает"},
        {"bad CRC",
         [](const Bytes& request, const PtyPair& pair) {
             Bytes reply = ReadReply(request);
             reply.back() ^= 0x55;
             pair.Write(reply);
         },
         "Ошибка CRC в ответе прибора"},
        {"exception",
         [](const Bytes&, const PtyPair& pair) {
             pair.Write(WithCrc({0x01, 0x83, 0x04}));
         },
         "Внутренняя ошибка прибора"},
        {"too short",
         [](const Bytes&, const PtyPair& pair) {
             pair.Write(Bytes{0x01, 0x03, 0x00});
         },
         "Недопустимый ответ от прибора"},
    };
    for (const auto& c : cases) {
        ScriptedPeer meter(line, c.Script);
        EXPECT_EQ(ErrorOf([&] { device.ReadRegisters(40001, 2, &container, 2); }), c.Expected) << c.Name;
        EXPECT_EQ(meter.Requests().size(), 2u) << c.Name;
        EXPECT_EQ(device.holding[0], 0xAAAA) << "a failed read stores nothing";
    }
}

TEST_F(DeviceOnLine, CancelDuringFailedTry_EndsBeforeTheNextTry)
{
    ScriptedPeer meter(line, [](const Bytes&, const PtyPair&) {});
    std::thread user([&] {
        PauseMs(200);
        TInteract* record = container.Acquire();
        record->SetCancel(true);
        container.Release(false);
    });
    EXPECT_EQ(ErrorOf([&] { device.ReadRegisters(40001, 2, &container, 5); }),
              "Выполнение процесса прервано");
    user.join();
    EXPECT_EQ(meter.Requests().size(), 1u);
}

TEST_F(DeviceOnLine, ReplyNotMatchingItsRequest_FailsAsWrongLengthAndStoresNothing)
{
    // Each with a good CRC, to a read of 3 input registers from 30001.
    const struct {
        const char* Name;
        Bytes Reply;
    } cases[] = {
        {"byte count and data of one register", WithCrc({0x01, 0x04, 0x02, 0x11, 0x22})},
        {"byte count 254, one register of data", WithCrc({0x01, 0x04, 0xFE, 0x11, 0x22})},
        {"byte count 8, three registers of data",
         WithCrc({0x01, 0x04, 0x08, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66})},
        {"odd byte count", WithCrc({0x01, 0x04, 0x05, 0x11, 0x22, 0x33, 0x44, 0x55})},
        {"no byte count", WithCrc({0x01, 0x04})},
    };
    for (const auto& c : cases) {
        ScriptedPeer meter(line, [&](const Bytes&, const PtyPair& pair) { pair.Write(c.Reply); });
        EXPECT_EQ(ErrorOf([&] { device.ReadRegisters(30001, 3, &container, 2); }), kBadReplyLengthText)
            << c.Name;
        EXPECT_EQ(meter.Requests().size(), 2u) << c.Name << ": tried again like any failed reply";
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(device.input[i], 0xAAAA) << c.Name << ", register " << i;
    }
}

TEST_F(DeviceOnLine, OutOfBlockNumbersAndForeignEcho_GiveFalse)
{
    ScriptedPeer meter(line, [](const Bytes&, const PtyPair& pair) {
        pair.Write(WithCrc({0x01, 0x03, 0x00, 0x00, 0x00, 0x01}));
    });
    EXPECT_FALSE(device.ReadRegisters(30000, 1, nullptr, 1));
    EXPECT_FALSE(device.WriteRegisters(30001, 1, nullptr, 1));
    EXPECT_FALSE(device.WriteRegisters(40100, 5, nullptr, 1)) << "range beyond the image";
    EXPECT_TRUE(meter.Requests().empty()) << "nothing is sent";
    EXPECT_FALSE(device.WriteRegisters(40001, 1, nullptr, 1)) << "echo of another function";
    EXPECT_EQ(meter.Requests().size(), 1u);
}

// An independent RTU slave: libmodbus on its own pseudo-terminal, joined to
// the channel's by a relay that copies bytes both ways.
class LibmodbusSlave : public ::testing::Test {
protected:
    void SetUp() override
    {
        mapping = modbus_mapping_new(0, 0, 100, 50);
        ASSERT_NE(mapping, nullptr);
        for (int i = 0; i < 100; ++i)
            mapping->tab_registers[i] = static_cast<uint16_t>(0x1000 + i);
        for (int i = 0; i < 50; ++i)
            mapping->tab_input_registers[i] = static_cast<uint16_t>(0x2000 + i);
        // 3.14159274 as a float, high word first.
        mapping->tab_registers[4] = 0x4049;
        mapping->tab_registers[5] = 0x0FDB;
        ctx = modbus_new_rtu(slaveLine.SlavePath().c_str(), 19200, 'N', 8, 1);
        ASSERT_NE(ctx, nullptr);
        modbus_set_slave(ctx, 1);
        ASSERT_EQ(modbus_connect(ctx), 0);
        modbus_set_indication_timeout(ctx, 0, 100000);
        slave = std::thread([this] {
            uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
            while (!stop) {
                const int rc = modbus_receive(ctx, query);
                if (rc > 0)
                    modbus_reply(ctx, query, rc, mapping);
            }
        });
        relay = std::thread([this] {
            while (!stop) {
                pollfd pfd[2] = {{chanelLine.Master(), POLLIN, 0}, {slaveLine.Master(), POLLIN, 0}};
                if (::poll(pfd, 2, 50) <= 0)
                    continue;
                for (int side = 0; side < 2; ++side) {
                    if (!(pfd[side].revents & POLLIN))
                        continue;
                    uint8_t buffer[512];
                    const ssize_t n = ::read(pfd[side].fd, buffer, sizeof buffer);
                    if (n > 0)
                        (side == 0 ? slaveLine : chanelLine).Write(Bytes(buffer, buffer + n));
                }
            }
        });
        chanel.Params.ComPortName = chanelLine.SlavePath();
        chanel.Params.NetAddr = 1;
        chanel.Open(nullptr);
        device.SetChanel(&chanel);
    }
    void TearDown() override
    {
        stop = true;
        if (slave.joinable())
            slave.join();
        if (relay.joinable())
            relay.join();
        if (ctx) {
            modbus_close(ctx);
            modbus_free(ctx);
        }
        modbus_mapping_free(mapping);
    }
    PtyPair chanelLine, slaveLine;
    modbus_mapping_t* mapping = nullptr;
    modbus_t* ctx = nullptr;
    std::atomic<bool> stop{false};
    std::thread slave, relay;
    ComPortChanelHelper chanel;
    TestDevice device;
};

TEST_F(LibmodbusSlave, ReadWriteAndException_ThroughChanelAndHelper)
{
    ASSERT_TRUE(device.ReadRegisters(40001, 10, nullptr, 2));
    EXPECT_EQ(device.holding[0], 0x1000);
    EXPECT_EQ(device.holding[9], 0x1009);
    float value = 0;
    std::memcpy(&value, &device.holding[4], sizeof value);
    EXPECT_FLOAT_EQ(value, 3.14159274f);
    EXPECT_EQ(device.holding[10], 0xAAAA);

    ASSERT_TRUE(device.ReadRegisters(30011, 5, nullptr, 2));
    EXPECT_EQ(device.input[10], 0x200A);
    EXPECT_EQ(device.input[14], 0x200E);
    EXPECT_EQ(device.input[9], 0xAAAA);

    {
        TDeviceHelperLocker locker(device);
        device.holding[20] = 0xBEEF;
        device.holding[21] = 0x0102;
        const float pi2 = 6.28318548f;
        std::memcpy(&device.holding[4], &pi2, sizeof pi2);
    }
    EXPECT_TRUE(device.WriteRegisters(40021, 2, nullptr, 2));
    EXPECT_EQ(mapping->tab_registers[20], 0xBEEF);
    EXPECT_EQ(mapping->tab_registers[21], 0x0102);
    EXPECT_TRUE(device.WriteRegisters(40005, 2, nullptr, 2));
    EXPECT_EQ(mapping->tab_registers[4], 0x40C9);
    EXPECT_EQ(mapping->tab_registers[5], 0x0FDB);

    EXPECT_EQ(ErrorOf([&] { device.ReadRegisters(40096, 10, nullptr, 1); }),
              "Недопустимый(неверный) номер регистра");
}
