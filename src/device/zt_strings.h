#pragma once
// Every list and bit text of the meter's register map, in one place: the
// parameter pages fill their lists from here and the record decoders render
// archive and journal values with the same entries, so that a page and a
// decoded journal line never disagree about what an index means.

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace ZT_namespace {

using TTextList = std::span<const std::string_view>;

// Body types (`Type`, 40030).
inline constexpr std::array<std::string_view, 3> BodyTypeList{"Фланцевый", "Сендвич", "Резьбовой"};
// Expansion cards (`PluginCard1`, `PluginCard2`).
inline constexpr std::array<std::string_view, 4> PluginCardList{"XX", "R2", "R4", "C"};
// Accuracy classes (`ClassDevice`), Cyrillic letters.
inline constexpr std::array<std::string_view, 5> ClassDeviceList{"А", "Б", "В", "Г", "Д"};
// Nominal diameters as the operator journal names them.
inline constexpr std::array<std::string_view, 15> NominalDiameterList{
    "6", "10", "15", "20", "25", "32", "40", "50", "65", "80", "100", "125", "150", "200", "300"};

// Quantities of the observation channels (`ObservationSetupBlock`).
inline constexpr std::array<std::string_view, 33> ObservationSourceList{
    "Отключен",  "Расход",    "Расход БФ",      "Расход КИХФ",    "Расход БИХФ",   "Код",
    "Код БФ",    "Код КИХФ",  "Код БИХФ",       "Код Delta",      "U_Delta (мкВ)", "Код Off",
    "Код A",     "Код B",     "U_A (мВ)",       "U_B (мВ)",       "Код A_Off",     "Код B_Off",
    "Код Ind_A", "Код Ind_B", "Ток Ind_A (мА)", "Ток Ind_B (мА)", "Grad CodeA",    "Grad CodeB",
    "Grad SigA", "Grad SigB", "Grad Sig Raito", "Код сопр.воды",  "Сопр.воды",     "Код t_adc",
    "t_adc",     "Код t_cpu", "t_cpu"};

// The ten phases of the excitation cycle; also the bit texts of the phase
// words `InputConnection`, `ReferenceConnection` and `InputClose`.
inline constexpr std::array<std::string_view, 10> PhaseNameList{
    "Пауза",           "Разгон",  "Стабилизация ON",  "Измерение ON",  "Задержка ON",
    "Измерение опоры", "Останов", "Стабилизация OFF", "Измерение OFF", "Задержка OFF"};

// Averaging exponents: entry k is 2^k samples.
inline constexpr std::array<std::string_view, 17> RegressList{
    "1",   "2",    "4",    "8",    "16",   "32",    "64",    "128",  "256",
    "512", "1024", "2048", "4096", "8192", "16384", "32768", "65536"};
inline constexpr std::array<std::string_view, 3> ChangeInputModeList{"Без изменения", "Изменять знак",
                                                                     "Полярность входа"};

// Bit texts of `SystemFlags` (40121).
inline constexpr std::array<std::string_view, 13> SystemFlagsBits{"Отключить индуктор A",
                                                                  "Отключить индуктор B",
                                                                  "Включить калибровку АЦП индуктора",
                                                                  "Отключить стабилизацию индуктора",
                                                                  "Включить фильтрацию опоры",
                                                                  "Подключить резистор",
                                                                  "Измерять сопротивление воды",
                                                                  "Синхронизация фазы",
                                                                  "Одиночное измеренение канал P",
                                                                  "Одиночное измеренение канал N",
                                                                  "Режим фильтрации сигнала",
                                                                  "Режим коррекции по градиенту сигнала",
                                                                  "Включить фильтрацию градиенту сигнала"};

// Bit texts of `CalibrationFlags` (40247).
inline constexpr std::array<std::string_view, 2> CalibrationFlagsBits{
    "изменить направление потока", "использовать коэффициенты обр.направления"};

// Outputs (`Out1`, `Out2`).
inline constexpr std::array<std::string_view, 3> OutputTypeList{"Логический", "Импульсный", "Частотный"};
inline constexpr std::array<std::string_view, 3> DirectionList{"Прямое направление", "Обратное направление",
                                                               "В обоих направлениях"};
inline constexpr std::array<std::string_view, 8> OutEventList{
    "Нет события", "Аппаратная ошибка", "Пустая труба", "Обратное направление",
    "Дозатор",     "|Q| > Q_вп",        "|Q| < Q_нп",   "Gнп < |G| < G_нп"};
inline constexpr std::array<std::string_view, 2> OutFlagsBits{"Инверсия логического сигнала",
                                                              "Генерация импульса пустая труба"};

// Expansion-card slots and the main port.
inline constexpr std::array<std::string_view, 2> SlotModeList{"Modbus RTU", "Токовый выход"};
inline constexpr std::array<std::string_view, 8> UartSpeedList{"1200",  "2400",  "4800",  "9600",
                                                               "19200", "38400", "57600", "115200"};
inline constexpr std::array<std::string_view, 3> CurrentOutRangeList{"0..5 мА", "4..20 мА", "0..20 мА"};

// Work settings.
inline constexpr std::array<std::string_view, 3> FilterList{"Без фильтра", "Плывущее среднее", "БИХ фильтр"};
inline constexpr std::array<std::string_view, 4> StartStopModeList{
    "Импульс (Рост-Рост)", "Потенциал (Рост-Спад)", "Импульс (Спад-Спад)", "Потенциал (Спад-Рост)"};
inline constexpr std::array<std::string_view, 9> PressureSensorList{
    "0.1 МПа", "0.16 МПа", "0.25 МПа", "0.4 МПа", "0.6 МПа", "0.63 МПа", "1.0 МПа", "1.6 МПа", "2.5 МПа"};

// Service modes.
inline constexpr std::array<std::string_view, 3> MainMeasureTestModeList{"Отключен", "Код", "Расход (м3/ч)"};
inline constexpr std::array<std::string_view, 3> OutTestModeFreqList{"Отключен", "Частота (Гц)",
                                                                     "Расход (м3/ч)"};
inline constexpr std::array<std::string_view, 4> OutTestModeCurrentList{"Отключен", "Ток (мА)", "Код",
                                                                        "Расход (м3/ч)"};

// Device state and service state.
inline constexpr std::array<std::string_view, 4> DeviceWorkModeList{"РАБОТА", "ПОВЕРКА", "НАСТРОЙКА",
                                                                    "КАЛИБРОВКА"};
inline constexpr std::array<std::string_view, 7> StatusCurrentList{
    "Отключен", "Норма", "Выход за нижний порог", "Выход за верхний порог", "Открытая петля",
    "Перегрев", "Отказ"};

// Bit texts of the three status words; an empty entry is a bit without a
// text. `WorkModeFlags` has 14 bits.
inline constexpr std::array<std::string_view, 16> HardwareNotStaffBits{"Сбой КС ПО",
                                                                       "Отказ памяти данных",
                                                                       "Отказ памяти архивов",
                                                                       "Отказ АЦП",
                                                                       "Отказ RTC",
                                                                       "Нет тока в индукторе",
                                                                       "Зашкал сигнала",
                                                                       "Сбой итоговых счетчиков",
                                                                       "Сбой КС Настроек/Калибровок",
                                                                       "Сбой архивной записи",
                                                                       "Сбой записи данных",
                                                                       "Сбой резервного питания",
                                                                       "Сброс по питанию",
                                                                       "Системный сброс",
                                                                       "Отказ токового выхода 1",
                                                                       "Отказ токового выхода 2"};
inline constexpr std::array<std::string_view, 14> WorkModeFlagsBits{"Режим интегрирования",
                                                                    "Режим дозатора",
                                                                    "Обратное направление",
                                                                    "Режим теста выходов",
                                                                    "",
                                                                    "",
                                                                    "Q > Q_вп",
                                                                    "Q < Q_нп",
                                                                    "P > P_вп",
                                                                    "P < P_нп",
                                                                    "Режим ПОВЕРКА",
                                                                    "Режим НАСТРОЙКА",
                                                                    "Режим КАЛИБРОВКА",
                                                                    "Коррекция времени"};
inline constexpr std::array<std::string_view, 16> SystemNotStaffBits{"Пустая труба",
                                                                     "Превышение уровня шума сигнала",
                                                                     "Провал напряжения питания",
                                                                     "Выход сигнала из рабочей зоны",
                                                                     "Просрочена дата поверки",
                                                                     "",
                                                                     "Q > Qmax",
                                                                     "Q < Qmin",
                                                                     "P > Pвп",
                                                                     "P < Pнп",
                                                                     "",
                                                                     "",
                                                                     "Переполнение импульсного выхода 1",
                                                                     "Переполнение импульсного выхода 2",
                                                                     "Выход за пределы токового выхода 1",
                                                                     "Выход за пределы токового выхода 2"};

// Masks of the main window's indicators over the status words.
inline constexpr unsigned kHardwareFaultMask = 0x0179; // HardwareNotStaff
inline constexpr unsigned kAlarmMask = 0xF01E;         // SystemNotStaff
inline constexpr unsigned kQmaxBit = 0x0040;           // SystemNotStaff
inline constexpr unsigned kQminBit = 0x0080;           // SystemNotStaff
inline constexpr unsigned kEmptyPipeBit = 0x0001;      // SystemNotStaff
inline constexpr unsigned kServiceModeMask = 0x0408;   // WorkModeFlags
inline constexpr unsigned kIntegrationBit = 0x0001;    // WorkModeFlags

// Archive kinds 0..6: names and the message posted when reading each.
inline constexpr int kArchiveKindCount = 7;
inline constexpr std::array<std::string_view, 7> ArchiveKindNames{
    "Часовой архив",    "Суточный архив",     "Месячный архив", "Журнал НС",
    "Журнал оператора", "Интервальный архив", "Системный архив"};
inline constexpr std::array<std::string_view, 7> ArchiveReadMessages{
    "Чтение часового архива",   "Чтение суточного архива",     "Чтение месячного архива", "Чтение журнала НС",
    "Чтение журнала оператора", "Чтение интервального архива", "Чтение системного архива"};

// The entry at `index`, or the empty text when the index lies outside.
std::string ListText(TTextList list, size_t index);
// True when `index` names an entry of the list.
inline bool InList(TTextList list, size_t index)
{
    return index < list.size();
}

// Label of a bit in a bit string: "1".."9", "A", "B", ... from bit 0, or
// "0".."9", "A".."F" when counting from zero (the ADC register values).
std::string BitLabel(int bit, bool fromZero = false);

} // namespace ZT_namespace
