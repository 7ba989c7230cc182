#include "pages/ads1262setupframe.h"

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

// The chip's own names of its settings.
const QStringList kDelays{"No delay", "8.7 μs", "17 μs",  "35 μs",  "69 μs",  "139 μs",
                          "278 μs",   "555 μs", "1.1 ms", "2.2 ms", "4.4 ms", "8.8 ms"};
const QStringList kChops{"Disabled", "Input chop", "IDAC rotation", "Input and IDAC"};
const QStringList kRunModes{"Continuous", "Pulse"};
const QStringList kRefPolarities{"Normal", "Reverse"};
const QStringList kBiasMagnitudes{"No sensor bias",     "0.5-μA bias current", "2-μA bias current",
                                  "10-μA bias current", "50-μA bias current",  "200-μA bias current",
                                  "10-MΩ resistor"};
const QStringList kBiasPolarities{"Pull-up mode", "Pull-down mode"};
const QStringList kBiasConnections{"ADC1", "ADC2"};
const QStringList kFilters{"Sinc1 mode", "Sinc2 mode", "Sinc3 mode", "Sinc4 mode", "FIR mode"};
const QStringList kDataRates{"2.5 SPS",  "5 SPS",     "10 SPS",    "16.6SPS",  "20 SPS",   "50 SPS",
                             "60 SPS",   "100 SPS",   "400 SPS",   "1200 SPS", "2400 SPS", "4800 SPS",
                             "7200 SPS", "14400 SPS", "19200 SPS", "38400 SPS"};
const QStringList kGains{"1", "2", "4", "8", "16", "32"};
const QStringList kInputs{
    "AIN0",      "AIN1", "AIN2", "AIN3",   "AIN4",        "AIN5",           "AIN6",
    "AIN7",      "AIN8", "AIN9", "AINCOM", "Temp sensor", "Analog monitor", "Digital monitor",
    "TDAC test", "Float"};
const QStringList kIdacPins{"AIN0", "AIN1", "AIN2", "AIN3", "AIN4",   "AIN5",
                            "AIN6", "AIN7", "AIN8", "AIN9", "AINCOM", "NOCONN"};
const QStringList kIdacCurrents{"OFF",     "50 μA",   "100 μA",  "250 μA",  "500 μA", "750 μA",
                                "1000 μA", "1500 μA", "2000 μA", "2500 μA", "3000 μA"};
const QStringList kRefPositive{"IntP 2.5 V", "AIN0", "AIN2", "AIN4", "VAVDD"};
const QStringList kRefNegative{"IntN 2.5 V", "AIN1", "AIN3", "AIN4", "VAVSS"};
// The test DAC's outputs, lowest first; 2.5 V (mid-supply) is entry 9.
const QStringList kTDacVoltages{"0.5 V",       "1.5 V",      "2.0 V",      "2.25 V",      "2.375 V",
                                "2.4375 V",    "2.46875 V",  "2.484375 V", "2.4921875 V", "2.5 V",
                                "2.5078125 V", "2.515625 V", "2.53125 V",  "2.5625 V",    "2.625 V",
                                "2.75 V",      "3.0 V",      "3.5 V",      "4.5 V"};

constexpr int32_t kInt24Min = -8388608;
constexpr int32_t kInt24Max = 8388607;

QComboBox* List(QWidget* parent, const char* name, const QStringList& items)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->addItems(items);
    return combo;
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const char* caption)
{
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    box->setObjectName(name);
    return box;
}

void Select(QComboBox* combo, int index)
{
    const QSignalBlocker blocker(combo);
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

uint8_t Selected(const QComboBox* combo)
{
    return static_cast<uint8_t>(std::max(0, combo->currentIndex()));
}

// The test DAC's magnitude and side of the selected voltage; 0 (mid-supply)
// without a selection, as for every other field of the record.
uint8_t SelectedTDac(const QComboBox* combo)
{
    return combo->currentIndex() < 0 ? 0 : Ads1262SetupStruct::TDacMagnitude(combo->currentIndex());
}

// The text as a 24-bit signed number; false when it is outside.
bool Signed24(const QLineEdit* edit, int32_t& value)
{
    int64_t whole = 0;
    if (!TryStrToInt(edit->text().trimmed().toStdString(), whole))
        whole = 0; // empty or non-numeric text is 0
    if (whole < kInt24Min || whole > kInt24Max)
        return false;
    value = static_cast<int32_t>(whole);
    return true;
}

} // namespace

