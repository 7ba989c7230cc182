#include "modbus/modbus.h"

#include "util/sysutil.h"

#include <algorithm>
#include <cstring>
#include <vector>

const char* const kBadReplyLengthText = "Неверная длина ответа прибора";

namespace {

void PutWord(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value >> 8);
    at[1] = static_cast<uint8_t>(value & 0xFF);
}

void AppendCrc(uint8_t* frame, int32_t length)
{
    const uint16_t crc = Crc16(frame, length);
    frame[length] = static_cast<uint8_t>(crc & 0xFF);
    frame[length + 1] = static_cast<uint8_t>(crc >> 8);
}

} // namespace

uint16_t Swap16(uint16_t word)
{
    return static_cast<uint16_t>((word << 8) | (word >> 8));
}

bool BuildReportSlaveIdRequest(uint8_t* frame, int32_t& length, uint8_t address)
{
    return BuildRequest(frame, length, address, kFnReportSlaveId, nullptr, 0);
}

bool BuildReadRegistersRequest(uint8_t* frame, int32_t& length, uint8_t address, uint16_t reg, uint16_t count)
{
    const int32_t capacity = length;
    length = 8;
    if (capacity < 8)
        return false;
    frame[0] = address;
    if (reg <= 40000) {
        frame[1] = kFnReadInput;
        PutWord(frame + 2, static_cast<uint16_t>(reg - 30001));
    } else {
        frame[1] = kFnReadHolding;
        PutWord(frame + 2, static_cast<uint16_t>(reg - 40001));
    }
    PutWord(frame + 4, count);
    AppendCrc(frame, 6);
    return true;
}

bool BuildWriteRegistersRequest(uint8_t* frame, int32_t& length, uint8_t address, const uint8_t* data,
                                uint16_t reg, uint16_t count)
{
    const int32_t capacity = length;
    const int32_t needed = 2 * static_cast<int32_t>(count) + 9;
    length = needed;
    if (capacity < needed || needed > kMaxRequestLength)
        return false;
    frame[0] = address;
    frame[1] = kFnWriteMultiple;
    PutWord(frame + 2, static_cast<uint16_t>(reg - 40001));
    PutWord(frame + 4, count);
    frame[6] = static_cast<uint8_t>(2 * count);
    if (count != 0)
        std::memcpy(frame + 7, data, 2 * static_cast<size_t>(count));
    AppendCrc(frame, needed - 2);
    return true;
}

bool BuildRequest(uint8_t* frame, int32_t& length, uint8_t address, uint8_t function, const uint8_t* data,
                  uint16_t dataLength)
{
    const int32_t capacity = length;
    const int32_t needed = static_cast<int32_t>(dataLength) + 4;
    length = needed;
    if (capacity < needed)
        return false;
    frame[0] = address;
    frame[1] = function;
    if (dataLength != 0)
        std::memcpy(frame + 2, data, dataLength);
    AppendCrc(frame, needed - 2);
    return true;
}

void CheckResponse(const uint8_t* response, int32_t length)
{
    if (length < 4)
        throw Exception("Недопустимый ответ от прибора");
    const uint16_t crc = Crc16(response, length - 2);
    const uint16_t received =
        static_cast<uint16_t>(response[length - 2] | (static_cast<uint16_t>(response[length - 1]) << 8));
    if (crc != received)
        throw Exception("Ошибка CRC в ответе прибора");
    if (response[1] & 0x80)
        throw Exception(ExceptionText(response[2]));
}

std::string ExceptionText(uint8_t code)
{
    switch (code) {
    case 0:
        return "Общая ошибка(без конкретизации причины)";
    case 1:
        return "Недопустимый(неподдерживаемый) номер функции";
    case 2:
        return "Недопустимый(неверный) номер регистра";
    case 3:
        return "Недопустимое значение в поле данных";
    case 4:
        return "Внутренняя ошибка прибора";
    case 6:
        return "Устройство занято";
    case 7:
        return "Доступ к регистру закрыт";
    default:
        return "Неизвестная ошибка";
    }
}

void ConvertByLayout(uint16_t* words, int32_t wordCount, const TLayoutEntry* layout, int32_t entryCount)
{
    if (!words || !layout || entryCount <= 0)
        return;
    // The counts are consumed as the items are converted.
    std::vector<TLayoutEntry> entries(layout, layout + entryCount);
    int32_t position = 0;
    int32_t remaining = wordCount;
    size_t entry = 0;
    while (entry < entries.size() && remaining > 0) {
        TLayoutEntry& current = entries[entry];
        if (current.Count == 0) {
            ++entry;
            continue;
        }
        int32_t words_per_item = 1;
        switch (current.Kind) {
        case kLayoutWord:
            words[position] = Swap16(words[position]);
            break;
        case kLayoutDword: {
            if (remaining < 2)
                return;
            words_per_item = 2;
            const uint16_t high = words[position];
            words[position] = Swap16(words[position + 1]);
            words[position + 1] = Swap16(high);
            break;
        }
        case kLayoutRaw:
            break;
        default:
            return;
        }
        position += words_per_item;
        remaining -= words_per_item;
        --current.Count;
    }
}

void ConvertByLayout(uint16_t* words, int32_t wordCount, const uint16_t* layout, int32_t entryCount)
{
    if (!layout || entryCount <= 0)
        return;
    std::vector<TLayoutEntry> entries(static_cast<size_t>(entryCount));
    for (int32_t i = 0; i < entryCount; ++i)
        entries[static_cast<size_t>(i)] = TLayoutEntry{layout[2 * i], layout[2 * i + 1]};
    ConvertByLayout(words, wordCount, entries.data(), entryCount);
}
