#include "sim/meterdevice.h"

#include "modbus/crc16.h"
#include "sim/simbytes.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace zt_sim {

namespace {

void AppendCrc(std::vector<uint8_t>& frame)
{
    uint16_t crc = Crc16(frame.data(), int32_t(frame.size()));
    frame.push_back(uint8_t(crc));
    frame.push_back(uint8_t(crc >> 8));
}

bool CrcOk(const uint8_t* f, size_t n)
{
    if (n < 4)
        return false;
    uint16_t crc = Crc16(f, int32_t(n - 2));
    return f[n - 2] == uint8_t(crc) && f[n - 1] == uint8_t(crc >> 8);
}

bool ValidCivil(const CivilTime& t)
{
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.hour > 23 || t.minute > 59 || t.second > 59)
        return false;
    bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
    int limit = days[t.month - 1] - (t.month == 2 && !leap ? 1 : 0);
    return t.day <= limit;
}

} // namespace

float MeterDevice::BitsFloatOf(uint32_t v)
{
    return BitsFloat(v);
}
uint32_t MeterDevice::FloatBitsOf(float f)
{
    return FloatBits(f);
}

static std::array<ArchiveRing, kArchiveKinds> MakeRings(const std::array<RingSetup, kArchiveKinds>& s)
{
    return {ArchiveRing(0, s[0].capacity), ArchiveRing(1, s[1].capacity), ArchiveRing(2, s[2].capacity),
            ArchiveRing(3, s[3].capacity), ArchiveRing(4, s[4].capacity), ArchiveRing(5, s[5].capacity),
            ArchiveRing(6, s[6].capacity)};
}

MeterDevice::MeterDevice(const MeterConfig& config) : config_(config), rings_(MakeRings(config.rings))
{
    start_ = last_ = Clk::now();
    if (config_.wallSeconds != 0)
        clockOffset_ = config_.wallSeconds - LocalWallSeconds();
    flow_ = config_.flowSetPoint;
    InitHolding();
    InitInput();
    int64_t now = LocalWallSeconds() + clockOffset_;
    FillHistory(rings_, config_.rings, now, holding_[40349 - 40001], config_.flowSetPoint);
    Update();
}

void MeterDevice::PutHoldingU32(int reg, uint32_t v)
{
    holding_[size_t(reg - 40001)] = uint16_t(v >> 16);
    holding_[size_t(reg - 40000)] = uint16_t(v);
}

void MeterDevice::PutInputU32(int reg, uint32_t v)
{
    input_[size_t(reg - 30001)] = uint16_t(v >> 16);
    input_[size_t(reg - 30000)] = uint16_t(v);
}

float MeterDevice::HoldingFloatLocked(int reg) const
{
    return BitsFloat((uint32_t(holding_[size_t(reg - 40001)]) << 16) | holding_[size_t(reg - 40000)]);
}

