#pragma once
// The device operations: block reads and writes, the fixed read and write
// sequences, and the two endless polls behind the live views. Each runs on
// a worker thread and identifies the meter first when it is not identified.

#include "device/zt_helper.h"
#include "engine/processthread.h"

#include <cstdint>

using ZT_namespace::kReadAllOperation;
using ZT_namespace::kReadIdentificationOperation;
using ZT_namespace::kReadServiceOperation;
using ZT_namespace::kWriteAllOperation;
// The longest read request.
inline constexpr int32_t kReadPiece = 127;

// One step of write-all: the range and the message logged after it.
struct ZT_WriteStepStruct {
    uint16_t First;
    uint16_t Count;
    const char* Message;
};
// The calibration step covers both coefficient tables, Qmin..GradSigKoef and
// one more register (the first word of the pair at 40243), and leaves
// `CalibrationFlags` unwritten.
namespace ZT_WriteAll {
using namespace ZT_namespace::ZT_Blocks;
inline constexpr ZT_WriteStepStruct Steps[6] = {
    {IdentificationBlock.First, IdentificationBlock.Count, "Параметры идентификации установлены"},
    {SystemSetupBlock.First, SystemSetupBlock.Count, "Системные настройки 1 установлены"},
    {SystemSetup2Block.First, SystemSetup2Block.Count, "Системные настройки 2 установлены"},
    {CalibrationBlock.First, 67, "Калибровочные коэффициенты установлены"},
    {OutputSetupBlock.First, OutputSetupBlock.Count, "Настройки выходов установлены"},
    {WorkSetupBlock.First, WorkSetupBlock.Count, "Рабочие настройки установлены"}};
} // namespace ZT_WriteAll
inline constexpr const auto& WriteAllSteps = ZT_WriteAll::Steps;

// The poll interval in 10 ms ticks that the window left in `Progress`,
// clamped to 3..200.
int32_t PollTicks(int32_t progress);

// The identification at the start of a reading operation: identify with one
// try (its false result is ignored), read the serial number and mark the
// identification as changed.
void IdentifyForRead(ZT_Helper* device, TInteractContainer* container);

class ZT_ReadModbusRegAlgorithm : public ProcessAlgorithm {
public:
    ZT_ReadModbusRegAlgorithm(int32_t first, int32_t count, ZT_Helper* device, TInteractContainer* container,
                              bool quiet);
    void Execute() override;
    int32_t First;
    int32_t Count;
    ZT_Helper* Device;
};

class ZT_WriteModbusRegAlgorithm : public ProcessAlgorithm {
public:
    ZT_WriteModbusRegAlgorithm(int32_t first, int32_t count, ZT_Helper* device,
                               TInteractContainer* container);
    void Execute() override;
    int32_t First;
    int32_t Count;
    ZT_Helper* Device;
};

class ZT_MultiReadWriteAlgorithm : public ProcessAlgorithm {
public:
    ZT_MultiReadWriteAlgorithm(int32_t operation, ZT_Helper* device, TInteractContainer* container,
                               bool quiet);
    void Execute() override;
    int32_t Operation;
    ZT_Helper* Device;

private:
    // Reads `count` registers from `first` in requests of at most 127.
    void ReadInPieces(int32_t first, int32_t count);
};

// Polls observation records until cancelled.
class ZT_ObservationAlgorithm : public ProcessAlgorithm {
public:
    ZT_ObservationAlgorithm(ZT_Helper* device, TInteractContainer* container);
    void Execute() override;
    ZT_Helper* Device;
};

// Polls the three parts of the ADC signal until cancelled.
class ZT_AdcSignalAlgorithm : public ProcessAlgorithm {
public:
    ZT_AdcSignalAlgorithm(ZT_Helper* device, TInteractContainer* container);
    void Execute() override;
    ZT_Helper* Device;
};
