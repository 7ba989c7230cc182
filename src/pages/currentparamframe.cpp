#include "pages/currentparamframe.h"

#include "controls/biteditcombobox.h"
#include "util/sysutil.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

using namespace ZT_namespace;

namespace {

constexpr double kLitresPerSecond = 0.2777777777777778;

} // namespace

TCurrentParams::TCurrentParams(QWidget* parent) : TDevicePageFrame(parent)
{
    setObjectName("CurrentParams");
    auto* root = new QVBoxLayout(this);

    auto* buttons = new QHBoxLayout;
    GetCurrentParams = new QPushButton(QString::fromUtf8("Считать"), this);
    GetCurrentParams->setObjectName("GetCurrentParams");
    StartButton = new QPushButton(QString::fromUtf8("Старт"), this);
    StartButton->setObjectName("StartButton");
    StopButton = new QPushButton(QString::fromUtf8("Стоп"), this);
    StopButton->setObjectName("StopButton");
    buttons->addWidget(GetCurrentParams);
    buttons->addStretch(1);
    root->addLayout(buttons);

    auto* groups = new QHBoxLayout;
    root->addLayout(groups, 1);

    auto* current = new QGroupBox(QString::fromUtf8("Текущие параметры"), this);
    current->setObjectName("CurrentGroup");
    auto* cg = new QGridLayout(current);
    int row = 0;
    auto line = [&](QGridLayout* grid, const char* caption, QLineEdit* edit) {
        grid->addWidget(new QLabel(QString::fromUtf8(caption)), row, 0);
        grid->addWidget(edit, row, 1);
        ++row;
    };
    VolumeD = AddDisplay("VolumeD");
    VolumeR = AddDisplay("VolumeR");
    Expense = BindDisplay("Expense", ZT_Fields::Expense, "%.5f");
    ExpenseLitre = AddDisplay("ExpenseLitre");
    DirectFlowTime = AddDisplay("DirectFlowTime");
    ReverseFlowTime = AddDisplay("ReverseFlowTime");
    StopFlowTime = AddDisplay("StopFlowTime");
    EmptyPipeTime = AddDisplay("EmptyPipeTime");
    HardwareErrorTime = AddDisplay("HardwareErrorTime");
    WorkTime = AddDisplay("WorkTime");
    OffTime = AddDisplay("OffTime");
    line(cg, "Объем в прямом направлении V+ (м³)", VolumeD);
    line(cg, "Объем в обратном направлении V- (м³)", VolumeR);
    line(cg, "Расход Q (м³/ч)", Expense);
    line(cg, "Расход Q (л/c)", ExpenseLitre);
    line(cg, "Время работы в прямом направлении - Тпр", DirectFlowTime);
    line(cg, "Время работы в обратном направлении - Тобр", ReverseFlowTime);
    line(cg, "Время работы при отсутствии расхода - Tост", StopFlowTime);
    line(cg, "Время работы при отсутствии  воды - Тпт", EmptyPipeTime);
    line(cg, "Время работы при аппаратной ошибке - Tош", HardwareErrorTime);
    line(cg, "Время наличия питания - Твкл", WorkTime);
    line(cg, "Время отсутствия питания - Тоткл", OffTime);
    HardwareNotStaff = BindBits<TBitEditComboBox>("HardwareNotStaff", ZT_Fields::HardwareNotStaff, true);
    WorkModeFlags = BindBits<TBitEditComboBox>("WorkModeFlags", ZT_Fields::WorkModeFlags, true);
    SystemNotStaff = BindBits<TBitEditComboBox>("SystemNotStaff", ZT_Fields::SystemNotStaff, true);
    for (auto [caption, edit] :
         {std::pair{"Аппаратные НС", HardwareNotStaff}, std::pair{"Флаги реж.работы", WorkModeFlags},
          std::pair{"Системные НС", SystemNotStaff}}) {
        cg->addWidget(new QLabel(QString::fromUtf8(caption)), row, 0);
        cg->addWidget(edit, row, 1);
        ++row;
    }
    cg->setRowStretch(row, 1);
    groups->addWidget(current, 1);

    auto* strait = new QGroupBox(QString::fromUtf8("Проливка"), this);
    strait->setObjectName("StraitGroup");
    auto* sg = new QGridLayout(strait);
    row = 0;
    auto sline = [&](const char* caption, QLineEdit* edit) {
        sg->addWidget(new QLabel(QString::fromUtf8(caption)), row, 0);
        sg->addWidget(edit, row, 1, 1, 2);
        ++row;
    };
    MeasureCounter = BindDisplay("MeasureCounter", ZT_Fields::MeasureCounter, "%u");
    CodeIntegrator = AddDisplay("CodeIntegrator");
    OffCodeIntegrator = AddDisplay("OffCodeIntegrator");
    NoiseIntegrator = AddDisplay("NoiseIntegrator");
    NoiseSignal = AddDisplay("NoiseSignal");
    ExpenseIntegrator = AddDisplay("ExpenseIntegrator");
    GradSigRaito = AddDisplay("GradSigRaito");
    TimeIntegrator = AddDisplay("TimeIntegrator");
    VolumeCalculating = AddDisplay("VolumeCalculating");
    VolumeIntegrator = AddDisplay("VolumeIntegrator");
    sline("Количество измерений", MeasureCounter);
    sline("Код", CodeIntegrator);
    sline("Код Off", OffCodeIntegrator);
    sline("Шум", NoiseIntegrator);
    sline("Шум / Сигнал (%)", NoiseSignal);
    sline("Средний расход (м3/ч)", ExpenseIntegrator);
    sline("Grad Signal Raito", GradSigRaito);
    sline("Время проливки (с)", TimeIntegrator);
    sline("Объем расчитанный (л)", VolumeCalculating);
    sline("Объем накопленный (л)", VolumeIntegrator);
    ImpulseIntegrator_1 = BindDisplay("ImpulseIntegrator_1", ZT_Fields::ImpulseIntegrator_1, "%u");
    ImpulseIntegrator_2 = BindDisplay("ImpulseIntegrator_2", ZT_Fields::ImpulseIntegrator_2, "%u");
    WeightImpulse_1 = BindDisplay("WeightImpulse_1", ZT_Fields::WeightImpulse_1, "%g");
    WeightImpulse_2 = BindDisplay("WeightImpulse_2", ZT_Fields::WeightImpulse_2, "%g");
    WeightImpulseL_1 = AddDisplay("WeightImpulseL_1");
    WeightImpulseL_2 = AddDisplay("WeightImpulseL_2");
    sg->addWidget(new QLabel(QString::fromUtf8("Выход 1")), row, 1);
    sg->addWidget(new QLabel(QString::fromUtf8("Выход 2")), row, 2);
    ++row;
    auto pair = [&](const char* caption, QLineEdit* first, QLineEdit* second) {
        sg->addWidget(new QLabel(QString::fromUtf8(caption)), row, 0);
        sg->addWidget(first, row, 1);
        sg->addWidget(second, row, 2);
        ++row;
    };
    pair("Импульсы", ImpulseIntegrator_1, ImpulseIntegrator_2);
    pair("Вес импульса (м³)", WeightImpulse_1, WeightImpulse_2);
    pair("Вес импульса (л)", WeightImpulseL_1, WeightImpulseL_2);
    auto* integration = new QHBoxLayout;
    integration->addWidget(StartButton);
    integration->addWidget(StopButton);
    integration->addStretch(1);
    sg->addLayout(integration, row++, 0, 1, 3);
    sg->setRowStretch(row, 1);
    groups->addWidget(strait, 0);

    connect(GetCurrentParams, &QPushButton::clicked, this,
            [this] { GetCurrentParamsClick(GetCurrentParams); });
    connect(StartButton, &QPushButton::clicked, this, [this] { StartButtonClick(StartButton); });
    connect(StopButton, &QPushButton::clicked, this, [this] { StopButtonClick(StopButton); });
}

