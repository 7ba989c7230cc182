#pragma once
// TSystemSetup_2: the meter's second block of system settings: the system
// flags, which excitation phases connect the input and the reference or
// short the input, the input offset correction, the thermometer's voltage
// at 20 °C, the calibration of the water-resistance measurement and its
// control threshold, the test pulse weight and the inductor's resistance at
// 20 °C.

#include "pages/pageframe.h"

class QLineEdit;
class QPushButton;

class TSystemSetup_2 : public TDevicePageFrame {
    Q_OBJECT
public:
    explicit TSystemSetup_2(QWidget* parent = nullptr);

    bool CollectPage() override;

    // Handlers of "Считать" and "Установить"; a null sender is a call from
    // program code.
    bool GetSetupClick(QObject* sender);
    bool SetSetupClick(QObject* sender);

private:
    QLineEdit* WeightImpulseCheck;
    QPushButton *GetSetup, *SetSetup;
};
