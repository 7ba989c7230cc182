#include "modbus/crc16.h"

#include <array>

namespace {

constexpr std::array<uint16_t, 256> MakeTable()
{
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t c = static_cast<uint16_t>(i);
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? static_cast<uint16_t>((c >> 1) ^ 0xA001) : static_cast<uint16_t>(c >> 1);
        table[i] = c;
    }
    return table;
}

constexpr std::array<uint16_t, 256> kTable = MakeTable();
static_assert(kTable[1] == 0xC0C1 && kTable[2] == 0xC181);

} // namespace

uint16_t Crc16Update(uint16_t crc, uint8_t byte)
{
    return static_cast<uint16_t>(kTable[(crc ^ byte) & 0xFF] ^ (crc >> 8));
}

uint16_t Crc16(const uint8_t* data, int32_t length)
{
    uint16_t crc = 0xFFFF;
    for (int32_t i = 0; i < length; ++i)
        crc = Crc16Update(crc, data[i]);
    return crc;
}
