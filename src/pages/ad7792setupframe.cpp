#include "pages/ad7792setupframe.h"

#include "util/sysutil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>

using namespace ZT_namespace;

namespace {

// The chip's own names of its settings, as its setup is known by.
const QStringList kDataRates{"",          "500_SPS",  "250_SPS",  "125_SPS",  "62_5_SPS",   "50_SPS",
                             "39_2_SPS",  "33_3_SPS", "19_6_SPS", "16_7_SPS", "16_7_1_SPS", "12_5_SPS",
                             "DR_10_SPS", "8_33_SPS", "6_25_SPS", "4_17_SPS"};
const QStringList kClockSources{"IntClk", "IntClk_Out", "ExtClk_64", "ExtClk_128"};
const QStringList kRunModes{"ContinueConv", "SingleConv"};
const QStringList kChanels{"AIN1_P_N", "AIN2_P_N ", "AIN3_P_N", "AIN1_N_N ", "", "", "Temp", "AVDD_6"};
const QStringList kGains{"1", "2", "4", "8", "16", "32", "64", "128"};
const QStringList kBiases{"Disable", "AIN1_N", "AIN2_N", "reserve  "};

QComboBox* List(QWidget* parent, const char* name, const QStringList& items)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->addItems(items);
    return combo;
}

QCheckBox* CheckBox(QWidget* parent, const char* name)
{
    auto* box = new QCheckBox(QString::fromUtf8(name), parent);
    box->setObjectName(name);
    return box;
}

void Select(QComboBox* combo, int index)
{
    const QSignalBlocker blocker(combo);
    combo->setCurrentIndex(index < combo->count() ? index : -1);
}

uint8_t Selected(const QComboBox* combo)
{
    return static_cast<uint8_t>(std::max(0, combo->currentIndex()));
}

// The text as a whole number of 0..4294967295; false when it is not one.
bool Unsigned32(const QLineEdit* edit, uint32_t& value)
{
    int64_t whole = 0;
    const std::string text = edit->text().trimmed().toStdString();
    if (!TryStrToInt(text, whole))
        whole = 0; // empty or non-numeric text is 0
    if (whole < 0 || whole > 0xFFFFFFFFll)
        return false;
    value = static_cast<uint32_t>(whole);
    return true;
}

} // namespace

TAd7792Setup::TAd7792Setup(QWidget* parent) : QWidget(parent)
{
    setObjectName("Ad7792Setup");
    auto* grid = new QGridLayout(this);
    DataRate = List(this, "DataRate", kDataRates);
    ClockSource = List(this, "ClockSource", kClockSources);
    RunMode = List(this, "RunMode", kRunModes);
    Chanel = List(this, "Chanel", kChanels);
    Gain = List(this, "Gain", kGains);
    Bias = List(this, "Bias", kBiases);
    Buffer = CheckBox(this, "Buffer");
    IntReference = CheckBox(this, "IntReference");
    Boost = CheckBox(this, "Boost");
    Unipolar = CheckBox(this, "Unipolar");
    Burnout = CheckBox(this, "Burnout");
    Offset = new QLineEdit(this);
    Offset->setObjectName("Offset");
    FullScale = new QLineEdit(this);
    FullScale->setObjectName("FullScale");

    int row = 0;
    auto add = [&](const char* caption, QWidget* widget, int column) {
        grid->addWidget(new QLabel(QString::fromUtf8(caption), this), row, column);
        grid->addWidget(widget, row, column + 1);
    };
    add("Data Rate", DataRate, 0);
    add("Gain", Gain, 2);
    ++row;
    add("Clock src", ClockSource, 0);
    add("Bias", Bias, 2);
    ++row;
    add("Mode", RunMode, 0);
    add("Offset", Offset, 2);
    ++row;
    add("Chanel", Chanel, 0);
    add("FullScale", FullScale, 2);
    ++row;
    grid->addWidget(Buffer, row, 1);
    grid->addWidget(Boost, row, 3);
    ++row;
    grid->addWidget(IntReference, row, 1);
    grid->addWidget(Unipolar, row, 3);
    ++row;
    grid->addWidget(Burnout, row, 3);
    grid->setRowStretch(row + 1, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
}

void TAd7792Setup::ShowSetup(const Ad7792SetupStruct& s)
{
    Select(DataRate, s.DataRate);
    Select(ClockSource, s.ClockSource);
    Select(RunMode, s.RunMode);
    Select(Chanel, s.Chanel);
    Select(Gain, s.Gain);
    Select(Bias, s.Bias);
    for (auto [box, on] :
         {std::pair{Buffer, s.Buffer}, std::pair{IntReference, s.IntReference}, std::pair{Boost, s.Boost},
          std::pair{Unipolar, s.Unipolar}, std::pair{Burnout, s.Burnout}}) {
        const QSignalBlocker blocker(box);
        box->setChecked(on);
    }
    Offset->setText(QString::number(s.Offset));
    FullScale->setText(QString::number(s.FullScale));
}

Ad7792SetupStruct TAd7792Setup::Setup() const
{
    Ad7792SetupStruct s;
    s.DataRate = Selected(DataRate);
    s.ClockSource = Selected(ClockSource);
    s.RunMode = Selected(RunMode);
    s.Chanel = Selected(Chanel);
    s.Gain = Selected(Gain);
    s.Bias = Selected(Bias);
    s.Buffer = Buffer->isChecked();
    s.IntReference = IntReference->isChecked();
    s.Boost = Boost->isChecked();
    s.Unipolar = Unipolar->isChecked();
    s.Burnout = Burnout->isChecked();
    Unsigned32(Offset, s.Offset);
    Unsigned32(FullScale, s.FullScale);
    return s;
}

std::string TAd7792Setup::Check() const
{
    uint32_t value = 0;
    if (!Unsigned32(Offset, value))
        return "Не корректное значение Offset";
    if (!Unsigned32(FullScale, value))
        return "Не корректное значение FullScale";
    return {};
}

int TAd7792Setup::DataRateIndex() const
{
    return DataRate->currentIndex();
}
