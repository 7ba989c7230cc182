#pragma once
// TServiceInfo: the page "Сервисная информация". It shows the meter's
// internal measurement values: temperatures, processor load, modulator,
// supply and inductor voltages, inductor current and resistance, the
// signal, the water resistance, the filtered code and noise, and the signal
// gradients.

#include "pages/pageframe.h"

class QLineEdit;
class QPushButton;

class TServiceInfo : public TDevicePageFrame {
    Q_OBJECT
public:
    explicit TServiceInfo(QWidget* parent = nullptr);

    void RefreshPage() override;
    bool GetSetupClick(QObject* sender);

private:
    QLineEdit *AdcTemperature, *CpuTemperature, *InductorTemperature, *CpuBusyPercent;
    QLineEdit* ExtVoltageDrop;
    QPushButton* GetSetup;
};
