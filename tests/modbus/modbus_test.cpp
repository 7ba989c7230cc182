#include "modbus/modbus.h"
#include "tests/support/frames.h"
#include "util/sysutil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Hex(const uint8_t* data, int32_t length)
{
    std::string text;
    for (int32_t i = 0; i < length; ++i)
        text += Format("%02X ", data[i]);
    if (!text.empty())
        text.pop_back();
    return text;
}

std::string CheckText(const Bytes& response)
{
    try {
        CheckResponse(response.data(), static_cast<int32_t>(response.size()));
    } catch (const Exception& error) {
        return error.Message();
    }
    return "accepted";
}

} // namespace

TEST(Crc16, KnownVectors_MatchModbusCrc)
{
    const char* check = "123456789";
    EXPECT_EQ(Crc16(reinterpret_cast<const uint8_t*>(check), 9), 0x4B37);
    EXPECT_EQ(Crc16(nullptr, 0), 0xFFFF);
    EXPECT_EQ(Crc16Update(0, 1), 0xC0C1);
    EXPECT_EQ(Crc16Update(0, 2), 0xC181);
}

struct ReadCase {
    uint8_t Address;
    uint16_t Register;
    uint16_t Count;
    const char* Frame; // without CRC
};

TEST(BuildReadRegistersRequest, RegisterNumbers_PickFunctionAndAddress)
{
    const ReadCase cases[] = {
        {1, 40001, 2, "01 03 00 00 00 02"}, {1, 40000, 1, "01 04 27 0F 00 01"},
        {1, 30001, 1, "01 04 00 00 00 01"}, {7, 40027, 2, "07 03 00 1A 00 02"},
        {0, 30000, 1, "00 04 FF FF 00 01"}, {254, 65535, 127, "FE 03 63 BE 00 7F"},
    };
    for (const auto& c : cases) {
        uint8_t frame[16];
        int32_t length = sizeof frame;
        ASSERT_TRUE(BuildReadRegistersRequest(frame, length, c.Address, c.Register, c.Count)) << c.Register;
        ASSERT_EQ(length, 8);
        EXPECT_EQ(Hex(frame, 6), c.Frame) << c.Register;
        EXPECT_EQ(Crc16(frame, 8), 0) << "CRC low byte first";
    }
    uint8_t frame[8];
    int32_t length = 8;
    BuildReadRegistersRequest(frame, length, 1, 40001, 2);
    EXPECT_EQ(Hex(frame, 8), "01 03 00 00 00 02 C4 0B");
}

TEST(Builders, CapacityAndLengthRules_TableOfCases)
{
    // Too small a capacity reports the needed length and leaves the buffer alone.
    uint8_t frame[300];
    std::memset(frame, 0xEE, sizeof frame);
    int32_t length = 7;
    EXPECT_FALSE(BuildReadRegistersRequest(frame, length, 1, 40001, 2));
    EXPECT_EQ(length, 8);
    EXPECT_EQ(frame[0], 0xEE);

    length = 3;
    EXPECT_FALSE(BuildReportSlaveIdRequest(frame, length, 1));
    EXPECT_EQ(length, 4);
    length = 4;
    ASSERT_TRUE(BuildReportSlaveIdRequest(frame, length, 1));
    EXPECT_EQ(Hex(frame, 4), "01 11 C0 2C");

    Bytes data(2 * 124, 0x5A);
    length = sizeof frame;
    ASSERT_TRUE(BuildWriteRegistersRequest(frame, length, 1, data.data(), 40001, 123));
    EXPECT_EQ(length, 255);
    EXPECT_EQ(Crc16(frame, 255), 0);
    length = sizeof frame;
    EXPECT_FALSE(BuildWriteRegistersRequest(frame, length, 1, data.data(), 40001, 124));
    EXPECT_EQ(length, 257);
    length = 10;
    EXPECT_FALSE(BuildWriteRegistersRequest(frame, length, 1, data.data(), 40001, 2));
    EXPECT_EQ(length, 13);

    const uint8_t payload[] = {0x12, 0x34, 0x56, 0x78, 0x9A};
    length = sizeof frame;
    ASSERT_TRUE(BuildRequest(frame, length, 3, kFnArchiveRead, payload, 5));
    EXPECT_EQ(length, 9);
    EXPECT_EQ(Hex(frame, 7), "03 41 12 34 56 78 9A");
    length = sizeof frame;
    ASSERT_TRUE(BuildRequest(frame, length, 3, kFnObservation, nullptr, 0));
    EXPECT_EQ(length, 4);
    EXPECT_EQ(Crc16(frame, 4), 0);
}

TEST(BuildWriteRegistersRequest, Layout_CopiesValuesAsGiven)
{
    const uint8_t values[] = {0x12, 0x34, 0xAB, 0xCD};
    uint8_t frame[32];
    int32_t length = sizeof frame;
    ASSERT_TRUE(BuildWriteRegistersRequest(frame, length, 1, values, 40101, 2));
    ASSERT_EQ(length, 13);
    EXPECT_EQ(Hex(frame, 11), "01 10 00 64 00 02 04 12 34 AB CD");
    EXPECT_EQ(Crc16(frame, 13), 0);
}

