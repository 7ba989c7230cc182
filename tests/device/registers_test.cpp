#include "device/zt_registers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <vector>

using namespace ZT_namespace;
using namespace ZT_namespace::ZT_Fields;

namespace {

// The kind (0, 1, 2) each word of a space is converted with, and whether a
// 32-bit item starts there; -1 for a word the layout does not reach.
struct TWordKind {
    int Kind = -1;
    bool Starts32 = false;
};

std::vector<TWordKind> KindsOf(std::span<const TLayoutRun> layout, int words)
{
    std::vector<TWordKind> kinds(words);
    int pos = 0;
    for (const TLayoutRun& run : layout)
        for (int i = 0; i < run.Count && pos < words; ++i) {
            kinds[pos] = {run.Kind, run.Kind == 1};
            if (run.Kind == 1 && pos + 1 < words)
                kinds[pos + 1] = {1, false};
            pos += run.Kind == 1 ? 2 : 1;
        }
    return kinds;
}

int LayoutWords(std::span<const TLayoutRun> layout)
{
    int n = 0;
    for (const TLayoutRun& run : layout)
        n += run.Count * (run.Kind == 1 ? 2 : 1);
    return n;
}

} // namespace

TEST(RegisterLayout, Sizes_MatchTheSpaces)
{
    EXPECT_EQ(InputLayout.size(), 13u);
    EXPECT_EQ(HoldingLayout.size(), 30u);
    EXPECT_EQ(LayoutWords(InputLayout), kInputCount - 10);
    EXPECT_EQ(LayoutWords(HoldingLayout), kHoldingCount);
}

TEST(RegisterLayout, ConvertingTwice_GivesBackTheInput)
{
    std::mt19937 rng(7);
    std::vector<uint16_t> input(kInputCount), holding(kHoldingCount);
    for (auto& w : input)
        w = static_cast<uint16_t>(rng());
    for (auto& w : holding)
        w = static_cast<uint16_t>(rng());
    auto in0 = input, hold0 = holding;
    ZT_RegisterImages::ConvertInputWords(input.data());
    ZT_RegisterImages::ConvertHoldingWords(holding.data());
    EXPECT_NE(input, in0);
    EXPECT_NE(holding, hold0);
    ZT_RegisterImages::ConvertInputWords(input.data());
    ZT_RegisterImages::ConvertHoldingWords(holding.data());
    EXPECT_EQ(input, in0);
    EXPECT_EQ(holding, hold0);
}

TEST(RegisterLayout, InputTail_StaysInWireOrder)
{
    std::vector<uint16_t> words(kInputCount, 0x1234);
    ZT_RegisterImages::ConvertInputWords(words.data());
    for (int i = 270; i < kInputCount; ++i)
        EXPECT_EQ(words[i], 0x1234) << i;
    EXPECT_EQ(words[0], 0x3412);
}

TEST(RegisterLayout, WireFloatTen_ReadsAsTen)
{
    ZT_RegisterImages images;
    // Wire bytes 41 20 00 00 of `Expense` (30075..30076) as a reply stores them.
    uint8_t wire[4] = {0x41, 0x20, 0x00, 0x00};
    std::memcpy(images.InputRawWords() + 74, wire, 4);
    ZT_RegisterImages::ConvertInputWords(images.InputRawWords());
    std::memcpy(images.Input() + 74, images.InputRawWords() + 74, 4);
    EXPECT_FLOAT_EQ(images.Get(Expense), 10.0f);

    // And back: a host value converts to the wire order the meter expects.
    images.Set(SerialNumber, 0x01020304u);
    uint16_t* raw = images.HoldingRawWords();
    std::memcpy(raw, images.Holding(), kHoldingCount * 2);
    ZT_RegisterImages::ConvertHoldingWords(raw);
    const uint8_t* b = reinterpret_cast<const uint8_t*>(raw + 26);
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(b[1], 2);
    EXPECT_EQ(b[2], 3);
    EXPECT_EQ(b[3], 4);
}

TEST(RegisterLayout, ShortBuffer_StopsAtItsEnd)
{
    // A 32-bit item with only one word left is not touched.
    std::array<TLayoutRun, 2> layout{{{0, 1}, {1, 1}}};
    uint16_t words[3] = {0x1234, 0x5678, 0xABCD};
    ConvertWords(words, 2, layout);
    EXPECT_EQ(words[0], 0x3412);
    EXPECT_EQ(words[1], 0x5678);
    EXPECT_EQ(words[2], 0xABCD);
}

