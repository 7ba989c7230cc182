#include "channels/chanelsetupform.h"

#include "channels/comportchanelframe.h"
#include "channels/tcpchanelframe.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TChanelSetupFrame::TChanelSetupFrame(QWidget* owner, const std::string& keyPath)
    : QDialog(owner), keyPath_(keyPath)
{
    setObjectName("ChanelSetupFrame");
    setWindowTitle(QString::fromUtf8("Настройка канала связи"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QString::fromUtf8("Канал связи"), this));
    ChanelComboBox = new QComboBox(this);
    ChanelComboBox->setObjectName("ChanelComboBox");
    ChanelComboBox->addItem(QString::fromUtf8("COM порт (RS232 / RS485)"));
    ChanelComboBox->addItem(QString::fromUtf8("TCP / IP (прозрачный канал)"));
    top->addWidget(ChanelComboBox, 1);
    layout->addLayout(top);

    auto* panel = new QFrame(this);
    panel->setObjectName("ParamsPanel");
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setMinimumSize(320, 180);
    new QVBoxLayout(panel);
    panel->layout()->setContentsMargins(0, 0, 0, 0);
    ParamsPanel = panel;
    layout->addWidget(ParamsPanel, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    OkButton = new QPushButton("OK", this);
    OkButton->setObjectName("OkButton");
    OkButton->setDefault(true);
    bottom->addWidget(OkButton);
    layout->addLayout(bottom);

    const int32_t kind = keyPath_.empty() ? ckComPort : ReadCurentChanel(keyPath_);
    chanel_ = CreateChanel(kind, ChanelKeyPath(keyPath_, kind));
    selecting_ = true;
    ChanelComboBox->setCurrentIndex(kind);
    selecting_ = false;
    ShowFrame();

    connect(ChanelComboBox, &QComboBox::currentIndexChanged, this,
            [this](int index) { SelectionChanged(index); });
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
}

TChanelSetupFrame::~TChanelSetupFrame()
{
    delete frame_;
    frame_ = nullptr;
}

int32_t TChanelSetupFrame::CurrentKind() const
{
    return chanel_ ? chanel_->ChanelKind() : -1;
}

void TChanelSetupFrame::SetChanelOpened(bool open)
{
    ChanelComboBox->setEnabled(!open);
    ParamsPanel->setEnabled(!open);
    OkButton->setEnabled(!open);
}

void TChanelSetupFrame::showEvent(QShowEvent* event)
{
    SetChanelOpened(busy_ || (chanel_ && chanel_->IsOpen()));
    QDialog::showEvent(event);
}

void TChanelSetupFrame::SelectionChanged(int index)
{
    if (selecting_)
        return;
    if (index == CurrentKind()) {
        pendingKind_ = -1;
    } else {
        pendingKind_ = index;
        const std::string path = ChanelKeyPath(keyPath_, index);
        if (index == ckComPort) {
            pendingComPort_ = TComPortChanelParams{};
            if (!path.empty())
                pendingComPort_.Load(path);
        } else if (index == ckTcp) {
            pendingTcp_ = TTcpChanelParams{};
            if (!path.empty())
                pendingTcp_.Load(path);
        }
    }
    ShowFrame();
}

void TChanelSetupFrame::ShowFrame()
{
    delete frame_;
    frame_ = nullptr;
    TComPortChanelParams* comPort = nullptr;
    TTcpChanelParams* tcp = nullptr;
    if (pendingKind_ == ckComPort)
        comPort = &pendingComPort_;
    else if (pendingKind_ == ckTcp)
        tcp = &pendingTcp_;
    else if (auto* serial = dynamic_cast<ComPortChanelHelper*>(chanel_.get()))
        comPort = &serial->Params;
    else if (auto* net = dynamic_cast<TcpChanelHelper*>(chanel_.get()))
        tcp = &net->Params;
    if (comPort)
        frame_ = new TComPortChanelFrame(*comPort, ParamsPanel);
    else if (tcp)
        frame_ = new TTcpChanelFrame(*tcp, ParamsPanel);
    if (frame_)
        ParamsPanel->layout()->addWidget(frame_);
}

void TChanelSetupFrame::Commit()
{
    const int32_t kind = ChanelComboBox->currentIndex();
    if (pendingKind_ >= 0 && pendingKind_ == kind) {
        auto chanel = CreateChanel(kind, ChanelKeyPath(keyPath_, kind));
        if (auto* serial = dynamic_cast<ComPortChanelHelper*>(chanel.get()))
            serial->Params = pendingComPort_;
        else if (auto* net = dynamic_cast<TcpChanelHelper*>(chanel.get()))
            net->Params = pendingTcp_;
        // The frame edits the pending record; it is rebound below.
        delete frame_;
        frame_ = nullptr;
        if (chanel_)
            retired_.push_back(std::move(chanel_));
        chanel_ = std::move(chanel);
        pendingKind_ = -1;
        ShowFrame();
    }
    if (!keyPath_.empty())
        WriteCurentChanel(keyPath_, kind);
}

void TChanelSetupFrame::Revert()
{
    if (pendingKind_ < 0 && ChanelComboBox->currentIndex() == CurrentKind())
        return;
    pendingKind_ = -1;
    selecting_ = true;
    ChanelComboBox->setCurrentIndex(CurrentKind());
    selecting_ = false;
    ShowFrame();
}

void TChanelSetupFrame::done(int result)
{
    if (result == QDialog::Accepted)
        Commit();
    else
        Revert();
    QDialog::done(result);
}
