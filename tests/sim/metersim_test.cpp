// The simulated meter on real lines: loopback TCP and pseudo-terminals,
// its misbehaviours as a master sees them, the modem in front of it, and an
// independent master (mbpoll) reading and writing its registers.

#include "sim/metersim.h"
#include "sim/simbytes.h"
#include "tests/sim/rtumaster.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <regex>
#include <string>

using namespace zt_sim;
using namespace simtest;

namespace {

int ConnectTcp(uint16_t port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int OpenTty(const std::string& path)
{
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    tcflush(fd, TCIOFLUSH);
    return fd;
}

struct Fd {
    int fd;
    explicit Fd(int f) : fd(f) {}
    ~Fd()
    {
        if (fd >= 0)
            close(fd);
    }
};

std::string Text(const Received& r)
{
    return std::string(r.bytes.begin(), r.bytes.end());
}

// 100 holding registers from 40001: a 205-byte reply.
const std::vector<uint8_t> kRead100 = ReadRequest(1, 3, 0, 100);
constexpr size_t kRead100Reply = 205;

} // namespace

TEST(MeterSimTcp, ServesOneConnectionAtATimeAndTheNextAfterClose)
{
    MeterSimulator sim;
    sim.StartTcp(0);
    ASSERT_NE(sim.Port(), 0);
    for (int round = 0; round < 2; ++round) {
        Fd c(ConnectTcp(sim.Port()));
        ASSERT_GE(c.fd, 0);
        Received r = Exchange(c.fd, ReadRequest(1, 3, 28, 1), 7);
        ASSERT_EQ(r.bytes.size(), 7u);
        EXPECT_TRUE(CrcValid(r.bytes));
        EXPECT_EQ(GetBE16(&r.bytes[3]), sim.Device().Holding(40029));
        // Two requests in one segment get two replies.
        std::vector<uint8_t> two = Frame({1, 0x11});
        std::vector<uint8_t> w = Frame({1, 0x10, 0, 29, 0, 1, 2, 0, uint8_t(round + 1)});
        two.insert(two.end(), w.begin(), w.end());
        r = Exchange(c.fd, two, 13 + 8);
        ASSERT_EQ(r.bytes.size(), 21u);
        EXPECT_EQ(r.bytes[1], 0x11);
        EXPECT_EQ(r.bytes[14], 0x10);
        EXPECT_EQ(sim.Device().Holding(40030), round + 1);
    }
    EXPECT_EQ(sim.Connections(), 2u);
    sim.Stop();
    EXPECT_LT(ConnectTcp(sim.Port()), 0);
}

TEST(MeterSimTcp, Misbehaviours_AsTheMasterSeesThem)
{
    MeterSimulator sim;
    sim.StartTcp(0);
    Fd c(ConnectTcp(sim.Port()));
    ASSERT_GE(c.fd, 0);
    struct Case {
        const char* name;
        SimBehaviour b;
        size_t bytes; // bytes that arrive
        bool crcValid;
        int minPieces;
        long minMs;
    };
    auto with = [](auto set) {
        SimBehaviour b;
        set(b);
        return b;
    };
    const Case cases[] = {
        {"normal", {}, kRead100Reply, true, 1, 0},
        {"no reply", with([](SimBehaviour& b) { b.noReply = true; }), 0, false, 0, 0},
        {"bad crc", with([](SimBehaviour& b) { b.badCrc = true; }), kRead100Reply, false, 1, 0},
        {"exception 6", with([](SimBehaviour& b) { b.exceptionCode = 6; }), 5, true, 1, 0},
        {"split", with([](SimBehaviour& b) { b.splitBytes = 64, b.splitPauseMs = 40; }), kRead100Reply, true,
         4, 115},
        {"latency", with([](SimBehaviour& b) { b.latencyMs = 150; }), kRead100Reply, true, 1, 145},
        {"wire speed 19200", with([](SimBehaviour& b) { b.wireBaud = 19200; }), kRead100Reply, true, 1, 105},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        sim.SetBehaviour(k.b);
        Received r = Exchange(c.fd, kRead100, kRead100Reply, 300);
        EXPECT_EQ(r.bytes.size(), k.bytes);
        if (k.bytes) {
            EXPECT_EQ(CrcValid(r.bytes), k.crcValid);
            EXPECT_GE(r.reads, k.minPieces);
            EXPECT_GE(r.elapsedMs, k.minMs);
        }
        if (k.b.exceptionCode && r.bytes.size() == 5) {
            EXPECT_EQ(r.bytes[1], 0x83);
            EXPECT_EQ(r.bytes[2], k.b.exceptionCode);
        }
    }
}

TEST(MeterSimTcp, FaultsLimitedToOneFunctionAndACount)
{
    MeterSimulator sim;
    sim.StartTcp(0);
    Fd c(ConnectTcp(sim.Port()));
    SimBehaviour b;
    b.noReply = true;
    b.onlyFunction = 0x11;
    b.times = 2;
    sim.SetBehaviour(b);
    EXPECT_EQ(Exchange(c.fd, kRead100, kRead100Reply).bytes.size(), kRead100Reply);
    EXPECT_TRUE(Exchange(c.fd, Frame({1, 0x11}), 13, 200).bytes.empty());
    EXPECT_TRUE(Exchange(c.fd, Frame({1, 0x11}), 13, 200).bytes.empty());
    EXPECT_EQ(Exchange(c.fd, Frame({1, 0x11}), 13).bytes.size(), 13u);
    EXPECT_EQ(sim.Behaviour().times, 0);
}

TEST(MeterSimTcp, DropConnection_ClosesAndTheNextConnectionIsServed)
{
    MeterSimulator sim;
    sim.StartTcp(0);
    SimBehaviour b;
    b.dropConnection = true;
    b.times = 1;
    sim.SetBehaviour(b);
    {
        Fd c(ConnectTcp(sim.Port()));
        Received r = Exchange(c.fd, kRead100, kRead100Reply, 1000);
        EXPECT_TRUE(r.closed);
        EXPECT_TRUE(r.bytes.empty());
    }
    Fd c(ConnectTcp(sim.Port()));
    EXPECT_EQ(Exchange(c.fd, kRead100, kRead100Reply, 1000).bytes.size(), kRead100Reply);
}

TEST(MeterSimTcp, GarbageAndOtherAddresses_IgnoredThenResynchronised)
{
    MeterSimulator sim;
    sim.StartTcp(0);
    Fd c(ConnectTcp(sim.Port()));
    auto broken = kRead100;
    broken[3] ^= 0x40;
    EXPECT_TRUE(Exchange(c.fd, broken, 5, 150).bytes.empty());
    EXPECT_TRUE(Exchange(c.fd, ReadRequest(9, 3, 0, 1), 7, 150).bytes.empty());
    EXPECT_EQ(Exchange(c.fd, kRead100, kRead100Reply).bytes.size(), kRead100Reply);
}

class MeterSimPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim.StartPty();
        ASSERT_EQ(sim.PtyPath().rfind("/dev/pts/", 0), 0u) << sim.PtyPath();
        fd = OpenTty(sim.PtyPath());
        ASSERT_GE(fd, 0);
    }
    void TearDown() override
    {
        if (fd >= 0)
            close(fd);
        sim.Stop();
    }
    Received Say(const std::string& text, size_t expected, int timeoutMs = 500)
    {
        return Exchange(fd, std::vector<uint8_t>(text.begin(), text.end()), expected, timeoutMs);
    }
    MeterSimulator sim;
    int fd = -1;
};

