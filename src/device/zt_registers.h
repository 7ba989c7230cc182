#pragma once
// The meter's two register spaces as the system keeps them: the four
// images (host order and raw copies), the layouts that convert between wire
// and host order, the parameter blocks, the typed fields under their own
// names, and the ADC chip setup records packed into the system setup block.

#include "device/zt_strings.h"
#include "modbus/modbus.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace ZT_namespace {

inline constexpr uint16_t kInputBase = 30001;
inline constexpr uint16_t kHoldingBase = 40001;
inline constexpr int kInputCount = 280;
inline constexpr int kHoldingCount = 416;
// A full read of the holding space stops before the three reserved
// registers of the service block.
inline constexpr int kHoldingReadAllCount = 413;

// One run of a layout: `Kind` 0 = 16-bit values, 1 = 32-bit values (two
// registers each), 2 = registers left alone; `Count` items of that kind.
using TLayoutRun = ::TLayoutEntry;

inline constexpr std::array<TLayoutRun, 13> InputLayout{{{0, 12},
                                                         {1, 1},
                                                         {0, 40},
                                                         {1, 11},
                                                         {0, 16},
                                                         {1, 12},
                                                         {0, 16},
                                                         {0, 16},
                                                         {0, 16},
                                                         {1, 10},
                                                         {0, 12},
                                                         {0, 16},
                                                         {1, 29}}};

inline constexpr std::array<TLayoutRun, 30> HoldingLayout{
    {{0, 26}, {1, 1},  {0, 26}, {0, 22}, {0, 16}, {0, 8}, {1, 10}, {0, 22}, {1, 2}, {1, 15},
     {1, 35}, {0, 10}, {0, 4},  {1, 1},  {0, 6},  {0, 4}, {1, 1},  {0, 6},  {0, 6}, {1, 2},
     {0, 10}, {0, 6},  {1, 2},  {0, 10}, {0, 16}, {1, 2}, {0, 24}, {0, 36}, {1, 5}, {0, 6}}};

// Converts `words` in place by `layout` from the start of the buffer; stops
// at the end of the layout, at the end of the buffer, at an unknown kind, or
// at a 32-bit item for which only one word remains. Its own inverse.
inline void ConvertWords(uint16_t* words, int wordCount, std::span<const TLayoutRun> layout)
{
    ConvertByLayout(words, wordCount, layout.data(), static_cast<int32_t>(layout.size()));
}

// Operation numbers (tags) of the multi-block operations and of the
// archive reading, as the workspace and the operations agree on them.
inline constexpr int32_t kReadServiceOperation = 12;
inline constexpr int32_t kReadIdentificationOperation = 23;
inline constexpr int32_t kReadAllOperation = 37;
inline constexpr int32_t kWriteAllOperation = 38;

// How a block is read: on its own as one register range, as part of a
// multi-block operation (`ReadTag` names it), or by the archive reading.
enum class TBlockRead : uint8_t { None, Range, Sequence, Archive };

// A parameter block: a register range read or written as one request, the
// tags with which the workspace starts its read and its write, and the
// texts logged after each succeeds. A command block has a second write (the
// integration command writes 1 with one tag and 0 with another). Tag 0
// means no such operation.
struct TBlockStruct {
    std::string_view Name;
    uint16_t First;
    uint16_t Count;
    TBlockRead Read;
    int32_t ReadTag;
    std::string_view ReadText;
    int32_t WriteTag;
    std::string_view WriteText;
    int32_t WriteTag2 = 0;
    std::string_view WriteText2 = {};
};

