#include "pages/plugincardframe.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

template <class W> W* Named(QWidget* parent, const char* name)
{
    auto* widget = new W(parent);
    widget->setObjectName(name);
    return widget;
}

void Labeled(QGridLayout* grid, int row, const char* caption, QWidget* widget, const char* unit = nullptr)
{
    // Narrow values leave the captions room to be read whole.
    widget->setMaximumWidth(105);
    grid->addWidget(new QLabel(QString::fromUtf8(caption)), row, 0);
    grid->addWidget(widget, row, 1);
    if (unit)
        grid->addWidget(new QLabel(QString::fromUtf8(unit)), row, 2);
}

} // namespace

TPlugInCard::TPlugInCard(const QString& title, QWidget* parent) : QGroupBox(title, parent)
{
    auto* root = new QGridLayout(this);
    SlotMode = Named<QComboBox>(this, "SlotMode");
    root->addWidget(new QLabel(QString::fromUtf8("Режим")), 0, 0);
    root->addWidget(SlotMode, 0, 1);

    ModbusGroup = new QGroupBox(QString::fromUtf8("Modbus RTU"), this);
    ModbusGroup->setObjectName("ModbusGroup");
    auto* mg = new QGridLayout(ModbusGroup);
    NetAddress = Named<QSpinBox>(ModbusGroup, "NetAddress");
    UartSpeed = Named<QComboBox>(ModbusGroup, "UartSpeed");
    AddTimeout = Named<QSpinBox>(ModbusGroup, "AddTimeout");
    Labeled(mg, 0, "Адрес", NetAddress);
    Labeled(mg, 1, "Скорость", UartSpeed);
    Labeled(mg, 2, "Дополнительный таймаут", AddTimeout, "мс");
    mg->setRowStretch(3, 1);

    CurrentGroup = new QGroupBox(QString::fromUtf8("Токовый выход"), this);
    CurrentGroup->setObjectName("CurrentGroup");
    auto* cg = new QGridLayout(CurrentGroup);
    CurrentOutRange = Named<QComboBox>(CurrentGroup, "CurrentOutRange");
    WorkMode = Named<QComboBox>(CurrentGroup, "WorkMode");
    QhiCurrent = Named<QLineEdit>(CurrentGroup, "QhiCurrent");
    QlowCurrent = Named<QLineEdit>(CurrentGroup, "QlowCurrent");
    OutputAveraging = Named<QSpinBox>(CurrentGroup, "OutputAveraging");
    Labeled(cg, 0, "Диапазон", CurrentOutRange);
    Labeled(cg, 1, "Режим работы", WorkMode);
    Labeled(cg, 2, "Расход верхнего диапазона", QhiCurrent);
    Labeled(cg, 3, "Расход нижнего диапазона", QlowCurrent);
    Labeled(cg, 4, "Усреднение", OutputAveraging);

    // The two groups share one place; only the selected mode's is shown.
    root->addWidget(ModbusGroup, 1, 0, 1, 2);
    root->addWidget(CurrentGroup, 1, 0, 1, 2);
    root->setRowStretch(2, 1);
    root->setColumnStretch(1, 1);

    connect(SlotMode, &QComboBox::currentIndexChanged, this, [this] { SlotModeChange(); });
}

void TPlugInCard::InitCard()
{
    SlotMode->setCurrentIndex(0);
    SlotModeChange();
}

void TPlugInCard::SlotModeChange()
{
    ModbusGroup->setVisible(SlotMode->currentIndex() == 0);
    CurrentGroup->setVisible(SlotMode->currentIndex() == 1);
}
