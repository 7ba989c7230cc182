#include "pages/systemsetupframe.h"

#include "pages/ad7792setupframe.h"
#include "pages/ads1262setupframe.h"
#include "util/sysutil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace ZT_namespace;

namespace {

// Conversion period (ms) of the AD7792 by the index of its data rate list.
// Entry 6 is 4 ms as the meter's ADC signal view has always drawn it.
constexpr std::array<double, 17> kAd7792Periods{0,  2,         4,         8,        16,       20,
                                                4,  25.510204, 30.03003,  51.02041, 59.88024, 59.88024,
                                                80, 100,       120.04802, 160,      239.80815};

QWidget* Labeled(QGridLayout* grid, int row, int column, const char* caption, QWidget* widget,
                 const char* unit = nullptr)
{
    grid->addWidget(new QLabel(QString::fromUtf8(caption)), row, column);
    grid->addWidget(widget, row, column + 1);
    if (unit)
        grid->addWidget(new QLabel(QString::fromUtf8(unit)), row, column + 2);
    return widget;
}

} // namespace

TSystemSetup::TSystemSetup(QWidget* parent) : TDevicePageFrame(parent)
{
    setObjectName("SystemSetup");
    auto* root = new QVBoxLayout(this);
    AddSetupButtons(root, GetSetup, &SetSetup);

    auto* columns = new QHBoxLayout;
    root->addLayout(columns, 1);
    auto* left = new QVBoxLayout;
    columns->addLayout(left);

    // "Настройка периодов фаз работы"
    auto* phases = new QGroupBox(QString::fromUtf8("Настройка периодов фаз работы"), this);
    phases->setObjectName("PhaseGroup");
    auto* pg = new QGridLayout(phases);
    for (int i = 0; i < 10; ++i) {
        const std::string name = "PhaseInterval" + std::to_string(i);
        Phases[size_t(i)] = BindSpin(name.c_str(), ZT_Fields::PhaseInterval(i));
        Phases[size_t(i)]->setMaximumWidth(90);
        Labeled(pg, i, 0, std::string(PhaseNameList[size_t(i)]).c_str(), Phases[size_t(i)]);
    }
    MeasureInterval = AddDisplay("MeasureInterval");
    MeasureFreq = AddDisplay("MeasureFreq");
    MeasureInterval->setMaximumWidth(90);
    MeasureFreq->setMaximumWidth(90);
    Labeled(pg, 10, 0, "Период (мс)", MeasureInterval);
    Labeled(pg, 11, 0, "Частота (Гц)", MeasureFreq);
    left->addWidget(phases);

    // "Настройка модулятора"
    auto* modulator = new QGroupBox(QString::fromUtf8("Настройка модулятора"), this);
    modulator->setObjectName("ModulatorGroup");
    auto* mg = new QGridLayout(modulator);
    const std::pair<const char*, TField<uint16_t>> modulatorFields[] = {
        {"Скор. нарастания", ZT_Fields::AccelIncreaseSpeed},
        {"Значение разгона", ZT_Fields::AccelValue},
        {"Время разгона", ZT_Fields::AccelTime},
        {"Время стаб.", ZT_Fields::StabTime},
        {"Коэф.стаб.", ZT_Fields::StabTau},
        {"Ток рабочий", ZT_Fields::WorkCurrent},
        {"Мод.раб.", ZT_Fields::WorkModValue},
        {"Спад", ZT_Fields::StopDecreaseSpeed},
    };
    for (size_t i = 0; i < Modulator.size(); ++i) {
        const auto& [caption, field] = modulatorFields[i];
        QSpinBox* spin = BindSpin(std::string(field.Meta.Name).c_str(), field);
        // A zero read from the meter shows as zero, so that the write names
        // it instead of the spin turning it into 1 unseen.
        spin->setMinimum(0);
        Modulator[i] = spin;
        Labeled(mg, int(i) % 4, 3 * (int(i) / 4), caption, spin);
    }
    left->addWidget(modulator);
    left->addStretch(1);

    auto* right = new QVBoxLayout;
    columns->addLayout(right, 1);

    // The measuring chains: one row per setting, the signal's and the
    // inductor current's side by side.
    auto* chains = new QGroupBox(this);
    chains->setObjectName("ChainGroup");
    auto* cg = new QGridLayout(chains);
    cg->addWidget(new QLabel(QString::fromUtf8("Сигнал")), 0, 1);
    cg->addWidget(new QLabel(QString::fromUtf8("Ток индуктора")), 0, 2);
    auto chain = [&](int column, TField<uint16_t> count, TIndexField regress, TField<uint16_t> oversampling,
                     TIndexField polarity, TField<float> gain, TField<float> reference) {
        auto name = [](auto field) { return std::string(field.Meta.Name); };
        cg->addWidget(BindSpin(name(count).c_str(), count), 1, column);
        cg->addWidget(BindList(name(regress).c_str(), regress), 2, column);
        cg->addWidget(BindCheck(name(oversampling).c_str(), "", oversampling), 3, column);
        cg->addWidget(BindList(name(polarity).c_str(), polarity), 4, column);
        cg->addWidget(BindEdit(name(gain).c_str(), gain), 5, column);
        cg->addWidget(BindEdit(name(reference).c_str(), reference), 6, column);
    };
    chain(1, ZT_Fields::SignalMeasureAdcCount, ZT_Fields::SignalMeasureRegress,
          ZT_Fields::SignalMeasureOversampling, ZT_Fields::SignalChangeInputMode, ZT_Fields::SignalExtGain,
          ZT_Fields::SignalAdcReference);
    chain(2, ZT_Fields::InductorMeasureAdcCount, ZT_Fields::InductorMeasureRegress,
          ZT_Fields::InductorMeasureOversampling, ZT_Fields::InductorChangeInputMode,
          ZT_Fields::InductorExtGain, ZT_Fields::InductorAdcReference);
    int row = 1;
    for (const char* caption : {"Число измерений АЦП", "Регрессия измерений", "Передискретизация",
                                "Изменение полярности", "Внешнее усиление", "Внешняя опора АЦП"})
        cg->addWidget(new QLabel(QString::fromUtf8(caption)), row++, 0);
    cg->addWidget(new QLabel(QString::fromUtf8("мВ")), 6, 3);
    cg->addWidget(new QLabel(QString::fromUtf8("Сопротивление шунта индуктора")), 7, 0);
    cg->addWidget(BindEdit("InductorShuntValue", ZT_Fields::InductorShuntValue), 7, 2);
    cg->addWidget(new QLabel(QString::fromUtf8("Ом")), 7, 3);
    cg->addWidget(new QLabel(QString::fromUtf8("Коэффициент делителя напряжения индуктора")), 8, 0);
    cg->addWidget(BindEdit("InductorVoltageDivider", ZT_Fields::InductorVoltageDivider), 8, 2);
    Labeled(cg, 9, 0, "Коэффициент делителя напряжения питания",
            BindEdit("ExtVoltageDivider", ZT_Fields::ExtVoltageDivider));
    // The values keep narrow, so that the long captions are read whole.
    for (QWidget* value : chains->findChildren<QWidget*>())
        if (!qobject_cast<QLabel*>(value) && !value->objectName().isEmpty())
            value->setMaximumWidth(100);
    cg->setColumnStretch(0, 1);
    right->addWidget(chains);

    // The chip setups, one tab per chip place.
    AdcPageControl = new QTabWidget(this);
    AdcPageControl->setObjectName("AdcPageControl");
    SignalAdcTab = new QWidget;
    SignalAdcTab->setObjectName("SignalAdcTab");
    new QVBoxLayout(SignalAdcTab);
    InductorAdcTab = new QWidget;
    InductorAdcTab->setObjectName("InductorAdcTab");
    new QVBoxLayout(InductorAdcTab);
    AdcPageControl->addTab(SignalAdcTab, QString::fromUtf8("Настройки АЦП при измерении сигнала"));
    AdcPageControl->addTab(InductorAdcTab, QString::fromUtf8("Настройки АЦП при измерении тока индуктора"));
    right->addWidget(AdcPageControl, 1);

    for (QSpinBox* spin : Phases)
        connect(spin, &QSpinBox::valueChanged, this, [this] { PhaseChange(); });
    for (QSpinBox* spin : Modulator)
        connect(spin, &QSpinBox::valueChanged, this, [this] { PhaseChange(); });
    connect(GetSetup, &QPushButton::clicked, this, [this] { GetSetupClick(GetSetup); });
    connect(SetSetup, &QPushButton::clicked, this, [this] { SetSetupClick(SetSetup); });

    SetModification(0);
    PhaseChange();
}