namespace ZT_Blocks {
inline constexpr std::string_view kIdentificationRead = "Идентификационные параметры считаны";
// The first letter is the Latin C, as the meter's service tools have always logged it.
inline constexpr std::string_view kServiceRead = "Cервисные данные считаны";
using enum TBlockRead;
inline constexpr TBlockStruct DateTimeBlock{"DateTimeBlock", 40001, 6, Sequence, 23, kIdentificationRead,
                                            24, "Время и дата установлены"};
inline constexpr TBlockStruct TimeCorrectionBlock{"TimeCorrectionBlock", 40007, 2, Sequence, 23,
                                                  kIdentificationRead, 26, "Коррекция времени установлены"};
inline constexpr TBlockStruct ClearArchiveCommand{"ClearArchiveCommand", 40009, 1, Sequence, 23,
                                                  kIdentificationRead, 27, ""};
inline constexpr TBlockStruct IntegrationCommand{"IntegrationCommand", 40010, 1, Sequence, 23,
                                                 kIdentificationRead, 19, "Интегрирование запущено",
                                                 20, "Интегрирование остановлено"};
inline constexpr TBlockStruct IdentificationBlock{"IdentificationBlock", 40027, 9, Sequence, 23,
                                                  kIdentificationRead, 25, "Параметры идентификации установлены"};
inline constexpr TBlockStruct ObservationSetupBlock{"ObservationSetupBlock", 40043, 7, Range, 21,
                                                    "Настройки показаний считаны", 22,
                                                    "Настройки показаний установлены"};
inline constexpr TBlockStruct SystemSetupBlock{"SystemSetupBlock", 40055, 66, Range, 1,
                                               "Системные настройки считаны", 2, "Системные настройки установлены"};
inline constexpr TBlockStruct SystemSetup2Block{"SystemSetup2Block", 40121, 56, Range, 3,
                                                "Системные настройки считаны", 4, "Системные настройки установлены"};
inline constexpr TBlockStruct CalibrationBlock{"CalibrationBlock", 40177, 80, Range, 10,
                                               "Калибровочные коэффициенты считаны", 11,
                                               "Калибровочные коэффициенты установлены"};
inline constexpr TBlockStruct OutputSetupBlock{"OutputSetupBlock", 40257, 24, Range, 8, "Настройки выходов считаны",
                                               9, "Настройки выходов установлены"};
inline constexpr TBlockStruct WorkSetupBlock{"WorkSetupBlock", 40281, 120, Range, 6, "Рабочие настройки считаны",
                                             7, "Рабочие настройки установлены"};
inline constexpr TBlockStruct ServiceSetupBlock{"ServiceSetupBlock", 40401, 16, Sequence, 12, kServiceRead, 13,
                                                "Параметры сервисных режимов установлены"};
inline constexpr TBlockStruct DeviceStateBlock{"DeviceStateBlock", 30001, 20, Sequence, 23, kIdentificationRead,
                                               0, ""};
inline constexpr TBlockStruct ArchiveStateBlock{"ArchiveStateBlock", 30021, 21, Archive, 0, "", 0, ""};
inline constexpr TBlockStruct CurrentParamsBlock{"CurrentParamsBlock", 30055, 62, Range, 5,
                                                 "Текущие параметры считаны", 0, ""};
inline constexpr TBlockStruct ServiceStateBlock{"ServiceStateBlock", 30133, 64, Sequence, 12, kServiceRead, 0, ""};
inline constexpr TBlockStruct ServiceInfoBlock{"ServiceInfoBlock", 30197, 84, Range, 15,
                                               "Сервисные параметры считаны", 0, ""};
} // namespace ZT_Blocks

inline constexpr std::array<TBlockStruct, 17> Blocks{
    ZT_Blocks::DateTimeBlock,       ZT_Blocks::TimeCorrectionBlock, ZT_Blocks::ClearArchiveCommand,
    ZT_Blocks::IntegrationCommand,  ZT_Blocks::IdentificationBlock, ZT_Blocks::ObservationSetupBlock,
    ZT_Blocks::SystemSetupBlock,    ZT_Blocks::SystemSetup2Block,   ZT_Blocks::CalibrationBlock,
    ZT_Blocks::OutputSetupBlock,    ZT_Blocks::WorkSetupBlock,      ZT_Blocks::ServiceSetupBlock,
    ZT_Blocks::DeviceStateBlock,    ZT_Blocks::ArchiveStateBlock,   ZT_Blocks::CurrentParamsBlock,
    ZT_Blocks::ServiceStateBlock,   ZT_Blocks::ServiceInfoBlock};

// The archive and journal readings: the tag each is started with and the
// text logged when it completes.
struct TArchiveReadStruct {
    int32_t Tag;
    std::string_view DoneText;
};
inline constexpr TArchiveReadStruct ArchiveRead{39, "Архив считан"};
inline constexpr TArchiveReadStruct AlarmJournalRead{40, "Журнал НС считан"};
inline constexpr TArchiveReadStruct OperatorJournalRead{41, "Журнал оператора считан"};

