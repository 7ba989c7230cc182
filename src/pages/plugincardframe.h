#pragma once
// TPlugInCard: the setup of one plug-in expansion card of the meter. A card
// is either a Modbus RTU port or a current output, as its slot mode says;
// the frame shows the group of the selected mode only (neither while no
// mode is selected). The work settings page binds the frame's controls to
// the card's fields.

#include <QGroupBox>

class QComboBox;
class QLineEdit;
class QSpinBox;

class TPlugInCard : public QGroupBox {
    Q_OBJECT
public:
    TPlugInCard(const QString& title, QWidget* parent = nullptr);

    // Selects "Modbus RTU" and shows its group.
    void InitCard();
    // Shows the group of the selected slot mode.
    void SlotModeChange();

    QComboBox* SlotMode;
    QGroupBox* ModbusGroup;
    QSpinBox* NetAddress;
    QComboBox* UartSpeed;
    QSpinBox* AddTimeout;
    QGroupBox* CurrentGroup;
    QComboBox* CurrentOutRange;
    QComboBox* WorkMode;
    QLineEdit* QhiCurrent;
    QLineEdit* QlowCurrent;
    QSpinBox* OutputAveraging;
};