TEST_F(MeterSimPty, RawFramesAndSplitReplies)
{
    Received r = Exchange(fd, ReadRequest(0, 4, 20, 21), 47);
    ASSERT_EQ(r.bytes.size(), 47u);
    EXPECT_TRUE(CrcValid(r.bytes));
    EXPECT_EQ(r.bytes[0], 0);
    EXPECT_EQ(GetBE16(&r.bytes[3]), 1023); // last index of the hourly ring
    SimBehaviour b;
    b.splitBytes = 3;
    b.splitPauseMs = 30;
    sim.SetBehaviour(b);
    r = Exchange(fd, Frame({1, 0x11}), 13);
    ASSERT_EQ(r.bytes.size(), 13u);
    EXPECT_TRUE(CrcValid(r.bytes));
    EXPECT_GE(r.reads, 4);
    EXPECT_GE(r.elapsedMs, 4 * 30 - 5);
}

TEST_F(MeterSimPty, ModemDialogue_DialFramesEscapeHangUp)
{
    ModemSetup m;
    m.enabled = true;
    m.connectDelayMs = 50;
    sim.SetModem(m);
    EXPECT_TRUE(Exchange(fd, kRead100, kRead100Reply, 150).bytes.empty()); // not connected yet
    EXPECT_NE(Text(Say("ATE0\r\n", 6)).find("OK"), std::string::npos);
    EXPECT_NE(Text(Say("ATD8 800 12\r\n", 17)).find("CONNECT"), std::string::npos);
    EXPECT_TRUE(sim.ModemConnected());
    EXPECT_EQ(Exchange(fd, kRead100, kRead100Reply).bytes.size(), kRead100Reply);
    EXPECT_NE(Text(Say("+++", 6)).find("OK"), std::string::npos);
    EXPECT_FALSE(sim.ModemConnected());
    EXPECT_NE(Text(Say("ATH0\r\n", 6)).find("OK"), std::string::npos);

    struct Case {
        ModemSetup::Dial dial;
        const char* answer; // nullptr: silence
    } cases[] = {{ModemSetup::Dial::Busy, "BUSY"},
                 {ModemSetup::Dial::NoCarrier, "NO CARRIER"},
                 {ModemSetup::Dial::Silence, nullptr}};
    for (const Case& c : cases) {
        m.dial = c.dial;
        sim.SetModem(m);
        Received r = Say("ATD123\r\n", 20, 300);
        if (c.answer)
            EXPECT_NE(Text(r).find(c.answer), std::string::npos) << Text(r);
        else
            EXPECT_TRUE(r.bytes.empty());
        EXPECT_FALSE(sim.ModemConnected());
    }
}

