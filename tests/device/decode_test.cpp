#include "device/zt_decode.h"

#include <gtest/gtest.h>

#include <cmath>

#include <cstring>

using namespace ZT_namespace;

namespace {

template <size_t N> void Put(std::array<uint8_t, N>& bytes, int offset, const void* value, size_t size)
{
    if (size != 0)
        std::memcpy(bytes.data() + offset, value, size);
}

ArchiveStruct ArchiveAt(int year, int month, int day, int hour, int minute, int second)
{
    ArchiveStruct r;
    uint8_t stamp[6] = {uint8_t(year - 2000), uint8_t(month),  uint8_t(day),
                        uint8_t(hour),        uint8_t(minute), uint8_t(second)};
    Put(r.Bytes, 0, stamp, 6);
    return r;
}

JournalStruct OperatorRecord(int parameter, int type, const void* oldValue, const void* newValue, size_t size)
{
    JournalStruct r;
    uint8_t stamp[6] = {24, 3, 5, 13, 0, 0};
    Put(r.Bytes, 0, stamp, 6);
    uint16_t word = static_cast<uint16_t>(parameter | (type << 12));
    Put(r.Bytes, 6, &word, 2);
    Put(r.Bytes, 8, oldValue, size);
    Put(r.Bytes, 12, newValue, size);
    return r;
}

} // namespace

TEST(DecodeArchive, DateTexts_FollowTheKind)
{
    ArchiveStruct r = ArchiveAt(2024, 3, 5, 13, 0, 0);
    struct {
        int kind;
        const char* text;
    } cases[] = {{kHourlyArchive, "05/03/24  14 ч"},
                 {kDailyArchive, "05/03/24"},
                 {kMonthlyArchive, "05/03/24"},
                 {kIntervalArchive, "05/03/24 13:00:00"}};
    for (const auto& c : cases) {
        bool valid = false;
        ArchiveDecodeStruct row = DecodeArchiveRecord(r, c.kind, valid);
        EXPECT_TRUE(valid);
        EXPECT_EQ(row.DateText, c.text) << c.kind;
        EXPECT_DOUBLE_EQ(row.Time, EncodeDateTime(2024, 3, 5, 13, 0, 0));
    }
    bool valid = false;
    EXPECT_EQ(DecodeArchiveFlags(r, kMonthlyArchive, valid).DateText, "05/03/24 (13)");
    EXPECT_EQ(DecodeArchiveFlags(r, kDailyArchive, valid).DateText, "05/03/24");
}

TEST(DecodeArchive, ValueTexts_AreThoseOfPrintf)
{
    const float cases[] = {0.0f, -0.0f, 0.1f, 1.0f / 3, 2.5e-6f, 5e-7f, 123456.789f, -98765.4321f, 3.4e38f,
                           -1.17549435e-38f, INFINITY, -INFINITY, NAN};
    for (float value : cases) {
        ArchiveStruct r = ArchiveAt(2024, 1, 2, 3, 4, 5);
        const float values[5] = {value, value, value, value, value};
        Put(r.Bytes, 6, values, 20);
        bool valid = false;
        const ArchiveDecodeStruct row = DecodeArchiveRecord(r, kDailyArchive, valid);
        EXPECT_EQ(row.ValueTexts[0], Format("%.6f", double(value))) << value;
        EXPECT_EQ(row.ValueTexts[4], Format("%.5f", double(value))) << value;
    }
}

