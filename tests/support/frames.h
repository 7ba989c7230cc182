#pragma once
// Frames as the tests build them: bytes and the Modbus CRC appended low
// byte first.

#include "modbus/crc16.h"

#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline Bytes WithCrc(Bytes frame)
{
    const uint16_t crc = Crc16(frame.data(), static_cast<int32_t>(frame.size()));
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}