void TCurrentParams::InitPage()
{
    // Bit 0 reads "1", as in the archive and journal bit strings; every
    // cell stays visible beside the drop-down button.
    for (TBitEditComboBox* edit : {HardwareNotStaff, WorkModeFlags, SystemNotStaff}) {
        edit->SetFirstBitSym('1');
        edit->setMinimumHeight(22);
        edit->setMinimumWidth(edit->CellSize() * edit->ItemCount() + edit->ButtonWidth() + 8);
    }
}

bool TCurrentParams::ReadPage(bool background)
{
    return GetCurrentParamsClick(background ? nullptr : GetCurrentParams);
}

bool TCurrentParams::GetCurrentParamsClick(QObject* sender)
{
    return TDevicePageFrame::ReadPage(sender == nullptr);
}

bool TCurrentParams::StartButtonClick(QObject*)
{
    return SetIntegration(1, false);
}

bool TCurrentParams::StopButtonClick(QObject*)
{
    return SetIntegration(0, true);
}

bool TCurrentParams::SetIntegration(uint16_t command, bool stop)
{
    if (!PageHost)
        return false;
    {
        TDeviceHelperLocker locker(PageHost->Device());
        PageHost->Device().Set(ZT_Fields::Integration, command);
    }
    return PageHost->WriteBlock(ZT_Blocks::IntegrationCommand, stop);
}

