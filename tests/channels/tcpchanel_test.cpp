#include "channels/tcpchanel.h"
#include "modbus/modbus.h"
#include "tests/support/ptypair.h"
#include "util/registry.h"
#include "util/sysutil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <cstdlib>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>

namespace {

enum class Gateway { Answers, Silent, Pieces, Trickle, Closes, Floods };

// A listening socket on a free loopback port.
int LoopbackListener(int backlog, int& port)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, backlog);
    socklen_t size = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
    return listener;
}

// A gateway on loopback: accepts one connection and serves every request
// (bytes up to a silence of 20 ms) by its mode.
class GatewayPeer {
public:
    explicit GatewayPeer(Gateway mode) : mode_(mode), listener_(LoopbackListener(4, port_))
    {
        thread_ = std::thread([this] { Run(); });
    }
    ~GatewayPeer()
    {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }
    int Port() const { return port_; }
    std::vector<Bytes> Requests()
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return requests_;
    }

private:
    static Bytes ReadRequest(int fd, std::atomic<bool>& stop)
    {
        Bytes data;
        while (!stop) {
            pollfd pfd{fd, POLLIN, 0};
            if (::poll(&pfd, 1, data.empty() ? 50 : 20) <= 0) {
                if (!data.empty())
                    return data;
                continue;
            }
            uint8_t buffer[512];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                return data;
            data.insert(data.end(), buffer, buffer + n);
        }
        return data;
    }
    void Run()
    {
        int fd = -1;
        while (!stop_ && fd < 0) {
            pollfd pfd{listener_, POLLIN, 0};
            if (::poll(&pfd, 1, 50) > 0)
                fd = ::accept(listener_, nullptr, nullptr);
        }
        while (!stop_ && fd >= 0) {
            const Bytes request = ReadRequest(fd, stop_);
            if (request.empty())
                continue;
            {
                std::lock_guard<std::mutex> guard(mutex_);
                requests_.push_back(request);
            }
            const Bytes reply = ReadReply(request);
            switch (mode_) {
            case Gateway::Answers:
                ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
                break;
            case Gateway::Silent:
                break;
            case Gateway::Pieces:
                for (size_t at = 0; at < reply.size(); at += 3) {
                    ::send(fd, reply.data() + at, std::min<size_t>(3, reply.size() - at), MSG_NOSIGNAL);
                    PauseMs(40);
                }
                break;
            case Gateway::Trickle:
                // Every byte well within the interval, the whole far beyond the total.
                for (size_t at = 0; at < reply.size() && !stop_; ++at) {
                    ::send(fd, reply.data() + at, 1, MSG_NOSIGNAL);
                    PauseMs(40);
                }
                break;
            case Gateway::Closes:
                ::close(fd);
                fd = -1;
                break;
            case Gateway::Floods: {
                // The reply, then noise without a pause for up to 3 s.
                ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
                const uint8_t noise[4096] = {0x5A};
                const uint64_t until = GetTickCount64() + 3000;
                while (!stop_ && GetTickCount64() < until) {
                    pollfd pfd{fd, POLLOUT, 0};
                    if (::poll(&pfd, 1, 20) > 0)
                        ::send(fd, noise, sizeof noise, MSG_NOSIGNAL | MSG_DONTWAIT);
                }
                break;
            }
            }
        }
        if (fd >= 0)
            ::close(fd);
    }

    Gateway mode_;
    int port_ = 0;
    int listener_ = -1;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<Bytes> requests_;
    std::thread thread_;
};

class TcpChanel : public ::testing::Test {
protected:
    void Connect(int port)
    {
        chanel.Params.TcpAddress = "127.0.0.1";
        chanel.Params.TcpPort = port;
        chanel.Params.NetAddr = 1;
        chanel.Params.TcpTimeout = 100;
        chanel.Open(nullptr);
        ASSERT_TRUE(chanel.IsOpen());
        chanel.SetTimeouts(200, 100, nullptr);
    }
    int32_t ReadTen(uint8_t* reply)
    {
        uint8_t request[8];
        int32_t length = sizeof request;
        BuildReadRegistersRequest(request, length, 1, 40001, 10);
        return chanel.Exchange(request, reply, length, 25, nullptr);
    }
    TcpChanelHelper chanel;
};

} // namespace