// What the register map declares of a field beyond its register and type:
// its name, the printf format it is shown with, and the range a typed value
// must lie in (`Min` > `Max`: any value of the type).
struct TFieldMeta {
    std::string_view Name = {};
    std::string_view Format = {};
    double Min = 0;
    double Max = -1;
    constexpr bool HasRange() const { return Min <= Max; }
};

// Typed fields. A field names its first register; the images resolve it.
template <class T> struct TField {
    uint16_t Register;
    TFieldMeta Meta = {};
};
struct TIndexField {
    uint16_t Register;
    TTextList List;
    TFieldMeta Meta = {};
};
struct TBitsField {
    uint16_t Register;
    TTextList Bits;
    TFieldMeta Meta = {};
};
// A 16-bit register whose meaning lives in its low byte as a signed 8-bit
// number (the meter keeps `RTCCorrection` that way).
struct TInt8LowField {
    uint16_t Register;
    TFieldMeta Meta = {};
};

enum class TFieldType : uint8_t { UInt16, Int16, UInt32, Int32, Float32, Index, Bits, Int8Low };

constexpr TFieldType FieldTypeOf(TField<uint16_t>)
{
    return TFieldType::UInt16;
}
constexpr TFieldType FieldTypeOf(TField<int16_t>)
{
    return TFieldType::Int16;
}
constexpr TFieldType FieldTypeOf(TField<uint32_t>)
{
    return TFieldType::UInt32;
}
constexpr TFieldType FieldTypeOf(TField<int32_t>)
{
    return TFieldType::Int32;
}
constexpr TFieldType FieldTypeOf(TField<float>)
{
    return TFieldType::Float32;
}
constexpr TFieldType FieldTypeOf(TIndexField)
{
    return TFieldType::Index;
}
constexpr TFieldType FieldTypeOf(TBitsField)
{
    return TFieldType::Bits;
}
constexpr TFieldType FieldTypeOf(TInt8LowField)
{
    return TFieldType::Int8Low;
}
constexpr int FieldWidth(TFieldType type)
{
    return type == TFieldType::UInt32 || type == TFieldType::Int32 || type == TFieldType::Float32 ? 2 : 1;
}

// One line of a piecewise-linear correction table; the fifth line has no
// `Stop` (its register is 0).
struct TKoefLine {
    TField<float> A;
    TField<float> B;
    TField<uint32_t> Stop;
};
constexpr TKoefLine KoefLineAt(uint16_t table, int line)
{
    uint16_t base = static_cast<uint16_t>(table + 6 * line);
    return {{base}, {static_cast<uint16_t>(base + 2)}, {static_cast<uint16_t>(line < 4 ? base + 4 : 0)}};
}

struct TOutputFields {
    TIndexField OutputType;
    TIndexField WorkMode;
    TIndexField OutEvent;
    TBitsField OutFlags;
    TField<float> Weight;
    TField<uint16_t> ImpulseLen;
    TField<uint16_t> Integrator;
};
constexpr TOutputFields OutputAt(uint16_t b)
{
    return {{b, OutputTypeList},
            {static_cast<uint16_t>(b + 1), DirectionList},
            {static_cast<uint16_t>(b + 2), OutEventList},
            {static_cast<uint16_t>(b + 3), OutFlagsBits},
            {static_cast<uint16_t>(b + 4)},
            {static_cast<uint16_t>(b + 6)},
            {static_cast<uint16_t>(b + 7)}};
}

struct TPluginFields {
    TIndexField SlotMode;
    TField<uint16_t> NetAddress;
    TIndexField Speed;
    TField<uint16_t> AddTimeout;
    TIndexField CurrentOutRange;
    TIndexField WorkMode;
    TField<float> QhiCurrent;
    TField<float> QlowCurrent;
    TField<uint16_t> OutputAveraging;
};
constexpr TPluginFields PluginAt(uint16_t b)
{
    return {{b, SlotModeList},
            {static_cast<uint16_t>(b + 1)},
            {static_cast<uint16_t>(b + 2), UartSpeedList},
            {static_cast<uint16_t>(b + 3)},
            {static_cast<uint16_t>(b + 4), CurrentOutRangeList},
            {static_cast<uint16_t>(b + 5), DirectionList},
            {static_cast<uint16_t>(b + 6)},
            {static_cast<uint16_t>(b + 8)},
            {static_cast<uint16_t>(b + 10)}};
}

// A totaliser: an integer part followed by a fractional part.
struct TTotaliserField {
    TField<uint32_t> Integer;
    TField<float> Fraction;
};

