#include "channels/chanelhelper.h"
#include "channels/comportchanel.h"
#include "channels/tcpchanel.h"
#include "tests/support/ptypair.h"
#include "util/registry.h"
#include "util/sysutil.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace {

struct LogCollector {
    std::mutex Mutex;
    std::vector<std::string> Lines;
    TLogSink Sink()
    {
        return [this](const std::string& text, TInteractContainer*) {
            std::lock_guard<std::mutex> guard(Mutex);
            Lines.push_back(text);
        };
    }
};

class FailingCloseChanel : public TChanelHelperBase {
public:
    void Open(TInteractContainer*) override { throw Exception("нет линии"); }
    void Close(TInteractContainer*) override { throw Exception("не закрыт"); }
};

} // namespace

TEST(FrameLine, Example_MatchesExchangeLogFormat)
{
    const uint8_t request[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B};
    EXPECT_EQ(TChanelHelperBase::FrameLine(request, 8, "COM3", true, 9, 5, 7, 42),
              "09:05:07:042 [COM3] << 01 03 00 00 00 02 C4 0B ");
    EXPECT_EQ(TChanelHelperBase::FrameLine(request, 2, "10.0.0.5:4001", false, 23, 59, 59, 999),
              "23:59:59:999 [10.0.0.5:4001] >> 01 03 ");
    EXPECT_EQ(TChanelHelperBase::FrameLine(request, 0, "COM3", false, 0, 0, 0, 0), "00:00:00:000 [COM3] >> ");
}

TEST(LogFrame, LogExchangeSwitch_GatesFrameLinesOnly)
{
    TChanelHelperBase chanel;
    LogCollector log;
    const uint8_t bytes[] = {0xAB, 0x01};
    chanel.LogFrame(bytes, 2, "COM1", true); // no sink: nothing happens
    chanel.SetOnLog(log.Sink());
    chanel.LogFrame(bytes, 2, "COM1", true);
    chanel.Log("текст", nullptr);
    ASSERT_EQ(log.Lines.size(), 1u);
    EXPECT_EQ(log.Lines[0], "текст");

    chanel.SetLogExchange(true);
    const std::string before = UtcTimeOfDayText();
    chanel.LogFrame(bytes, 2, "COM1", false);
    ASSERT_EQ(log.Lines.size(), 2u);
    EXPECT_TRUE(StampedLine(log.Lines[1], "[COM1] >> AB 01 ")) << log.Lines[1];
    // UTC time of day: the hour agrees with the shared UTC clock text.
    EXPECT_EQ(log.Lines[1].substr(0, 2), before.substr(0, 2));
}

TEST(PostIndicator, Window_GetsCodeWithoutWaiting)
{
    TQueueDispatcher dispatcher;
    TDispatcherScope scope(&dispatcher);
    std::vector<std::pair<intptr_t, intptr_t>> seen;
    TNotifyWindow window = TNotifyWindow::Create([&](uint32_t message, intptr_t w, intptr_t l) {
        EXPECT_EQ(message, WM_INDICATOR);
        seen.emplace_back(w, l);
    });
    TChanelHelperBase chanel;
    chanel.PostIndicator(kIndicatorTransmit); // no window yet: dropped
    chanel.SetIndicatorWindow(window);
    chanel.PostIndicator(kIndicatorTransmit);
    chanel.PostIndicator(kIndicatorReceive);
    EXPECT_TRUE(seen.empty()) << "posted, not sent";
    dispatcher.ProcessMessages();
    EXPECT_EQ(seen, (std::vector<std::pair<intptr_t, intptr_t>>{{1, 0}, {2, 0}}));
    window.Destroy();
}

