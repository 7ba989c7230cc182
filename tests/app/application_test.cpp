// The program's application object: an exception escaping an event handler
// is shown with its text and the event loop carries on.

#include "app/application.h"
#include "util/sysutil.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TThrowingWidget : public QWidget {
public:
    int Presses = 0;
    bool Foreign = false;

protected:
    void mousePressEvent(QMouseEvent*) override
    {
        ++Presses;
        if (Foreign)
            throw 42;
        throw Exception("Ошибка записи настроек");
    }
};

} // namespace

TEST(Application, ExceptionFromAnEventHandler_IsShownAndTheProgramCarriesOn)
{
    static int argc = 1;
    static char name[] = "application_test";
    static char* argv[] = {name, nullptr};
    TApplication app(argc, argv);
    std::vector<std::string> shown;
    app.ShowException = [&shown](const std::string& text) { shown.push_back(text); };

    TThrowingWidget widget;
    widget.resize(50, 50);
    widget.show();
    QTest::mouseClick(&widget, Qt::LeftButton);
    QTest::mouseClick(&widget, Qt::LeftButton);
    widget.Foreign = true;
    QTest::mouseClick(&widget, Qt::LeftButton);

    EXPECT_EQ(widget.Presses, 3);
    EXPECT_EQ(shown, (std::vector<std::string>{"Ошибка записи настроек", "Ошибка записи настроек", ""}));
}
