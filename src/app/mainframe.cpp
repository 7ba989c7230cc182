#include "app/mainframe.h"

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    setObjectName("MainForm");
    setWindowTitle(QString::fromUtf8("ZT Конфигуратор"));
    resize(1111, 749);
}
