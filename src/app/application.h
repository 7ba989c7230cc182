#pragma once
// TApplication: the program's Qt application. An exception that escapes a
// window's event handler is shown in the standard message box with its text
// and the program carries on, as it does for every other failure of a
// command; a foreign exception shows an empty text.

#include <QApplication>

#include <functional>
#include <string>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows an escaped exception's text; the standard message box unless
    // replaced (tests).
    std::function<void(const std::string& text)> ShowException;
    static void ShowExceptionBox(const std::string& text);
};