void MeterDevice::InitHolding()
{
    auto H = [this](int reg, std::initializer_list<uint16_t> values) {
        size_t i = size_t(reg - 40001);
        for (uint16_t v : values)
            holding_[i++] = v;
    };
    UpdateClock();
    H(40007, {0, 0, 0, 0});
    // Identification: factory number, Ду 50, flanged body, no cards, archive
    // module, reversible, class Б.
    PutHoldingU32(40027, 12345678);
    H(40029, {50, 0, 0, 0, 1, 1, 1});
    H(40043, {1, 2, 5, 10, 14, 15, 32});
    // Excitation cycle and modulator.
    H(40055, {20, 40, 60, 200, 10, 100, 20, 60, 200, 10});
    H(40065, {50, 1200, 30, 40, 8, 250, 2048, 60});
    H(40077, {0x000A, 0x1010, 0x8000, 0x0000, 0x5555, 0x0000, 0x0001, 0x0000});
    H(40085, {0x0456, 0x0A13, 0x0000, 0x0040, 0x0000, 0x4000, 0x0000, 0x0000});
    H(40093, {16, 8, 4, 3, 1, 0, 0, 0});
    PutHoldingFloat(40101, 10.0f);
    PutHoldingFloat(40103, 1.0f);
    PutHoldingFloat(40105, 2500.0f);
    PutHoldingFloat(40107, 2500.0f);
    PutHoldingFloat(40109, 10.0f);
    PutHoldingFloat(40111, 11.0f);
    PutHoldingFloat(40113, 21.0f);
    H(40121, {0x0010, 0, 0x0108, 0x0020, 0x0001, 0, 715});
    H(40137, {100, 900, 1800, 2700, 4000, 1000});
    PutHoldingU32(40143, 10000);
    PutHoldingU32(40145, 100000);
    PutHoldingFloat(40147, 1.0f);
    PutHoldingFloat(40149, 0.001f);
    PutHoldingFloat(40151, 45.125f);
    // Calibration: one straight line each way, Qmin/Qmax for Ду 50.
    for (int table : {40177, 40205}) {
        PutHoldingFloat(table, 1.0f);
        PutHoldingFloat(table + 2, 0.0f);
        PutHoldingU32(table + 4, 1000000);
    }
    PutHoldingFloat(40233, 0.1f);
    PutHoldingFloat(40235, 70.0f);
    PutHoldingFloat(40241, 1.0f);
    // Output 1 pulses of 0.001 m3, output 2 frequency.
    H(40257, {1, 0, 0, 0});
    PutHoldingFloat(40261, 0.001f);
    H(40263, {100, 1});
    H(40269, {2, 2, 3, 0});
    PutHoldingFloat(40273, 0.01f);
    H(40275, {20, 4});
    // Expansion cards, main port, thresholds.
    H(40281, {0, 2, 4, 0, 1, 0});
    PutHoldingFloat(40287, 70.0f);
    H(40291, {8});
    H(40301, {1, 3, 3, 0, 1, 2});
    PutHoldingFloat(40307, 50.0f);
    PutHoldingFloat(40309, 0.5f);
    H(40311, {4});
    H(40321, {0, config_.address, 4, 0});
    PutHoldingFloat(40337, 60.0f);
    PutHoldingFloat(40339, 0.5f);
    H(40349, {600});
    H(40353, {1, 2, 0, 50});
    H(40365, {30, 500, 20, 1500});
    H(40375, {1000, 16000, 7, 1});
}

void MeterDevice::InitInput()
{
    int64_t wall = LocalWallSeconds() + clockOffset_;
    CivilTime started = SecondsToCivil(wall - 400 * 86400 - 3 * 3600);
    uint16_t* I = input_.data();
    PutClockWords(I, started);
    I[8] = 0xA5C3;
    I[9] = 0x1F2E;
    I[10] = 0x3C4D;
    I[11] = 0x5E6F;
    volumeD_ = 41234.5 + config_.flowSetPoint * 0.25;
    volumeR_ = 12.25;
    times_[0] = 400.0 * 86400 * 0.93;
    times_[1] = 3600.0 * 5;
    times_[2] = 86400.0 * 20;
    times_[3] = 3600.0 * 7;
    times_[4] = 125;
    times_[5] = 86400.0 * 7;
}

void MeterDevice::UpdateClock()
{
    CivilTime t = SecondsToCivil(LocalWallSeconds() + clockOffset_);
    PutClockWords(holding_.data(), t);
}

double MeterDevice::Noise()
{
    return std::uniform_real_distribution<double>(-1.0, 1.0)(random_);
}

