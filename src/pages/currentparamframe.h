#pragma once
// TCurrentParams: the page "Текущие параметры". It shows the current
// parameters block (totals, flow, operating times, the three status words
// and the integration counters of the calibration rig) and starts and stops
// the meter's integration.

#include "pages/pageframe.h"

#include <cstdint>
#include <string>

class QLineEdit;
class QPushButton;
class TBitEditComboBox;

// The integration values the workbench takes for a new test point.
struct TIntegrationValuesStruct {
    double CodeIntegrator = 0;
    double TimeIntegrator = 0; // seconds
    uint32_t ImpulseIntegrator_1 = 0;
    uint32_t ImpulseIntegrator_2 = 0;
    double GradSigRaito = 0;
};

class TCurrentParams : public TDevicePageFrame {
    Q_OBJECT
public:
    explicit TCurrentParams(QWidget* parent = nullptr);

    void InitPage() override;
    bool ReadPage(bool background) override;
    void RefreshPage() override;

    // The handlers of "Считать", "Старт" and "Стоп"; a null sender is a
    // call from program code (a background read).
    bool GetCurrentParamsClick(QObject* sender);
    bool StartButtonClick(QObject* sender);
    bool StopButtonClick(QObject* sender);

    // The displayed integration values, as the workbench's "Добавить точку"
    // reads them.
    TIntegrationValuesStruct IntegrationValues() const;

private:
    // The integration command := `command`, then its write (the command
    // block's second write stops).
    bool SetIntegration(uint16_t command, bool stop);
    static void Show(QLineEdit* edit, const std::string& text);

    QLineEdit *VolumeD, *VolumeR, *Expense, *ExpenseLitre;
    QLineEdit *DirectFlowTime, *ReverseFlowTime, *StopFlowTime, *EmptyPipeTime, *HardwareErrorTime;
    QLineEdit *WorkTime, *OffTime;
    TBitEditComboBox *HardwareNotStaff, *WorkModeFlags, *SystemNotStaff;
    QLineEdit *MeasureCounter, *CodeIntegrator, *OffCodeIntegrator, *NoiseIntegrator, *NoiseSignal;
    QLineEdit *ExpenseIntegrator, *GradSigRaito, *TimeIntegrator, *VolumeCalculating, *VolumeIntegrator;
    QLineEdit *ImpulseIntegrator_1, *ImpulseIntegrator_2, *WeightImpulse_1, *WeightImpulse_2;
    QLineEdit *WeightImpulseL_1, *WeightImpulseL_2;
    QPushButton *GetCurrentParams, *StartButton, *StopButton;
};
