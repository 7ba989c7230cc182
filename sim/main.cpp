// zt-meter-sim: a simulated ZT meter on TCP, a pseudo-terminal or a serial
// device, for end-to-end checks, benchmarks and demonstrations.

#include "sim/metersim.h"
#include "util/sysutil.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

using namespace zt_sim;

namespace {

const char kHelp[] = R"(Usage: zt-meter-sim [transport] [options]

A simulated ZT flow meter: a Modbus RTU slave with the meter's register map
(280 input, 416 holding registers), identification (function 17), archives
and journals (functions 65 and 66), ADC signal (69) and observation (70).
It answers its own address (register 40322, default 1) and address 0.

Transport (one of):
  --port N            TCP listener, RTU frames in the stream (default 4001;
                      0 picks a free port); one connection at a time
  --host ADDR         address to listen on (default 127.0.0.1)
  --pty               create a pseudo-terminal and serve its master side
  --serial DEV        serve an existing serial device
  --baud N            speed of the serial device (default 19200)
Prints "listening on HOST:PORT" or "pty PATH" once ready.

Meter:
  --address N         own Modbus address, 1..247 (default 1)
  --no-address-zero   do not answer address 0
  --model CODE        model code of the identification (default ZT-A; also
                      KLVA, KLVB, ZT-E or any four characters)
  --modification A.B  hardware modification (default 1.0)
  --version A.B       software version (default 1.12)
  --id-bytes N        number of identification bytes sent (default 8)
  --flow Q            flow set point, m3/h (default 12.5)
  --noise N           noise amplitude around it, m3/h (default 0.15)
  --no-flags          no occasional alarm flags
  --capacity K=N      capacity of ring K (0 hourly 1024, 1 daily 512,
                      2 monthly 64, 3 alarm journal 256, 4 operator journal
                      256, 5 interval 512, 6 system 64)

Misbehaviours:
  --no-reply          never answer
  --bad-crc           answer with a broken CRC
  --exception N       answer with exception code N
  --drop              close the connection instead of answering (modem:
                      NO CARRIER)
  --only-function F   faults above hit only function F
  --times N           faults above hit only N requests
  --latency MS        wait MS before each reply
  --split K           send replies in pieces of K bytes
  --split-pause MS    pause between the pieces
  --wire-speed BAUD   each byte takes 10 bit times at BAUD
  --modem             a Hayes modem in front: ATE0 -> OK, ATD<n> -> CONNECT,
                      "+++" and ATH0 -> OK
  --dial RESULT       connect (default), busy, no-carrier or silence
  --connect-delay MS  delay before the dial result (default 200)

Other:
  --trace             print every request and reply to stderr
  --help              this text
)";

int ToInt(const std::string& option, const char* text)
{
    int64_t value = 0;
    if (!text || !TryStrToInt(text, value) || value < INT32_MIN || value > INT32_MAX)
        throw Exception("Bad value for " + option);
    return int(value);
}

void ParsePair(const std::string& option, const char* text, uint8_t& a, uint8_t& b)
{
    unsigned x = 0, y = 0;
    if (!text || std::sscanf(text, "%u.%u", &x, &y) != 2 || x > 255 || y > 255)
        throw Exception("Bad value for " + option + " (want A.B)");
    a = uint8_t(x);
    b = uint8_t(y);
}

} // namespace