void MeterDevice::Update()
{
    Clk::time_point now = Clk::now();
    double dt = std::chrono::duration<double>(now - last_).count();
    last_ = now;
    double sinceStart = std::chrono::duration<double>(now - start_).count();
    UpdateClock();

    flow_ = config_.flowSetPoint + config_.flowNoise * Noise();
    if (dt > 0) {
        if (flow_ > 0) {
            volumeD_ += flow_ * dt / 3600.0;
            times_[0] += dt;
        } else if (flow_ < 0) {
            volumeR_ += -flow_ * dt / 3600.0;
            times_[1] += dt;
        } else {
            times_[2] += dt;
        }
        if (integrating_) {
            double measurements = dt * 1000.0 / 40.0;
            double volume = std::fabs(flow_) * dt / 3600.0;
            integ_[0] += measurements;
            integ_[1] += dt * 1000.0;
            float w1 = HoldingFloatLocked(40261), w2 = HoldingFloatLocked(40273);
            integ_[2] += w1 > 0 ? volume / w1 : 0;
            integ_[3] += w2 > 0 ? volume / w2 : 0;
            integ_[4] += volume;
            integ_[5] += flow_ * measurements;
            integ_[6] += flow_ * 1000.0 * measurements;
            integ_[7] += 150.0 * measurements;
            integ_[8] += 2.5 * measurements;
            integ_[9] += 1.0 * measurements;
        }
    }
    if (clearing_) {
        int64_t step = std::max(1, config_.clearingStepMs);
        int64_t steps =
            std::chrono::duration_cast<std::chrono::milliseconds>(now - clearingStart_).count() / step;
        if (steps >= 29)
            FinishClearing();
        else
            input_[30007 - 30001] = uint16_t(1 + steps);
    }

    PutInputU32(30013, uint32_t(sinceStart));
    for (int k = 0; k < kArchiveKinds; ++k) {
        input_[size_t(20 + 3 * k)] = rings_[size_t(k)].LastIndex();
        input_[size_t(21 + 3 * k)] = rings_[size_t(k)].Tail();
        input_[size_t(22 + 3 * k)] = rings_[size_t(k)].Head();
    }
    // A totaliser is a signed integer part and a fraction in 0..1: -0.75 is
    // kept as -1 and 0.25.
    for (const auto& [reg, volume] : {std::pair{30055, volumeD_}, std::pair{30059, volumeR_}}) {
        const double whole = std::floor(volume);
        PutInputU32(reg, uint32_t(int32_t(whole)));
        PutInputFloat(reg + 2, float(volume - whole));
    }
    for (int i = 0; i < 6; ++i)
        PutInputU32(30063 + 2 * i, uint32_t(times_[i]));
    PutInputFloat(30075, float(flow_));

    float qmin = HoldingFloatLocked(40233), qmax = HoldingFloatLocked(40235);
    float qhi = HoldingFloatLocked(40337), qlow = HoldingFloatLocked(40339);
    double q = std::fabs(flow_);
    uint16_t work = uint16_t((integrating_ ? 0x0001 : 0) | (flow_ < 0 ? 0x0004 : 0) | (q > qhi ? 0x0040 : 0) |
                             (q < qlow ? 0x0080 : 0));
    if (holding_[40411 - 40001] || holding_[40412 - 40001] || holding_[40413 - 40001])
        work |= 0x0008;
    uint16_t system = uint16_t((q > qmax ? 0x0040 : 0) | (q < qmin ? 0x0080 : 0));
    if (config_.occasionalFlags && std::fmod(sinceStart, 97.0) > 90.0)
        system |= 0x0002; // a burst of signal noise, a few seconds now and then
    input_[30078 - 30001] = forced_[0];
    input_[30079 - 30001] = uint16_t(work | forced_[1]);
    input_[30080 - 30001] = uint16_t(system | forced_[2]);
    PutInputFloat(30093, HoldingFloatLocked(40261));
    PutInputFloat(30095, HoldingFloatLocked(40273));
    for (int i = 0; i < 4; ++i)
        PutInputU32(30097 + 2 * i, uint32_t(std::fmod(integ_[i], 4294967296.0)));
    for (int i = 4; i < 10; ++i)
        PutInputFloat(30097 + 2 * i, float(integ_[i]));

    // Service state: counters, outputs.
    for (int i = 0; i < 16; ++i)
        input_[size_t(30133 - 30001 + i)] = uint16_t(requests_[size_t(i == 0   ? 3
                                                                      : i == 1 ? 4
                                                                      : i == 2 ? 16
                                                                               : 0)]);
    float w1 = HoldingFloatLocked(40261), w2 = HoldingFloatLocked(40273);
    PutInputFloat(30165, w1 > 0 ? float(q / 3600.0 / w1) : 0.0f);
    PutInputFloat(30167, w2 > 0 ? float(q / 3600.0 / w2) : 0.0f);
    PutInputU32(30169, uint32_t(std::fmod(volumeD_ / std::max(w1, 1e-6f), 4294967296.0)));
    PutInputU32(30171, uint32_t(std::fmod(volumeD_ / std::max(w2, 1e-6f), 4294967296.0)));
    float hi1 = HoldingFloatLocked(40287), hi2 = HoldingFloatLocked(40307);
    float ma1 = float(4.0 + 16.0 * std::min(1.0, q / std::max(hi1, 1e-3f)));
    float ma2 = float(4.0 + 16.0 * std::min(1.0, q / std::max(hi2, 1e-3f)));
    PutInputFloat(30181, ma1);
    PutInputFloat(30183, ma2);
    input_[30185 - 30001] = uint16_t(ma1 / 20.0f * 4095);
    input_[30186 - 30001] = uint16_t(ma2 / 20.0f * 4095);
    input_[30187 - 30001] = 1;
    input_[30188 - 30001] = 1;

    // Service information: temperatures, load, supply, inductor, signal.
    auto S16 = [this](int reg, double v) { input_[size_t(reg - 30001)] = uint16_t(int16_t(std::lround(v))); };
    S16(30197, 2530 + 40 * Noise());
    S16(30198, 3120 + 60 * Noise());
    S16(30199, 2890 + 30 * Noise());
    input_[30200 - 30001] = 0;
    input_[30201 - 30001] = uint16_t(3500 + 300 * Noise());
    input_[30205 - 30001] = holding_[40066 - 40001];
    input_[30206 - 30001] = holding_[40067 - 40001];
    input_[30207 - 30001] = holding_[40071 - 40001];
    input_[30210 - 30001] = uint16_t(24100 + 30 * Noise());
    input_[30211 - 30001] = uint16_t(23650 + 30 * Noise());
    input_[30212 - 30001] = uint16_t(11800 + 20 * Noise());
    PutInputFloat(30213, float(250.0 + 0.5 * Noise()));
    PutInputFloat(30215, float(-250.0 + 0.5 * Noise()));
    PutInputFloat(30217, float(46.2 + 0.05 * Noise()));
    PutInputFloat(30223, float(0.512 * q + 0.002 * Noise()));
    PutInputFloat(30225, float(-0.512 * q + 0.002 * Noise()));
    PutInputFloat(30227, float(1.024 * q + 0.002 * Noise()));
    PutInputFloat(30229, float(1234 + 5 * Noise()));
    PutInputFloat(30231, float(18.5 + 0.1 * Noise()));
    PutInputFloat(30233, float(flow_ * 1000.0));
    PutInputFloat(30235, float(2.5 + 0.3 * Noise()));
    PutInputFloat(30237, float(0.8 + 0.1 * Noise()));
    PutInputFloat(30255, float(1.01 + 0.01 * Noise()));
    PutInputFloat(30257, float(0.99 + 0.01 * Noise()));
    PutInputFloat(30261, float(1.002 + 0.001 * Noise()));
    PutInputFloat(30263, float(0.998 + 0.001 * Noise()));
    PutInputFloat(30265, float(1.004 + 0.001 * Noise()));
    PutInputFloat(30267, float(0.25 * Noise()));
    PutInputFloat(30269, 1.0f);
}