TEST(FieldTable, EveryField_SitsOnARunOfItsWidth)
{
    auto input = KindsOf(InputLayout, kInputCount);
    auto holding = KindsOf(HoldingLayout, kHoldingCount);
    for (const TFieldDesc& f : FieldTable()) {
        const auto& kinds = f.Register >= kHoldingBase ? holding : input;
        int index = f.Register - (f.Register >= kHoldingBase ? kHoldingBase : kInputBase);
        ASSERT_GE(index, 0) << f.Name;
        ASSERT_LT(index + FieldWidth(f.Type) - 1, int(kinds.size())) << f.Name;
        if (FieldWidth(f.Type) == 2)
            EXPECT_TRUE(kinds[index].Starts32) << f.Name;
        else
            EXPECT_EQ(kinds[index].Kind, 0) << f.Name;
    }
}

TEST(FieldTable, EveryField_LiesInsideABlock)
{
    for (const TFieldDesc& f : FieldTable()) {
        bool inside = false;
        for (const TBlockStruct& b : Blocks)
            inside =
                inside || (f.Register >= b.First && f.Register + FieldWidth(f.Type) <= b.First + b.Count);
        // The date, time and commands are written as small blocks of their own.
        EXPECT_TRUE(inside) << f.Name;
    }
}

TEST(FieldTable, NamesAndRegisters_AreEachDeclaredOnce)
{
    std::set<std::string_view> names;
    std::set<int> taken;
    for (const TFieldDesc& f : FieldTable()) {
        EXPECT_FALSE(f.Name.empty()) << f.Register;
        EXPECT_TRUE(names.insert(f.Name).second) << f.Name;
        for (int i = 0; i < FieldWidth(f.Type); ++i)
            EXPECT_TRUE(taken.insert(f.Register + i).second) << f.Name << " overlaps at " << f.Register + i;
    }
    // Fields that the table once left out: every graph channel, every
    // line of both correction tables, the start date, the counters.
    for (std::string_view name :
         {"ObservationChanel1", "ObservationChanel4", "ObservationChanel7", "KoefDirect3.B", "KoefDirect5.A",
          "KoefReverse2.Stop", "KoefReverse5.B", "Plugin_2.Speed", "StartMonth", "StartMinute", "SysCounter9",
          "VolumeR.Integer"})
        EXPECT_EQ(names.count(name), 1u) << name;
}

TEST(FieldTable, ListAndBitFields_CarryTheirTexts)
{
    for (const TFieldDesc& f : FieldTable()) {
        const bool texts = f.Type == TFieldType::Index || f.Type == TFieldType::Bits;
        // The meter names no values of the polarity mode.
        if (!texts) {
            EXPECT_TRUE(f.Texts.empty()) << f.Name;
        } else if (f.Name != "PolarityMode") {
            EXPECT_FALSE(f.Texts.empty()) << f.Name;
        }
    }
}

TEST(FieldTable, Rows_CarryTheTypedDeclaration)
{
    auto row = [](std::string_view name) {
        for (const TFieldDesc& f : FieldTable())
            if (f.Name == name)
                return f;
        ADD_FAILURE() << name;
        return TFieldDesc{};
    };
    EXPECT_EQ(row("Du").Register, Du.Register);
    EXPECT_TRUE(row("Du").HasRange());
    EXPECT_EQ(row("Du").Min, Du.Meta.Min);
    EXPECT_EQ(row("Du").Max, Du.Meta.Max);
    EXPECT_EQ(row("SerialNumber").Format, SerialNumber.Meta.Format);
    EXPECT_FALSE(row("Qmin").HasRange());
    EXPECT_EQ(row("Out2.OutFlags").Texts.data(), Out2.OutFlags.Bits.data());
    EXPECT_EQ(row("Out2.OutFlags").Type, TFieldType::Bits);
    EXPECT_EQ(row("VolumeD.Integer").Type, TFieldType::Int32);
    EXPECT_EQ(row("RTCCorrection").Min, -127);
}