TEST_F(TcpChanel, GatewayThatAnswers_FramesGoUnchangedAndAreLogged)
{
    GatewayPeer gateway(Gateway::Answers);
    std::vector<std::string> lines;
    chanel.SetOnLog([&](const std::string& text, TInteractContainer*) { lines.push_back(text); });
    chanel.SetLogExchange(true);
    Connect(gateway.Port());
    EXPECT_EQ(chanel.GetAddress(), 1);
    EXPECT_EQ(chanel.Socket->Timeout, 300);
    EXPECT_EQ(chanel.Socket->IntervalTimeout, 100);

    uint8_t reply[25];
    const Bytes request = {0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B};
    const int32_t received = chanel.Exchange(request.data(), reply, 8, 9, nullptr);
    ASSERT_EQ(received, 9);
    EXPECT_NO_THROW(CheckResponse(reply, received));
    ASSERT_EQ(gateway.Requests().size(), 1u);
    EXPECT_EQ(gateway.Requests()[0], request) << "8 bytes on the wire, nothing added";
    ASSERT_EQ(lines.size(), 2u);
    const std::string name = Format("[127.0.0.1:%d]", gateway.Port());
    EXPECT_TRUE(StampedLine(lines[0], name + " << 01 03 00 00 00 02 C4 0B ")) << lines[0];
    EXPECT_TRUE(StampedLine(lines[1], name + " >> " + HexBytes(ReadReply(request)))) << lines[1];
}

TEST_F(TcpChanel, ReplyInPiecesWithPauses_IsGatheredWhole)
{
    GatewayPeer gateway(Gateway::Pieces);
    Connect(gateway.Port());
    // The device helper's read time-outs: nine pieces 40 ms apart fit the total.
    chanel.SetTimeouts(500, 100, nullptr);
    uint8_t reply[25];
    const int32_t received = ReadTen(reply);
    EXPECT_EQ(received, 25);
    EXPECT_NO_THROW(CheckResponse(reply, received));
}

TEST_F(TcpChanel, TricklingGateway_ReceiveEndsAtTheTotalTimeout)
{
    GatewayPeer gateway(Gateway::Trickle);
    Connect(gateway.Port());
    uint8_t reply[25];
    const uint64_t start = GetTickCount64();
    const int32_t received = ReadTen(reply);
    const uint64_t elapsed = GetTickCount64() - start;
    EXPECT_GT(received, 0);
    EXPECT_LT(received, 25);
    EXPECT_GE(elapsed, 250u) << "total + TcpTimeout";
    EXPECT_LT(elapsed, 600u);
}

TEST_F(TcpChanel, SilentOrClosingGateway_ReceiveEndsWithNothing)
{
    {
        GatewayPeer gateway(Gateway::Silent);
        Connect(gateway.Port());
        uint8_t reply[25];
        const uint64_t start = GetTickCount64();
        EXPECT_EQ(ReadTen(reply), -1);
        const uint64_t elapsed = GetTickCount64() - start;
        EXPECT_GE(elapsed, 290u) << "total + TcpTimeout";
        EXPECT_LT(elapsed, 800u);
        chanel.Close(nullptr);
    }
    GatewayPeer gateway(Gateway::Closes);
    Connect(gateway.Port());
    chanel.SetTimeouts(3000, 100, nullptr);
    uint8_t reply[25];
    const uint64_t start = GetTickCount64();
    EXPECT_EQ(ReadTen(reply), -1);
    EXPECT_LT(GetTickCount64() - start, 1500u) << "a closed connection ends the receive";
    // The next exchange fails to send into the closed connection or gets nothing.
    PauseMs(50);
    const std::string next = ErrorOf([&] { EXPECT_EQ(ReadTen(reply), -1); });
    EXPECT_TRUE(next == "no error" || next.rfind("Ошибка - ", 0) == 0) << next;
}

TEST_F(TcpChanel, FloodingGateway_DiscardIsBoundedAndTheExchangeEnds)
{
    GatewayPeer gateway(Gateway::Floods);
    Connect(gateway.Port());
    uint8_t reply[25];
    EXPECT_EQ(ReadTen(reply), 25);
    // The next exchange starts by discarding a stream that does not stop.
    const uint64_t start = GetTickCount64();
    const int32_t received = ReadTen(reply);
    EXPECT_GT(received, 0);
    EXPECT_LT(GetTickCount64() - start, 1000u);
}