int main(int argc, char** argv)
{
    ReduceTimerSlack();
    try {
        MeterConfig config;
        SimBehaviour behaviour;
        ModemSetup modem;
        enum { Tcp, Pty, Serial } transport = Tcp;
        int port = 4001, baud = 19200;
        std::string host = "127.0.0.1", device;
        bool trace = false;
        for (int i = 1; i < argc; ++i) {
            std::string o = argv[i];
            const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
            auto value = [&]() {
                if (!v)
                    throw Exception("Missing value for " + o);
                ++i;
                return v;
            };
            if (o == "--help" || o == "-h") {
                std::fputs(kHelp, stdout);
                return 0;
            } else if (o == "--port") {
                port = ToInt(o, value());
                if (port < 0 || port > 65535)
                    throw Exception("Bad port");
                transport = Tcp;
            } else if (o == "--host") {
                host = value();
            } else if (o == "--pty") {
                transport = Pty;
            } else if (o == "--serial") {
                device = value();
                transport = Serial;
            } else if (o == "--baud") {
                baud = ToInt(o, value());
            } else if (o == "--address") {
                int a = ToInt(o, value());
                if (a < 1 || a > 247)
                    throw Exception("The address must be 1..247");
                config.address = uint8_t(a);
            } else if (o == "--no-address-zero") {
                config.answerAddressZero = false;
            } else if (o == "--model") {
                config.identity.modelCode = value();
                config.identity.modelCode.resize(4, ' ');
            } else if (o == "--modification") {
                ParsePair(o, value(), config.identity.bytes[0], config.identity.bytes[1]);
            } else if (o == "--version") {
                ParsePair(o, value(), config.identity.bytes[2], config.identity.bytes[3]);
            } else if (o == "--id-bytes") {
                config.identity.byteCount = ToInt(o, value());
            } else if (o == "--flow") {
                config.flowSetPoint = float(StrToReal(value()));
            } else if (o == "--noise") {
                config.flowNoise = float(StrToReal(value()));
            } else if (o == "--no-flags") {
                config.occasionalFlags = false;
            } else if (o == "--capacity") {
                unsigned k = 0, n = 0;
                if (std::sscanf(value(), "%u=%u", &k, &n) != 2 || k >= kArchiveKinds || n < 2 || n > 65535)
                    throw Exception("Bad value for --capacity (want K=N, K 0..6, N 2..65535)");
                RingSetup& s = config.rings[k];
                s.capacity = uint16_t(n);
                s.count = std::min<uint16_t>(s.count, uint16_t(n - 1));
                s.head = uint16_t(s.head % n);
            } else if (o == "--no-reply") {
                behaviour.noReply = true;
            } else if (o == "--bad-crc") {
                behaviour.badCrc = true;
            } else if (o == "--exception") {
                behaviour.exceptionCode = ToInt(o, value()) & 0xFF;
            } else if (o == "--drop") {
                behaviour.dropConnection = true;
            } else if (o == "--only-function") {
                behaviour.onlyFunction = uint8_t(ToInt(o, value()));
            } else if (o == "--times") {
                behaviour.times = ToInt(o, value());
            } else if (o == "--latency") {
                behaviour.latencyMs = ToInt(o, value());
            } else if (o == "--split") {
                behaviour.splitBytes = ToInt(o, value());
            } else if (o == "--split-pause") {
                behaviour.splitPauseMs = ToInt(o, value());
            } else if (o == "--wire-speed") {
                behaviour.wireBaud = ToInt(o, value());
            } else if (o == "--modem") {
                modem.enabled = true;
            } else if (o == "--dial") {
                std::string d = value();
                if (d == "connect")
                    modem.dial = ModemSetup::Dial::Connect;
                else if (d == "busy")
                    modem.dial = ModemSetup::Dial::Busy;
                else if (d == "no-carrier")
                    modem.dial = ModemSetup::Dial::NoCarrier;
                else if (d == "silence")
                    modem.dial = ModemSetup::Dial::Silence;
                else
                    throw Exception("Bad value for --dial");
            } else if (o == "--connect-delay") {
                modem.connectDelayMs = ToInt(o, value());
            } else if (o == "--trace") {
                trace = true;
            } else {
                throw Exception("Unknown option " + o + " (see --help)");
            }
        }

        // Block the stop signals before any thread starts, then wait for one.
        sigset_t stopSignals;
        sigemptyset(&stopSignals);
        sigaddset(&stopSignals, SIGINT);
        sigaddset(&stopSignals, SIGTERM);
        sigaddset(&stopSignals, SIGHUP);
        pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
        std::signal(SIGPIPE, SIG_IGN);

        MeterSimulator sim(config);
        sim.SetBehaviour(behaviour);
        sim.SetModem(modem);
        if (trace)
            sim.SetTrace([](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
        switch (transport) {
        case Tcp:
            sim.StartTcp(uint16_t(port), host);
            std::printf("listening on %s:%u\n", host.c_str(), unsigned(sim.Port()));
            break;
        case Pty:
            sim.StartPty();
            std::printf("pty %s\n", sim.PtyPath().c_str());
            break;
        case Serial:
            sim.StartSerial(device, baud);
            std::printf("serial %s %d\n", device.c_str(), baud);
            break;
        }
        std::fflush(stdout);
        int received = 0;
        sigwait(&stopSignals, &received);
        sim.Stop();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zt-meter-sim: %s\n", e.what());
        return 1;
    }
}