void TSystemSetup::InitPage()
{
    AdcPageControl->setCurrentIndex(0);
}

void TSystemSetup::IdentityChanged()
{
    if (PageHost)
        SetModification(PageHost->Device().ModificationIndex());
}

void TSystemSetup::SetModification(int index)
{
    auto place = [](QWidget* tab, QWidget* frame, const char* name) {
        frame->setObjectName(name);
        tab->layout()->addWidget(frame);
    };
    if (index == 0) {
        delete SignalAds1262;
        delete InductorAds1262;
        SignalAds1262 = InductorAds1262 = nullptr;
        if (!Ad7792) {
            Ad7792 = new TAd7792Setup(SignalAdcTab);
            place(SignalAdcTab, Ad7792, "SignalAdcSetup");
        }
        return;
    }
    delete Ad7792;
    Ad7792 = nullptr;
    if (!SignalAds1262) {
        SignalAds1262 = new TAds1262Setup(SignalAdcTab);
        place(SignalAdcTab, SignalAds1262, "SignalAdcSetup");
    }
    if (!InductorAds1262) {
        InductorAds1262 = new TAds1262Setup(InductorAdcTab);
        place(InductorAdcTab, InductorAds1262, "InductorAdcSetup");
    }
}

void TSystemSetup::PhaseChange()
{
    int period = Phases[0]->value();
    for (size_t i = 1; i < Phases.size(); ++i)
        period += 2 * Phases[i]->value();
    const double frequency = period == 0 ? 0.0 : 1000.0 / period;
    MeasureInterval->setText(QString::fromStdString(Format("%d", period)));
    MeasureFreq->setText(QString::fromStdString(Format("%.3f", frequency)));
}