TEST_F(TcpChanel, CancelRequest_EndsTheWaitsOfAnExchangeAndAnOpen)
{
    GatewayPeer gateway(Gateway::Silent);
    Connect(gateway.Port());
    chanel.SetTimeouts(5000, 100, nullptr);
    TInteractContainer container;
    std::thread user([&] {
        PauseMs(150);
        TInteract* record = container.Acquire();
        record->SetCancel(true);
        container.Release(false);
    });
    uint8_t request[8];
    int32_t length = sizeof request;
    BuildReadRegistersRequest(request, length, 1, 40001, 10);
    uint8_t reply[25];
    const uint64_t start = GetTickCount64();
    EXPECT_EQ(ErrorOf([&] { chanel.Exchange(request, reply, length, 25, &container); }),
              "Выполнение процесса прервано");
    EXPECT_LT(GetTickCount64() - start, 1000u);
    user.join();
    // An exchange of another operation on the same channel is not cancelled.
    EXPECT_EQ(ErrorOf([&] { chanel.SetTimeouts(50, 10, nullptr), ReadTen(reply); }), "no error");

    // A connection still pending (an address that does not answer) when
    // the open is cancelled; where it has no route it fails at once anyway.
    chanel.Close(nullptr);
    chanel.Params.TcpAddress = "10.255.255.1";
    chanel.Params.TcpPort = 9;
    const uint64_t opening = GetTickCount64();
    const std::string text = ErrorOf([&] { chanel.Open(&container); });
    EXPECT_NE(text, "no error");
    EXPECT_LT(GetTickCount64() - opening, 1000u) << text;
    EXPECT_FALSE(chanel.IsOpen());
}

TEST_F(TcpChanel, CancelRequest_EndsALongPauseAfterTheExchange)
{
    GatewayPeer gateway(Gateway::Answers);
    Connect(gateway.Port());
    chanel.Params.TcpPause = 5000;
    TInteractContainer container;
    std::thread user([&] {
        PauseMs(150);
        TInteract* record = container.Acquire();
        record->SetCancel(true);
        container.Release(false);
    });
    uint8_t request[8];
    int32_t length = sizeof request;
    BuildReadRegistersRequest(request, length, 1, 40001, 10);
    uint8_t reply[25];
    const uint64_t start = GetTickCount64();
    EXPECT_EQ(ErrorOf([&] { chanel.Exchange(request, reply, length, 25, &container); }),
              "Выполнение процесса прервано");
    EXPECT_LT(GetTickCount64() - start, 1000u);
    user.join();
}

TEST_F(TcpChanel, ClosedChanel_ExchangeReturnsZero)
{
    uint8_t reply[25];
    EXPECT_FALSE(chanel.IsOpen());
    EXPECT_EQ(ReadTen(reply), 0);
    EXPECT_NO_THROW(chanel.Close(nullptr));
}

TEST_F(TcpChanel, OpenFailures_CarrySocketErrorTexts)
{
    TInteractContainer container;
    container.Assign(std::make_unique<TInteract>());
    chanel.Params.TcpAddress = "no-such-host.invalid";
    const std::string unresolved = ErrorOf([&] { chanel.Open(&container); });
    EXPECT_TRUE(SocketErrorText(unresolved, 10022)) << unresolved;
    EXPECT_FALSE(chanel.IsOpen());
    TInteract* record = container.Acquire();
    EXPECT_EQ(record->PopMessage(), "Соединение с сервером no-such-host.invalid:4001");
    container.Release(false);

    // A port beyond 16 bits is refused rather than wrapped to another one.
    chanel.Params.TcpAddress = "127.0.0.1";
    chanel.Params.TcpPort = 65536 + 4001;
    const std::string badPort = ErrorOf([&] { chanel.Open(&container); });
    EXPECT_TRUE(SocketErrorText(badPort, 10022)) << badPort;
    EXPECT_FALSE(chanel.IsOpen());
    chanel.Params.TcpPort = 4001;

    // A listener whose queue is full drops the connection attempts.
    int port = 0;
    const int listener = LoopbackListener(0, port);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fillers.push_back(fd);
    }
    PauseMs(50);
    chanel.Params.TcpAddress = "127.0.0.1";
    chanel.Params.TcpPort = port;
    chanel.ConnectTimeoutMs = 300;
    // While the worker waits for the connection, the window sees the
    // channel closed.
    std::atomic<bool> seenOpen{false}, done{false};
    std::thread watcher([&] {
        while (!done)
            seenOpen = seenOpen || chanel.IsOpen();
    });
    const std::string timedOut = ErrorOf([&] { chanel.Open(nullptr); });
    done = true;
    watcher.join();
    EXPECT_FALSE(seenOpen);
    EXPECT_TRUE(SocketErrorText(timedOut, 10060)) << timedOut;
    EXPECT_FALSE(chanel.IsOpen());
    for (int fd : fillers)
        ::close(fd);
    ::close(listener);

    const std::string refused = ErrorOf([&] { chanel.Open(nullptr); });
    EXPECT_EQ(refused, TSyncSocket::ErrorText(ECONNREFUSED, SysErrorMessage(ECONNREFUSED)));
}

