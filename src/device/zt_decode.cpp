#include "device/zt_decode.h"

#include <charconv>

#include <cstring>
#include <map>

namespace ZT_namespace {

namespace {

const char* const kSkippedPage = "Пропущ.страница";
const char* const kErasedPage = "Стертая страница";
const char* const kBadTime = "Некоректное время";
const char* const kNoValue = "xxxx";

uint16_t U16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t U32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
float F32(const uint8_t* p)
{
    uint32_t v = U32(p);
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}

// The date text of a skipped (all 0) or erased (all 0xFF) page judged by
// the first `bytes` bytes of its stamp; null for a written page.
const char* SpecialPage(const uint8_t* stamp, int bytes)
{
    bool zero = true, ones = true;
    for (int i = 0; i < bytes; ++i) {
        zero = zero && stamp[i] == 0;
        ones = ones && stamp[i] == 0xFF;
    }
    return zero ? kSkippedPage : ones ? kErasedPage : nullptr;
}

// The time of a stamp (year - 2000, month, day, hour, minute, second);
// false when it is no valid date and time.
bool StampTime(const uint8_t* s, TDateTime& time)
{
    TDateTime date, tod;
    if (!TryEncodeDate(2000 + s[0], s[1], s[2], date) || !TryEncodeTime(s[3], s[4], s[5], 0, tod))
        return false;
    time = date + tod;
    return true;
}

// "%.Nf" of printf in the C locale (std::to_chars is defined as that), at a
// fraction of its cost: the archive rows format five of these each.
std::string FixedText(double value, int decimals)
{
    char text[400]; // the longest double in fixed notation with six decimals
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
    return std::string(text, end);
}

std::string DateText(const uint8_t* s)
{
    return Format("%02u/%02u/%02u", s[2], s[1], s[0] % 100u);
}
std::string TimeText(const uint8_t* s)
{
    return Format("%02u:%02u:%02u", s[3], s[4], s[5]);
}

// The date text of an archive row of `kind`; false for an invalid stamp.
bool ArchiveDate(const uint8_t* s, int kind, TDateTime& time, std::string& text)
{
    if (!StampTime(s, time)) {
        time = 0;
        text = kBadTime;
        return false;
    }
    switch (kind) {
    case kHourlyArchive:
        text = DateText(s) + Format("  %02d ч", s[3] + 1);
        break;
    case kIntervalArchive:
        text = DateText(s) + " " + TimeText(s);
        break;
    default:
        text = DateText(s);
        break;
    }
    return true;
}

// Journal rows show the date and the time of day, as interval archive rows do.
bool JournalDate(const uint8_t* s, TDateTime& time, std::string& text)
{
    return ArchiveDate(s, kIntervalArchive, time, text);
}

} // namespace

std::string BitString(uint32_t value, int bits, bool labelsFromZero)
{
    std::string text;
    for (int bit = 0; bit < bits; ++bit)
        text += ((value >> bit) & 1u) ? BitLabel(bit, labelsFromZero) : std::string("-");
    return text;
}

std::string FlagList(uint32_t value, TTextList texts)
{
    std::string text;
    for (size_t bit = 0; bit < texts.size() && bit < 32; ++bit) {
        if (!((value >> bit) & 1u))
            continue;
        if (!text.empty())
            text += "\r\n";
        text += "  " + Format("[%s] - %s", BitLabel(int(bit)).c_str(), std::string(texts[bit]).c_str());
    }
    return text;
}

ArchiveDecodeStruct DecodeArchiveRecord(const ArchiveStruct& record, int kind, bool& valid)
{
    ArchiveDecodeStruct row;
    const uint8_t* r = record.Bytes.data();
    if (const char* page = SpecialPage(r, 6)) {
        row.DateText = page;
        valid = false;
        return row;
    }
    valid = true;
    ArchiveDate(r, kind, row.Time, row.DateText);
    static const int kValueDecimals[5] = {6, 6, 5, 5, 5};
    for (int i = 0; i < 5; ++i)
        row.ValueTexts[i] = FixedText(double(F32(r + 6 + 4 * i)), kValueDecimals[i]);
    for (int i = 0; i < 3; ++i)
        row.ScaledTexts[i] = FixedText(U16(r + 26 + 2 * i) * 0.0001, 4);
    int64_t on = 0;
    for (int i = 0; i < 6; ++i) {
        uint32_t seconds = U32(r + 32 + 4 * i);
        row.DurationTexts[i] = FormatDuration(seconds);
        if (i < 5)
            on += seconds;
    }
    row.DurationTexts[6] = FormatDuration(on);
    row.FlagTexts[0] = BitString(U16(r + 56), 16);
    row.FlagTexts[1] = BitString(U16(r + 58), 14);
    row.FlagTexts[2] = BitString(U16(r + 60), 16);
    return row;
}

NotStaffArchiveDecodeStruct DecodeArchiveFlags(const ArchiveStruct& record, int kind, bool& valid)
{
    NotStaffArchiveDecodeStruct row;
    const uint8_t* r = record.Bytes.data();
    if (const char* page = SpecialPage(r, 6)) {
        row.DateText = page;
        valid = false;
        return row;
    }
    valid = true;
    if (ArchiveDate(r, kind, row.Time, row.DateText) && kind == kMonthlyArchive)
        row.DateText += Format(" (%u)", r[3]);
    row.HardwareText = FlagList(U16(r + 56), HardwareNotStaffBits);
    row.WorkModeText = FlagList(U16(r + 58), WorkModeFlagsBits);
    row.SystemText = FlagList(U16(r + 60), SystemNotStaffBits);
    return row;
}

std::vector<NotStaffPreDecodedStruct> ExpandAlarmJournal(const std::vector<JournalStruct>& records)
{
    std::vector<NotStaffPreDecodedStruct> events;
    for (const JournalStruct& record : records) {
        const uint8_t* r = record.Bytes.data();
        uint32_t before = U32(r + 8), after = U32(r + 12);
        uint32_t changed = before ^ after;
        for (int bit = 0; bit < 32; ++bit) {
            if (!((changed >> bit) & 1u))
                continue;
            NotStaffPreDecodedStruct event;
            std::memcpy(event.Stamp.data(), r, 6);
            event.Group = r[6];
            event.BitState = static_cast<uint8_t>(bit | (((after >> bit) & 1u) << 7));
            events.push_back(event);
        }
    }
    return events;
}

NotStaffDecodedStruct DecodeAlarmEvent(const NotStaffPreDecodedStruct& event, bool& valid)
{
    NotStaffDecodedStruct row;
    const uint8_t* s = event.Stamp.data();
    if (const char* page = SpecialPage(s, 4)) {
        row.DateText = page;
        row.Description = row.State = kNoValue;
        valid = false;
        return row;
    }
    valid = true;
    JournalDate(s, row.Time, row.DateText);
    int bit = event.BitState & 0x7F;
    std::string label = BitLabel(bit);
    switch (event.Group) {
    case 0:
        row.Description = "[Апп.НС]";
        if (bit < 16)
            row.Description +=
                Format("[%s] %s", label.c_str(), std::string(HardwareNotStaffBits[bit]).c_str());
        break;
    case 1:
        row.Description = "[Фл.Реж.]";
        if (bit < 14)
            row.Description += Format("[%s] %s ", label.c_str(), std::string(WorkModeFlagsBits[bit]).c_str());
        break;
    case 2:
        row.Description = "[Сист.НС]";
        if (bit < 16)
            row.Description += Format("[%s] %s", label.c_str(), std::string(SystemNotStaffBits[bit]).c_str());
        break;
    default:
        break;
    }
    row.State = (event.BitState & 0x80) ? "Установлен(а)" : "Снят(а)";
    return row;
}

namespace {

enum class TRender : uint8_t { Plain, Duration, Serial, Bits16From0, Bits8From0, Bits13, Bits2, HalfMs };

struct TParamStruct {
    std::string Name;
    TTextList List;
    std::string Unit;
    TRender Render = TRender::Plain;
};

const std::map<int, TParamStruct>& OperatorParameters()
{
    static const std::map<int, TParamStruct> table = [] {
        std::map<int, TParamStruct> t;
        auto add = [&t](int n, std::string name, TTextList list = {}, std::string unit = {},
                        TRender render = TRender::Plain) {
            t[n] = {std::move(name), list, std::move(unit), render};
        };
        add(1, "Текущее время");
        add(2, "Сброс архива");
        add(3, "Сброс архива");
        add(4, "Сервисный режим");
        add(5, "Величина корректировки RTC", {}, " ppm");
        add(6, "Величина коррекции времени", {}, " мин");
        add(16, "V+", {}, " м3");
        add(17, "V-", {}, " м3");
        const char* durations[6] = {"Тпр", "Тобр", "Тост", "Тпт", "Тош", "Тоткл"};
        for (int i = 0; i < 6; ++i)
            add(18 + i, durations[i], {}, {}, TRender::Duration);
        add(32, "Заводской номер", {}, {}, TRender::Serial);
        add(33, "Ду", NominalDiameterList);
        add(34, "Тип", BodyTypeList);
        add(35, "Плата расширения 1", PluginCardList);
        add(36, "Плата расширения 2", PluginCardList);
        add(37, "Модуль архива");
        add(38, "Реверсивное исполнение");
        add(39, "Класс", ClassDeviceList);
        for (int i = 0; i < 10; ++i)
            add(48 + i, std::string(PhaseNameList[i]));
        const char* modulator[8] = {
            "Скорость нарастания",        "Значение разгона",      "Время разгона",
            "Время стабилизации",         "Параметр стабилизации", "Рабочая величина тока",
            "Рабочая величина модуляции", "Скорость спада"};
        for (int i = 0; i < 8; ++i)
            add(64 + i, modulator[i]);
        add(80, "АЦП сигнала Mode", {}, {}, TRender::Bits16From0);
        add(81, "АЦП сигнала Config", {}, {}, TRender::Bits16From0);
        add(82, "АЦП сигнала Offset");
        add(84, "АЦП сигнала Gain");
        add(86, "АЦП сигнала IOReg", {}, {}, TRender::Bits8From0);
        add(112, "Число измерений АЦП сигнала");
        add(113, "Число измерений АЦП тока индуктора");
        add(114, "Регрессия кода АЦП сигнала", RegressList);
        add(115, "Регрессия кода АЦП тока индуктора", RegressList);
        add(116, "Передискретизация АЦП сигнала");
        add(117, "Передискретизация АЦП тока индуктора");
        add(118, "Изменение полярности АЦП сигнала", ChangeInputModeList);
        add(119, "Изменение полярности АЦП тока индуктора", ChangeInputModeList);
        add(120, "Внешнее усиление сигнала");
        add(121, "Внешнее усиление тока индуктора");
        add(122, "Внешняя опора АЦП сигнала", {}, " мВ");
        add(123, "Внешняя опора АЦП индуктора", {}, " мВ");
        add(124, "Сопротивление шунта индуктора", {}, " Ом");
        add(125, "Коэффициент делителя напряжения индуктора");
        add(126, "Коэффициент делителя напряжения питания");
        add(138, "Системные флаги", {}, {}, TRender::Bits13);
        add(139, "Напряжение термодатчика t_cpu 20 C", {}, " мВ");
        const char* water[8] = {"Код теста воды 0",     "Код теста воды A",    "Код теста воды B",
                                "Код теста воды C",     "Код теста воды Max",  "Сопротивление воды A",
                                "Сопротивление воды B", "Сопротивление воды C"};
        for (int i = 0; i < 8; ++i)
            add(144 + i, water[i]);
        add(152, "Сопротивление индуктора 20 C", {}, " Ом");
        for (int side = 0; side < 2; ++side) {
            const char* sign = side == 0 ? "+" : "-";
            int base = side == 0 ? 192 : 208;
            for (int line = 0; line < 5; ++line) {
                add(base + 3 * line, Format("A%d%s", line + 1, sign));
                add(base + 3 * line + 1, Format("B%d%s", line + 1, sign));
                if (line < 4)
                    add(base + 3 * line + 2, Format("Порог %d%s", line + 1, sign));
            }
        }
        add(224, "Q_мин", {}, " м3/ч");
        add(225, "Q_макс", {}, " м3/ч");
        add(226, "Смещение нуля");
        add(227, "Смещение коррекции по градиенту");
        add(228, "Коэффициент коррекции по градиенту");
        add(229, "Калибровочные флаги", {}, {}, TRender::Bits2);
        for (int out = 1; out <= 2; ++out) {
            int base = out == 1 ? 240 : 256;
            add(base, Format("Тип выхода %d", out), OutputTypeList);
            add(base + 1, Format("Режим работы выхода %d", out), DirectionList);
            add(base + 2, Format("Событие выхода %d", out), OutEventList);
            add(base + 3, Format("Флаги выхода %d", out), {}, {}, TRender::Bits2);
            add(base + 4, Format("Вес импульса выхода %d", out), {}, " м3/имп");
            add(base + 5, Format("Длительность импульса %d", out), {}, {}, TRender::HalfMs);
            add(base + 6, Format("Фильтр выхода %d", out));
        }
        for (int slot = 1; slot <= 2; ++slot) {
            int base = slot == 1 ? 272 : 288;
            add(base, Format("Режим слота %d", slot), SlotModeList);
            add(base + 1, Format("Сетевой адрес слота %d", slot));
            add(base + 2, Format("Скорость порта слота %d", slot), UartSpeedList);
            add(base + 3, slot == 1 ? "Доп. таймаут слота 1" : "Доп. таймаут Modbus слота 2", {}, " мc");
            add(base + 4, Format("Диапазон токового выхода слота %d", slot), CurrentOutRangeList);
            add(base + 5, Format("Режим работы токового выхода слота %d", slot), DirectionList);
            add(base + 6, Format("Расход низа диапазона токового выхода слота %d", slot), {}, " м3/ч");
            add(base + 7, Format("Расход верха диапазона токового выхода слота %d", slot), {}, " м3/ч");
            add(base + 8, Format("Усреднение токового выхода слота %d", slot));
        }
        add(304, "Режим порта 0", SlotModeList);
        add(305, "Сетевой адрес порта 0");
        add(306, "Скорость порта 0", UartSpeedList);
        add(307, "Доп. таймаут порта 0", {}, " мc");
        add(320, "Q_вп", {}, " м3/ч");
        add(321, "Q_нп", {}, " м3/ч");
        add(328, "Период интервального архива", {}, " c");
        add(336, "Фильтр текущего расхода", FilterList);
        add(337, "Фильтр порогов расхода", FilterList);
        add(338, "Режим старт-стоп", StartStopModeList);
        add(339, "Антидребезг старт-стоп", {}, " мc");
        add(352, "Относительный порог шума", {}, " %");
        add(353, "Абсолютный порог шума");
        add(354, "Порог сопротивления воды", {}, " кОм");
        add(355, "Порог провала напряжения", {}, " мВ");
        add(368, "P_вп");
        add(369, "P_нп");
        add(370, "Датчик давления", PressureSensorList);
        add(371, "Ток датчика давления", CurrentOutRangeList);
        return t;
    }();
    return table;
}

// The text of one operator-journal value of `type`, and its number when the
// type is an integer one (for the parameters that show a list entry).
std::string ValueText(int type, const uint8_t* v, int64_t& number, bool& isNumber)
{
    isNumber = true;
    switch (type) {
    case 1:
        number = v[0] != 0;
        return v[0] ? "Да" : "Нет";
    case 2:
        number = v[0];
        return Format("%u", unsigned(v[0]));
    case 3:
        number = int8_t(v[0]);
        return Format("%d", int(int8_t(v[0])));
    case 4:
        number = U16(v);
        return Format("%u", unsigned(U16(v)));
    case 5:
        number = int16_t(U16(v));
        return Format("%d", int(int16_t(U16(v))));
    case 6:
        number = U32(v);
        return Format("%u", U32(v));
    case 7:
        number = int32_t(U32(v));
        return Format("%d", int32_t(U32(v)));
    case 8:
        isNumber = false;
        return Format("%g", double(F32(v)));
    case 11:
        isNumber = false;
        return Format("%.2f °C", int16_t(U16(v)) * 0.01);
    case 12:
        isNumber = false;
        return Format("%.4f МПа", U16(v) * 0.0001);
    default:
        isNumber = false;
        return {};
    }
}

} // namespace

JournalDecodeStruct DecodeOperatorRecord(const JournalStruct& record, bool& valid)
{
    JournalDecodeStruct row;
    const uint8_t* r = record.Bytes.data();
    if (const char* page = SpecialPage(r, 4)) {
        row.DateText = page;
        row.Name = row.OldValue = row.NewValue = kNoValue;
        valid = false;
        return row;
    }
    valid = true;
    JournalDate(r, row.Time, row.DateText);

    uint16_t word = U16(r + 6);
    int parameter = word & 0x0FFF;
    int type = word >> 12;
    const uint8_t* oldBytes = r + 8;
    const uint8_t* newBytes = r + 12;

    int64_t oldNumber = 0, newNumber = 0;
    bool oldIsNumber = false, newIsNumber = false;
    if (type == 9) {
        // Bytes 8..13 hold a stamp in the layout of the record's own.
        TDateTime t;
        JournalDate(r + 8, t, row.OldValue);
    } else if (type == 10) {
        // A totaliser: its signed integer part and its fraction.
        row.OldValue = Format("%013.3f", double(int32_t(U32(r + 8))) + double(F32(r + 12)));
        row.NewValue = Format("%013.3f", 0.0);
    } else {
        row.OldValue = ValueText(type, oldBytes, oldNumber, oldIsNumber);
        row.NewValue = ValueText(type, newBytes, newNumber, newIsNumber);
    }

    auto it = OperatorParameters().find(parameter);
    if (it == OperatorParameters().end())
        return row;
    const TParamStruct& p = it->second;
    row.Name = p.Name;
    switch (p.Render) {
    case TRender::Plain:
        break;
    case TRender::Duration:
        row.OldValue = FormatDuration(U32(oldBytes));
        row.NewValue = "00:00:00";
        break;
    case TRender::Serial:
        row.OldValue = Format("%08d", int32_t(U32(oldBytes)));
        row.NewValue = Format("%08d", int32_t(U32(newBytes)));
        break;
    case TRender::Bits16From0:
        row.OldValue = BitString(U16(oldBytes), 16, true);
        row.NewValue = BitString(U16(newBytes), 16, true);
        break;
    case TRender::Bits8From0:
        row.OldValue = BitString(oldBytes[0], 8, true);
        row.NewValue = BitString(newBytes[0], 8, true);
        break;
    case TRender::Bits13:
        row.OldValue = BitString(U16(oldBytes), 13);
        row.NewValue = BitString(U16(newBytes), 13);
        break;
    case TRender::Bits2:
        row.OldValue = BitString(oldBytes[0], 2);
        row.NewValue = BitString(newBytes[0], 2);
        break;
    case TRender::HalfMs:
        row.OldValue = Format("%g мс", int16_t(U16(oldBytes)) * 0.5);
        row.NewValue = Format("%g мс", int16_t(U16(newBytes)) * 0.5);
        break;
    }
    if (!p.List.empty()) {
        if (oldIsNumber && oldNumber >= 0 && oldNumber < int64_t(p.List.size()))
            row.OldValue = std::string(p.List[size_t(oldNumber)]);
        if (newIsNumber && newNumber >= 0 && newNumber < int64_t(p.List.size()))
            row.NewValue = std::string(p.List[size_t(newNumber)]);
    }
    row.OldValue += p.Unit;
    row.NewValue += p.Unit;
    return row;
}

} // namespace ZT_namespace
