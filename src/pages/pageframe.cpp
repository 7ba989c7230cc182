#include "pages/pageframe.h"

#include <QApplication>
#include <QLineEdit>

TPageHost* PageHost = nullptr;

QStringList TextList(ZT_namespace::TTextList list)
{
    QStringList texts;
    for (std::string_view text : list)
        texts << QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return texts;
}

QLineEdit* TDevicePageFrame::AddDisplay(const char* name)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    return edit;
}

bool TDevicePageFrame::HasFocus(const QWidget* widget)
{
    const QWidget* focus = QApplication::focusWidget();
    return widget->hasFocus() || (focus && widget->isAncestorOf(focus));
}