void MeterDevice::FinishClearing()
{
    clearing_ = false;
    input_[30007 - 30001] = 0;
    holding_[40009 - 40001] = 0;
    CivilTime t = SecondsToCivil(LocalWallSeconds() + clockOffset_);
    double oldD = volumeD_, oldR = volumeR_;
    volumeD_ = volumeR_ = 0;
    for (double& v : times_)
        v = 0;
    for (double& v : integ_)
        v = 0;
    for (ArchiveRing& ring : rings_)
        ring.Clear();
    PutClockWords(input_.data(), t);
    // The journal keeps the clearing and the totals it discarded.
    uint8_t none[4] = {0, 0, 0, 0}, oldInt[4], oldFrac[4];
    rings_[kOperatorJournal].Append(BuildOperatorRecord(t, 2, 0, none, none).data());
    for (auto [param, value] : {std::pair<uint16_t, double>{16, oldD}, {17, oldR}}) {
        double whole;
        double frac = std::modf(value, &whole);
        PutLE32(oldInt, uint32_t(whole));
        PutLEFloat(oldFrac, float(frac));
        rings_[kOperatorJournal].Append(BuildOperatorRecord(t, param, 10, oldInt, oldFrac).data());
    }
}

bool MeterDevice::Addresses(uint8_t address)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return address == uint8_t(holding_[40322 - 40001]) || (address == 0 && config_.answerAddressZero);
}

