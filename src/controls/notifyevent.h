#pragma once
// The plain event of the custom controls: the control that raised it.

#include <functional>

class QWidget;

using TNotifyEvent = std::function<void(QWidget* Sender)>;