TEST(TcpChanelParams, SuccessfulOpens_KeepAddressesMostRecentFirst)
{
    const std::string key = "\\Software\\Test\\Tcp\\TcpChanel";
    TRegistry().DeleteKey("\\Software\\Test\\Tcp");
    TTcpChanelParams params;
    for (const char* address : {"10.0.0.5", "10.0.0.7", "10.0.0.5"})
        params.RememberAddress(address);
    EXPECT_EQ(params.IPAddressList, (std::vector<std::string>{"10.0.0.5", "10.0.0.7"}));

    GatewayPeer gateway(Gateway::Answers);
    {
        TcpChanelHelper chanel(key);
        chanel.Params.IPAddressList = {"10.0.0.9", "127.0.0.1"};
        chanel.Params.TcpAddress = "127.0.0.1";
        chanel.Params.TcpPort = gateway.Port();
        chanel.Params.NetAddr = 12;
        chanel.Params.TcpPause = 5;
        chanel.Open(nullptr);
    }
    TTcpChanelParams saved;
    saved.Load(key);
    EXPECT_EQ(saved.TcpAddress, "127.0.0.1");
    EXPECT_EQ(saved.TcpPort, gateway.Port());
    EXPECT_EQ(saved.NetAddr, 12);
    EXPECT_EQ(saved.TcpTimeout, 1000);
    EXPECT_EQ(saved.TcpPause, 5);
    EXPECT_EQ(saved.IPAddressList, (std::vector<std::string>{"127.0.0.1", "10.0.0.9"}));
}

TEST(TcpChanelParams, SettingsThatCannotBeStored_LeaveTheChanelOpenAndAreLogged)
{
    // A fresh settings file that the disk refuses to take: its write fails.
    char folder[] = "/tmp/zt-registry-full-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const char* previous = std::getenv("ZT_REGISTRY");
    const std::string saved = previous ? previous : "";
    ::setenv("ZT_REGISTRY", (std::string(folder) + "/registry.json").c_str(), 1);

    GatewayPeer gateway(Gateway::Answers);
    std::vector<std::string> log;
    {
        TcpChanelHelper chanel("\\Software\\Test\\Tcp\\TcpChanel");
        chanel.SetOnLog([&log](const std::string& text, TInteractContainer*) { log.push_back(text); });
        chanel.Params.TcpAddress = "127.0.0.1";
        chanel.Params.TcpPort = gateway.Port();
        rlimit limit{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
        auto* handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit tiny = limit;
        tiny.rlim_cur = 8;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
        EXPECT_NO_THROW(chanel.Open(nullptr));
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, handler);
        EXPECT_TRUE(chanel.IsOpen());
        chanel.Close(nullptr);
    }
    if (previous)
        ::setenv("ZT_REGISTRY", saved.c_str(), 1);
    else
        ::unsetenv("ZT_REGISTRY");
    std::filesystem::remove_all(folder);
    ASSERT_GE(log.size(), 1u);
    EXPECT_EQ(log.back().rfind("Настройки канала не сохранены: ", 0), 0u) << log.back();
}
