#pragma once
// The simulated ZT meter itself: its two register spaces, its clock and
// commands, its live values, archives and live streams, and its answers to
// Modbus RTU requests. It knows nothing about transports: a frame goes in,
// a reply (or silence) comes out. Every call is thread-safe.

#include "sim/meterarchive.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace zt_sim {

constexpr int kInputCount = 280;   // 30001..30280
constexpr int kHoldingCount = 416; // 40001..40416

// What the meter reports to function 17: a four-character model code and
// the bytes 4..7 (modification major/minor, software version major/minor).
struct MeterIdentity {
    std::string modelCode = "ZT-A";
    std::array<uint8_t, 4> bytes{1, 0, 1, 12};
    // Number of identification data bytes sent; 8 is the correct answer.
    int byteCount = 8;
};

struct MeterConfig {
    MeterIdentity identity;
    std::array<RingSetup, kArchiveKinds> rings = DefaultRingSetup();
    int64_t wallSeconds = 0;     // the meter's clock at start (0: the host's local clock)
    float flowSetPoint = 12.5f;  // m3/h
    float flowNoise = 0.15f;     // m3/h, amplitude of the noise around the set point
    bool occasionalFlags = true; // a noise alarm now and then
    int observationPeriodMs = 40;
    int clearingStepMs = 100; // one step of the 30-step clearing
    bool answerAddressZero = true;
    uint8_t address = 1; // initial value of 40322
};

class MeterDevice {
public:
    explicit MeterDevice(const MeterConfig& config = {});

    // Answers one complete request frame. An empty result is silence: a bad
    // CRC, a frame for another address, a frame too short to be one.
    std::vector<uint8_t> Process(const uint8_t* frame, size_t length);
    // True when the frame's address is one this meter answers.
    bool Addresses(uint8_t address);

    // Registers by their five-digit numbers, host order; 32-bit values are
    // two registers, high word in the lower number. Out of range reads 0.
    uint16_t Input(int reg);
    uint16_t Holding(int reg);
    uint32_t InputU32(int reg);
    uint32_t HoldingU32(int reg);
    float InputFloat(int reg) { return BitsFloatOf(InputU32(reg)); }
    float HoldingFloat(int reg) { return BitsFloatOf(HoldingU32(reg)); }
    // Sets a register as if the meter had put it there. Live input registers
    // are recomputed by the meter and overwrite what was set.
    void SetInput(int reg, uint16_t value);
    void SetHolding(int reg, uint16_t value);
    void SetHoldingU32(int reg, uint32_t value);
    void SetHoldingFloat(int reg, float value);

    void SetIdentity(const MeterIdentity& identity);
    MeterIdentity Identity();
    void SetFlow(float setPoint, float noise);
    // The two totalisers, m3; the meter integrates the flow on from there.
    void SetVolumes(double forward, double reverse);
    void SetOccasionalFlags(bool on);
    // Status bits held set on top of what the meter computes.
    void SetForcedFlags(uint16_t hardwareNotStaff, uint16_t workModeFlags, uint16_t systemNotStaff);
    void SetClearingStepMs(int ms);
    void SetAnswerAddressZero(bool on);

    // Archives: a copy of ring `kind`, a record written at its head, pointers.
    ArchiveRing Ring(int kind);
    void AppendRecord(int kind, const std::vector<uint8_t>& record);
    void SetRingPointers(int kind, uint16_t tail, uint16_t head);
    // Regenerates all rings with a history ending at the given wall time.
    void RefillHistory(int64_t wallSeconds);

    // The newest observation stamp and the meter's clock now.
    uint32_t ObservationStamp();
    CivilTime Clock();
    bool Clearing();

    // Counts of requests answered, by function code; for tests and logs.
    uint32_t RequestCount(uint8_t function);

private:
    using Clk = std::chrono::steady_clock;
    static float BitsFloatOf(uint32_t v);

    std::vector<uint8_t> Answer(const uint8_t* f, size_t n);
    std::vector<uint8_t> Exception(uint8_t address, uint8_t function, uint8_t code);
    std::vector<uint8_t> ReadRegisters(const uint8_t* f, size_t n);
    std::vector<uint8_t> WriteRegisters(const uint8_t* f, size_t n);
    std::vector<uint8_t> ReportSlaveId(const uint8_t* f);
    std::vector<uint8_t> ArchiveRead(const uint8_t* f, size_t n);
    std::vector<uint8_t> ArchiveSearch(const uint8_t* f, size_t n);
    std::vector<uint8_t> AdcSignal(const uint8_t* f, size_t n);
    std::vector<uint8_t> Observation(const uint8_t* f, size_t n);

    void InitHolding();
    void InitInput();
    void Update();
    void UpdateClock();
    void FinishClearing();
    void PutHoldingU32(int reg, uint32_t v);
    void PutHoldingFloat(int reg, float v) { PutHoldingU32(reg, FloatBitsOf(v)); }
    void PutInputU32(int reg, uint32_t v);
    void PutInputFloat(int reg, float v) { PutInputU32(reg, FloatBitsOf(v)); }
    float HoldingFloatLocked(int reg) const;
    static uint32_t FloatBitsOf(float f);
    float Quantity(int index, uint32_t stamp) const;
    double Noise();

    std::mutex mutex_;
    MeterConfig config_;
    std::array<uint16_t, kInputCount> input_{};
    std::array<uint16_t, kHoldingCount> holding_{};
    std::array<ArchiveRing, kArchiveKinds> rings_;
    std::array<uint32_t, 256> requests_{};

    Clk::time_point start_;
    Clk::time_point last_;
    int64_t clockOffset_ = 0; // meter clock minus the host's local wall clock, seconds
    double flow_ = 0;
    double volumeD_ = 0, volumeR_ = 0;
    double times_[6] = {}; // forward, reverse, stop, empty pipe, error, off
    bool integrating_ = false;
    double integ_[10] = {}; // counter, ms, pulses 1, pulses 2, volume, flow, code, off code, noise, ratio
    bool clearing_ = false;
    Clk::time_point clearingStart_;
    uint16_t forced_[3] = {};
    std::mt19937 random_{20240305u};
};

} // namespace zt_sim
