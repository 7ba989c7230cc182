#pragma once
// The window thread's queue over the Qt event loop: a posted task runs on
// the thread of the application object.

#include "engine/notifywindow.h"

#include <QObject>

class TQtNotifyDispatcher : public TMessageDispatcher {
public:
    TQtNotifyDispatcher();
    ~TQtNotifyDispatcher() override;
    void Post(std::function<void()> task) override;

private:
    QObject target_;
};