TAds1262Setup::TAds1262Setup(QWidget* parent) : QWidget(parent)
{
    setObjectName("Ads1262Setup");
    auto* grid = new QGridLayout(this);
    ConversionDelay = List(this, "ConversionDelay", kDelays);
    Chop = List(this, "Chop", kChops);
    RunMode = List(this, "RunMode", kRunModes);
    ReferencePolarity = List(this, "ReferencePolarity", kRefPolarities);
    BiasMagnitude = List(this, "BiasMagnitude", kBiasMagnitudes);
    BiasPolarity = List(this, "BiasPolarity", kBiasPolarities);
    BiasConnection = List(this, "BiasConnection", kBiasConnections);
    Filter = List(this, "Filter", kFilters);
    DataRate = List(this, "DataRate", kDataRates);
    Gain = List(this, "Gain", kGains);
    PGABypass = CheckBox(this, "PGABypass", "PGA Bypass");
    MuxPos = List(this, "MuxPos", kInputs);
    MuxNeg = List(this, "MuxNeg", kInputs);
    Offset = new QLineEdit(this);
    Offset->setObjectName("Offset");
    FullScale = new QLineEdit(this);
    FullScale->setObjectName("FullScale");
    Idac1Mux = List(this, "Idac1Mux", kIdacPins);
    Idac2Mux = List(this, "Idac2Mux", kIdacPins);
    Idac1Mag = List(this, "Idac1Mag", kIdacCurrents);
    Idac2Mag = List(this, "Idac2Mag", kIdacCurrents);
    RefMuxP = List(this, "RefMuxP", kRefPositive);
    RefMuxN = List(this, "RefMuxN", kRefNegative);
    TDacP = CheckBox(this, "TDacP", "TDacP");
    TDacPMag = List(this, "TDacPMag", kTDacVoltages);
    TDacN = CheckBox(this, "TDacN", "TDacN");
    TDacNMag = List(this, "TDacNMag", kTDacVoltages);

    // Three columns of caption and control.
    const std::pair<const char*, QWidget*> cells[] = {
        {"Delay", ConversionDelay},
        {"Chop", Chop},
        {"Mode", RunMode},
        {"Ref Pol", ReferencePolarity},
        {"Bias Mag", BiasMagnitude},
        {"Bias Pol", BiasPolarity},
        {"Bias Conn", BiasConnection},
        {"Filter", Filter},
        {"Data Rate", DataRate},
        {"Gain", Gain},
        {"", PGABypass},
        {"MUX_POS", MuxPos},
        {"MUX_NEG", MuxNeg},
        {"Offset", Offset},
        {"FullScale", FullScale},
        {"IDAC1 Mux", Idac1Mux},
        {"IDAC2 Mux", Idac2Mux},
        {"IDAC1 Mag", Idac1Mag},
        {"IDAC2 Mag", Idac2Mag},
        {"Ref MuxP", RefMuxP},
        {"Ref MuxN", RefMuxN},
        {"", TDacP},
        {"TDACP Mag", TDacPMag},
        {"", nullptr}, // each test DAC on a row of its own
        {"", TDacN},
        {"TDACN Mag", TDacNMag},
    };
    constexpr int kColumns = 3;
    int at = 0;
    for (const auto& [caption, widget] : cells) {
        const int row = at / kColumns, column = 2 * (at % kColumns);
        if (*caption)
            grid->addWidget(new QLabel(QString::fromUtf8(caption), this), row, column);
        if (widget)
            grid->addWidget(widget, row, column + 1);
        ++at;
    }
    grid->setRowStretch((at + kColumns - 1) / kColumns, 1);
    for (int c = 0; c < kColumns; ++c)
        grid->setColumnStretch(2 * c + 1, 1);
}

void TAds1262Setup::ShowSetup(const Ads1262SetupStruct& s)
{
    const std::pair<QComboBox*, int> lists[] = {
        {ConversionDelay, s.ConversionDelay},
        {Chop, s.Chop},
        {RunMode, s.RunMode},
        {ReferencePolarity, s.ReferencePolarity},
        {BiasMagnitude, s.BiasMagnitude},
        {BiasPolarity, s.BiasPolarity},
        {BiasConnection, s.BiasConnection},
        {Filter, s.Filter},
        {DataRate, s.DataRate},
        {Gain, s.Gain},
        {MuxPos, s.MuxPos},
        {MuxNeg, s.MuxNeg},
        {Idac1Mux, s.Idac1Mux},
        {Idac2Mux, s.Idac2Mux},
        {Idac1Mag, s.Idac1Mag},
        {Idac2Mag, s.Idac2Mag},
        {RefMuxP, s.RefMuxP},
        {RefMuxN, s.RefMuxN},
        {TDacPMag, Ads1262SetupStruct::TDacIndex(s.TDacPMag)},
        {TDacNMag, Ads1262SetupStruct::TDacIndex(s.TDacNMag)},
    };
    for (const auto& [combo, index] : lists)
        Select(combo, index);
    for (auto [box, on] :
         {std::pair{PGABypass, s.PGABypass}, std::pair{TDacP, s.TDacP}, std::pair{TDacN, s.TDacN}}) {
        const QSignalBlocker blocker(box);
        box->setChecked(on);
    }
    Offset->setText(QString::number(s.Offset));
    FullScale->setText(QString::number(s.FullScale));
}

Ads1262SetupStruct TAds1262Setup::Setup() const
{
    Ads1262SetupStruct s;
    s.ConversionDelay = Selected(ConversionDelay);
    s.Chop = Selected(Chop);
    s.RunMode = Selected(RunMode);
    s.ReferencePolarity = Selected(ReferencePolarity);
    s.BiasMagnitude = Selected(BiasMagnitude);
    s.BiasPolarity = Selected(BiasPolarity);
    s.BiasConnection = Selected(BiasConnection);
    s.Filter = Selected(Filter);
    s.DataRate = Selected(DataRate);
    s.Gain = Selected(Gain);
    s.PGABypass = PGABypass->isChecked();
    s.MuxPos = Selected(MuxPos);
    s.MuxNeg = Selected(MuxNeg);
    Signed24(Offset, s.Offset);
    Signed24(FullScale, s.FullScale);
    s.Idac1Mux = Selected(Idac1Mux);
    s.Idac2Mux = Selected(Idac2Mux);
    s.Idac1Mag = Selected(Idac1Mag);
    s.Idac2Mag = Selected(Idac2Mag);
    s.RefMuxP = Selected(RefMuxP);
    s.RefMuxN = Selected(RefMuxN);
    s.TDacP = TDacP->isChecked();
    s.TDacPMag = SelectedTDac(TDacPMag);
    s.TDacN = TDacN->isChecked();
    s.TDacNMag = SelectedTDac(TDacNMag);
    return s;
}

std::string TAds1262Setup::Check() const
{
    int32_t value = 0;
    if (!Signed24(Offset, value))
        return "Не корректное значение Offset";
    if (!Signed24(FullScale, value))
        return "Не корректное значение FullScale";
    return {};
}
