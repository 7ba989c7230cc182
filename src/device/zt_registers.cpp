#include "device/zt_registers.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace ZT_namespace {

namespace {

constexpr TTextList TextsOf(TIndexField field)
{
    return field.List;
}
constexpr TTextList TextsOf(TBitsField field)
{
    return field.Bits;
}
constexpr TTextList TextsOf(auto)
{
    return {};
}

template <class F> constexpr TFieldDesc Desc(F field)
{
    return {field.Meta.Name, field.Register, FieldTypeOf(field), TextsOf(field),
            field.Meta.Format, field.Meta.Min, field.Meta.Max};
}

// One row per line of the register map, made from the typed constants.
#define ZT_FIELD_NAMED(kind, id, ...) Desc(ZT_Fields::id),
constexpr TFieldDesc kFieldTable[] = {
#include "device/zt_fieldmap.def"
};
#undef ZT_FIELD_NAMED

uint8_t ByteAt(const uint16_t* words, int index)
{
    uint16_t w = words[index / 2];
    return static_cast<uint8_t>(index % 2 ? w >> 8 : w & 0xFF);
}

void PutBytes(uint16_t* words, const uint8_t (&bytes)[16])
{
    for (int i = 0; i < 8; ++i)
        words[i] = static_cast<uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
}

int32_t Int24At(const uint16_t* words, int index)
{
    uint32_t v =
        ByteAt(words, index) | (ByteAt(words, index + 1) << 8) | (uint32_t(ByteAt(words, index + 2)) << 16);
    if (v & 0x800000u)
        v |= 0xFF000000u;
    return static_cast<int32_t>(v);
}

// The low `width` bytes of `value` from `index` on, low byte first.
void PutLowBytes(uint8_t (&bytes)[16], int index, uint32_t value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes[index + i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutInt24(uint8_t (&bytes)[16], int index, int32_t value)
{
    PutLowBytes(bytes, index, static_cast<uint32_t>(value), 3);
}

void PutUInt32(uint8_t (&bytes)[16], int index, uint32_t value)
{
    PutLowBytes(bytes, index, value, 4);
}

} // namespace

std::span<const TFieldDesc> FieldTable()
{
    return kFieldTable;
}

Ad7792SetupStruct Ad7792SetupStruct::FromWords(const uint16_t* w)
{
    Ad7792SetupStruct s;
    uint8_t b0 = ByteAt(w, 0), b1 = ByteAt(w, 1), b2 = ByteAt(w, 2), b3 = ByteAt(w, 3);
    s.DataRate = b0 & 0x3F;
    s.ClockSource = b0 >> 6;
    s.RunMode = b1 >> 5;
    s.Chanel = b2 & 0x0F;
    s.Buffer = b2 & 0x10;
    s.IntReference = b2 & 0x80;
    s.Gain = b3 & 0x07;
    s.Boost = b3 & 0x08;
    s.Unipolar = b3 & 0x10;
    s.Burnout = b3 & 0x20;
    s.Bias = b3 >> 6;
    s.Offset = uint32_t(w[2]) | (uint32_t(w[3]) << 16);
    s.FullScale = uint32_t(w[4]) | (uint32_t(w[5]) << 16);
    return s;
}

void Ad7792SetupStruct::ToWords(uint16_t* w) const
{
    uint8_t b[16] = {};
    b[0] = static_cast<uint8_t>((DataRate & 0x3F) | ((ClockSource & 3) << 6));
    b[1] = static_cast<uint8_t>((RunMode & 7) << 5);
    b[2] = static_cast<uint8_t>((Chanel & 0x0F) | (Buffer ? 0x10 : 0) | (IntReference ? 0x80 : 0));
    b[3] = static_cast<uint8_t>((Gain & 7) | (Boost ? 0x08 : 0) | (Unipolar ? 0x10 : 0) |
                                (Burnout ? 0x20 : 0) | ((Bias & 3) << 6));
    PutUInt32(b, 4, Offset);
    PutUInt32(b, 8, FullScale);
    PutBytes(w, b);
}

Ads1262SetupStruct Ads1262SetupStruct::FromWords(const uint16_t* w)
{
    Ads1262SetupStruct s;
    uint8_t b[16];
    for (int i = 0; i < 16; ++i)
        b[i] = ByteAt(w, i);
    s.ConversionDelay = b[0] & 0x0F;
    s.Chop = (b[0] >> 4) & 3;
    s.RunMode = (b[0] >> 6) & 1;
    s.ReferencePolarity = b[0] >> 7;
    s.BiasMagnitude = b[1] & 7;
    s.BiasPolarity = (b[1] >> 3) & 1;
    s.BiasConnection = (b[1] >> 4) & 1;
    s.Filter = b[1] >> 5;
    s.DataRate = b[2] & 0x0F;
    s.Gain = (b[2] >> 4) & 7;
    s.PGABypass = b[2] & 0x80;
    s.MuxNeg = b[3] & 0x0F;
    s.MuxPos = b[3] >> 4;
    s.Offset = Int24At(w, 4);
    s.FullScale = Int24At(w, 7);
    s.Idac1Mux = b[10] & 0x0F;
    s.Idac2Mux = b[10] >> 4;
    s.Idac1Mag = b[11] & 0x0F;
    s.Idac2Mag = b[11] >> 4;
    s.RefMuxP = b[12] & 7;
    s.RefMuxN = (b[12] >> 3) & 7;
    s.TDacP = b[13] & 0x80;
    s.TDacPMag = b[13] & 0x1F;
    s.TDacN = b[14] & 0x80;
    s.TDacNMag = b[14] & 0x1F;
    return s;
}

void Ads1262SetupStruct::ToWords(uint16_t* w) const
{
    uint8_t b[16] = {};
    b[0] = static_cast<uint8_t>((ConversionDelay & 0x0F) | ((Chop & 3) << 4) | ((RunMode & 1) << 6) |
                                ((ReferencePolarity & 1) << 7));
    b[1] = static_cast<uint8_t>((BiasMagnitude & 7) | ((BiasPolarity & 1) << 3) |
                                ((BiasConnection & 1) << 4) | ((Filter & 7) << 5));
    b[2] = static_cast<uint8_t>((DataRate & 0x0F) | ((Gain & 7) << 4) | (PGABypass ? 0x80 : 0));
    b[3] = static_cast<uint8_t>((MuxNeg & 0x0F) | ((MuxPos & 0x0F) << 4));
    PutInt24(b, 4, Offset);
    PutInt24(b, 7, FullScale);
    b[10] = static_cast<uint8_t>((Idac1Mux & 0x0F) | ((Idac2Mux & 0x0F) << 4));
    b[11] = static_cast<uint8_t>((Idac1Mag & 0x0F) | ((Idac2Mag & 0x0F) << 4));
    b[12] = static_cast<uint8_t>((RefMuxP & 7) | ((RefMuxN & 7) << 3));
    b[13] = static_cast<uint8_t>((TDacPMag & 0x1F) | (TDacP ? 0x80 : 0));
    b[14] = static_cast<uint8_t>((TDacNMag & 0x1F) | (TDacN ? 0x80 : 0));
    PutBytes(w, b);
}

int Ads1262SetupStruct::TDacIndex(uint8_t magnitude)
{
    int m = magnitude & 0x0F;
    return (magnitude & 0x10) ? 9 - m : 9 + m;
}

uint8_t Ads1262SetupStruct::TDacMagnitude(int index)
{
    if (index < 9)
        return static_cast<uint8_t>(0x10 | ((9 - index) & 0x0F));
    return static_cast<uint8_t>((index - 9) & 0x0F);
}

ZT_RegisterImages::ZT_RegisterImages() = default;

void ZT_RegisterImages::ClearImages()
{
    input_.fill(0);
    holding_.fill(0);
}

const uint16_t* ZT_RegisterImages::Words(uint16_t reg, int count) const
{
    if (count < 0)
        throw std::out_of_range("register count");
    if (reg >= kHoldingBase && reg - kHoldingBase + count <= kHoldingCount)
        return holding_.data() + (reg - kHoldingBase);
    if (reg >= kInputBase && reg < kHoldingBase && reg - kInputBase + count <= kInputCount)
        return input_.data() + (reg - kInputBase);
    throw std::out_of_range("register outside the images");
}

uint16_t* ZT_RegisterImages::Words(uint16_t reg, int count)
{
    return const_cast<uint16_t*>(static_cast<const ZT_RegisterImages*>(this)->Words(reg, count));
}

uint16_t ZT_RegisterImages::Word(uint16_t reg) const
{
    return *Words(reg, 1);
}

void ZT_RegisterImages::SetWord(uint16_t reg, uint16_t value)
{
    *Words(reg, 1) = value;
}

void ZT_RegisterImages::SetBit(TBitsField field, int bit, bool value)
{
    uint16_t w = Word(field.Register);
    uint16_t mask = static_cast<uint16_t>(1u << bit);
    SetWord(field.Register, static_cast<uint16_t>(value ? (w | mask) : (w & ~mask)));
}

// A converted 32-bit value keeps its low half in the register with the lower
// number (the whole value byte-reversed from the wire).
template <class T> T ZT_RegisterImages::Get(TField<T> field) const
{
    if constexpr (sizeof(T) == 2) {
        return static_cast<T>(Word(field.Register));
    } else {
        const uint16_t* w = Words(field.Register, 2);
        uint32_t v = uint32_t(w[0]) | (uint32_t(w[1]) << 16);
        T result;
        std::memcpy(&result, &v, 4);
        return result;
    }
}

template <class T> void ZT_RegisterImages::Set(TField<T> field, std::type_identity_t<T> value)
{
    if constexpr (sizeof(T) == 2) {
        SetWord(field.Register, static_cast<uint16_t>(value));
    } else {
        uint16_t* w = Words(field.Register, 2);
        uint32_t v;
        std::memcpy(&v, &value, 4);
        w[0] = static_cast<uint16_t>(v);
        w[1] = static_cast<uint16_t>(v >> 16);
    }
}

template uint16_t ZT_RegisterImages::Get(TField<uint16_t>) const;
template int16_t ZT_RegisterImages::Get(TField<int16_t>) const;
template uint32_t ZT_RegisterImages::Get(TField<uint32_t>) const;
template int32_t ZT_RegisterImages::Get(TField<int32_t>) const;
template float ZT_RegisterImages::Get(TField<float>) const;
template void ZT_RegisterImages::Set(TField<uint16_t>, uint16_t);
template void ZT_RegisterImages::Set(TField<int16_t>, int16_t);
template void ZT_RegisterImages::Set(TField<uint32_t>, uint32_t);
template void ZT_RegisterImages::Set(TField<int32_t>, int32_t);
template void ZT_RegisterImages::Set(TField<float>, float);

} // namespace ZT_namespace
