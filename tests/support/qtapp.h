#pragma once
// The one application object of the window tests. It lives until
// the process ends: destroying it at exit would outlive nothing useful and
// race the static destructors of the test framework.

#include <QApplication>

inline QApplication& TestApp()
{
    static int argc = 1;
    static char name[] = "zt_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// A fixture base that makes the application before any widget member.
struct TQtApp {
    TQtApp() { TestApp(); }
};