// A display keeps what the user has selected in it while it has the focus.
void TCurrentParams::Show(QLineEdit* edit, const std::string& text)
{
    if (!HasFocus(edit))
        edit->setText(QString::fromStdString(text));
}

void TCurrentParams::RefreshPage()
{
    if (!PageHost)
        return;
    RefreshBindings();
    ZT_Helper& d = PageHost->Device();
    TDeviceHelperLocker locker(d);

    Show(VolumeD, Format("%.6f", d.Get(ZT_Fields::VolumeD)));
    Show(VolumeR, Format("%.6f", d.Get(ZT_Fields::VolumeR)));
    Show(ExpenseLitre, Format("%.5f", d.Get(ZT_Fields::Expense) * kLitresPerSecond));

    const uint32_t times[5] = {d.Get(ZT_Fields::DirectFlowTime), d.Get(ZT_Fields::ReverseFlowTime),
                               d.Get(ZT_Fields::StopFlowTime), d.Get(ZT_Fields::EmptyPipeTime),
                               d.Get(ZT_Fields::HardwareErrorTime)};
    QLineEdit* timeEdits[5] = {DirectFlowTime, ReverseFlowTime, StopFlowTime, EmptyPipeTime,
                               HardwareErrorTime};
    int64_t powered = 0; // five 32-bit times do not fit a 32-bit sum
    for (int i = 0; i < 5; ++i) {
        Show(timeEdits[i], FormatDuration(times[i]));
        powered += times[i];
    }
    Show(WorkTime, FormatDuration(powered));
    Show(OffTime, FormatDuration(d.Get(ZT_Fields::OffTime)));

    const uint32_t n = d.Get(ZT_Fields::MeasureCounter);
    const uint32_t integrationMs = d.Get(ZT_Fields::TimeIntegrator);
    Show(TimeIntegrator, Format("%.3f", integrationMs * 0.001));
    Show(VolumeIntegrator, Format("%.5f", double(d.Get(ZT_Fields::VolumeIntegrator)) * 1000.0));

    // The sums become means over the n measurements. The model keeps the
    // meter's sums, so that showing the same reply twice gives the same
    // means.
    auto mean = [n](float sum) { return n != 0 ? double(sum) / n : double(sum); };
    const double code = mean(d.Get(ZT_Fields::CodeIntegrator));
    const double offCode = mean(d.Get(ZT_Fields::OffCodeIntegrator));
    const double noise = mean(d.Get(ZT_Fields::NoiseIntegrator));
    const double meanFlow = mean(d.Get(ZT_Fields::ExpenseIntegrator));
    const double gradient = mean(d.Get(ZT_Fields::GradSigRaito));

    const double computed = integrationMs != 0 ? std::fabs(integrationMs * meanFlow / 3600.0) : 0.0;
    Show(VolumeCalculating, Format("%.5f", computed));
    Show(WeightImpulseL_1, Format("%g", d.Get(ZT_Fields::WeightImpulse_1) * 1000.0));
    Show(WeightImpulseL_2, Format("%g", d.Get(ZT_Fields::WeightImpulse_2) * 1000.0));
    Show(CodeIntegrator, Format("%g", code));
    Show(OffCodeIntegrator, Format("%g", offCode));
    Show(NoiseIntegrator, Format("%g", noise));
    Show(ExpenseIntegrator, Format("%g", meanFlow));
    Show(GradSigRaito, Format("%g", gradient));
    Show(NoiseSignal, Format("%g", code != 0 ? noise / code * 100.0 : 0.0));
}

TIntegrationValuesStruct TCurrentParams::IntegrationValues() const
{
    TIntegrationValuesStruct v;
    v.CodeIntegrator = StrToReal(CodeIntegrator->text().toStdString());
    v.TimeIntegrator = StrToReal(TimeIntegrator->text().toStdString());
    v.ImpulseIntegrator_1 = StrToUInt(ImpulseIntegrator_1->text().toStdString());
    v.ImpulseIntegrator_2 = StrToUInt(ImpulseIntegrator_2->text().toStdString());
    v.GradSigRaito = StrToReal(GradSigRaito->text().toStdString());
    return v;
}