// Ring pointers of archive kind k in `ArchiveStateBlock`.
constexpr uint16_t ArchiveLastRegister(int kind)
{
    return static_cast<uint16_t>(30021 + 3 * kind);
}
constexpr uint16_t ArchiveTailRegister(int kind)
{
    return static_cast<uint16_t>(30022 + 3 * kind);
}
constexpr uint16_t ArchiveHeadRegister(int kind)
{
    return static_cast<uint16_t>(30023 + 3 * kind);
}

namespace ZT_Fields {
// Date and time, time correction and the two commands (40001..40010).
inline constexpr TField<uint16_t> Year{40001};
inline constexpr TField<uint16_t> Month{40002};
inline constexpr TField<uint16_t> Day{40003};
inline constexpr TField<uint16_t> Hour{40004};
inline constexpr TField<uint16_t> Minute{40005};
inline constexpr TField<uint16_t> Second{40006};
inline constexpr TInt8LowField RTCCorrection{40007};
inline constexpr TField<uint16_t> TimeCorrection{40008};
inline constexpr TField<uint16_t> ClearArchive{40009};
inline constexpr TField<uint16_t> Integration{40010};

// IdentificationBlock.
inline constexpr TField<uint32_t> SerialNumber{40027};
inline constexpr TField<uint16_t> Du{40029};
inline constexpr TIndexField Type{40030, BodyTypeList};
inline constexpr TIndexField PluginCard1{40031, PluginCardList};
inline constexpr TIndexField PluginCard2{40032, PluginCardList};
inline constexpr TField<uint16_t> ArchiveModule{40033};
inline constexpr TField<uint16_t> ReverseModification{40034};
inline constexpr TIndexField ClassDevice{40035, ClassDeviceList};

// ObservationSetupBlock: the quantity of graph channel 1..7.
constexpr TIndexField ObservationChanel(int chanel)
{
    return {static_cast<uint16_t>(40042 + chanel), ObservationSourceList};
}

// SystemSetupBlock.
constexpr TField<uint16_t> PhaseInterval(int phase)
{
    return {static_cast<uint16_t>(40055 + phase)};
}
inline constexpr TField<uint16_t> PhaseInterval0{40055};
inline constexpr TField<uint16_t> PhaseInterval1{40056};
inline constexpr TField<uint16_t> PhaseInterval2{40057};
inline constexpr TField<uint16_t> PhaseInterval3{40058};
inline constexpr TField<uint16_t> PhaseInterval4{40059};
inline constexpr TField<uint16_t> PhaseInterval5{40060};
inline constexpr TField<uint16_t> PhaseInterval6{40061};
inline constexpr TField<uint16_t> PhaseInterval7{40062};
inline constexpr TField<uint16_t> PhaseInterval8{40063};
inline constexpr TField<uint16_t> PhaseInterval9{40064};
inline constexpr TField<uint16_t> AccelIncreaseSpeed{40065};
inline constexpr TField<uint16_t> AccelValue{40066};
inline constexpr TField<uint16_t> AccelTime{40067};
inline constexpr TField<uint16_t> StabTime{40068};
inline constexpr TField<uint16_t> StabTau{40069};
inline constexpr TField<uint16_t> WorkCurrent{40070};
inline constexpr TField<uint16_t> WorkModValue{40071};
inline constexpr TField<uint16_t> StopDecreaseSpeed{40072};
inline constexpr uint16_t SignalAdcSetup = 40077;   // 8 registers
inline constexpr uint16_t InductorAdcSetup = 40085; // 8 registers
inline constexpr TField<uint16_t> SignalMeasureAdcCount{40093};
inline constexpr TField<uint16_t> InductorMeasureAdcCount{40094};
inline constexpr TIndexField SignalMeasureRegress{40095, RegressList};
inline constexpr TIndexField InductorMeasureRegress{40096, RegressList};
inline constexpr TField<uint16_t> SignalMeasureOversampling{40097};
inline constexpr TField<uint16_t> InductorMeasureOversampling{40098};
inline constexpr TIndexField SignalChangeInputMode{40099, ChangeInputModeList};
inline constexpr TIndexField InductorChangeInputMode{40100, ChangeInputModeList};
inline constexpr TField<float> SignalExtGain{40101};
inline constexpr TField<float> InductorExtGain{40103};
inline constexpr TField<float> SignalAdcReference{40105};
inline constexpr TField<float> InductorAdcReference{40107};
inline constexpr TField<float> InductorShuntValue{40109};
inline constexpr TField<float> InductorVoltageDivider{40111};
inline constexpr TField<float> ExtVoltageDivider{40113};

// SystemSetup2Block.
inline constexpr TBitsField SystemFlags{40121, SystemFlagsBits};
inline constexpr TIndexField PolarityMode{40122, {}};
inline constexpr TBitsField InputConnection{40123, PhaseNameList};
inline constexpr TBitsField ReferenceConnection{40124, PhaseNameList};
inline constexpr TBitsField InputClose{40125, PhaseNameList};
inline constexpr TField<int16_t> InputOffsetCorrectionA{40126};
inline constexpr TField<int16_t> puAdcTemp20{40127};
inline constexpr TField<int16_t> TstWaterCode_0{40137};
inline constexpr TField<int16_t> TstWaterCode_A{40138};
inline constexpr TField<int16_t> TstWaterCode_B{40139};
inline constexpr TField<int16_t> TstWaterCode_C{40140};
inline constexpr TField<int16_t> TstWaterCode_Max{40141};
inline constexpr TField<int16_t> TstWaterRes_A{40142};
inline constexpr TField<uint32_t> TstWaterRes_B{40143};
inline constexpr TField<uint32_t> TstWaterRes_C{40145};
inline constexpr TField<float> TestWaterGradient{40147};
inline constexpr TField<float> WeightImpulseCheck{40149};
inline constexpr TField<float> InductorResistance20{40151};

// CalibrationBlock: five lines forward, five reverse.
inline constexpr uint16_t KoefDirectTable = 40177;
inline constexpr uint16_t KoefReverseTable = 40205;
constexpr TKoefLine KoefDirect(int line)
{
    return KoefLineAt(KoefDirectTable, line);
}
constexpr TKoefLine KoefReverse(int line)
{
    return KoefLineAt(KoefReverseTable, line);
}
inline constexpr TField<float> Qmin{40233};
inline constexpr TField<float> Qmax{40235};
inline constexpr TField<float> ZeroOffset{40237};
inline constexpr TField<float> GradSigOffset{40239};
inline constexpr TField<float> GradSigKoef{40241};
inline constexpr TBitsField CalibrationFlags{40247, CalibrationFlagsBits};

// OutputSetupBlock.
inline constexpr TOutputFields Out1 = OutputAt(40257);
inline constexpr TOutputFields Out2 = OutputAt(40269);

// WorkSetupBlock.
inline constexpr TPluginFields Plugin_1 = PluginAt(40281);
inline constexpr TPluginFields Plugin_2 = PluginAt(40301);
inline constexpr TIndexField WorkMode_0{40321, SlotModeList};
inline constexpr TField<uint16_t> NetAddress_0{40322};
inline constexpr TIndexField UartSpeed_0{40323, UartSpeedList};
inline constexpr TField<uint16_t> AddTimeout_0{40324};
inline constexpr TField<float> Q_hi{40337};
inline constexpr TField<float> Q_low{40339};
inline constexpr TField<uint16_t> IntervalArchivePeriod{40349};
inline constexpr TIndexField CurrentExpenseFilter{40353, FilterList};
inline constexpr TIndexField ThresholdFilter{40354, FilterList};
inline constexpr TIndexField StartStopMode{40355, StartStopModeList};
inline constexpr TField<uint16_t> NoiseChanelStSt{40356};
inline constexpr TField<uint16_t> NoiseRelThreshold{40365};
inline constexpr TField<uint16_t> NoiseAbsThreshold{40366};
inline constexpr TField<uint16_t> WaterResistanceThreshold{40367};
inline constexpr TField<uint16_t> DropVoltageThreshold{40368};
inline constexpr TField<uint16_t> P_low{40375};
inline constexpr TField<uint16_t> P_hi{40376};
inline constexpr TIndexField TypePressureSensor{40377, PressureSensorList};
inline constexpr TIndexField CurrentPressureSensor{40378, CurrentOutRangeList};

// ServiceSetupBlock.
inline constexpr TField<float> MainCodeExpense{40401};
inline constexpr TField<float> FreqExpence1{40403};
inline constexpr TField<float> FreqExpence2{40405};
inline constexpr TField<float> CurrentExpense1{40407};
inline constexpr TField<float> CurrentExpense2{40409};
inline constexpr TIndexField MainMeasureTestMode{40411, MainMeasureTestModeList};
inline constexpr TIndexField OutTestModeFreq{40412, OutTestModeFreqList};
inline constexpr TIndexField OutTestModeCurrent{40413, OutTestModeCurrentList};

// DeviceStateBlock: the start of operation after the last clearing.
inline constexpr TField<uint16_t> StartYear{30001};
inline constexpr TField<uint16_t> StartMonth{30002};
inline constexpr TField<uint16_t> StartDay{30003};
inline constexpr TField<uint16_t> StartHour{30004};
inline constexpr TField<uint16_t> StartMinute{30005};
inline constexpr TField<uint16_t> StartSecond{30006};
inline constexpr TField<uint16_t> ClearProgress{30007};
inline constexpr TIndexField DeviceWorkMode{30008, DeviceWorkModeList};
inline constexpr TField<uint16_t> rcFirmware{30009};
inline constexpr TField<uint16_t> rcMetrology{30010};
inline constexpr TField<uint16_t> rcSetup{30011};
inline constexpr TField<uint16_t> rcCalibration{30012};

// CurrentParamsBlock.
inline constexpr TTotaliserField VolumeD{{30055}, {30057}};
inline constexpr TTotaliserField VolumeR{{30059}, {30061}};
inline constexpr TField<uint32_t> DirectFlowTime{30063};
inline constexpr TField<uint32_t> ReverseFlowTime{30065};
inline constexpr TField<uint32_t> StopFlowTime{30067};
inline constexpr TField<uint32_t> EmptyPipeTime{30069};
inline constexpr TField<uint32_t> HardwareErrorTime{30071};
inline constexpr TField<uint32_t> OffTime{30073};
inline constexpr TField<float> Expense{30075};
inline constexpr TBitsField HardwareNotStaff{30078, HardwareNotStaffBits};
inline constexpr TBitsField WorkModeFlags{30079, WorkModeFlagsBits};
inline constexpr TBitsField SystemNotStaff{30080, SystemNotStaffBits};
inline constexpr TField<float> WeightImpulse_1{30093};
inline constexpr TField<float> WeightImpulse_2{30095};
inline constexpr TField<uint32_t> MeasureCounter{30097};
inline constexpr TField<uint32_t> TimeIntegrator{30099};
inline constexpr TField<uint32_t> ImpulseIntegrator_1{30101};
inline constexpr TField<uint32_t> ImpulseIntegrator_2{30103};
inline constexpr TField<float> VolumeIntegrator{30105};
inline constexpr TField<float> ExpenseIntegrator{30107};
inline constexpr TField<float> CodeIntegrator{30109};
inline constexpr TField<float> OffCodeIntegrator{30111};
inline constexpr TField<float> NoiseIntegrator{30113};
inline constexpr TField<float> GradSigRaito{30115};

// ServiceStateBlock.
constexpr TField<uint16_t> SysCounter(int n)
{
    return {static_cast<uint16_t>(30133 + n)};
}
inline constexpr TField<float> Freq_1{30165};
inline constexpr TField<float> Freq_2{30167};
inline constexpr TField<uint32_t> ImpulseCount_1{30169};
inline constexpr TField<uint32_t> ImpulseCount_2{30171};
inline constexpr TField<float> ValueCurrent1{30181};
inline constexpr TField<float> ValueCurrent2{30183};
inline constexpr TField<uint16_t> CodeCurrent1{30185};
inline constexpr TField<uint16_t> CodeCurrent2{30186};
inline constexpr TIndexField StatusCurrent1{30187, StatusCurrentList};
inline constexpr TIndexField StatusCurrent2{30188, StatusCurrentList};

// ServiceInfoBlock. The modulation value the meter works with is an input
// register of its own, distinct from the configured `WorkModValue`.
inline constexpr TField<int16_t> AdcTemperature{30197};
inline constexpr TField<int16_t> CpuTemperature{30198};
inline constexpr TField<int16_t> InductorTemperature{30199};
inline constexpr TField<uint16_t> SeizureMode{30200};
inline constexpr TField<uint16_t> CpuBusyPercent{30201};
inline constexpr TField<uint16_t> WorkAccelValue{30205};
inline constexpr TField<uint16_t> WorkAccelTime{30206};
inline constexpr TField<uint16_t> ServiceWorkModValue{30207};
inline constexpr TField<uint16_t> ExtVoltageOff{30210};
inline constexpr TField<uint16_t> ExtVoltagePow{30211};
inline constexpr TField<uint16_t> InductorVoltage{30212};
inline constexpr TField<float> InductorCurrentA{30213};
inline constexpr TField<float> InductorCurrentB{30215};
inline constexpr TField<float> InductorResistance{30217};
inline constexpr TField<float> DiffVoltageA{30223};
inline constexpr TField<float> DiffVoltageB{30225};
inline constexpr TField<float> deltaVoltage{30227};
inline constexpr TField<float> WaterResistanceCode{30229};
inline constexpr TField<float> WaterResistance{30231};
inline constexpr TField<float> CodeFiltered{30233};
inline constexpr TField<float> NoiseFiltered{30235};
inline constexpr TField<float> NoiseRelative{30237};
inline constexpr TField<float> GradientCodeA{30255};
inline constexpr TField<float> GradientCodeB{30257};
inline constexpr TField<float> GradientSigA{30261};
inline constexpr TField<float> GradientSigB{30263};
inline constexpr TField<float> GradientSigRaito{30265};
inline constexpr TField<float> PhaseSigRaito{30267};
inline constexpr TField<float> GradientSignalRaitoKorrection{30269};
} // namespace ZT_Fields

