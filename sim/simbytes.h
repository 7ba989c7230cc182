#pragma once
// Byte writers and readers of the simulated meter. The meter's registers are
// big-endian on the wire (32-bit values high word first); its archive,
// journal, observation and ADC records are little-endian.

#include <cstdint>
#include <cstring>
#include <vector>

namespace zt_sim {

inline void PutLE16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

inline void PutLE32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

inline void PutLEFloat(uint8_t* p, float f)
{
    uint32_t v;
    std::memcpy(&v, &f, 4);
    PutLE32(p, v);
}

inline uint16_t GetLE16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

inline uint32_t GetLE32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline float GetLEFloat(const uint8_t* p)
{
    uint32_t v = GetLE32(p);
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}

inline void AppendBE16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

inline uint16_t GetBE16(const uint8_t* p)
{
    return uint16_t((p[0] << 8) | p[1]);
}

inline uint32_t FloatBits(float f)
{
    uint32_t v;
    std::memcpy(&v, &f, 4);
    return v;
}

inline float BitsFloat(uint32_t v)
{
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}

} // namespace zt_sim
