#include "pages/systemsetup2frame.h"

#include "controls/biteditlistbox.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace ZT_namespace;

namespace {

void Labeled(QGridLayout* grid, int row, const char* caption, QWidget* widget, const char* unit = nullptr)
{
    grid->addWidget(new QLabel(QString::fromUtf8(caption)), row, 0);
    grid->addWidget(widget, row, 1);
    if (unit)
        grid->addWidget(new QLabel(QString::fromUtf8(unit)), row, 2);
}

} // namespace

TSystemSetup_2::TSystemSetup_2(QWidget* parent) : TDevicePageFrame(parent)
{
    setObjectName("SystemSetup_2");
    auto* root = new QVBoxLayout(this);
    AddSetupButtons(root, GetSetup, &SetSetup);

    // The four bit lists side by side, each under its caption.
    auto* lists = new QHBoxLayout;
    root->addLayout(lists, 1);
    const std::pair<const char*, TBitsField> bitLists[] = {
        {"Системные флаги", ZT_Fields::SystemFlags},
        {"Подкл. входа", ZT_Fields::InputConnection},
        {"Подкл. опоры", ZT_Fields::ReferenceConnection},
        {"Замыкание", ZT_Fields::InputClose},
    };
    for (const auto& [caption, field] : bitLists) {
        auto* column = new QVBoxLayout;
        column->addWidget(new QLabel(QString::fromUtf8(caption)));
        auto* edit = BindBits<TBitEditListBox>(std::string(field.Meta.Name).c_str(), field, false);
        edit->setMinimumHeight(int(field.Bits.size()) * 18);
        column->addWidget(edit, 1);
        lists->addLayout(column, field.Register == ZT_Fields::SystemFlags.Register ? 3 : 2);
    }

    auto* lower = new QHBoxLayout;
    root->addLayout(lower);

    auto* setup = new QGroupBox(this);
    setup->setObjectName("SetupGroup");
    auto* sg = new QGridLayout(setup);
    // The meter names no values of the polarity mode: the list has no
    // entries and leaves the stored mode as read.
    Labeled(sg, 0, "Полярность", BindList("PolarityMode", ZT_Fields::PolarityMode));
    Labeled(sg, 1, "Коррекция смещения",
            BindSpin("InputOffsetCorrectionA", ZT_Fields::InputOffsetCorrectionA));
    Labeled(sg, 2, "Напряжение термодатчика t_cpu 20 C",
            BindEdit("puAdcTemp20", ZT_Fields::puAdcTemp20, "%d"), "мВ");
    // Typed and shown as a whole number, kept by the meter as a real.
    Labeled(sg, 3, "Порог контроля воды", BindEdit("TestWaterGradient", ZT_Fields::TestWaterGradient, "%d"));
    WeightImpulseCheck = BindEdit("WeightImpulseCheck", ZT_Fields::WeightImpulseCheck, "%g",
                                  "Не корректный вес поверочного импульса");
    Labeled(sg, 4, "Поверочный вес импульса", WeightImpulseCheck, "м3/имп");
    Labeled(sg, 5, "Сопротивление индуктора 20 C",
            BindEdit("InductorResistance20", ZT_Fields::InductorResistance20), "Ом");
    sg->setRowStretch(6, 1);
    lower->addWidget(setup, 1);

    auto* water = new QGroupBox(QString::fromUtf8("Калибровка сопротивления воды"), this);
    water->setObjectName("WaterGroup");
    auto* wg = new QGridLayout(water);
    const std::pair<const char*, ZT_Binding::TScalarField> codes[] = {
        {"Код 0", ZT_Fields::TstWaterCode_0},     {"Код A", ZT_Fields::TstWaterCode_A},
        {"Код B", ZT_Fields::TstWaterCode_B},     {"Код C", ZT_Fields::TstWaterCode_C},
        {"Код Max", ZT_Fields::TstWaterCode_Max},
    };
    const std::pair<const char*, ZT_Binding::TScalarField> resistances[] = {
        {"R_A", ZT_Fields::TstWaterRes_A},
        {"R_B", ZT_Fields::TstWaterRes_B},
        {"R_C", ZT_Fields::TstWaterRes_C}};
    int row = 0;
    for (const auto& [caption, field] : codes) {
        wg->addWidget(new QLabel(QString::fromUtf8(caption)), row, 0);
        wg->addWidget(BindEdit(std::string(field.Meta.Name).c_str(), field, "%d"), row++, 1);
    }
    row = 1;
    for (const auto& [caption, field] : resistances) {
        wg->addWidget(new QLabel(QString::fromUtf8(caption)), row, 2);
        wg->addWidget(BindEdit(std::string(field.Meta.Name).c_str(), field, "%d"), row++, 3);
    }
    lower->addWidget(water, 1);

    connect(GetSetup, &QPushButton::clicked, this, [this] { GetSetupClick(GetSetup); });
    connect(SetSetup, &QPushButton::clicked, this, [this] { SetSetupClick(SetSetup); });
}

bool TSystemSetup_2::CollectPage()
{
    if (!PageHost)
        return false;
    // The binding refuses a weight beyond a real's range with the same text.
    if (static_cast<ZT_Binding::TNumberBinding*>(BindingOf(WeightImpulseCheck))->Value() == 0) {
        PageHost->LogMessage("Не корректный вес поверочного импульса");
        return false;
    }
    return CollectBindings(0);
}

bool TSystemSetup_2::GetSetupClick(QObject* sender)
{
    return TDevicePageFrame::ReadPage(sender == nullptr);
}

bool TSystemSetup_2::SetSetupClick(QObject*)
{
    return WritePage();
}
