#pragma once
// The small dialogs of the calibration workbench: TNameDlg asks for a packet
// name, TLoadChoiseDlg asks what to do with newly loaded test-run records.

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

class TNameDlg : public QDialog {
    Q_OBJECT
public:
    explicit TNameDlg(QWidget* parent = nullptr);

    // The packet name: set by the caller before showing, read after OK.
    QString Name;

    QLineEdit* Edit1 = nullptr;
    QPushButton* OkBitBtn = nullptr;
    QPushButton* CancelBitBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

class TLoadChoiseDlg : public QDialog {
    Q_OBJECT
public:
    // The results of exec(): closing the dialog any other way gives
    // lcClosed, which the workbench treats like lcAppend.
    enum TLoadChoise {
        lcClosed = QDialog::Rejected,
        lcNewPacket = QDialog::Accepted,
        lcAppend = 6,
        lcClear = 7
    };

    explicit TLoadChoiseDlg(QWidget* parent = nullptr);

    QPushButton* ClearButton = nullptr;
    QPushButton* AppendButton = nullptr;
    QPushButton* NewPacketButton = nullptr;
};
