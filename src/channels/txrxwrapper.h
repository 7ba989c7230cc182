#pragma once
// TTxRxWrapper: the transmit and receive lamps. Channels post indicator codes
// to its hidden window from any thread; the codes and a 5 ms countdown
// colour the two lamps on the window thread.

#include "engine/notifywindow.h"

#include <QColor>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>

class TTxRxWrapper {
public:
    // Ticks a lamp stays yellow after a frame.
    static constexpr int32_t kCountdown = 5;
    static constexpr int kTickMs = 5;

    TTxRxWrapper();
    ~TTxRxWrapper();
    TTxRxWrapper(const TTxRxWrapper&) = delete;
    TTxRxWrapper& operator=(const TTxRxWrapper&) = delete;

    // Binds the lamps; either may be null. A lamp that is a frame (panel,
    // label) takes the colours as its background; any other widget is left
    // alone.
    void SetIndicators(QWidget* transmit, QWidget* receive);
    const TNotifyWindow& Window() const { return window_; }

    // The effect of one indicator code (WM_INDICATOR) and of one tick.
    void HandleCode(intptr_t code);
    void Tick();

    int32_t TxCount() const { return txCount_; }
    int32_t RxCount() const { return rxCount_; }

    static QColor Yellow() { return QColor(255, 255, 0); }
    static QColor BrightGreen() { return QColor(0, 255, 0); }
    static QColor Black() { return QColor(0, 0, 0); }
    static QColor ButtonFace();
    // Paints a panel-like widget; other widgets stay as they are.
    static void PaintPanel(QWidget* widget, const QColor& color);

private:
    TNotifyWindow window_;
    QPointer<QWidget> tx_;
    QPointer<QWidget> rx_;
    int32_t txCount_ = 0;
    int32_t rxCount_ = 0;
    QTimer timer_;
};
