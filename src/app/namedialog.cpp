#include "app/namedialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TNameDlg::TNameDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName("NameDlg");
    setWindowTitle(QString::fromUtf8("Имя пакета"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setMinimumWidth(260);
    layout->addWidget(Edit1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    OkBitBtn = new QPushButton("OK", this);
    OkBitBtn->setObjectName("OkBitBtn");
    OkBitBtn->setDefault(true);
    CancelBitBtn = new QPushButton(QString::fromUtf8("Отмена"), this);
    CancelBitBtn->setObjectName("CancelBitBtn");
    buttons->addWidget(OkBitBtn);
    buttons->addWidget(CancelBitBtn);
    layout->addLayout(buttons);
    connect(OkBitBtn, &QPushButton::clicked, this, [this] {
        Name = Edit1->text();
        accept();
    });
    connect(CancelBitBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TNameDlg::showEvent(QShowEvent* event)
{
    Edit1->setText(Name);
    Edit1->selectAll();
    QDialog::showEvent(event);
}

TLoadChoiseDlg::TLoadChoiseDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName("LoadChoiseDlg");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QString::fromUtf8("Выберете действие для новых записей "), this);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
    auto* buttons = new QHBoxLayout;
    ClearButton = new QPushButton(QString::fromUtf8("Очистить пакет"), this);
    ClearButton->setObjectName("ClearButton");
    AppendButton = new QPushButton(QString::fromUtf8("Добавить записи"), this);
    AppendButton->setObjectName("AppendButton");
    NewPacketButton = new QPushButton(QString::fromUtf8("Создать новый пакет"), this);
    NewPacketButton->setObjectName("NewPacketButton");
    buttons->addWidget(ClearButton);
    buttons->addWidget(AppendButton);
    buttons->addWidget(NewPacketButton);
    layout->addLayout(buttons);
    connect(ClearButton, &QPushButton::clicked, this, [this] { done(lcClear); });
    connect(AppendButton, &QPushButton::clicked, this, [this] { done(lcAppend); });
    connect(NewPacketButton, &QPushButton::clicked, this, [this] { done(lcNewPacket); });
}
