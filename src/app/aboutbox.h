#pragma once
// TAboutBox: the program information window: its description, version and
// build date and time, and the maker's web address.

#include <QDialog>
#include <QString>

class QLabel;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    // The build's date and time as dd/mm/yyyy hh:mm:ss, from the compiler's
    // "Mmm dd yyyy" and "hh:mm:ss".
    static QString BuildDateTime(const char* date, const char* time);
    static const char* const kWebAddress;

    QLabel* FileDescription = nullptr;
    QLabel* Version = nullptr;
    QLabel* DataTime = nullptr;
    QLabel* Link = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* panel_ = nullptr;
};