// Every named scalar field with its register and type, for code that walks
// the fields (configuration keys, checks of the map against the layouts).
struct TFieldDesc {
    std::string_view Name;
    uint16_t Register;
    TFieldType Type;
};
std::span<const TFieldDesc> FieldTable();

// The chip setup of an AD7792 (modification "ZT-A", signal setup only), as
// packed into its 8 registers; byte 0 is the low byte of the first register.
struct Ad7792SetupStruct {
    uint8_t DataRate = 0;      // byte 0 bits 0-5
    uint8_t ClockSource = 0;   // byte 0 bits 6-7
    uint8_t RunMode = 0;       // byte 1 bits 5-7
    uint8_t Chanel = 0;        // byte 2 bits 0-3
    bool Buffer = false;       // byte 2 bit 4
    bool IntReference = false; // byte 2 bit 7
    uint8_t Gain = 0;          // byte 3 bits 0-2
    bool Boost = false;        // byte 3 bit 3
    bool Unipolar = false;     // byte 3 bit 4
    bool Burnout = false;      // byte 3 bit 5
    uint8_t Bias = 0;          // byte 3 bits 6-7
    // The meter keeps the chip's offset and full-scale registers in slots of
    // two registers each (words 2-3 and 4-5, the I/O register following at
    // word 6), so both are carried as 32-bit values, low byte first: a
    // 16-bit reading would drop the upper half of each slot on every write.
    uint32_t Offset = 0;    // bytes 4-7
    uint32_t FullScale = 0; // bytes 8-11

