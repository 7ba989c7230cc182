#pragma once
// TComPortChanelFrame: the settings frame of the serial channel inside the
// channel choice dialog; it edits a TComPortChanelParams in place.

#include "channels/comportchanel.h"

#include <QComboBox>
#include <QWidget>

#include <functional>
#include <vector>

class QCheckBox;
class QLineEdit;
class QSpinBox;

// The port box: its list is rebuilt from the ports present each time it
// drops down, and the typed text stays.
class TComPortCombo : public QComboBox {
    Q_OBJECT
public:
    using TPortLister = std::function<void(std::vector<comprt::ComPortDescription>&)>;
    explicit TComPortCombo(QWidget* parent = nullptr);
    // "name" or "name  [description]".
    static QString EntryText(const comprt::ComPortDescription& port);
    void RebuildList();
    void showPopup() override;

    // Where the list comes from; the system's port list by default.
    TPortLister Lister;
};

class TComPortChanelFrame : public QWidget {
    Q_OBJECT
public:
    TComPortChanelFrame(TComPortChanelParams& params, QWidget* parent = nullptr);

    // Shows the settings.
    void Fill();
    // The port name an entry of the list or a typed text stands for: the
    // text before the first blank, or all of it.
    static std::string PortNameOf(const QString& text);

    TComPortCombo* ComPortCombo = nullptr;
    QComboBox* PortSpeed = nullptr;
    QSpinBox* NetAddress = nullptr;
    QCheckBox* ModemConnection = nullptr;
    QLineEdit* PhoneNumber = nullptr;

private:
    void ShowPhoneState();

    TComPortChanelParams& params_;
    bool filling_ = false;
};
