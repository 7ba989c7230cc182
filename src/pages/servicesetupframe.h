#pragma once
// TServiceSetup: the page "Сервисные параметры" for service engineers. It
// shows the meter's system event counters and the state of its pulse,
// frequency and current outputs, and sets the test modes of the measurement
// and of the outputs.

#include "pages/pageframe.h"

#include <array>

class QComboBox;
class QLineEdit;
class QPushButton;

class TServiceSetup : public TDevicePageFrame {
    Q_OBJECT
public:
    explicit TServiceSetup(QWidget* parent = nullptr);

    bool GetSetupClick(QObject* sender);
    // "Установить": the eight test mode values as they stand, no checks.
    bool SetOutTestModeClick(QObject* sender);

private:
    std::array<QLineEdit*, 16> SysCounters{};
    QLineEdit *Freq_1, *Freq_2, *ImpulseCount_1, *ImpulseCount_2;
    QLineEdit *ValueCurrent1, *ValueCurrent2, *CodeCurrent1, *CodeCurrent2;
    QComboBox *StatusCurrent1, *StatusCurrent2;
    QLineEdit *MainCodeExpense, *FreqExpence1, *FreqExpence2, *CurrentExpense1, *CurrentExpense2;
    QComboBox *MainMeasureTestMode, *OutTestModeFreq, *OutTestModeCurrent;
    QPushButton *GetSetup, *SetOutTestMode;
};