    static Ad7792SetupStruct FromWords(const uint16_t* words);
    // Writes the whole record: bits the chip setup does not use become 0.
    void ToWords(uint16_t* words) const;
    bool operator==(const Ad7792SetupStruct&) const = default;
};

// The chip setup of an ADS1262 (modification "ZT-E", signal and inductor).
struct Ads1262SetupStruct {
    uint8_t ConversionDelay = 0;        // byte 0 bits 0-3
    uint8_t Chop = 0;                   // byte 0 bits 4-5
    uint8_t RunMode = 0;                // byte 0 bit 6
    uint8_t ReferencePolarity = 0;      // byte 0 bit 7
    uint8_t BiasMagnitude = 0;          // byte 1 bits 0-2
    uint8_t BiasPolarity = 0;           // byte 1 bit 3
    uint8_t BiasConnection = 0;         // byte 1 bit 4
    uint8_t Filter = 0;                 // byte 1 bits 5-7
    uint8_t DataRate = 0;               // byte 2 bits 0-3
    uint8_t Gain = 0;                   // byte 2 bits 4-6
    bool PGABypass = false;             // byte 2 bit 7
    uint8_t MuxNeg = 0;                 // byte 3 bits 0-3
    uint8_t MuxPos = 0;                 // byte 3 bits 4-7
    int32_t Offset = 0;                 // bytes 4-6, 24-bit signed, low byte first
    int32_t FullScale = 0;              // bytes 7-9
    uint8_t Idac1Mux = 0, Idac2Mux = 0; // byte 10
    uint8_t Idac1Mag = 0, Idac2Mag = 0; // byte 11
    uint8_t RefMuxP = 0, RefMuxN = 0;   // byte 12 bits 0-2 / 3-5
    bool TDacP = false;                 // byte 13 bit 7
    uint8_t TDacPMag = 0;               // byte 13 bits 0-4, bit 4 = sign
    bool TDacN = false;                 // byte 14 bit 7
    uint8_t TDacNMag = 0;               // byte 14 bits 0-4