TEST_F(MeterSimPty, DropWithModem_ReportsNoCarrier)
{
    ModemSetup m;
    m.enabled = true;
    m.connectDelayMs = 0;
    sim.SetModem(m);
    Say("ATD1\r\n", 17);
    ASSERT_TRUE(sim.ModemConnected());
    SimBehaviour b;
    b.dropConnection = true;
    sim.SetBehaviour(b);
    EXPECT_NE(Text(Exchange(fd, kRead100, 14)).find("NO CARRIER"), std::string::npos);
    EXPECT_FALSE(sim.ModemConnected());
}

namespace {

// Runs mbpoll once and returns its output.
std::string Mbpoll(const std::string& args)
{
    std::string cmd = "mbpoll -m rtu -b 19200 -P none -o 1 -1 " + args + " 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), pclose);
    std::string out;
    char buf[512];
    while (p && fgets(buf, sizeof buf, p.get()))
        out += buf;
    return out;
}

// The "[reference]: value" lines of mbpoll's output.
std::map<int, std::string> Values(const std::string& out)
{
    std::map<int, std::string> v;
    std::regex line(R"(\[(\d+)\]:\s+(\S+))");
    for (std::sregex_iterator i(out.begin(), out.end(), line), e; i != e; ++i)
        v[std::stoi((*i)[1])] = (*i)[2];
    return v;
}

} // namespace

TEST(MeterSimMbpoll, IndependentMasterReadsAndWritesOverPty)
{
    if (system("command -v mbpoll >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "mbpoll is not installed";
    MeterSimulator sim;
    sim.StartPty();
    const std::string dev = sim.PtyPath();

    auto held = Values(Mbpoll("-a 1 -t 4 -r 29 -c 7 " + dev));
    ASSERT_EQ(held.size(), 7u) << Mbpoll("-a 1 -t 4 -r 29 -c 7 " + dev);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(held[29 + i], std::to_string(sim.Device().Holding(40029 + i))) << 29 + i;

    auto serial = Values(Mbpoll("-a 1 -t 4:int -B -r 27 -c 1 " + dev));
    EXPECT_EQ(serial[27], std::to_string(sim.Device().HoldingU32(40027)));
    auto qmax = Values(Mbpoll("-a 1 -t 4:float -B -r 235 -c 1 " + dev));
    EXPECT_EQ(qmax[235], "70");
    auto input = Values(Mbpoll("-a 1 -t 3 -r 21 -c 6 " + dev));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(input[21 + i], std::to_string(sim.Device().Input(30021 + i))) << 21 + i;

    std::string written = Mbpoll("-a 1 -t 4 -r 365 " + dev + " 45 600");
    EXPECT_NE(written.find("Written 2 references"), std::string::npos) << written;
    EXPECT_EQ(sim.Device().Holding(40365), 45);
    EXPECT_EQ(sim.Device().Holding(40366), 600);
    Mbpoll("-a 1 -t 4:float -B -r 233 " + dev + " 0.25");
    EXPECT_FLOAT_EQ(sim.Device().HoldingFloat(40233), 0.25f);

    std::string refused = Mbpoll("-a 1 -t 4 -r 416 -c 2 " + dev);
    EXPECT_NE(refused.find("Illegal data address"), std::string::npos) << refused;
    std::string id = Mbpoll("-a 1 -u " + dev);
    EXPECT_NE(id.find("Length: 8"), std::string::npos) << id;
}
