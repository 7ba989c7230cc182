#pragma once
// CRC-16 of Modbus RTU: reflected polynomial 0xA001, initial value 0xFFFF,
// no final inversion, one table lookup per byte. Frames carry it low byte
// first.

#include <cstdint>

uint16_t Crc16Update(uint16_t crc, uint8_t byte);
uint16_t Crc16(const uint8_t* data, int32_t length);
