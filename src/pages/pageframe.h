#pragma once
// TDevicePageFrame: what every parameter page offers the device workspace.
// A page owns its controls only; its values live in the device model, which
// it reads and writes under the model's data lock. A page never exchanges
// with the meter itself: it asks the workspace to start an operation.

#include <QWidget>

#include <cstdint>

class TInteract;

class TDevicePageFrame : public QWidget {
    Q_OBJECT
public:
    explicit TDevicePageFrame(QWidget* parent = nullptr) : QWidget(parent) {}

    // Fills the static content (list items and the like); called once by
    // the workspace's InitPages.
    virtual void InitPage() {}
    // Starts the page's read; `background` is true for the timer and the
    // tree, which read quietly without a completion text. True when an
    // operation was started.
    virtual bool ReadPage(bool background)
    {
        (void)background;
        return false;
    }
    // Shows the device model's values (after the page's read completed).
    virtual void RefreshPage() {}
    // Copies the edits into the device model; false, with the reason
    // logged, when a value is refused.
    virtual bool CollectPage() { return true; }

    // Progress of a long reading (archive pages) and the records of a live
    // stream (observation pages).
    virtual void ShowProgress(int32_t percent) { (void)percent; }
    virtual void TakeData(TInteract& record) { (void)record; }
};