TEST(Fields, CompositeViews_SitWhereTheMapPutsThem)
{
    for (int line = 0; line < 5; ++line) {
        for (const auto& [table, koef] :
             {std::pair{40177, KoefDirect(line)}, std::pair{40205, KoefReverse(line)}}) {
            EXPECT_EQ(koef.A.Register, table + 6 * line) << line;
            EXPECT_EQ(koef.B.Register, table + 6 * line + 2) << line;
            EXPECT_EQ(koef.Stop.Register, line < 4 ? table + 6 * line + 4 : 0) << line;
        }
    }
    for (const auto& [base, out] : {std::pair{40257, Out1}, std::pair{40269, Out2}}) {
        EXPECT_EQ(out.OutputType.Register, base);
        EXPECT_EQ(out.OutFlags.Register, base + 3);
        EXPECT_EQ(out.Weight.Register, base + 4);
        EXPECT_EQ(out.Integrator.Register, base + 7);
    }
    for (const auto& [base, card] : {std::pair{40281, Plugin_1}, std::pair{40301, Plugin_2}}) {
        EXPECT_EQ(card.Speed.Register, base + 2);
        EXPECT_EQ(card.WorkMode.Register, base + 5);
        EXPECT_EQ(card.QlowCurrent.Register, base + 8);
        EXPECT_EQ(card.OutputAveraging.Register, base + 10);
    }
    for (int n = 1; n <= 7; ++n)
        EXPECT_EQ(ObservationChanel(n).Register, 40042 + n);
    for (int n = 0; n < 10; ++n)
        EXPECT_EQ(PhaseInterval(n).Register, 40055 + n);
    for (int n = 0; n < 16; ++n)
        EXPECT_EQ(SysCounter(n).Register, 30133 + n);
}

TEST(Fields, Totaliser_IntegerPartIsSigned)
{
    ZT_RegisterImages images;
    images.Set(VolumeR.Integer, -1);
    images.Set(VolumeR.Fraction, 0.25f);
    EXPECT_DOUBLE_EQ(images.Get(VolumeR), -0.75);
    EXPECT_EQ(images.Word(30059), 0xFFFF);
    images.Set(VolumeD.Integer, 41234);
    images.Set(VolumeD.Fraction, 0.5f);
    EXPECT_DOUBLE_EQ(images.Get(VolumeD), 41234.5);
}

TEST(Blocks, Table_EveryBlockInsideItsSpaceWithDistinctTags)
{
    std::set<int32_t> writeTags, rangeReadTags;
    for (const TBlockStruct& b : Blocks) {
        bool holding = b.First >= kHoldingBase;
        int end = b.First - (holding ? kHoldingBase : kInputBase) + b.Count;
        EXPECT_LE(end, holding ? kHoldingCount : kInputCount) << b.Name;
        // Only holding registers are written.
        EXPECT_TRUE(holding || b.WriteTag == 0) << b.Name;
        for (int32_t tag : {b.WriteTag, b.WriteTag2}) {
            if (tag != 0) {
                EXPECT_TRUE(writeTags.insert(tag).second) << b.Name;
            }
        }
        if (b.Read == TBlockRead::Range) {
            EXPECT_TRUE(rangeReadTags.insert(b.ReadTag).second) << b.Name;
        }
        if (b.Read == TBlockRead::Sequence) {
            EXPECT_TRUE(b.ReadTag == kReadIdentificationOperation || b.ReadTag == kReadServiceOperation) << b.Name;
        }
    }
}

TEST(Fields, TypedAccess_RoundTripsEveryWidth)
{
    ZT_RegisterImages images;
    images.Set(SerialNumber, 12345678u);
    images.Set(TstWaterCode_A, int16_t(-300));
    images.Set(Qmin, 0.25f);
    images.Set(KoefReverse(3).Stop, 4000000000u);
    images.Set(Out2.ImpulseLen, uint16_t(7));
    images.Set(Plugin_2.QlowCurrent, -1.5f);
    images.Set(Type, 2);
    images.SetBit(SystemFlags, 12, true);
    EXPECT_EQ(images.Get(SerialNumber), 12345678u);
    EXPECT_EQ(images.Get(TstWaterCode_A), -300);
    EXPECT_FLOAT_EQ(images.Get(Qmin), 0.25f);
    EXPECT_EQ(images.Get(KoefReverse(3).Stop), 4000000000u);
    EXPECT_EQ(images.Word(40269 + 6), 7);
    EXPECT_FLOAT_EQ(images.Get(Plugin_2.QlowCurrent), -1.5f);
    EXPECT_EQ(images.Text(Type), "Резьбовой");
    EXPECT_EQ(images.Get(SystemFlags), 0x1000);
    EXPECT_TRUE(images.Bit(SystemFlags, 12));
    images.Set(Type, 9);
    EXPECT_EQ(images.Text(Type), "");
    EXPECT_EQ(KoefDirect(4).Stop.Register, 0);
    EXPECT_EQ(KoefDirect(4).B.Register, 40203);
    EXPECT_THROW(images.Word(40417), std::out_of_range);
    EXPECT_THROW(images.Word(30000), std::out_of_range);
    EXPECT_THROW(images.Get(TField<uint32_t>{40416}), std::out_of_range);
}