TEST(DecodeArchive, Values_DurationsAndFlags)
{
    ArchiveStruct r = ArchiveAt(2024, 1, 2, 3, 4, 5);
    float values[5] = {1.5f, 2.25f, -3.0f, 0.125f, 100.0f};
    Put(r.Bytes, 6, values, 20);
    uint16_t scaled[3] = {12345, 0, 65535};
    Put(r.Bytes, 26, scaled, 6);
    uint32_t durations[6] = {3661, 1, 2, 3, 4, 100};
    Put(r.Bytes, 32, durations, 24);
    uint16_t flags[3] = {0x0005, 0xFFFF, 0x8000};
    Put(r.Bytes, 56, flags, 6);
    bool valid = false;
    ArchiveDecodeStruct row = DecodeArchiveRecord(r, kDailyArchive, valid);
    ASSERT_TRUE(valid);
    EXPECT_EQ(row.ValueTexts[0], "1.500000");
    EXPECT_EQ(row.ValueTexts[1], "2.250000");
    EXPECT_EQ(row.ValueTexts[2], "-3.00000");
    EXPECT_EQ(row.ValueTexts[3], "0.12500");
    EXPECT_EQ(row.ValueTexts[4], "100.00000");
    EXPECT_EQ(row.ScaledTexts[0], "1.2345");
    EXPECT_EQ(row.ScaledTexts[2], "6.5535");
    EXPECT_EQ(row.DurationTexts[0], "01:01:01");
    EXPECT_EQ(row.DurationTexts[5], "00:01:40");
    EXPECT_EQ(row.DurationTexts[6], "01:01:11"); // the first five summed
    EXPECT_EQ(row.FlagTexts[0], "1-3-------------");
    EXPECT_EQ(row.FlagTexts[1], "123456789ABCDE");
    EXPECT_EQ(row.FlagTexts[2], "---------------G");

    NotStaffArchiveDecodeStruct details = DecodeArchiveFlags(r, kDailyArchive, valid);
    EXPECT_EQ(details.HardwareText, "  [1] - Сбой КС ПО\r\n  [3] - Отказ памяти архивов");
    EXPECT_EQ(details.SystemText, "  [G] - Выход за пределы токового выхода 2");
    r.Bytes[56] = r.Bytes[57] = 0;
    EXPECT_EQ(DecodeArchiveFlags(r, kDailyArchive, valid).HardwareText, "");
}

TEST(DecodeArchive, LongDurations_AreNotLimitedTo24Hours)
{
    ArchiveStruct r = ArchiveAt(2024, 1, 2, 3, 4, 5);
    uint32_t durations[6] = {4000000000u, 4000000000u, 0, 0, 0, 0};
    Put(r.Bytes, 32, durations, 24);
    bool valid = false;
    ArchiveDecodeStruct row = DecodeArchiveRecord(r, kDailyArchive, valid);
    EXPECT_EQ(row.DurationTexts[0], "1111111:06:40");
    EXPECT_EQ(row.DurationTexts[6], "2222222:13:20");
}

TEST(DecodeArchive, SpecialPages_AreMarkedNotValid)
{
    ArchiveStruct skipped;
    ArchiveStruct erased;
    erased.Bytes.fill(0xFF);
    ArchiveStruct badTime = ArchiveAt(2024, 13, 5, 13, 0, 0);
    bool valid = true;
    EXPECT_EQ(DecodeArchiveRecord(skipped, kHourlyArchive, valid).DateText, "Пропущ.страница");
    EXPECT_FALSE(valid);
    ArchiveDecodeStruct row = DecodeArchiveRecord(erased, kHourlyArchive, valid);
    EXPECT_EQ(row.DateText, "Стертая страница");
    EXPECT_EQ(row.ValueTexts[0], "");
    EXPECT_FALSE(valid);
    EXPECT_EQ(DecodeArchiveFlags(erased, kMonthlyArchive, valid).DateText, "Стертая страница");
    EXPECT_FALSE(valid);
    row = DecodeArchiveRecord(badTime, kHourlyArchive, valid);
    EXPECT_TRUE(valid);
    EXPECT_EQ(row.DateText, "Некоректное время");
    EXPECT_EQ(row.ValueTexts[0], "0.000000");
}

TEST(DecodeAlarms, WordChange_ExpandsIntoOneEventPerBit)
{
    JournalStruct r;
    uint8_t stamp[6] = {24, 3, 5, 13, 1, 2};
    Put(r.Bytes, 0, stamp, 6);
    r.Bytes[6] = 2;
    uint32_t before = 1, after = 4;
    Put(r.Bytes, 8, &before, 4);
    Put(r.Bytes, 12, &after, 4);
    JournalStruct unchanged = r;
    Put(unchanged.Bytes, 12, &before, 4);

    auto events = ExpandAlarmJournal({r, unchanged});
    ASSERT_EQ(events.size(), 2u);
    bool valid = false;
    NotStaffDecodedStruct first = DecodeAlarmEvent(events[0], valid);
    EXPECT_TRUE(valid);
    EXPECT_EQ(first.DateText, "05/03/24 13:01:02");
    EXPECT_EQ(first.Description, "[Сист.НС][1] Пустая труба");
    EXPECT_EQ(first.State, "Снят(а)");
    NotStaffDecodedStruct second = DecodeAlarmEvent(events[1], valid);
    EXPECT_EQ(second.Description, "[Сист.НС][3] Провал напряжения питания");
    EXPECT_EQ(second.State, "Установлен(а)");
}

