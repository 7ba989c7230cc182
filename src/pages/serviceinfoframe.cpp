#include "pages/serviceinfoframe.h"

#include "util/sysutil.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace ZT_namespace;

namespace {

// Shown unless the user is selecting in it.
void Show(QLineEdit* edit, const std::string& text)
{
    if (!WidgetHasFocus(edit))
        edit->setText(QString::fromStdString(text));
}

} // namespace

TServiceInfo::TServiceInfo(QWidget* parent) : TDevicePageFrame(parent)
{
    setObjectName("ServiceInfo");
    auto* root = new QVBoxLayout(this);
    AddSetupButtons(root, GetSetup, nullptr);

    auto* columns = new QHBoxLayout;
    root->addLayout(columns, 1);
    // Three columns: every value keeps a full line's height on the page.
    auto* left = new QVBoxLayout;
    auto* middle = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left);
    columns->addLayout(middle);
    columns->addLayout(right);
    columns->addStretch(1);

    struct TLine {
        const char* Caption;
        QLineEdit* Edit;
        const char* Unit;
    };
    auto group = [this](QVBoxLayout* column, const char* title, const char* name,
                        std::initializer_list<TLine> lines) {
        auto* box = new QGroupBox(QString::fromUtf8(title), this);
        box->setObjectName(name);
        auto* grid = new QGridLayout(box);
        int row = 0;
        for (const TLine& line : lines) {
            grid->addWidget(new QLabel(QString::fromUtf8(line.Caption), box), row, 0);
            line.Edit->setMinimumWidth(90);
            line.Edit->setMaximumWidth(120);
            grid->addWidget(line.Edit, row, 1);
            if (line.Unit)
                grid->addWidget(new QLabel(QString::fromUtf8(line.Unit), box), row, 2);
            ++row;
        }
        grid->setRowStretch(row, 1);
        column->addWidget(box);
    };

    AdcTemperature = AddDisplay("AdcTemperature");
    CpuTemperature = AddDisplay("CpuTemperature");
    InductorTemperature = AddDisplay("InductorTemperature");
    CpuBusyPercent = AddDisplay("CpuBusyPercent");
    group(left, "Сервисные параметры", "ServiceGroup",
          {{"t_adc", AdcTemperature, "°C"},
           {"t_cpu ", CpuTemperature, "°C"},
           {"t_инд ", InductorTemperature, "°C"},
           {"Захват", BindDisplay("SeizureMode", ZT_Fields::SeizureMode, "%d"), nullptr},
           {"CPU (%)", CpuBusyPercent, nullptr}});
    group(left, "Модулятор", "ModulatorGroup",
          {{"Знач. разгона", BindDisplay("WorkAccelValue", ZT_Fields::WorkAccelValue, "%d"), nullptr},
           {"Время разгона", BindDisplay("WorkAccelTime", ZT_Fields::WorkAccelTime, "%d"), nullptr},
           {"Мод.раб.", BindDisplay("WorkModValue", ZT_Fields::ServiceWorkModValue, "%d"), nullptr}});
    ExtVoltageDrop = AddDisplay("ExtVoltageDrop");
    group(left, "Напряжения", "VoltageGroup",
          {{"U_вх_выкл", BindDisplay("ExtVoltageOff", ZT_Fields::ExtVoltageOff, "%d"), "мВ"},
           {"U_вх_вкл", BindDisplay("ExtVoltagePow", ZT_Fields::ExtVoltagePow, "%d"), "мВ"},
           {"U_вх_пад", ExtVoltageDrop, "мВ"},
           {"U_инд", BindDisplay("InductorVoltage", ZT_Fields::InductorVoltage, "%d"), "мВ"}});
    left->addStretch(1);
    group(middle, "Индуктор", "InductorGroup",
          {{"I_инд.А", BindDisplay("InductorCurrentA", ZT_Fields::InductorCurrentA, "%.3f"), "мА"},
           {"I_инд.B", BindDisplay("InductorCurrentB", ZT_Fields::InductorCurrentB, "%.3f"), "мА"},
           {"R_инд", BindDisplay("InductorResistance", ZT_Fields::InductorResistance, "%.3f"), "Ом"}});

    group(middle, "Сигнал", "SignalGroup",
          {{"Udiff_A (мВ)", BindDisplay("DiffVoltageA", ZT_Fields::DiffVoltageA, "%.3f"), nullptr},
           {"Udiff_B (мВ)", BindDisplay("DiffVoltageB", ZT_Fields::DiffVoltageB, "%.3f"), nullptr},
           {"deltaU (мкВ)", BindDisplay("deltaVoltage", ZT_Fields::deltaVoltage, "%.3f"), nullptr}});
    group(middle, "Сопротивление воды", "WaterGroup",
          {{"Код фильтр.", BindDisplay("WaterResistanceCode", ZT_Fields::WaterResistanceCode, "%.2f"),
            nullptr},
           {"R_воды", BindDisplay("WaterResistance", ZT_Fields::WaterResistance, "%.2f"), "кОм"}});
    middle->addStretch(1);
    group(right, "", "FilterGroup",
          {{"Код фильтр.", BindDisplay("CodeFiltered", ZT_Fields::CodeFiltered, "%.2f"), nullptr},
           {"Шум фильтр.", BindDisplay("NoiseFiltered", ZT_Fields::NoiseFiltered, "%.2f"), nullptr},
           {"Шум (%)", BindDisplay("NoiseRelative", ZT_Fields::NoiseRelative, "%.2f"), nullptr}});
    group(right, "Градиент сигнала", "GradientGroup",
          {{"Grad CodeA", BindDisplay("GradientCodeA", ZT_Fields::GradientCodeA, "%.5f"), nullptr},
           {"Grad CodeB", BindDisplay("GradientCodeB", ZT_Fields::GradientCodeB, "%.5f"), nullptr},
           {"Grad SigA", BindDisplay("GradientSigA", ZT_Fields::GradientSigA, "%.5f"), nullptr},
           {"Grad SigB", BindDisplay("GradientSigB", ZT_Fields::GradientSigB, "%.5f"), nullptr},
           {"GradSig Raito", BindDisplay("GradientSigRaito", ZT_Fields::GradientSigRaito, "%.5f"), nullptr},
           {"PhaseSig Raito", BindDisplay("PhaseSigRaito", ZT_Fields::PhaseSigRaito, "%.5f"), nullptr},
           {"GradSig Сorrection",
            BindDisplay("GradientSignalRaitoKorrection", ZT_Fields::GradientSignalRaitoKorrection, "%.5f"),
            nullptr}});
    right->addStretch(1);

    connect(GetSetup, &QPushButton::clicked, this, [this] { GetSetupClick(GetSetup); });
}

bool TServiceInfo::GetSetupClick(QObject* sender)
{
    return TDevicePageFrame::ReadPage(sender == nullptr);
}

void TServiceInfo::RefreshPage()
{
    if (!PageHost)
        return;
    RefreshBindings();
    ZT_Helper& d = PageHost->Device();
    TDeviceHelperLocker locker(d);
    // Hundredths of a degree, below zero as well; hundredths of a percent.
    Show(AdcTemperature, Format("%.2f", d.Get(ZT_Fields::AdcTemperature) * 0.01));
    Show(CpuTemperature, Format("%.2f", d.Get(ZT_Fields::CpuTemperature) * 0.01));
    Show(InductorTemperature, Format("%.2f", d.Get(ZT_Fields::InductorTemperature) * 0.01));
    Show(CpuBusyPercent, Format("%.2f", d.Get(ZT_Fields::CpuBusyPercent) * 0.01));
    // The supply's drop under load; negative when the loaded reading is the
    // higher one.
    Show(ExtVoltageDrop,
         Format("%d", int(d.Get(ZT_Fields::ExtVoltageOff)) - int(d.Get(ZT_Fields::ExtVoltagePow))));
}
