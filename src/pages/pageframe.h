#pragma once
// TDevicePageFrame: what every parameter page offers the device workspace.
// A page owns its controls only; its values live in the device model, which
// it reads and writes under the model's data lock. A page never exchanges
// with the meter itself: it asks the workspace to start an operation.

#include "device/zt_core.h"
#include "device/zt_helper.h"

#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <string>

class QLineEdit;
class TInteract;

// The texts of a shared list as the controls take them.
QStringList TextList(ZT_namespace::TTextList list);

// What a page may ask of the workspace that hosts it. Every start is true
// when the operation was started; a busy wrapper refuses silently.
class TPageHost {
public:
    virtual ~TPageHost() = default;
    virtual ZT_Helper& Device() = 0;
    virtual bool StartRead(int32_t tag, int32_t first, int32_t count, bool background,
                           const std::string& doneText) = 0;
    virtual bool StartWrite(int32_t tag, int32_t first, int32_t count, const std::string& doneText) = 0;
    virtual bool StartMultiOperation(int32_t tag, bool background, const std::string& doneText) = 0;
    virtual bool StartArchiveRead(int32_t tag, const ZT_ReadArchiveDataSetup& setup) = 0;
    // A line for the exchange log.
    virtual void LogMessage(const std::string& text) = 0;
    // The main window's title suffix.
    virtual void SetDeviceTitle(const std::string& text) = 0;
    // Shows the main window's status indicators from the current parameters.
    virtual void ShowDeviceStatus() = 0;
};

// The workspace as the pages reach it; null while no workspace exists, and
// then every page command does nothing.
extern TPageHost* PageHost;

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
    // The meter has been identified afresh (its modification may differ).
    virtual void IdentityChanged() {}
    // True while the page holds work that closing the program would lose.
    virtual bool IsModified() const { return false; }

protected:
    // A named read-only field of the page.
    QLineEdit* AddDisplay(const char* name);
    // The focus on the widget or inside it (the edit of an editable combo
    // box): a refresh leaves such a control alone.
    static bool HasFocus(const QWidget* widget);
};
