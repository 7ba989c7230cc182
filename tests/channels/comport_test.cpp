#include "channels/comportchanel.h"
#include "channels/moxaport.h"
#include "modbus/modbus.h"
#include "tests/support/ptypair.h"
#include "util/registry.h"
#include "util/sysutil.h"

#include <gtest/gtest.h>

namespace {

struct Recorder {
    std::mutex Mutex;
    std::vector<std::string> Lines;
    std::vector<intptr_t> Codes;
    TNotifyWindow Window;
    void Attach(TChanelHelperBase& chanel)
    {
        chanel.SetOnLog([this](const std::string& text, TInteractContainer*) {
            std::lock_guard<std::mutex> guard(Mutex);
            Lines.push_back(text);
        });
        Window = TNotifyWindow::Create([this](uint32_t, intptr_t code, intptr_t) { Codes.push_back(code); });
        chanel.SetIndicatorWindow(Window);
    }
    ~Recorder() { Window.Destroy(); }
};

const Bytes kReadTwo = {0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B};

} // namespace

TEST(PortList, Names_SortByTrailingNumber)
{
    std::vector<comprt::ComPortDescription> list = {
        {"COM9", ""}, {"COM10", "USB"}, {"ttyS", ""}, {"COM2", ""}, {"/dev/serial/by-id/usb-x-port0", "a"},
        {"abc", ""}};
    comprt::SortPortList(list);
    std::vector<std::string> names;
    for (const auto& entry : list)
        names.push_back(entry.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"/dev/serial/by-id/usb-x-port0", "COM2", "COM9", "COM10",
                                               "abc", "ttyS"}));
    EXPECT_EQ(comprt::PortPath("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(comprt::PortPath("/dev/pts/3"), "/dev/pts/3");
    EXPECT_EQ(comprt::PortNumber("ttyS123456789012345678901"), 456789012345678901);
    EXPECT_EQ(comprt::PortNumber("COM"), -1);

    std::vector<comprt::ComPortDescription> present = {{"stale", ""}};
    comprt::RefreshPortList(present);
    for (size_t i = 1; i < present.size(); ++i)
        EXPECT_LE(comprt::PortNumber(present[i - 1].Name) < 0 ? 0 : 1,
                  comprt::PortNumber(present[i].Name) < 0 ? 0 : 1);
    for (const auto& entry : present)
        EXPECT_NE(entry.Name, "stale");
}

TEST(ComPort, SecondOpener_IsRefusedUntilTheFirstCloses)
{
    PtyPair line;
    comprt::ComPort first;
    comprt::ComPort second;
    first.Open(line.SlavePath(), 19200, 100, 0);
    EXPECT_TRUE(first.IsOpen());
    EXPECT_EQ(ErrorOf([&] { second.Open(line.SlavePath(), 19200, 100, 0); }), "COM-порт не открыт");
    EXPECT_FALSE(second.IsOpen());
    first.Close();
    EXPECT_NO_THROW(second.Open(line.SlavePath(), 19200, 100, 0));
    // A pseudo-terminal has no modem lines: switching them is silently skipped.
    EXPECT_NO_THROW(second.SetDtr(false));
    EXPECT_NO_THROW(second.SetRts(true));

    comprt::ComPort other;
    EXPECT_EQ(ErrorOf([&] { other.Open("/dev/null", 19200, 100, 0); }), "COM-порт не открыт") << "not a port";
    EXPECT_EQ(ErrorOf([&] { other.Open("no-such-port-42", 19200, 100, 0); }), "COM-порт не открыт");
    uint8_t buffer[4];
    int32_t received = 0;
    EXPECT_EQ(ErrorOf([&] { other.ReadResponse(buffer, 4, received); }), "COM-порт не открыт");
    EXPECT_EQ(ErrorOf([&] { other.Write(buffer, 4); }), "COM-порт не открыт");
    EXPECT_FALSE(ErrorOf([&] { second.Open(line.SlavePath(), 12345, 100, 0); }).empty());
    EXPECT_FALSE(second.IsOpen()) << "closed again after failed settings";
}

TEST(ComPort, ReadTimeouts_IntervalEndsReplyAndTotalBoundsSilence)
{
    PtyPair line;
    comprt::ComPort port;
    port.Open(line.SlavePath(), 19200, 100, 0);
    comprt::ComTimeouts timeouts;
    timeouts.ReadIntervalTimeout = 60;
    timeouts.ReadTotalTimeoutConstant = 300;
    port.SetTimeouts(timeouts);
    EXPECT_EQ(port.GetTimeouts().ReadTotalTimeoutConstant, 300u);

    const struct {
        int PauseMs;
        int32_t Expected;
    } cases[] = {{15, 6}, {150, 2}};
    for (const auto& c : cases) {
        std::thread writer([&] {
            PauseMs(20);
            for (int piece = 0; piece < 3; ++piece) {
                line.Write(Bytes{0x10, static_cast<uint8_t>(piece)});
                PauseMs(c.PauseMs);
            }
        });
        uint8_t buffer[16];
        int32_t received = 0;
        port.ReadResponse(buffer, sizeof buffer, received);
        writer.join();
        EXPECT_EQ(received, c.Expected) << "pause " << c.PauseMs;
        PauseMs(50);
        port.PurgeReceive();
    }

    // Capacity ends a read at once.
    line.Write(Bytes{1, 2, 3, 4, 5});
    PauseMs(20);
    uint8_t small[3];
    int32_t received = 0;
    port.ReadResponse(small, 3, received);
    EXPECT_EQ(received, 3);
    port.PurgeReceive();

    const uint64_t start = GetTickCount64();
    EXPECT_EQ(ErrorOf([&] { port.ReadResponse(small, 3, received); }), "Прибор не отвечает");
    const uint64_t elapsed = GetTickCount64() - start;
    EXPECT_GE(elapsed, 290u);
    EXPECT_LT(elapsed, 600u);
}

TEST(ComPortChanel, EmptyNameOrZeroSpeed_OpenDoesNothing)
{
    ComPortChanelHelper chanel;
    chanel.Params.ComPortName = "";
    chanel.Open(nullptr);
    EXPECT_FALSE(chanel.IsOpen());
    chanel.Params.ComPortName = "ttyS0";
    chanel.Params.Speed = 0;
    chanel.Open(nullptr);
    EXPECT_FALSE(chanel.IsOpen());
    uint8_t buffer[8] = {};
    EXPECT_EQ(ErrorOf([&] { chanel.Exchange(buffer, buffer, 8, 8, nullptr); }), "COM-порт не открыт");
}

TEST(ComPortChanel, MeterThatAnswers_ExchangeLogsIndicatesAndSaves)
{
    const std::string key = "\\Software\\Test\\Serial\\ComPortChanel";
    TRegistry().DeleteKey("\\Software\\Test\\Serial");
    TQueueDispatcher dispatcher;
    TDispatcherScope scope(&dispatcher);
    PtyPair line;
    ScriptedPeer meter(line, [](const Bytes& request, const PtyPair& pair) {
        // The reply in three pieces with pauses well under the interval.
        const Bytes reply = ReadReply(request);
        pair.Write(Bytes(reply.begin(), reply.begin() + 2));
        PauseMs(30);
        pair.Write(Bytes(reply.begin() + 2, reply.begin() + 5));
        PauseMs(30);
        pair.Write(Bytes(reply.begin() + 5, reply.end()));
    });
    Recorder recorder;
    ComPortChanelHelper chanel(key);
    recorder.Attach(chanel);
    chanel.SetLogExchange(true);
    chanel.Params.ComPortName = line.SlavePath();
    chanel.Params.NetAddr = 7;
    chanel.Params.PhoneNumber = "123";
    chanel.Open(nullptr);
    ASSERT_TRUE(chanel.IsOpen());
    EXPECT_EQ(chanel.GetAddress(), 7);
    chanel.SetTimeouts(500, 100, nullptr);
    EXPECT_EQ(chanel.Port.GetTimeouts().ReadIntervalTimeout, 100u);
    EXPECT_EQ(chanel.Port.GetTimeouts().WriteTotalTimeoutConstant, 500u);

    uint8_t reply[9];
    const int32_t received = chanel.Exchange(kReadTwo.data(), reply, 8, sizeof reply, nullptr);
    ASSERT_EQ(received, 9);
    EXPECT_NO_THROW(CheckResponse(reply, received));
    chanel.Close(nullptr);
    EXPECT_FALSE(chanel.IsOpen());
    dispatcher.ProcessMessages();

    EXPECT_EQ(recorder.Codes, (std::vector<intptr_t>{3, 1, 2, 4}));
    ASSERT_EQ(recorder.Lines.size(), 3u);
    EXPECT_EQ(recorder.Lines[0], Format("Открытие порта %s 19200 бод", line.SlavePath().c_str()));
    EXPECT_TRUE(StampedLine(recorder.Lines[1], "[" + line.SlavePath() + "] << 01 03 00 00 00 02 C4 0B "))
        << recorder.Lines[1];
    EXPECT_TRUE(
        StampedLine(recorder.Lines[2], "[" + line.SlavePath() + "] >> " + HexBytes(ReadReply(kReadTwo))))
        << recorder.Lines[2];
    ASSERT_EQ(meter.Requests().size(), 1u);
    EXPECT_EQ(meter.Requests()[0], kReadTwo);

    TComPortChanelParams saved;
    saved.Load(key);
    EXPECT_EQ(saved.ComPortName, line.SlavePath());
    EXPECT_EQ(saved.Speed, 19200);
    EXPECT_EQ(saved.NetAddr, 7);
    EXPECT_EQ(saved.PhoneNumber, "123");
    EXPECT_FALSE(saved.ModemConnection);
}

TEST(ComPortChanel, MeterThatNeverAnswers_FailsWithCodeZero)
{
    TQueueDispatcher dispatcher;
    TDispatcherScope scope(&dispatcher);
    PtyPair line;
    ScriptedPeer meter(line, [](const Bytes&, const PtyPair&) {});
    Recorder recorder;
    ComPortChanelHelper chanel;
    recorder.Attach(chanel);
    chanel.Params.ComPortName = line.SlavePath();
    chanel.Open(nullptr);
    chanel.SetTimeouts(200, 100, nullptr);
    uint8_t reply[9];
    EXPECT_EQ(ErrorOf([&] { chanel.Exchange(kReadTwo.data(), reply, 8, 9, nullptr); }), "Прибор не отвечает");
    dispatcher.ProcessMessages();
    EXPECT_EQ(recorder.Codes, (std::vector<intptr_t>{3, 1, 0}));
}

TEST(ComPortChanel, CancelRequest_EndsTheWaitForAReply)
{
    PtyPair line;
    ScriptedPeer meter(line, [](const Bytes&, const PtyPair&) {});
    ComPortChanelHelper chanel;
    chanel.Params.ComPortName = line.SlavePath();
    chanel.Open(nullptr);
    chanel.SetTimeouts(5000, 100, nullptr);
    TInteractContainer container;
    std::thread user([&] {
        PauseMs(150);
        TInteract* record = container.Acquire();
        record->SetCancel(true);
        container.Release(false);
    });
    uint8_t reply[9];
    const uint64_t start = GetTickCount64();
    EXPECT_EQ(ErrorOf([&] { chanel.Exchange(kReadTwo.data(), reply, 8, 9, &container); }),
              "Выполнение процесса прервано");
    EXPECT_LT(GetTickCount64() - start, 1000u);
    user.join();
}

// A scripted modem on the line: answers by command.
struct ModemScript {
    std::string Ate0Reply; // empty: silence
    std::string DialReply; // empty: silence
};

class ModemPeer {
public:
    ModemPeer(const PtyPair& line, ModemScript script)
        : peer_(line, [this, script](const Bytes& request, const PtyPair& pair) {
              const std::string text(request.begin(), request.end());
              if (text == "ATE0\r\n" && !script.Ate0Reply.empty())
                  pair.Write(script.Ate0Reply);
              else if (text.rfind("ATD", 0) == 0 && !script.DialReply.empty())
                  pair.Write(script.DialReply);
              else if (text == "ATH0\r\n")
                  pair.Write(std::string("\r\nOK\r\n"));
          })
    {
    }
    std::vector<std::string> Commands() const
    {
        std::vector<std::string> texts;
        for (const auto& request : peer_.Requests())
            texts.emplace_back(request.begin(), request.end());
        return texts;
    }

private:
    ScriptedPeer peer_;
};

class ModemChanel : public ::testing::Test {
protected:
    void SetUp() override
    {
        recorder.Attach(chanel);
        chanel.Params.ComPortName = line.SlavePath();
        chanel.Params.ModemConnection = true;
        chanel.Params.PhoneNumber = "8 800 12";
        chanel.ModemReadTimeoutMs = 150;
        chanel.DialTimeoutMs = 400;
        chanel.EscapeGuardMs = 50;
        container.Assign(std::make_unique<TInteract>());
    }
    PtyPair line;
    Recorder recorder;
    ComPortChanelHelper chanel;
    TInteractContainer container;
};

TEST_F(ModemChanel, Connect_DialsWithoutBlanksAndHangsUpOnClose)
{
    ModemPeer modem(line, {"\r\nOK\r\n", "\r\nCONNECT 9600\r\n"});
    chanel.Open(&container);
    EXPECT_TRUE(chanel.IsOpen());
    EXPECT_TRUE(chanel.ModemConnected);
    chanel.SetTimeouts(500, 100, nullptr);
    EXPECT_EQ(chanel.Port.GetTimeouts().ReadTotalTimeoutConstant, 5500u);
    EXPECT_EQ(chanel.Port.GetTimeouts().ReadIntervalTimeout, 0u);
    comprt::ComTimeouts quick;
    quick.ReadTotalTimeoutConstant = 150;
    chanel.Port.SetTimeouts(quick);
    chanel.Close(&container);
    EXPECT_FALSE(chanel.IsOpen());
    EXPECT_FALSE(chanel.ModemConnected);
    EXPECT_EQ(modem.Commands(), (std::vector<std::string>{"ATE0\r\n", "ATD880012\r\n", "+++", "ATH0\r\n"}));
    std::vector<std::string> expected = {Format("Открытие порта %s 19200 бод", line.SlavePath().c_str()),
                                         "Инициализация модема",
                                         "Набор номера 880012",
                                         "Соединение установлено",
                                         "Завершение соединения",
                                         "Соединение разорвано"};
    EXPECT_EQ(recorder.Lines, expected);
}

TEST_F(ModemChanel, FailedDialogue_FailsWithItsTextAndClosesThePort)
{
    const struct {
        ModemScript Script;
        const char* Expected;
    } cases[] = {
        {{"", ""}, "Нет ответа от модема"},
        {{"\r\nERROR\r\n", ""}, "Неправильный ответ от модема"},
        {{"\r\nOK\r\n", "\r\nBUSY\r\n"}, "BUSY"},
        {{"\r\nOK\r\n", "\r\nNO CARRIER\r\n"}, "NO CARRIER"},
        {{"\r\nOK\r\n", ""}, "Истек таймаут исходящего соединения"},
    };
    for (const auto& c : cases) {
        ModemPeer modem(line, c.Script);
        EXPECT_EQ(ErrorOf([&] { chanel.Open(&container); }), c.Expected);
        EXPECT_FALSE(chanel.IsOpen()) << c.Expected;
        EXPECT_FALSE(chanel.Port.IsOpen()) << c.Expected;
    }
}

TEST_F(ModemChanel, CancelWhileDialling_EndsWithResultCodeTwo)
{
    ModemPeer modem(line, {"\r\nOK\r\n", ""});
    chanel.DialTimeoutMs = 100000;
    std::thread user([&] {
        PauseMs(400);
        TInteract* record = container.Acquire();
        record->SetCancel(true);
        container.Release(false);
    });
    const uint64_t start = GetTickCount64();
    EXPECT_EQ(ErrorOf([&] { chanel.Open(&container); }), "Отмена исходящего звонка");
    user.join();
    EXPECT_LT(GetTickCount64() - start, 2000u);
    EXPECT_FALSE(chanel.Port.IsOpen());
    TInteract* record = container.Acquire();
    EXPECT_EQ(record->ResultCode, kResultCancelled);
    container.Release(false);
}
