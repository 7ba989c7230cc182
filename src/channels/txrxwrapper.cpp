#include "channels/txrxwrapper.h"

#include "channels/chanelhelper.h"

#include <QApplication>
#include <QFrame>
#include <QPalette>

TTxRxWrapper::TTxRxWrapper()
{
    window_ = TNotifyWindow::Create([this](uint32_t message, intptr_t code, intptr_t) {
        if (message == WM_INDICATOR)
            HandleCode(code);
    });
    timer_.setInterval(kTickMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    timer_.start();
}

TTxRxWrapper::~TTxRxWrapper()
{
    timer_.stop();
    window_.Destroy();
}

void TTxRxWrapper::SetIndicators(QWidget* transmit, QWidget* receive)
{
    tx_ = transmit;
    rx_ = receive;
}

QColor TTxRxWrapper::ButtonFace()
{
    return QApplication::palette().color(QPalette::Button);
}

void TTxRxWrapper::PaintPanel(QWidget* widget, const QColor& color)
{
    if (!qobject_cast<QFrame*>(widget))
        return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void TTxRxWrapper::HandleCode(intptr_t code)
{
    switch (code) {
    // A state colour (failed, opened, closed) ends the countdowns, so that
    // the tick of an earlier frame does not paint over it.
    case kIndicatorFailed:
        PaintPanel(rx_, Black());
        rxCount_ = 0;
        break;
    case kIndicatorTransmit:
        PaintPanel(tx_, Yellow());
        txCount_ = kCountdown;
        break;
    case kIndicatorReceive:
        PaintPanel(rx_, Yellow());
        rxCount_ = kCountdown;
        break;
    case kIndicatorOpened:
        PaintPanel(tx_, BrightGreen());
        PaintPanel(rx_, BrightGreen());
        txCount_ = rxCount_ = 0;
        break;
    case kIndicatorClosed:
        PaintPanel(tx_, ButtonFace());
        PaintPanel(rx_, ButtonFace());
        txCount_ = rxCount_ = 0;
        break;
    default:
        break;
    }
}

void TTxRxWrapper::Tick()
{
    if (txCount_ > 0 && --txCount_ == 0)
        PaintPanel(tx_, BrightGreen());
    if (rxCount_ > 0 && --rxCount_ == 0)
        PaintPanel(rx_, BrightGreen());
}
