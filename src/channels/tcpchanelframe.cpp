#include "channels/tcpchanelframe.h"

#include "util/sysutil.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QStringList>

TTcpChanelFrame::TTcpChanelFrame(TTcpChanelParams& params, QWidget* parent) : QWidget(parent), params_(params)
{
    setObjectName("TcpChanelFrame");
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);

    IP_Address = new QComboBox(this);
    IP_Address->setObjectName("IP_Address");
    IP_Address->setEditable(true);
    IP_Address->setInsertPolicy(QComboBox::NoInsert);
    IP_Port = new QLineEdit(this);
    IP_Port->setObjectName("IP_Port");
    NetAddress = new QSpinBox(this);
    NetAddress->setObjectName("NetAddress");
    NetAddress->setRange(0, 254);
    TcpTimeout = new QLineEdit(this);
    TcpTimeout->setObjectName("TcpTimeout");
    TcpPause = new QLineEdit(this);
    TcpPause->setObjectName("TcpPause");

    grid->addWidget(new QLabel(QString::fromUtf8("IP адрес"), this), 0, 0);
    grid->addWidget(IP_Address, 0, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("Порт"), this), 1, 0);
    grid->addWidget(IP_Port, 1, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("Сетевой адрес"), this), 2, 0);
    grid->addWidget(NetAddress, 2, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("Таймаут канала, мс"), this), 3, 0);
    grid->addWidget(TcpTimeout, 3, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("Пауза между пакетами, мс"), this), 4, 0);
    grid->addWidget(TcpPause, 4, 1);
    grid->setRowStretch(5, 1);

    auto number = [](const QString& text) { return static_cast<int32_t>(StrToUInt(text.toStdString())); };
    connect(IP_Address, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        if (!filling_)
            params_.TcpAddress = text.toStdString();
    });
    connect(IP_Port, &QLineEdit::textChanged, this, [this, number](const QString& text) {
        if (!filling_)
            params_.TcpPort = number(text);
    });
    connect(NetAddress, &QSpinBox::valueChanged, this, [this](int value) {
        if (!filling_)
            params_.NetAddr = value;
    });
    connect(TcpTimeout, &QLineEdit::textChanged, this, [this, number](const QString& text) {
        if (!filling_)
            params_.TcpTimeout = number(text);
    });
    connect(TcpPause, &QLineEdit::textChanged, this, [this, number](const QString& text) {
        if (!filling_)
            params_.TcpPause = number(text);
    });
    Fill();
}

void TTcpChanelFrame::Fill()
{
    filling_ = true;
    QStringList items;
    for (const auto& address : params_.IPAddressList)
        items << QString::fromStdString(address);
    items.sort();
    IP_Address->clear();
    IP_Address->addItems(items);
    IP_Address->setCurrentIndex(-1);
    IP_Address->setEditText(QString::fromStdString(params_.TcpAddress));
    IP_Port->setText(QString::number(params_.TcpPort));
    NetAddress->setValue(params_.NetAddr);
    TcpTimeout->setText(QString::number(params_.TcpTimeout));
    TcpPause->setText(QString::number(params_.TcpPause));
    filling_ = false;
}
