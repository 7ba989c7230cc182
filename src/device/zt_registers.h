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
#include <type_traits>

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
// its name, the printf format it is shown with (empty: the shown form is the
// page's), and the range a typed value must lie in, in the register's own
// units (`Min` > `Max`: any value of the type).
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

// The composite views of the map: a line of a correction table, an output
// channel, an expansion card setup and a totaliser, each made of fields the
// map declares one by one.
struct TKoefLine {
    TField<float> A;
    TField<float> B;
    TField<uint32_t> Stop; // register 0 on the fifth line, which has no Stop
};

struct TOutputFields {
    TIndexField OutputType;
    TIndexField WorkMode;
    TIndexField OutEvent;
    TBitsField OutFlags;
    TField<float> Weight;
    TField<uint16_t> ImpulseLen;
    TField<uint16_t> Integrator;
};

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

// A totaliser: a signed integer part followed by a fractional part; the
// value is their sum.
struct TTotaliserField {
    TField<int32_t> Integer;
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

// Typed fields under their own names, one constant per line of the register
// map (`zt_fieldmap.def`), and the composite views built from them.
namespace ZT_Fields {

#define ZT_DECLARE_U16(id, reg, texts, ...) inline constexpr TField<uint16_t> id{reg, __VA_ARGS__};
#define ZT_DECLARE_I16(id, reg, texts, ...) inline constexpr TField<int16_t> id{reg, __VA_ARGS__};
#define ZT_DECLARE_U32(id, reg, texts, ...) inline constexpr TField<uint32_t> id{reg, __VA_ARGS__};
#define ZT_DECLARE_I32(id, reg, texts, ...) inline constexpr TField<int32_t> id{reg, __VA_ARGS__};
#define ZT_DECLARE_F32(id, reg, texts, ...) inline constexpr TField<float> id{reg, __VA_ARGS__};
#define ZT_DECLARE_Index(id, reg, texts, ...) inline constexpr TIndexField id{reg, texts, __VA_ARGS__};
#define ZT_DECLARE_Bits(id, reg, texts, ...) inline constexpr TBitsField id{reg, texts, __VA_ARGS__};
#define ZT_DECLARE_Int8Low(id, reg, texts, ...) inline constexpr TInt8LowField id{reg, __VA_ARGS__};
#define ZT_FIELD_NAMED(kind, id, name, reg, texts, ...)                                                       \
    ZT_DECLARE_##kind(id, reg, texts, TFieldMeta{.Name = name __VA_OPT__(, ) __VA_ARGS__})
#include "device/zt_fieldmap.def"
#undef ZT_FIELD_NAMED
#undef ZT_DECLARE_U16
#undef ZT_DECLARE_I16
#undef ZT_DECLARE_U32
#undef ZT_DECLARE_I32
#undef ZT_DECLARE_F32
#undef ZT_DECLARE_Index
#undef ZT_DECLARE_Bits
#undef ZT_DECLARE_Int8Low

// ObservationSetupBlock: the quantity of graph channel 1..7.
inline constexpr std::array<TIndexField, 7> ObservationChanels{
    ObservationChanel1, ObservationChanel2, ObservationChanel3, ObservationChanel4,
    ObservationChanel5, ObservationChanel6, ObservationChanel7};
constexpr TIndexField ObservationChanel(int chanel)
{
    return ObservationChanels[static_cast<size_t>(chanel - 1)];
}

// SystemSetupBlock: the phase intervals 0..9 and the two ADC chip setups.
inline constexpr std::array<TField<uint16_t>, 10> PhaseIntervals{
    PhaseInterval0, PhaseInterval1, PhaseInterval2, PhaseInterval3, PhaseInterval4,
    PhaseInterval5, PhaseInterval6, PhaseInterval7, PhaseInterval8, PhaseInterval9};
constexpr TField<uint16_t> PhaseInterval(int phase)
{
    return PhaseIntervals[static_cast<size_t>(phase)];
}
inline constexpr uint16_t SignalAdcSetup = 40077;   // 8 registers
inline constexpr uint16_t InductorAdcSetup = 40085; // 8 registers

// CalibrationBlock: lines 0..4 of the forward and the reverse table.
inline constexpr uint16_t KoefDirectTable = KoefDirect1_A.Register;
inline constexpr uint16_t KoefReverseTable = KoefReverse1_A.Register;
inline constexpr std::array<TKoefLine, 5> KoefDirectLines{{{KoefDirect1_A, KoefDirect1_B, KoefDirect1_Stop},
                                                           {KoefDirect2_A, KoefDirect2_B, KoefDirect2_Stop},
                                                           {KoefDirect3_A, KoefDirect3_B, KoefDirect3_Stop},
                                                           {KoefDirect4_A, KoefDirect4_B, KoefDirect4_Stop},
                                                           {KoefDirect5_A, KoefDirect5_B, {0}}}};
inline constexpr std::array<TKoefLine, 5> KoefReverseLines{
    {{KoefReverse1_A, KoefReverse1_B, KoefReverse1_Stop},
     {KoefReverse2_A, KoefReverse2_B, KoefReverse2_Stop},
     {KoefReverse3_A, KoefReverse3_B, KoefReverse3_Stop},
     {KoefReverse4_A, KoefReverse4_B, KoefReverse4_Stop},
     {KoefReverse5_A, KoefReverse5_B, {0}}}};
constexpr TKoefLine KoefDirect(int line)
{
    return KoefDirectLines[static_cast<size_t>(line)];
}
constexpr TKoefLine KoefReverse(int line)
{
    return KoefReverseLines[static_cast<size_t>(line)];
}

// OutputSetupBlock.
inline constexpr TOutputFields Out1{Out1_OutputType, Out1_WorkMode,   Out1_OutEvent,  Out1_OutFlags,
                                    Out1_Weight,     Out1_ImpulseLen, Out1_Integrator};
inline constexpr TOutputFields Out2{Out2_OutputType, Out2_WorkMode,   Out2_OutEvent,  Out2_OutFlags,
                                    Out2_Weight,     Out2_ImpulseLen, Out2_Integrator};

// WorkSetupBlock.
inline constexpr TPluginFields Plugin_1{Plugin_1_SlotMode,        Plugin_1_NetAddress, Plugin_1_Speed,
                                        Plugin_1_AddTimeout,      Plugin_1_CurrentOutRange,
                                        Plugin_1_WorkMode,        Plugin_1_QhiCurrent, Plugin_1_QlowCurrent,
                                        Plugin_1_OutputAveraging};
inline constexpr TPluginFields Plugin_2{Plugin_2_SlotMode,        Plugin_2_NetAddress, Plugin_2_Speed,
                                        Plugin_2_AddTimeout,      Plugin_2_CurrentOutRange,
                                        Plugin_2_WorkMode,        Plugin_2_QhiCurrent, Plugin_2_QlowCurrent,
                                        Plugin_2_OutputAveraging};

// CurrentParamsBlock.
inline constexpr TTotaliserField VolumeD{VolumeD_Integer, VolumeD_Fraction};
inline constexpr TTotaliserField VolumeR{VolumeR_Integer, VolumeR_Fraction};

// ServiceStateBlock: the system counters 0..15.
inline constexpr std::array<TField<uint16_t>, 16> SysCounters{
    SysCounter0,  SysCounter1,  SysCounter2,  SysCounter3,  SysCounter4,  SysCounter5,  SysCounter6,  SysCounter7,
    SysCounter8,  SysCounter9,  SysCounter10, SysCounter11, SysCounter12, SysCounter13, SysCounter14, SysCounter15};
constexpr TField<uint16_t> SysCounter(int n)
{
    return SysCounters[static_cast<size_t>(n)];
}
} // namespace ZT_Fields

// Every field of the register map with what the map declares of it, in the
// map's order, for code that walks the fields (the dump, configuration keys,
// checks of the map against the layouts). `Texts` is the list of an index
// field or the bit names of a bit field, empty for the others.
struct TFieldDesc {
    std::string_view Name;
    uint16_t Register;
    TFieldType Type;
    TTextList Texts = {};
    std::string_view Format = {};
    double Min = 0;
    double Max = -1;
    constexpr bool HasRange() const { return Min <= Max; }
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
    // The value converts to the field's type (a signed field takes an
    // unsigned bit pattern and the other way round).
    template <class T> void Set(TField<T> field, std::type_identity_t<T> value);
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