std::vector<uint8_t> MeterDevice::Process(const uint8_t* frame, size_t length)
{
    if (!CrcOk(frame, length))
        return {};
    if (!Addresses(frame[0]))
        return {};
    std::lock_guard<std::mutex> lock(mutex_);
    ++requests_[frame[1]];
    Update();
    std::vector<uint8_t> reply = Answer(frame, length - 2);
    if (!reply.empty())
        AppendCrc(reply);
    return reply;
}

std::vector<uint8_t> MeterDevice::Exception(uint8_t address, uint8_t function, uint8_t code)
{
    return {address, uint8_t(function | 0x80), code};
}

std::vector<uint8_t> MeterDevice::Answer(const uint8_t* f, size_t n)
{
    switch (f[1]) {
    case 0x03:
    case 0x04:
        return ReadRegisters(f, n);
    case 0x10:
        return WriteRegisters(f, n);
    case 0x11:
        return n == 2 ? ReportSlaveId(f) : Exception(f[0], f[1], 3);
    case 0x41:
        return ArchiveRead(f, n);
    case 0x42:
        return ArchiveSearch(f, n);
    case 0x45:
        return AdcSignal(f, n);
    case 0x46:
        return Observation(f, n);
    default:
        return Exception(f[0], f[1], 1);
    }
}

std::vector<uint8_t> MeterDevice::ReadRegisters(const uint8_t* f, size_t n)
{
    if (n != 6)
        return Exception(f[0], f[1], 3);
    const bool holding = f[1] == 0x03;
    uint16_t address = GetBE16(f + 2), count = GetBE16(f + 4);
    // 127 registers is the largest reply whose byte count fits in its byte.
    if (count < 1 || count > 127)
        return Exception(f[0], f[1], 3);
    const int space = holding ? kHoldingCount : kInputCount;
    if (int(address) + int(count) > space)
        return Exception(f[0], f[1], 2);
    std::vector<uint8_t> r{f[0], f[1], uint8_t(count * 2)};
    const uint16_t* regs = holding ? holding_.data() : input_.data();
    for (int i = 0; i < count; ++i)
        AppendBE16(r, regs[address + i]);
    return r;
}

std::vector<uint8_t> MeterDevice::WriteRegisters(const uint8_t* f, size_t n)
{
    if (n < 7)
        return Exception(f[0], f[1], 3);
    uint16_t address = GetBE16(f + 2), count = GetBE16(f + 4);
    if (count < 1 || count > 123 || f[6] != count * 2 || n != size_t(7 + 2 * count))
        return Exception(f[0], f[1], 3);
    if (int(address) + int(count) > kHoldingCount)
        return Exception(f[0], f[1], 2);
    std::array<uint16_t, kHoldingCount> next = holding_;
    for (int i = 0; i < count; ++i)
        next[size_t(address + i)] = GetBE16(f + 7 + 2 * i);
    const int first = 40001 + address, last = first + count - 1;
    auto touches = [&](int reg) { return reg >= first && reg <= last; };
    bool clockSet = first <= 40006 && last >= 40001;
    CivilTime t;
    if (clockSet) {
        t = {2000 + next[0] % 100, next[1], next[2], next[3], next[4], next[5]};
        if (!ValidCivil(t))
            return Exception(f[0], f[1], 3);
    }
    if (touches(40007) && (int16_t(next[6]) < -127 || int16_t(next[6]) > 127))
        return Exception(f[0], f[1], 3);
    if (touches(40322) && (next[40322 - 40001] < 1 || next[40322 - 40001] > 247))
        return Exception(f[0], f[1], 3);
    holding_ = next;
    if (clockSet)
        clockOffset_ = CivilToSeconds(t) - LocalWallSeconds();
    if (touches(40009)) {
        if (next[8] == 1 && !clearing_) {
            clearing_ = true;
            clearingStart_ = Clk::now();
            input_[30007 - 30001] = 1;
        } else if (next[8] == 0 && clearing_) {
            clearing_ = false;
            input_[30007 - 30001] = 0;
        }
    }
    if (touches(40010)) {
        bool on = next[9] != 0;
        if (on && !integrating_)
            std::fill(std::begin(integ_), std::end(integ_), 0.0);
        integrating_ = on;
    }
    Update();
    std::vector<uint8_t> r{f[0], f[1]};
    AppendBE16(r, address);
    AppendBE16(r, count);
    return r;
}

