#include "engine/qtnotifydispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>

TQtNotifyDispatcher::TQtNotifyDispatcher()
{
    if (QCoreApplication::instance())
        target_.moveToThread(QCoreApplication::instance()->thread());
}

TQtNotifyDispatcher::~TQtNotifyDispatcher() = default;

void TQtNotifyDispatcher::Post(std::function<void()> task)
{
    QMetaObject::invokeMethod(&target_, std::move(task), Qt::QueuedConnection);
}