TEST(ChanelRegistry, CurentChanel_DefaultsAndKinds)
{
    const std::string key = "\\Software\\Test\\ChanelSetup";
    TRegistry().DeleteKey(key);
    EXPECT_EQ(ReadCurentChanel(key), ckComPort) << "key missing";
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(key, true));
    registry.WriteString(kCurentChanelValue, "1");
    EXPECT_EQ(ReadCurentChanel(key), ckComPort) << "wrong type";
    WriteCurentChanel(key, ckTcp);
    EXPECT_EQ(ReadCurentChanel(key), ckTcp);
    EXPECT_EQ(ChanelKeyPath(key, ckTcp), key + "\\TcpChanel");
    EXPECT_EQ(ChanelKeyPath(key, ckComPort), key + "\\ComPortChanel");
    EXPECT_EQ(ChanelKeyPath("", ckTcp), "");

    auto tcp = CreateChanel(ckTcp, "");
    auto serial = CreateChanel(ckComPort, "");
    ASSERT_TRUE(tcp && serial);
    EXPECT_EQ(tcp->ChanelKind(), ckTcp);
    EXPECT_EQ(serial->ChanelKind(), ckComPort);
    EXPECT_EQ(CreateChanel(5, ""), nullptr);
    EXPECT_EQ(std::string(kChanelSetupKey), "\\Software\\Selvar\\RAZevedavureva\\ChanelSetup");
}

TEST(ChanelRegistry, MissingOrWronglyTypedValues_TakeTheirDefaults)
{
    const std::string serialKey = "\\Software\\Test\\Defaults\\ComPortChanel";
    const std::string tcpKey = "\\Software\\Test\\Defaults\\TcpChanel";
    TRegistry().DeleteKey("\\Software\\Test\\Defaults");
    {
        ComPortChanelHelper serial(serialKey);
        EXPECT_EQ(serial.Params.ComPortName, "");
        EXPECT_EQ(serial.Params.Speed, 19200);
        EXPECT_EQ(serial.Params.NetAddr, 0);
        EXPECT_FALSE(serial.Params.ModemConnection);
        TcpChanelHelper tcp(tcpKey);
        EXPECT_EQ(tcp.Params.TcpAddress, "");
        EXPECT_EQ(tcp.Params.TcpPort, 4001);
        EXPECT_EQ(tcp.Params.TcpTimeout, 1000);
        EXPECT_EQ(tcp.Params.TcpPause, 0);
        EXPECT_TRUE(tcp.Params.IPAddressList.empty());
    }
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(serialKey, true));
    registry.WriteString("ComPortSpeed", "9600");
    registry.WriteInteger("NetAddr", 17);
    registry.WriteString("ComPortName", "ttyUSB0");
    ASSERT_TRUE(registry.OpenKey(tcpKey, true));
    registry.WriteInteger("TcpAddress", 5);
    registry.WriteInteger("TcpPause", 20);
    registry.WriteString("IPAddressList", "10.0.0.5\r\n10.0.0.7\n\n");
    ComPortChanelHelper serial(serialKey);
    EXPECT_EQ(serial.Params.ComPortName, "ttyUSB0");
    EXPECT_EQ(serial.Params.Speed, 19200);
    EXPECT_EQ(serial.Params.NetAddr, 17);
    TcpChanelHelper tcp(tcpKey);
    EXPECT_EQ(tcp.Params.TcpAddress, "");
    EXPECT_EQ(tcp.Params.TcpPause, 20);
    EXPECT_EQ(tcp.Params.IPAddressList, (std::vector<std::string>{"10.0.0.5", "10.0.0.7"}));
    // Without a key path nothing is read: the built-in record stays.
    ComPortChanelHelper unsaved;
    EXPECT_EQ(unsaved.Params.ComPortName, "COM1");
}

TEST(ChanelAlgorithms, OpenFailure_RaisesWhileCloseFailure_IsSwallowed)
{
    FailingCloseChanel chanel;
    TInteractContainer container;
    OpenChanelAlgorithm open(&chanel, &container);
    EXPECT_THROW(open.Execute(), Exception);
    CloseChanelAlgorithm close(&chanel, &container);
    EXPECT_NO_THROW(close.Execute());

    TChanelHelperBase base;
    uint8_t buffer[4] = {};
    EXPECT_FALSE(base.IsOpen());
    EXPECT_EQ(base.Exchange(buffer, buffer, 4, 4, nullptr), 0);
    EXPECT_EQ(base.ChanelKind(), -1);
}