std::vector<uint8_t> MeterDevice::ReportSlaveId(const uint8_t* f)
{
    const MeterIdentity& id = config_.identity;
    uint8_t data[8];
    for (int i = 0; i < 4; ++i)
        data[i] = i < int(id.modelCode.size()) ? uint8_t(id.modelCode[size_t(i)]) : ' ';
    std::copy(id.bytes.begin(), id.bytes.end(), data + 4);
    int count = std::clamp(id.byteCount, 0, 250);
    std::vector<uint8_t> r{f[0], f[1], uint8_t(count)};
    for (int i = 0; i < count; ++i)
        r.push_back(i < 8 ? data[i] : uint8_t(0xFF)); // a longer answer carries a run indicator
    return r;
}

std::vector<uint8_t> MeterDevice::ArchiveRead(const uint8_t* f, size_t n)
{
    if (n != 7)
        return Exception(f[0], f[1], 3);
    const uint8_t kind = f[2];
    const uint16_t index = GetLE16(f + 4);
    const uint8_t wanted = f[6];
    if (kind >= kArchiveKinds || wanted == 0)
        return Exception(f[0], f[1], 3);
    const ArchiveRing& ring = rings_[kind];
    if (index > ring.LastIndex())
        return Exception(f[0], f[1], 2);
    const int count = std::min<int>(wanted, 256 / ring.RecordBytes());
    std::vector<uint8_t> r{f[0], f[1], 0, 0, 0, 0, uint8_t(count)};
    uint16_t next = ring.Read(index, count, r);
    PutLE16(&r[4], next);
    return r;
}

std::vector<uint8_t> MeterDevice::ArchiveSearch(const uint8_t* f, size_t n)
{
    if (n != 6)
        return Exception(f[0], f[1], 3);
    const uint8_t kind = f[2];
    if (kind >= kArchiveKinds || f[4] < 1 || f[4] > 12 || f[5] < 1 || f[5] > 31)
        return Exception(f[0], f[1], 3);
    uint16_t index = rings_[kind].SearchDate(f[3], f[4], f[5]);
    std::vector<uint8_t> r{f[0], f[1], 0, 0, 0, 0, 0, 0};
    PutLE16(&r[6], index);
    return r;
}

std::vector<uint8_t> MeterDevice::AdcSignal(const uint8_t* f, size_t n)
{
    if (n != 3 || f[2] > 2)
        return Exception(f[0], f[1], 3);
    const uint8_t part = f[2];
    const double phase = std::chrono::duration<double>(Clk::now() - start_).count();
    std::vector<uint8_t> r{f[0], f[1], part, 0};
    uint8_t sample[4];
    if (part == 0) {
        // Signal halves A and B of one excitation period: plateaus of
        // opposite sign with the flow's amplitude, a settling edge, noise.
        const int half = 32;
        r[3] = uint8_t(2 * half);
        for (int h = 0; h < 2; ++h)
            for (int i = 0; i < half; ++i) {
                double settle = 1.0 - std::exp(-i / 4.0);
                double v = (h == 0 ? 1 : -1) * (200000.0 + 8000.0 * flow_) * settle + 1500.0 * Noise();
                PutLE32(sample, uint32_t(int32_t(std::lround(v))));
                r.insert(r.end(), sample, sample + 4);
            }
    } else {
        const int count = 128;
        r[3] = uint8_t(count);
        for (int i = 0; i < count; ++i) {
            double v;
            if (part == 1) // inductor current: a rising and a falling edge
                v = 32768 + (i < 64 ? 1 : -1) * 20000 * (1.0 - std::exp(-(i % 64) / 6.0));
            else
                v = 32768 + 12000 * std::sin(2 * M_PI * (i / 64.0 + phase)) + 200 * Noise();
            PutLE16(sample, uint16_t(std::clamp(std::lround(v), 0L, 65535L)));
            r.insert(r.end(), sample, sample + 2);
        }
    }
    return r;
}

