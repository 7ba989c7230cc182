// zt-cli against a hostile gateway: the real binary, through a proxy of our
// own that damages the simulated meter's replies, floods, trickles, drops
// the connection mid-reply and sends replies of 0 to 1000 bytes. Each case
// has its exit status, a text its standard error must hold, and a time
// bound.

#include "tests/support/clirunner.h"
#include "hostileproxy.h"
#include "sim/metersim.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

ProxyPlan Pass(const ProxyBytes& reply)
{
    return ProxyPlan{reply};
}

// Replies to requests of `function` go through `damage`; others pass, and
// so does a reply too short to damage (the meter's own silence).
ProxyRule OnFunction(uint8_t function, std::function<ProxyPlan(const ProxyBytes& reply)> damage)
{
    return [function, damage](const ProxyBytes& request, const ProxyBytes& reply) {
        return request.size() > 1 && request[1] == function && reply.size() >= 5 ? damage(reply)
                                                                                 : Pass(reply);
    };
}

ProxyRule Always(std::function<ProxyPlan(const ProxyBytes& reply)> damage)
{
    return [damage](const ProxyBytes&, const ProxyBytes& reply) {
        return reply.size() >= 5 ? damage(reply) : Pass(reply);
    };
}

// `size` bytes of noise that start like a reply of slave 1.
ProxyPlan Noise(size_t size)
{
    ProxyBytes data(size);
    uint32_t state = 12345;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        data[i] = uint8_t(state >> 16);
    }
    if (size > 0)
        data[0] = 0x01;
    return ProxyPlan{data};
}

struct HostileCase {
    std::string Name;
    ProxyRule Rule;
    std::vector<std::string> Command;
    int Status;
    const char* Message; // in standard error; empty: any
    int BoundMs;
    int SignalAfterMs = -1;
};

const std::vector<std::string> kIdentify{"identify"};
const std::vector<std::string> kRead{"read", "40001", "10"};
const std::vector<std::string> kArchive{"archive", "daily"};

std::vector<HostileCase> Cases()
{
    std::vector<HostileCase> cases{
        {"honest gateway", Always(Pass), kIdentify, 0, "", 3000},
        {"honest gateway, archive", Always(Pass), kArchive, 0, "", 20000},
        {"bad CRC", Always([](ProxyBytes r) { return r[r.size() - 1] ^= 0x55, Pass(r); }), kIdentify, 1,
         "Ошибка CRC в ответе прибора", 3000},
        {"exception reply", Always([](ProxyBytes r) {
             return Pass(Recrc({r[0], uint8_t(r[1] | 0x80), 4, 0, 0}));
         }),
         kIdentify, 1, "Внутренняя ошибка прибора", 3000},
        {"byte count twice the data", OnFunction(3, [](ProxyBytes r) { return r[2] *= 2, Pass(Recrc(r)); }),
         kRead, 1, "Неверная длина ответа прибора", 3000},
        {"one register short",
         OnFunction(3,
                    [](ProxyBytes r) {
                        r.erase(r.end() - 4, r.end() - 2);
                        r[2] -= 2;
                        return Pass(Recrc(r));
                    }),
         kRead, 1, "Неверная длина ответа прибора", 3000},
        {"archive answered by another function",
         OnFunction(0x41, [](ProxyBytes r) { return r[1] = 0x03, Pass(Recrc(r)); }), kArchive, 1,
         "Неверное число записей в ответе архивных данных", 10000},
        {"archive of zero records", OnFunction(0x41, [](ProxyBytes r) { return r[6] = 0, Pass(Recrc(r)); }),
         kArchive, 1, "Неверное число записей в ответе архивных данных", 10000},
        {"archive claiming more records than it carries",
         OnFunction(0x41, [](ProxyBytes r) { return r[6] = 255, Pass(Recrc(r)); }), kArchive, 1,
         "Неверная длина ответа архивных данных", 10000},
        {"silent", Always([](const ProxyBytes&) { return ProxyPlan{}; }), kIdentify, 1,
         "Недопустимый ответ от прибора", 4000},
        {"drops the connection mid-reply", Always([](ProxyBytes r) {
             r.resize(r.size() / 2);
             ProxyPlan plan{r};
             plan.Close = true;
             return plan;
         }),
         kIdentify, 1, "", 4000},
        {"trickles a byte every 150 ms", Always([](const ProxyBytes& r) {
             ProxyPlan plan{r};
             plan.PieceBytes = 1;
             plan.PauseMs = 150;
             return plan;
         }),
         kIdentify, 1, "", 6000},
        {"reply in two pieces 50 ms apart", Always([](const ProxyBytes& r) {
             ProxyPlan plan{r};
             plan.PieceBytes = int(r.size() / 2 + 1);
             plan.PauseMs = 50;
             return plan;
         }),
         kIdentify, 0, "", 3000},
        {"floods after the reply",
         Always([](const ProxyBytes& r) {
             ProxyPlan plan{r};
             plan.Flood = true;
             return plan;
         }),
         {"read", "40001", "1"},
         0,
         "",
         3000},
        {"floods after the reply, then the next command", Always([](const ProxyBytes& r) {
             ProxyPlan plan{r};
             plan.Flood = true;
             return plan;
         }),
         kIdentify, 1, "Ошибка CRC в ответе прибора", 4000},
        {"floods, SIGTERM at 300 ms",
         Always([](const ProxyBytes& r) {
             ProxyPlan plan{r};
             plan.Flood = true;
             return plan;
         }),
         {"dump"},
         1,
         "",
         2000,
         300},
    };
    for (size_t size : {0, 1, 3, 4, 5, 13, 255, 256, 512, 1000})
        cases.push_back({"reply of " + std::to_string(size) + " bytes of noise",
                         Always([size](const ProxyBytes&) { return Noise(size); }), kIdentify, 1, "", 4000});
    return cases;
}

} // namespace

TEST(HostileGateway, EveryCaseEndsWithItsStatusAndMessageInTime)
{
    zt_sim::MeterSimulator sim;
    sim.StartTcp(0);
    std::printf("| case | command | exit | ms | message |\n|---|---|---|---|---|\n");
    for (const HostileCase& c : Cases()) {
        const std::string& name = c.Name;
        HostileProxy proxy(sim.Port(), c.Rule);
        std::vector<std::string> args{"--tcp", "127.0.0.1:" + std::to_string(proxy.Port()), "--tcp-timeout",
                                      "300"};
        args.insert(args.end(), c.Command.begin(), c.Command.end());
        const auto start = std::chrono::steady_clock::now();
        const CliResult r = RunCli(args, c.BoundMs + 5000, c.SignalAfterMs, SIGTERM);
        const long long ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count();
        std::string command;
        for (const auto& word : c.Command)
            command += (command.empty() ? "" : " ") + word;
        std::string firstLine = r.err.substr(0, r.err.find('\n'));
        std::printf("| %s | %s | %d | %lld | %s |\n", name.c_str(), command.c_str(), r.status, ms,
                    firstLine.c_str());
        EXPECT_EQ(r.status, c.Status) << name << ": " << r.err;
        EXPECT_NE(r.err.find(c.Message), std::string::npos) << name << ": " << r.err;
        EXPECT_LT(ms, c.BoundMs) << name;
    }
}
