#pragma once
// Modbus RTU frames: the request builders of every frame the system sends,
// the check applied to every response, the exception texts and the
// conversion of register images between wire and host byte order.
// Nothing here performs input or output.

#include "modbus/crc16.h"

#include <cstdint>
#include <string>

// Function codes the system sends.
constexpr uint8_t kFnReadHolding = 0x03;
constexpr uint8_t kFnReadInput = 0x04;
constexpr uint8_t kFnWriteMultiple = 0x10;
constexpr uint8_t kFnReportSlaveId = 0x11;
constexpr uint8_t kFnArchiveRead = 0x41;
constexpr uint8_t kFnArchiveSearch = 0x42;
constexpr uint8_t kFnAdcSignal = 0x45;
constexpr uint8_t kFnObservation = 0x46;

// The longest request frame on the wire.
constexpr int32_t kMaxRequestLength = 255;

// Layout entry kinds of ConvertByLayout.
constexpr uint16_t kLayoutWord = 0;  // 16-bit value: bytes exchanged
constexpr uint16_t kLayoutDword = 1; // 32-bit value, high word first: four bytes reversed
constexpr uint16_t kLayoutRaw = 2;   // two raw bytes (text): left alone

struct TLayoutEntry {
    uint16_t Kind;
    uint16_t Count;
};

uint16_t Swap16(uint16_t word);

// The builders take the capacity of `frame` in `length` and always return
// in it the length the frame needs; a frame that does not fit is not
// written and the result is false.
bool BuildReportSlaveIdRequest(uint8_t* frame, int32_t& length, uint8_t address);
// Register numbers up to 40000 read input registers (function 4, address
// number - 30001), above that holding registers (function 3, number - 40001),
// both modulo 65536.
bool BuildReadRegistersRequest(uint8_t* frame, int32_t& length, uint8_t address, uint16_t reg,
                               uint16_t count);
// `data` holds 2 * count bytes already in wire order.
bool BuildWriteRegistersRequest(uint8_t* frame, int32_t& length, uint8_t address, const uint8_t* data,
                                uint16_t reg, uint16_t count);
// Address, function, payload (may be null when dataLength is 0), CRC.
bool BuildRequest(uint8_t* frame, int32_t& length, uint8_t address, uint8_t function, const uint8_t* data,
                  uint16_t dataLength);

// A reply whose length or byte count does not match its request.
extern const char* const kBadReplyLengthText; // "Неверная длина ответа прибора"

// Raises Exception when the response is too short, fails its CRC or is an
// exception response. Address, function and byte count are not compared.
void CheckResponse(const uint8_t* response, int32_t length);

std::string ExceptionText(uint8_t code);

// Converts `words` in place between wire and host order by the layout; its
// own inverse.
void ConvertByLayout(uint16_t* words, int32_t wordCount, const TLayoutEntry* layout, int32_t entryCount);
// The same with the layout as a flat array of (kind, count) pairs.
void ConvertByLayout(uint16_t* words, int32_t wordCount, const uint16_t* layout, int32_t entryCount);