TEST(CheckResponse, Order_LengthThenCrcThenException)
{
    Bytes goodCrc4 = WithCrc({0x01, 0x03});
    Bytes badCrc = WithCrc({0x01, 0x03, 0x02, 0x00, 0x01});
    badCrc.back() ^= 0xFF;
    Bytes badCrcException = WithCrc({0x01, 0x83, 0x02});
    badCrcException[3] ^= 0x01;
    const struct {
        Bytes Response;
        const char* Expected;
    } cases[] = {
        {{0x01, 0x03, 0x00}, "Недопустимый ответ от прибора"},
        {{}, "Недопустимый ответ от прибора"},
        {goodCrc4, "accepted"},
        {badCrc, "Ошибка CRC в ответе прибора"},
        {badCrcException, "Ошибка CRC в ответе прибора"},
        {WithCrc({0x01, 0x83, 0x02}), "Недопустимый(неверный) номер регистра"},
        {WithCrc({0x01, 0x90, 0x05}), "Неизвестная ошибка"},
        {WithCrc({0x01, 0x84, 0x06}), "Устройство занято"},
        // Address and function are not compared here.
        {WithCrc({0x09, 0x04, 0x02, 0x12, 0x34}), "accepted"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckText(c.Response), c.Expected)
            << Hex(c.Response.data(), static_cast<int32_t>(c.Response.size()));
}

TEST(ExceptionText, EveryCode_HasItsText)
{
    const char* known[] = {
        "Общая ошибка(без конкретизации причины)",
        "Недопустимый(неподдерживаемый) номер функции",
        "Недопустимый(неверный) номер регистра",
        "Недопустимое значение в поле данных",
        "Внутренняя ошибка прибора",
        "Неизвестная ошибка",
        "Устройство занято",
        "Доступ к регистру закрыт",
    };
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(ExceptionText(static_cast<uint8_t>(code)), code < 8 ? known[code] : "Неизвестная ошибка")
            << code;
}

TEST(ConvertByLayout, Kinds_ConvertAndInvert)
{
    auto bytesOf = [](const std::vector<uint16_t>& words) {
        return Hex(reinterpret_cast<const uint8_t*>(words.data()), static_cast<int32_t>(2 * words.size()));
    };
    auto wordsOf = [](const Bytes& bytes) {
        std::vector<uint16_t> words(bytes.size() / 2);
        std::memcpy(words.data(), bytes.data(), bytes.size());
        return words;
    };
    const struct {
        std::vector<TLayoutEntry> Layout;
        Bytes Input;
        const char* Output;
    } cases[] = {
        {{{1, 1}}, {0x12, 0x34, 0x56, 0x78}, "78 56 34 12"},
        {{{0, 2}}, {0x12, 0x34, 0x56, 0x78}, "34 12 78 56"},
        {{{2, 1}}, {0x41, 0x42}, "41 42"},
        {{{0, 1}, {0, 0}, {2, 1}, {1, 1}}, {1, 2, 'A', 'B', 3, 4, 5, 6}, "02 01 41 42 06 05 04 03"},
        // An unknown kind stops; a 32-bit item with one word left is not touched.
        {{{0, 1}, {9, 1}, {0, 1}}, {1, 2, 3, 4}, "02 01 03 04"},
        {{{1, 2}}, {1, 2, 3, 4, 5, 6}, "04 03 02 01 05 06"},
        // Counts beyond the image end with the image.
        {{{0, 10}}, {1, 2}, "02 01"},
    };
    for (const auto& c : cases) {
        std::vector<uint16_t> words = wordsOf(c.Input);
        ConvertByLayout(words.data(), static_cast<int32_t>(words.size()), c.Layout.data(),
                        static_cast<int32_t>(c.Layout.size()));
        EXPECT_EQ(bytesOf(words), c.Output);
        ConvertByLayout(words.data(), static_cast<int32_t>(words.size()), c.Layout.data(),
                        static_cast<int32_t>(c.Layout.size()));
        EXPECT_EQ(words, wordsOf(c.Input)) << "applied twice";
    }
    // The flat form of the layout, and a layout whose counts are used up
    // by one call is reusable by the next (it works on a copy).
    const uint16_t flat[] = {0, 1, 1, 1};
    std::vector<uint16_t> words = wordsOf({1, 2, 3, 4, 5, 6});
    ConvertByLayout(words.data(), 3, flat, 2);
    EXPECT_EQ(bytesOf(words), "02 01 06 05 04 03");
    ConvertByLayout(words.data(), 3, flat, 2);
    EXPECT_EQ(bytesOf(words), "01 02 03 04 05 06");
    EXPECT_EQ(Swap16(0x1234), 0x3412);
}