float MeterDevice::Quantity(int index, uint32_t stamp) const
{
    const double w = Wobble(stamp, index);
    const double q = config_.flowSetPoint;
    const double noise = config_.flowNoise;
    switch (index) {
    case 0:
        return 0.0f;
    case 1:
        return float(q + noise * w);
    case 2:
    case 3:
    case 4:
        return float(q + noise * w / index);
    case 5:
    case 6:
    case 7:
    case 8:
        return float(q * 1000.0 + noise * 1000.0 * w / (index - 4));
    case 9:
        return float(q * 2000.0 + 300.0 * w);
    case 10:
        return float(q * 12.3 + 1.5 * w);
    }
    struct Level {
        double base, amplitude;
    };
    static const Level levels[] = {
        {150, 5},     {800000, 2000}, {-800000, 2000}, {512, 2},       {-512, 2},   {1000, 20},
        {-1000, 20},  {30000, 50},    {-30000, 50},    {250, 0.5},     {-250, 0.5}, {1.01, 0.01},
        {0.99, 0.01}, {1.002, 0.002}, {0.998, 0.002},  {1.004, 0.002}, {1234, 5},   {18.5, 0.1},
        {41000, 30},  {25.3, 0.05},   {33000, 40},     {31.2, 0.05},
    };
    int i = index - 11;
    if (i < 0 || i >= int(sizeof levels / sizeof levels[0]))
        return 0.0f;
    return float(levels[i].base + levels[i].amplitude * w);
}

std::vector<uint8_t> MeterDevice::Observation(const uint8_t* f, size_t n)
{
    if (n != 2 && n != 6)
        return Exception(f[0], f[1], 3);
    const int period = std::max(1, config_.observationPeriodMs);
    const uint32_t newest = uint32_t(
        1 + std::chrono::duration_cast<std::chrono::milliseconds>(Clk::now() - start_).count() / period);
    const uint32_t kept = 64; // records the meter still holds
    uint32_t from;
    if (n == 2) {
        from = newest >= 8 ? newest - 7 : 1;
    } else {
        uint32_t sent = GetLE32(f + 2);
        // A stamp from the future comes from before a restart: start afresh.
        from = sent > newest ? (newest >= 8 ? newest - 7 : 1) : sent + 1;
        if (newest >= kept && from < newest - kept + 1)
            from = newest - kept + 1;
    }
    std::vector<uint8_t> r{f[0], f[1]};
    uint8_t record[32];
    for (uint32_t s = from; s <= newest && s < from + 8; ++s) {
        PutLE32(record, s);
        for (int c = 0; c < 7; ++c)
            PutLEFloat(record + 4 + 4 * c, Quantity(holding_[size_t(40043 - 40001 + c)], s));
        r.insert(r.end(), record, record + 32);
    }
    return r;
}

uint16_t MeterDevice::Input(int reg)
{
    std::lock_guard<std::mutex> lock(mutex_);
    Update();
    return reg >= 30001 && reg <= 30280 ? input_[size_t(reg - 30001)] : 0;
}

uint16_t MeterDevice::Holding(int reg)
{
    std::lock_guard<std::mutex> lock(mutex_);
    UpdateClock();
    return reg >= 40001 && reg <= 40416 ? holding_[size_t(reg - 40001)] : 0;
}