TEST(DecodeAlarms, Groups_RenderTheirDescriptions)
{
    struct {
        uint8_t group;
        uint8_t bit;
        const char* description;
    } cases[] = {{0, 0, "[Апп.НС][1] Сбой КС ПО"},
                 {0, 15, "[Апп.НС][G] Отказ токового выхода 2"},
                 {0, 16, "[Апп.НС]"},
                 {1, 0, "[Фл.Реж.][1] Режим интегрирования "},
                 {1, 13, "[Фл.Реж.][E] Коррекция времени "},
                 {1, 14, "[Фл.Реж.]"},
                 {2, 31, "[Сист.НС]"},
                 {7, 0, ""}};
    for (const auto& c : cases) {
        NotStaffPreDecodedStruct e;
        e.Stamp = {24, 3, 5, 13, 0, 0};
        e.Group = c.group;
        e.BitState = static_cast<uint8_t>(c.bit | 0x80);
        bool valid = false;
        EXPECT_EQ(DecodeAlarmEvent(e, valid).Description, c.description) << int(c.group) << " " << int(c.bit);
    }
    NotStaffPreDecodedStruct erased;
    erased.Stamp = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0};
    bool valid = true;
    NotStaffDecodedStruct row = DecodeAlarmEvent(erased, valid);
    EXPECT_FALSE(valid);
    EXPECT_EQ(row.DateText, "Стертая страница");
    EXPECT_EQ(row.Description, "xxxx");
    EXPECT_EQ(row.State, "xxxx");
}

TEST(DecodeOperator, ParametersAndTypes_RenderTheirTexts)
{
    struct Case {
        int parameter;
        int type;
        uint32_t oldValue;
        uint32_t newValue;
        const char* name;
        const char* oldText;
        const char* newText;
    };
    auto f = [](float v) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        return u;
    };
    const Case cases[] = {
        {37, 1, 0, 1, "Модуль архива", "Нет", "Да"},
        {33, 4, 3, 20, "Ду", "20", "20"}, // entry 3 of the list, then a number outside it
        {34, 4, 1, 2, "Тип", "Сендвич", "Резьбовой"},
        {5, 3, 0xFB, 5, "Величина корректировки RTC", "-5 ppm", "5 ppm"},
        {6, 2, 30, 200, "Величина коррекции времени", "30 мин", "200 мин"},
        {275, 4, 100, 0, "Доп. таймаут слота 1", "100 мc", "0 мc"},
        {291, 4, 7, 8, "Доп. таймаут Modbus слота 2", "7 мc", "8 мc"},
        {328, 4, 60, 3600, "Период интервального архива", "60 c", "3600 c"},
        {18, 6, 3661, 5, "Тпр", "01:01:01", "00:00:00"},
        {32, 6, 1234, 87654321, "Заводской номер", "00001234", "87654321"},
        {80, 4, 0x0003, 0x8000, "АЦП сигнала Mode", "01--------------", "---------------F"},
        {86, 2, 0x81, 0, "АЦП сигнала IOReg", "0------7", "--------"},
        {138, 4, 0x1001, 0, "Системные флаги", "1-----------D", "-------------"},
        {229, 2, 2, 3, "Калибровочные флаги", "-2", "12"},
        {245, 5, 3, 0xFFFE, "Длительность импульса 1", "1.5 мс", "-1 мс"},
        {261, 5, 4, 4, "Длительность импульса 2", "2 мс", "2 мс"},
        {240, 4, 2, 3, "Тип выхода 1", "Частотный", "3"},
        {258, 4, 7, 0, "Событие выхода 2", "Gнп < |G| < G_нп", "Нет события"},
        {274, 4, 7, 4, "Скорость порта слота 1", "115200", "19200"},
        {338, 4, 3, 0, "Режим старт-стоп", "Потенциал (Спад-Рост)", "Импульс (Рост-Рост)"},
        {370, 4, 8, 0, "Датчик давления", "2.5 МПа", "0.1 МПа"},
        {114, 4, 16, 0, "Регрессия кода АЦП сигнала", "65536", "1"},
        {210, 8, f(1.5f), f(-0.25f), "Порог 1-", "1.5", "-0.25"},
        {221, 8, f(2.0f), f(0.0f), "B5-", "2", "0"},
        {224, 8, f(0.5f), f(1.0f), "Q_мин", "0.5 м3/ч", "1 м3/ч"},
        {352, 4, 10, 20, "Относительный порог шума", "10 %", "20 %"},
        {999, 7, 0xFFFFFFF9u, 7, "", "-7", "7"},
        {999, 6, 4000000000u, 0, "", "4000000000", "0"},
        {999, 11, 0xFB2E, 2000, "", "-12.34 °C", "20.00 °C"},
        {999, 12, 25000, 1, "", "2.5000 МПа", "0.0001 МПа"},
        {999, 0, 5, 6, "", "", ""},
        {999, 13, 5, 6, "", "", ""},
    };
    for (const Case& c : cases) {
        JournalStruct r = OperatorRecord(c.parameter, c.type, &c.oldValue, &c.newValue, 4);
        bool valid = false;
        JournalDecodeStruct row = DecodeOperatorRecord(r, valid);
        EXPECT_TRUE(valid);
        EXPECT_EQ(row.DateText, "05/03/24 13:00:00");
        EXPECT_EQ(row.Name, c.name) << c.parameter << "/" << c.type;
        EXPECT_EQ(row.OldValue, c.oldText) << c.parameter << "/" << c.type;
        EXPECT_EQ(row.NewValue, c.newText) << c.parameter << "/" << c.type;
    }
}

