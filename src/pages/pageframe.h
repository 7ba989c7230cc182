#pragma once
// TDevicePageFrame: what every parameter page offers the device workspace.
// A page owns its controls only; its values live in the device model, which
// it reads and writes under the model's data lock. A page never exchanges
// with the meter itself: it asks the workspace to read or write one of the
// register map's blocks, and the block carries its tags and texts.
//
// A page declares its controls as bindings to fields of the register map;
// the base refreshes them (under the lock, signals blocked, a control with
// the keyboard focus left alone) and collects them (every value checked
// before any is stored; the first refusal logged). What a page computes
// beyond its fields stays in the page around the bindings.

#include "device/zt_core.h"
#include "device/zt_helper.h"
#include "pages/fieldbinding.h"

#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

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
    // The block's own read (a range, or the multi-block operation it is
    // read with); `background` reads quietly without a completion text.
    virtual bool ReadBlock(const ZT_namespace::TBlockStruct& block, bool background) = 0;
    // The block's write from the model's holding image; `second` is the
    // second write of a command block.
    virtual bool WriteBlock(const ZT_namespace::TBlockStruct& block, bool second = false) = 0;
    // A second call while the reading runs cancels it and returns false.
    virtual bool StartArchiveRead(const ZT_namespace::TArchiveReadStruct& read,
                                  const ZT_ReadArchiveDataSetup& setup) = 0;
    // A line for the exchange log.
    virtual void LogMessage(const std::string& text) = 0;
    // The main window's title suffix.
    virtual void SetDeviceTitle(const std::string& text) = 0;
};

// The workspace as the pages reach it; null while no workspace exists, and
// then every page command does nothing.
extern TPageHost* PageHost;

class TDevicePageFrame : public QWidget {
    Q_OBJECT
public:
    explicit TDevicePageFrame(QWidget* parent = nullptr) : QWidget(parent) {}
    ~TDevicePageFrame() override;

    // The block the page reads and writes; set once from the workspace's
    // page table (null: the page reads nothing of its own).
    void SetPageBlock(const ZT_namespace::TBlockStruct* block) { PageBlock = block; }
    const ZT_namespace::TBlockStruct* GetPageBlock() const { return PageBlock; }

    // Fills the static content (list items and the like); called once by
    // the workspace's InitPages.
    virtual void InitPage() {}
    // Starts the page's read; `background` is true for the timer and the
    // tree, which read quietly without a completion text. True when an
    // operation was started.
    virtual bool ReadPage(bool background);
    // Shows the device model's values (after the page's read completed).
    virtual void RefreshPage() { RefreshBindings(); }
    // Copies the edits into the device model; false, with the reason
    // logged, when a value is refused.
    virtual bool CollectPage() { return CollectBindings(0); }
    // Collects the page and writes its block.
    virtual bool WritePage();

    // Progress of a long reading (archive pages) and the records of a live
    // stream (observation pages).
    virtual void ShowProgress(int32_t percent) { (void)percent; }
    virtual void TakeData(TInteract& record) { (void)record; }
    // The meter has been identified afresh (its modification may differ).
    virtual void IdentityChanged() {}
    // The timing of the ADC signal's samples, from the system settings:
    // the conversion period and the time of the first sample's reference.
    virtual void TakeAdcTiming(double periodMs, double offsetMs)
    {
        (void)periodMs;
        (void)offsetMs;
    }
    // True while the page holds work that closing the program would lose.
    virtual bool IsModified() const { return false; }

protected:
    // Bindings. Each creates the control with its object name (parented to
    // the page until a layout takes it) and binds it; `format` overrides
    // the field's display format.
    QLineEdit* AddDisplay(const char* name);
    QLineEdit* BindDisplay(const char* name, ZT_Binding::TScalarField field, std::string_view format = {});
    QLineEdit* BindEdit(const char* name, ZT_Binding::TScalarField field, std::string_view format = {},
                        std::string refusal = {});
    class QSpinBox* BindSpin(const char* name, ZT_Binding::TScalarField field);
    class QComboBox* BindList(const char* name, ZT_namespace::TIndexField field, bool readOnly = false);
    class QCheckBox* BindCheck(const char* name, const char* caption, ZT_namespace::TField<uint16_t> field,
                               int bit = -1);
    template <class Edit> Edit* BindBits(const char* name, ZT_namespace::TBitsField field, bool readOnly)
    {
        auto* edit = new Edit(this);
        edit->setObjectName(name);
        Bind(std::make_unique<ZT_Binding::TBitsBinding>(edit, field, readOnly));
        return edit;
    }
    void BindDateTime(class QDateEdit* date, class QTimeEdit* time, ZT_Binding::TDateTimeFields fields,
                      bool readOnly, std::string invalidText = {});
    // The row of the page's "Считать" (`GetSetup`) and, when `write` is
    // given, "Установить" (`SetSetup`) buttons, added to the top of `root`.
    void AddSetupButtons(class QBoxLayout* root, class QPushButton*& read, class QPushButton** write);
    // Takes any binding; returns it for further settings.
    TFieldBinding& Bind(std::unique_ptr<TFieldBinding> binding);
    // The binding of a control (null when the control has none).
    TFieldBinding* BindingOf(const QWidget* control) const;
    // The controls are left alone together while any of them has the focus.
    void FocusGroup(std::initializer_list<const QWidget*> controls);
    // The controls are stored by `set` (see TFieldBinding::CollectSet).
    void CollectSet(int set, std::initializer_list<const QWidget*> controls);

    // Shows every binding (the current focus rule applied) under the lock.
    void RefreshBindings();
    // Checks every binding of `set`; when all pass, stores them under the
    // lock and returns true; otherwise logs the first refusal, stores
    // nothing and returns false.
    bool CollectBindings(int set);

    // The focus on the widget or inside it.
    static bool HasFocus(const QWidget* widget) { return WidgetHasFocus(widget); }

    const ZT_namespace::TBlockStruct* PageBlock = nullptr;

private:
    std::vector<std::unique_ptr<TFieldBinding>> Bindings;
    // The widgets of each focus group, by group number.
    std::vector<std::vector<const QWidget*>> Groups;
};