TEST(Fields, RtcCorrection_ReadsBackThroughItsLowByte)
{
    ZT_RegisterImages images;
    images.Set(RTCCorrection, -5);
    EXPECT_EQ(images.Get(RTCCorrection), -5);
    // A meter that keeps only the low byte returns 0x00FB.
    images.SetWord(40007, 0x00FB);
    EXPECT_EQ(images.Get(RTCCorrection), -5);
    images.SetWord(40007, 127);
    EXPECT_EQ(images.Get(RTCCorrection), 127);
}

TEST(AdcSetup, Ad7792_PacksEachControlIntoItsBits)
{
    Ad7792SetupStruct s;
    s.DataRate = 0x2A;
    s.ClockSource = 2;
    s.RunMode = 1;
    s.Chanel = 6;
    s.Buffer = true;
    s.IntReference = true;
    s.Gain = 5;
    s.Unipolar = true;
    s.Bias = 3;
    s.Offset = 0x12348001;
    s.FullScale = 0x00015A5A;
    uint16_t words[8];
    std::fill(std::begin(words), std::end(words), 0xFFFF);
    s.ToWords(words);
    EXPECT_EQ(words[0], 0x20AA); // byte 0 = 0xAA, byte 1 = 0x20
    EXPECT_EQ(words[1], 0xD596); // byte 2 = 0x96, byte 3 = 0xD5
    // Offset and full scale fill their two-register slots, low half first.
    EXPECT_EQ(words[2], 0x8001);
    EXPECT_EQ(words[3], 0x1234);
    EXPECT_EQ(words[4], 0x5A5A);
    EXPECT_EQ(words[5], 0x0001);
    EXPECT_EQ(words[6], 0);
    EXPECT_EQ(words[7], 0);
    EXPECT_EQ(Ad7792SetupStruct::FromWords(words), s);
}

TEST(AdcSetup, Ads1262_Offsets24BitAndTDacMagnitudes)
{
    Ads1262SetupStruct s;
    s.Offset = -1;
    s.FullScale = 0x123456;
    s.MuxPos = 0xA;
    s.MuxNeg = 0x3;
    s.TDacP = true;
    s.TDacPMag = Ads1262SetupStruct::TDacMagnitude(9);
    s.TDacNMag = Ads1262SetupStruct::TDacMagnitude(0);
    uint16_t words[8] = {};
    s.ToWords(words);
    const auto byte = [&](int i) { return (i % 2) ? words[i / 2] >> 8 : words[i / 2] & 0xFF; };
    EXPECT_EQ(byte(3), 0xA3);
    EXPECT_EQ(byte(4), 0xFF);
    EXPECT_EQ(byte(5), 0xFF);
    EXPECT_EQ(byte(6), 0xFF);
    EXPECT_EQ(byte(7), 0x56);
    EXPECT_EQ(byte(9), 0x12);
    EXPECT_EQ(byte(13), 0x80);
    EXPECT_EQ(byte(14), 0x19);
    Ads1262SetupStruct back = Ads1262SetupStruct::FromWords(words);
    EXPECT_EQ(back, s);
    EXPECT_EQ(back.Offset, -1);
    for (int index = 0; index < 19; ++index)
        EXPECT_EQ(Ads1262SetupStruct::TDacIndex(Ads1262SetupStruct::TDacMagnitude(index)), index);
}

TEST(Strings, BitLabels_CountFromOneOrZero)
{
    EXPECT_EQ(BitLabel(0), "1");
    EXPECT_EQ(BitLabel(8), "9");
    EXPECT_EQ(BitLabel(9), "A");
    EXPECT_EQ(BitLabel(15), "G");
    EXPECT_EQ(BitLabel(0, true), "0");
    EXPECT_EQ(BitLabel(15, true), "F");
    EXPECT_EQ(ObservationSourceList.size(), 33u);
    EXPECT_EQ(ListText(PluginCardList, 3), "C");
    EXPECT_EQ(ListText(PluginCardList, 4), "");
}