uint32_t MeterDevice::InputU32(int reg)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (reg < 30001 || reg >= 30280)
        return 0;
    Update();
    return (uint32_t(input_[size_t(reg - 30001)]) << 16) | input_[size_t(reg - 30000)];
}

uint32_t MeterDevice::HoldingU32(int reg)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (reg < 40001 || reg >= 40416)
        return 0;
    UpdateClock();
    return (uint32_t(holding_[size_t(reg - 40001)]) << 16) | holding_[size_t(reg - 40000)];
}

void MeterDevice::SetVolumes(double forward, double reverse)
{
    std::lock_guard<std::mutex> lock(mutex_);
    volumeD_ = forward;
    volumeR_ = reverse;
}

void MeterDevice::SetInput(int reg, uint16_t value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (reg >= 30001 && reg <= 30280)
        input_[size_t(reg - 30001)] = value;
}

void MeterDevice::SetHolding(int reg, uint16_t value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (reg >= 40001 && reg <= 40416)
        holding_[size_t(reg - 40001)] = value;
}

void MeterDevice::SetHoldingU32(int reg, uint32_t value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (reg >= 40001 && reg < 40416)
        PutHoldingU32(reg, value);
}

void MeterDevice::SetHoldingFloat(int reg, float value)
{
    SetHoldingU32(reg, FloatBits(value));
}

void MeterDevice::SetIdentity(const MeterIdentity& identity)
{
    std::lock_guard<std::mutex> lock(mutex_);
    config_.identity = identity;
}

MeterIdentity MeterDevice::Identity()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return config_.identity;
}

void MeterDevice::SetFlow(float setPoint, float noise)
{
    std::lock_guard<std::mutex> lock(mutex_);
    config_.flowSetPoint = setPoint;
    config_.flowNoise = noise;
}

void MeterDevice::SetOccasionalFlags(bool on)
{
    std::lock_guard<std::mutex> lock(mutex_);
    config_.occasionalFlags = on;
}

void MeterDevice::SetForcedFlags(uint16_t hardwareNotStaff, uint16_t workModeFlags, uint16_t systemNotStaff)
{
    std::lock_guard<std::mutex> lock(mutex_);
    forced_[0] = hardwareNotStaff;
    forced_[1] = workModeFlags;
    forced_[2] = systemNotStaff;
}

void MeterDevice::SetClearingStepMs(int ms)
{
    std::lock_guard<std::mutex> lock(mutex_);
    config_.clearingStepMs = ms;
}

void MeterDevice::SetAnswerAddressZero(bool on)
{
    std::lock_guard<std::mutex> lock(mutex_);
    config_.answerAddressZero = on;
}

ArchiveRing MeterDevice::Ring(int kind)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return rings_[size_t(std::clamp(kind, 0, kArchiveKinds - 1))];
}

void MeterDevice::AppendRecord(int kind, const std::vector<uint8_t>& record)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (kind < 0 || kind >= kArchiveKinds || int(record.size()) != RecordSize(kind))
        return;
    rings_[size_t(kind)].Append(record.data());
}

void MeterDevice::SetRingPointers(int kind, uint16_t tail, uint16_t head)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (kind >= 0 && kind < kArchiveKinds)
        rings_[size_t(kind)].SetPointers(tail, head);
}

void MeterDevice::RefillHistory(int64_t wallSeconds)
{
    std::lock_guard<std::mutex> lock(mutex_);
    FillHistory(rings_, config_.rings, wallSeconds, holding_[40349 - 40001], config_.flowSetPoint);
}

uint32_t MeterDevice::ObservationStamp()
{
    std::lock_guard<std::mutex> lock(mutex_);
    const int period = std::max(1, config_.observationPeriodMs);
    return uint32_t(1 + std::chrono::duration_cast<std::chrono::milliseconds>(Clk::now() - start_).count() /
                            period);
}

CivilTime MeterDevice::Clock()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return SecondsToCivil(LocalWallSeconds() + clockOffset_);
}

bool MeterDevice::Clearing()
{
    std::lock_guard<std::mutex> lock(mutex_);
    Update();
    return clearing_;
}

uint32_t MeterDevice::RequestCount(uint8_t function)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_[function];
}

} // namespace zt_sim
