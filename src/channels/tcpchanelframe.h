#pragma once
// TTcpChanelFrame: the settings frame of the TCP channel inside the channel
// choice dialog; it edits a TTcpChanelParams in place.

#include "channels/tcpchanel.h"

#include <QWidget>

class QComboBox;
class QLineEdit;
class QSpinBox;

class TTcpChanelFrame : public QWidget {
    Q_OBJECT
public:
    TTcpChanelFrame(TTcpChanelParams& params, QWidget* parent = nullptr);

    void Fill();

    QComboBox* IP_Address = nullptr;
    QLineEdit* IP_Port = nullptr;
    QSpinBox* NetAddress = nullptr;
    QLineEdit* TcpTimeout = nullptr;
    QLineEdit* TcpPause = nullptr;

private:
    TTcpChanelParams& params_;
    bool filling_ = false;
};