TEST(DecodeOperator, TimeAndTotaliserTypes_UseAllEightBytes)
{
    JournalStruct r = OperatorRecord(1, 9, nullptr, nullptr, 0);
    uint8_t when[8] = {24, 3, 5, 13, 7, 9, 0, 0};
    Put(r.Bytes, 8, when, 8);
    bool valid = false;
    JournalDecodeStruct row = DecodeOperatorRecord(r, valid);
    EXPECT_EQ(row.Name, "Текущее время");
    EXPECT_EQ(row.OldValue, "05/03/24 13:07:09");
    EXPECT_EQ(row.NewValue, "");
    r.Bytes[9] = 0;
    EXPECT_EQ(DecodeOperatorRecord(r, valid).OldValue, "Некоректное время");

    JournalStruct total = OperatorRecord(16, 10, nullptr, nullptr, 0);
    uint32_t integer = 12;
    float fraction = 0.5f;
    Put(total.Bytes, 8, &integer, 4);
    Put(total.Bytes, 12, &fraction, 4);
    row = DecodeOperatorRecord(total, valid);
    EXPECT_EQ(row.Name, "V+");
    EXPECT_EQ(row.OldValue, "000000012.500 м3");
    EXPECT_EQ(row.NewValue, "000000000.000 м3");

    // The integer part is signed: -1 and 0.25 are -0.75.
    JournalStruct reverse = OperatorRecord(17, 10, nullptr, nullptr, 0);
    int32_t minusOne = -1;
    float quarter = 0.25f;
    Put(reverse.Bytes, 8, &minusOne, 4);
    Put(reverse.Bytes, 12, &quarter, 4);
    row = DecodeOperatorRecord(reverse, valid);
    EXPECT_EQ(row.Name, "V-");
    EXPECT_EQ(row.OldValue, "-00000000.750 м3");
}

TEST(DecodeOperator, SpecialPages_ShowPlaceholders)
{
    JournalStruct erased;
    erased.Bytes.fill(0);
    erased.Bytes[0] = erased.Bytes[1] = erased.Bytes[2] = erased.Bytes[3] = 0xFF;
    erased.Bytes[4] = 5;
    JournalStruct skipped;
    skipped.Bytes[5] = 9;
    JournalStruct badTime = OperatorRecord(37, 1, "\1", "\0", 1);
    badTime.Bytes[2] = 32;
    bool valid = true;
    JournalDecodeStruct row = DecodeOperatorRecord(erased, valid);
    EXPECT_FALSE(valid);
    EXPECT_EQ(row.DateText, "Стертая страница");
    EXPECT_EQ(row.Name, "xxxx");
    EXPECT_EQ(row.OldValue, "xxxx");
    EXPECT_EQ(row.NewValue, "xxxx");
    EXPECT_EQ(DecodeOperatorRecord(skipped, valid).DateText, "Пропущ.страница");
    EXPECT_FALSE(valid);
    row = DecodeOperatorRecord(badTime, valid);
    EXPECT_TRUE(valid);
    EXPECT_EQ(row.DateText, "Некоректное время");
    EXPECT_EQ(row.OldValue, "Да");
}
