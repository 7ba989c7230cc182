#pragma once
// TAds1262Setup: the setup of an ADS1262 of the meters of the later
// modifications, which have one for the flow signal and one for the
// inductor current: the chip's mode registers, input and reference
// multiplexers, current sources, test DACs and its 24-bit offset and
// full-scale calibration, as one 16-byte record of the system settings
// block. The frame edits the record; the system settings page reads and
// stores it under the device model's lock.

#include "device/zt_registers.h"

#include <QWidget>

#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;

class TAds1262Setup : public QWidget {
    Q_OBJECT
public:
    explicit TAds1262Setup(QWidget* parent = nullptr);

    void ShowSetup(const ZT_namespace::Ads1262SetupStruct& setup);
    // The record as edited; a list without a selection gives 0.
    ZT_namespace::Ads1262SetupStruct Setup() const;
    // Why the edits cannot be stored; empty when they can.
    std::string Check() const;

private:
    QComboBox *ConversionDelay, *Chop, *RunMode, *ReferencePolarity;
    QComboBox *BiasMagnitude, *BiasPolarity, *BiasConnection, *Filter;
    QComboBox *DataRate, *Gain, *MuxPos, *MuxNeg;
    QComboBox *Idac1Mux, *Idac2Mux, *Idac1Mag, *Idac2Mag, *RefMuxP, *RefMuxN;
    QComboBox *TDacPMag, *TDacNMag;
    QCheckBox *PGABypass, *TDacP, *TDacN;
    QLineEdit *Offset, *FullScale;
};
