#include "app/application.h"

#include <QMessageBox>

#include <cstdio>
#include <exception>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv), ShowException(ShowExceptionBox)
{
}

void TApplication::ShowExceptionBox(const std::string& text)
{
    QMessageBox::critical(QApplication::activeWindow(), QString::fromUtf8("ZT Конфигуратор"),
                          QString::fromStdString(text));
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    std::string text;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        text = error.what();
    } catch (...) {
        // A foreign exception carries no text.
    }
    std::fprintf(stderr, "zt-configurator: %s\n", text.c_str());
    if (ShowException)
        ShowException(text);
    return false;
}