    static Ads1262SetupStruct FromWords(const uint16_t* words);
    void ToWords(uint16_t* words) const;
    bool operator==(const Ads1262SetupStruct&) const = default;

    // The TDAC voltage list has 19 entries with 2.5 V at index 9; the chip
    // keeps the distance from it in bits 0-3 and the side in bit 4.
    static int TDacIndex(uint8_t magnitude);
    static uint8_t TDacMagnitude(int index);
};

// The four register images of the meter and typed access to them. Not
// locked: the owner (`ZT_Helper`) guards it with its data lock.
class ZT_RegisterImages {
public:
    ZT_RegisterImages();

    uint16_t* Input() { return input_.data(); }
    uint16_t* Holding() { return holding_.data(); }
    uint16_t* InputRawWords() { return inputRaw_.data(); }
    uint16_t* HoldingRawWords() { return holdingRaw_.data(); }
    const uint16_t* Input() const { return input_.data(); }
    const uint16_t* Holding() const { return holding_.data(); }

    static void ConvertInputWords(uint16_t* words) { ConvertWords(words, kInputCount, InputLayout); }
    static void ConvertHoldingWords(uint16_t* words) { ConvertWords(words, kHoldingCount, HoldingLayout); }

    // Zeroes the input and holding images.
    void ClearImages();

