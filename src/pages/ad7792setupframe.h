#pragma once
// TAd7792Setup: the setup of the AD7792 that measures the flow signal on
// the meters of modification 0: its mode and configuration register bits
// and its offset and full-scale calibration registers, as one 16-byte record
// of the system settings block. The frame edits the record; the system
// settings page reads and stores it under the device model's lock.

#include "device/zt_registers.h"

#include <QWidget>

#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;

class TAd7792Setup : public QWidget {
    Q_OBJECT
public:
    explicit TAd7792Setup(QWidget* parent = nullptr);

    void ShowSetup(const ZT_namespace::Ad7792SetupStruct& setup);
    // The record as edited; a list without a selection gives 0.
    ZT_namespace::Ad7792SetupStruct Setup() const;
    // Why the edits cannot be stored; empty when they can.
    std::string Check() const;
    // The selected entry of the data rate list (-1: none).
    int DataRateIndex() const;

private:
    QComboBox *DataRate, *ClockSource, *RunMode, *Chanel, *Gain, *Bias;
    QCheckBox *Buffer, *IntReference, *Boost, *Unipolar, *Burnout;
    QLineEdit *Offset, *FullScale;
};
