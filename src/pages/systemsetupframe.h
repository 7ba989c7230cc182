#pragma once
// TSystemSetup: the meter's system settings: the durations of the ten
// phases of the inductor excitation cycle (with the cycle's period and
// frequency), the modulator, the measuring chains of the flow signal and
// the inductor current, and the setup records of the measuring ADC chips.
// The chips depend on the meter's hardware modification: modification 0
// measures the signal with an AD7792, every other one (and an unknown one)
// has an ADS1262 for the signal and one for the inductor current.

#include "pages/pageframe.h"

#include <array>

class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class TAd7792Setup;
class TAds1262Setup;

class TSystemSetup : public TDevicePageFrame {
    Q_OBJECT
public:
    explicit TSystemSetup(QWidget* parent = nullptr);

    void InitPage() override;
    void RefreshPage() override;
    bool CollectPage() override;
    void IdentityChanged() override;

    // Builds the chip frames of the modification: one AD7792 frame for 0,
    // two ADS1262 frames for any other index. Frames already right stay.
    void SetModification(int index);

    // Period := pause + 2 x (the other nine phases); frequency := 1000 /
    // period, 0 for a zero period.
    void PhaseChange();

    // What the ADC signal view takes: the "Разгон" duration (ms) and, with
    // an AD7792 frame, the conversion period (ms) of its data rate (0
    // without one).
    double AccelDuration() const;
    double AdcConversionPeriod() const;
    // The AD7792's conversion period (ms) by data rate index; 0 outside.
    static double Ad7792ConversionPeriod(int dataRateIndex);

    TAd7792Setup* Ad7792Frame() const { return Ad7792; }
    TAds1262Setup* SignalAds1262Frame() const { return SignalAds1262; }
    TAds1262Setup* InductorAds1262Frame() const { return InductorAds1262; }

    // Handlers of "Считать" and "Установить"; a null sender is a call from
    // program code.
    bool GetSetupClick(QObject* sender);
    bool SetSetupClick(QObject* sender);

private:
    std::array<QSpinBox*, 10> Phases{};
    std::array<QSpinBox*, 8> Modulator{};
    QLineEdit *MeasureInterval, *MeasureFreq;
    QTabWidget* AdcPageControl;
    QWidget *SignalAdcTab, *InductorAdcTab;
    TAd7792Setup* Ad7792 = nullptr;
    TAds1262Setup* SignalAds1262 = nullptr;
    TAds1262Setup* InductorAds1262 = nullptr;
    QPushButton *GetSetup, *SetSetup;
};
