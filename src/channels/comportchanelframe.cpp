#include "channels/comportchanelframe.h"

#include "channels/txrxwrapper.h"
#include "util/sysutil.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QSpinBox>

TComPortCombo::TComPortCombo(QWidget* parent) : QComboBox(parent), Lister(comprt::RefreshPortList)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

QString TComPortCombo::EntryText(const comprt::ComPortDescription& port)
{
    QString text = QString::fromStdString(port.Name);
    if (!port.Description.empty())
        text += "  [" + QString::fromStdString(port.Description) + "]";
    return text;
}

void TComPortCombo::RebuildList()
{
    std::vector<comprt::ComPortDescription> ports;
    if (Lister)
        Lister(ports);
    const QString typed = currentText();
    const bool blocked = blockSignals(true);
    clear();
    for (const auto& port : ports)
        addItem(EntryText(port));
    setCurrentIndex(-1);
    setEditText(typed);
    blockSignals(blocked);
}

void TComPortCombo::showPopup()
{
    RebuildList();
    QComboBox::showPopup();
}

TComPortChanelFrame::TComPortChanelFrame(TComPortChanelParams& params, QWidget* parent)
    : QWidget(parent), params_(params)
{
    setObjectName("ComPortChanelFrame");
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);

    ComPortCombo = new TComPortCombo(this);
    ComPortCombo->setObjectName("ComPortCombo");
    PortSpeed = new QComboBox(this);
    PortSpeed->setObjectName("PortSpeed");
    PortSpeed->setEditable(true);
    PortSpeed->setInsertPolicy(QComboBox::NoInsert);
    for (const char* speed : {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"})
        PortSpeed->addItem(speed);
    PortSpeed->setCurrentText("19200");
    NetAddress = new QSpinBox(this);
    NetAddress->setObjectName("NetAddress");
    NetAddress->setRange(0, 254);
    ModemConnection = new QCheckBox(QString::fromUtf8("Модем"), this);
    ModemConnection->setObjectName("ModemConnection");
    PhoneNumber = new QLineEdit(this);
    PhoneNumber->setObjectName("PhoneNumber");

    grid->addWidget(new QLabel(QString::fromUtf8("Порт"), this), 0, 0);
    grid->addWidget(ComPortCombo, 0, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("Скорость"), this), 1, 0);
    grid->addWidget(PortSpeed, 1, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("Сетевой адрес"), this), 2, 0);
    grid->addWidget(NetAddress, 2, 1);
    grid->addWidget(ModemConnection, 3, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("Номер телефона"), this), 4, 0);
    grid->addWidget(PhoneNumber, 4, 1);
    grid->setRowStretch(5, 1);

    connect(ComPortCombo, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        if (!filling_)
            params_.ComPortName = PortNameOf(text);
    });
    connect(PortSpeed, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        if (!filling_)
            params_.Speed = static_cast<int32_t>(StrToUInt(text.toStdString()));
    });
    connect(NetAddress, &QSpinBox::valueChanged, this, [this](int value) {
        if (!filling_)
            params_.NetAddr = value;
    });
    connect(ModemConnection, &QCheckBox::clicked, this, [this](bool checked) {
        params_.ModemConnection = checked;
        ShowPhoneState();
    });
    connect(PhoneNumber, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!filling_)
            params_.PhoneNumber = text.toStdString();
    });
    Fill();
}

std::string TComPortChanelFrame::PortNameOf(const QString& text)
{
    const std::string whole = text.toStdString();
    const size_t blank = whole.find(' ');
    return blank == std::string::npos ? whole : whole.substr(0, blank);
}

void TComPortChanelFrame::Fill()
{
    filling_ = true;
    ComPortCombo->setEditText(QString::fromStdString(params_.ComPortName));
    PortSpeed->setCurrentIndex(-1);
    PortSpeed->setEditText(QString::number(params_.Speed));
    NetAddress->setValue(params_.NetAddr);
    ModemConnection->setChecked(params_.ModemConnection);
    PhoneNumber->setText(QString::fromStdString(params_.PhoneNumber));
    ShowPhoneState();
    filling_ = false;
}

void TComPortChanelFrame::ShowPhoneState()
{
    const bool on = ModemConnection->isChecked();
    PhoneNumber->setEnabled(on);
    QPalette palette = PhoneNumber->palette();
    palette.setColor(QPalette::Base,
                     on ? QApplication::palette().color(QPalette::Base) : TTxRxWrapper::ButtonFace());
    PhoneNumber->setPalette(palette);
}