    // The host-order word of a register (30001..30280 or 40001..40416);
    // throws std::out_of_range for any other number.
    uint16_t Word(uint16_t reg) const;
    void SetWord(uint16_t reg, uint16_t value);
    // The image words from `reg` on; `count` of them must lie inside.
    uint16_t* Words(uint16_t reg, int count);
    const uint16_t* Words(uint16_t reg, int count) const;

    template <class T> T Get(TField<T> field) const;
    template <class T> void Set(TField<T> field, T value);
    uint16_t Get(TIndexField field) const { return Word(field.Register); }
    void Set(TIndexField field, uint16_t value) { SetWord(field.Register, value); }
    uint16_t Get(TBitsField field) const { return Word(field.Register); }
    void Set(TBitsField field, uint16_t value) { SetWord(field.Register, value); }
    bool Bit(TBitsField field, int bit) const { return (Word(field.Register) >> bit) & 1u; }
    void SetBit(TBitsField field, int bit, bool value);
    int8_t Get(TInt8LowField field) const { return static_cast<int8_t>(Word(field.Register) & 0xFF); }
    void Set(TInt8LowField field, int value)
    {
        SetWord(field.Register, static_cast<uint16_t>(int16_t(value)));
    }
    // The list entry an index field selects; empty outside the list.
    std::string Text(TIndexField field) const { return ListText(field.List, Get(field)); }
    // A totaliser's integer part plus its fraction.
    double Get(TTotaliserField field) const
    {
        return double(static_cast<int32_t>(Get(field.Integer))) + double(Get(field.Fraction));
    }

    Ad7792SetupStruct GetAd7792Setup(uint16_t reg) const
    {
        return Ad7792SetupStruct::FromWords(Words(reg, 8));
    }
    void SetAd7792Setup(uint16_t reg, const Ad7792SetupStruct& s) { s.ToWords(Words(reg, 8)); }
    Ads1262SetupStruct GetAds1262Setup(uint16_t reg) const
    {
        return Ads1262SetupStruct::FromWords(Words(reg, 8));
    }
    void SetAds1262Setup(uint16_t reg, const Ads1262SetupStruct& s) { s.ToWords(Words(reg, 8)); }

private:
    std::array<uint16_t, kInputCount> input_{};
    std::array<uint16_t, kHoldingCount> holding_{};
    std::array<uint16_t, kInputCount> inputRaw_{};
    std::array<uint16_t, kHoldingCount> holdingRaw_{};
};

} // namespace ZT_namespace