double TSystemSetup::AccelDuration() const
{
    return Phases[1]->value();
}

double TSystemSetup::Ad7792ConversionPeriod(int dataRateIndex)
{
    return dataRateIndex > 0 && dataRateIndex < int(kAd7792Periods.size())
               ? kAd7792Periods[size_t(dataRateIndex)]
               : 0.0;
}

double TSystemSetup::AdcConversionPeriod() const
{
    return Ad7792 ? Ad7792ConversionPeriod(Ad7792->DataRateIndex()) : 0.0;
}

bool TSystemSetup::GetSetupClick(QObject* sender)
{
    return TDevicePageFrame::ReadPage(sender == nullptr);
}

bool TSystemSetup::SetSetupClick(QObject*)
{
    return WritePage();
}

void TSystemSetup::RefreshPage()
{
    if (!PageHost)
        return;
    RefreshBindings();
    {
        ZT_Helper& device = PageHost->Device();
        TDeviceHelperLocker locker(device);
        // A frame being edited is left alone, as any focused control.
        if (Ad7792 && !HasFocus(Ad7792))
            Ad7792->ShowSetup(device.GetAd7792Setup(ZT_Fields::SignalAdcSetup));
        if (SignalAds1262 && !HasFocus(SignalAds1262))
            SignalAds1262->ShowSetup(device.GetAds1262Setup(ZT_Fields::SignalAdcSetup));
        if (InductorAds1262 && !HasFocus(InductorAds1262))
            InductorAds1262->ShowSetup(device.GetAds1262Setup(ZT_Fields::InductorAdcSetup));
    }
    PhaseChange();
}

bool TSystemSetup::CollectPage()
{
    if (!PageHost)
        return false;
    bool anyPhase = false;
    for (size_t i = 1; i < Phases.size(); ++i)
        anyPhase = anyPhase || Phases[i]->value() != 0;
    if (!anyPhase) {
        PageHost->LogMessage("Не заданы интервалы фаз работы");
        return false;
    }
    for (QSpinBox* spin : Modulator)
        if (spin->value() == 0) {
            PageHost->LogMessage("Не корректные настройки модулятора");
            return false;
        }
    std::string refusal = Ad7792 ? Ad7792->Check() : std::string();
    for (TAds1262Setup* frame : {SignalAds1262, InductorAds1262})
        if (frame && refusal.empty())
            refusal = frame->Check();
    if (!refusal.empty()) {
        PageHost->LogMessage(refusal);
        return false;
    }
    if (!CollectBindings(0))
        return false;
    ZT_Helper& device = PageHost->Device();
    TDeviceHelperLocker locker(device);
    // Both chip records are zeroed, then each is written whole from its
    // frame: bits no control shows, and a record without a frame, become 0.
    std::fill_n(device.Words(ZT_Fields::SignalAdcSetup, 8), 8, uint16_t(0));
    std::fill_n(device.Words(ZT_Fields::InductorAdcSetup, 8), 8, uint16_t(0));
    if (SignalAds1262)
        device.SetAds1262Setup(ZT_Fields::SignalAdcSetup, SignalAds1262->Setup());
    if (InductorAds1262)
        device.SetAds1262Setup(ZT_Fields::InductorAdcSetup, InductorAds1262->Setup());
    if (Ad7792)
        device.SetAd7792Setup(ZT_Fields::SignalAdcSetup, Ad7792->Setup());
    return true;
}
