#pragma once
// TIdentification: the page "Настройки". It shows and edits what identifies
// the meter (serial number, nominal bore, body type, accuracy class), shows
// its identity and checksums, sets its clock and clock correction, and
// starts or cancels the clearing of its archive. It also builds the main
// window's title from the designation and the serial number.

#include "pages/configuration.h"
#include "pages/pageframe.h"

#include <QDateTime>

#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimeEdit;

class TIdentification : public TDevicePageFrame {
    Q_OBJECT
public:
    explicit TIdentification(QWidget* parent = nullptr);

    bool ReadPage(bool background) override;
    void RefreshPage() override;
    void IdentityChanged() override { RefreshIdentity(); }

    void RefreshIdentity();
    // Rebuilds the designation and the main window's title.
    void UpdateIdentification();
    // "ZT-А-" + body letter + Ду as shown + "-" + class letter.
    std::string Designation() const;

    // The configuration file's `Identification` section: the serial number
    // and Ду as shown, the body type and class as list indices (0 when none
    // is selected). Neither touches the device model; the reader rebuilds
    // the designation and the title.
    void WriteSection(const ZT_Pages::TConfiguration& node) const;
    void ReadSection(const ZT_Pages::TConfiguration& node);

    // Handlers; a null sender is a call from program code.
    bool GetSetupClick(QObject* sender);
    bool SetSystemSetupClick(QObject* sender);
    // "Время и дата" and "Время с ПК": the PC's clock when the sender is
    // the "Время с ПК" button, the pickers otherwise.
    bool SetDataTimeButtonClick(QObject* sender);
    bool SetTimeCorrectionClick(QObject* sender);
    bool ClearArchiveButtonClick(QObject* sender);

    bool Clearing() const { return clearing_; }
    // The PC's clock ("Время с ПК").
    std::function<QDateTime()> Clock = [] { return QDateTime::currentDateTime(); };

private:
    QLineEdit* SerialNumber;
    QComboBox* DuCombo;
    QComboBox* TypeDevice;
    QComboBox* ClassDevice;
    QComboBox* PluginCard1;
    QComboBox* PluginCard2;
    QCheckBox* ArchiveModule;
    QCheckBox* ReverseModification;
    QLineEdit* Identification;
    QLineEdit* Modification;
    QLineEdit* Version;
    QLineEdit* ModelName;
    QComboBox* WorkMode;
    QPushButton* SetSystemSetup;
    QLineEdit* FirmwareCS;
    QLineEdit* MetrologyCS;
    QLineEdit* SetupCS;
    QLineEdit* CalibrationCS;
    QDateEdit* CurrentDatePicker;
    QTimeEdit* CurrentTimePicker;
    QSpinBox* RTCCorrection;
    QSpinBox* TimeCorrection;
    QPushButton* SetDataTimeButton;
    QPushButton* SetCurrentDataTimeButton;
    QPushButton* SetTimeCorrection;
    QDateEdit* InitDatePicker;
    QTimeEdit* InitTimePicker;
    QProgressBar* ClaerArchiveProgressBar;
    QPushButton* ClearArchiveButton;
    QPushButton* GetSetup;
    QCheckBox* ResetJournalCheck;
    QCheckBox* ResetCountersCheck;
    QLineEdit* SoftwareStamp;

    bool clearing_ = false;
    bool updating_ = false;
};
