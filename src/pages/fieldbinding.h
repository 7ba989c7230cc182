#pragma once
// Bindings of page controls to fields of the register map. A binding knows
// its field (register, type, list or bit texts, range, display format) from
// the map's one declaration, so a page states only which control shows
// which field. The page base refreshes and collects through them.

#include "device/zt_helper.h"

#include <QPointer>
#include <QWidget>

#include <string>
#include <string_view>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QSpinBox;
class QTimeEdit;
class TCustomBitEdit;

// The focus on the widget or inside it (the edit of an editable combo
// box): a refresh leaves such a control alone.
bool WidgetHasFocus(const QWidget* widget);

// Formats one value with a printf format whatever the format's integer
// length: an integer conversion ("%u", "%08d", "%04X") takes the value as a
// 64-bit integer, a real conversion ("%g", "%.4f") as a double.
std::string FormatValue(std::string_view format, double value);

// One control bound to one or more fields. `Refresh` shows the model's
// value; `Check` tells why the control's value cannot be stored (empty when
// it can); `Store` writes it into the model. The caller holds the data lock.
class TFieldBinding {
public:
    TFieldBinding(QWidget* control, bool readOnly) : Control(control), ReadOnly(readOnly) {}
    virtual ~TFieldBinding() = default;
    virtual void Refresh(const ZT_Helper& device) = 0;
    virtual std::string Check() const { return {}; }
    virtual void Store(ZT_Helper& device) const { (void)device; }
    virtual bool Focused() const { return Control && WidgetHasFocus(Control); }

    QPointer<QWidget> Control;
    // A line for the exchange log that the last refresh produced.
    std::string Notice;
    // A read-only control shows the meter and is never stored.
    bool ReadOnly;
    // Follows the meter even while it has the focus (a value the user
    // cannot edit and that must never look stale).
    bool IgnoresFocus = false;
    // Controls of one focus group are left alone together while any of
    // them has the focus; -1 is no group.
    int Group = -1;
    // The collection the control's value is stored by: 0 is the page's own
    // collect (write-all, the configuration file, the page's write); a
    // command of the page stores its own set; -1 is never stored.
    int CollectSet = 0;
};

namespace ZT_Binding {

using namespace ZT_namespace;

// The scalar view of a typed field: its register, kind and declaration.
struct TScalarField {
    uint16_t Register;
    TFieldType Type;
    TFieldMeta Meta;
    TScalarField(TField<uint16_t> f) : Register(f.Register), Type(TFieldType::UInt16), Meta(f.Meta) {}
    TScalarField(TField<int16_t> f) : Register(f.Register), Type(TFieldType::Int16), Meta(f.Meta) {}
    TScalarField(TField<uint32_t> f) : Register(f.Register), Type(TFieldType::UInt32), Meta(f.Meta) {}
    TScalarField(TField<int32_t> f) : Register(f.Register), Type(TFieldType::Int32), Meta(f.Meta) {}
    TScalarField(TField<float> f) : Register(f.Register), Type(TFieldType::Float32), Meta(f.Meta) {}
    TScalarField(TInt8LowField f) : Register(f.Register), Type(TFieldType::Int8Low), Meta(f.Meta) {}

    double Get(const ZT_Helper& device) const;
    void Set(ZT_Helper& device, double value) const;
    bool IsReal() const { return Type == TFieldType::Float32; }
};

// A text edit (or display) of a number. `format` overrides the field's
// display format; `refusal` is logged when a typed value is outside the
// field's range (its default names the field). On an editable combo box the
// number is its edit text and a refresh leaves no list entry selected.
// Text is typed as a whole number when the field is an unscaled integer or
// the format is an integer conversion (a real shown as an integer), and as
// a real otherwise.
class TNumberBinding : public TFieldBinding {
public:
    TNumberBinding(QLineEdit* edit, TScalarField field, std::string_view format, bool readOnly,
                   std::string refusal);
    TNumberBinding(QComboBox* combo, TScalarField field, std::string_view format, std::string refusal);
    void Refresh(const ZT_Helper& device) override;
    std::string Check() const override;
    void Store(ZT_Helper& device) const override;
    // The typed value under the number conventions: a comma is a point,
    // empty or non-numeric text is 0.
    double Value() const;

    // Register units per shown unit: the edit shows the stored value divided
    // by it, and a typed value times it is checked against the field's range
    // and stored rounded half up (pressures kept in 0.0001 MPa: 10000).
    double Scale = 1;

private:
    std::string Text() const;
    bool TypedWhole() const;

    QLineEdit* Edit = nullptr;
    QComboBox* Combo = nullptr;
    TScalarField Field;
    std::string Fmt;
    std::string Refusal;
};

// A spin box whose range is the field's.
class TSpinBinding : public TFieldBinding {
public:
    TSpinBinding(QSpinBox* spin, TScalarField field);
    void Refresh(const ZT_Helper& device) override;
    void Store(ZT_Helper& device) const override;

private:
    QSpinBox* Spin;
    TScalarField Field;
};

// A drop-down list of an index field: the entry the index selects, no
// selection for an index outside the list; an empty selection stores 0. A
// list without entries names no value of the field, so it leaves the stored
// value as read.
class TListBinding : public TFieldBinding {
public:
    TListBinding(QComboBox* combo, TIndexField field, bool readOnly);
    void Refresh(const ZT_Helper& device) override;
    void Store(ZT_Helper& device) const override;

private:
    QComboBox* Combo;
    TIndexField Field;
};

// A group of exclusive buttons of an index field: button n stands for value
// n. A value without a button leaves the buttons as they are; no checked
// button stores 0. `container` holds the buttons (the focus test).
class TRadioBinding : public TFieldBinding {
public:
    TRadioBinding(QWidget* container, std::vector<QAbstractButton*> buttons, TIndexField field);
    void Refresh(const ZT_Helper& device) override;
    void Store(ZT_Helper& device) const override;

private:
    std::vector<QAbstractButton*> Buttons;
    TIndexField Field;
};

// A bit-flag editor of a flag word.
class TBitsBinding : public TFieldBinding {
public:
    TBitsBinding(TCustomBitEdit* edit, TBitsField field, bool readOnly);
    void Refresh(const ZT_Helper& device) override;
    void Store(ZT_Helper& device) const override;

private:
    TCustomBitEdit* Edit;
    TBitsField Field;
};

// A check box of a 16-bit field: checked is 1, clear is 0; with `bit` >= 0,
// one bit of the word (the other bits kept).
class TCheckBinding : public TFieldBinding {
public:
    TCheckBinding(QCheckBox* box, TField<uint16_t> field, int bit);
    void Refresh(const ZT_Helper& device) override;
    void Store(ZT_Helper& device) const override;

private:
    QCheckBox* Box;
    TField<uint16_t> Field;
    int Bit;
};

// The six registers of a date and time (year after 2000, month, day, hour,
// minute, second) on a date picker and a time picker, one focus unit. An
// invalid date in the model leaves the pickers as they were and, when
// `invalidText` is set, logs it.
struct TDateTimeFields {
    TField<uint16_t> Year, Month, Day, Hour, Minute, Second;
};
class TDateTimeBinding : public TFieldBinding {
public:
    TDateTimeBinding(QDateEdit* date, QTimeEdit* time, TDateTimeFields fields, bool readOnly,
                     std::string invalidText);
    void Refresh(const ZT_Helper& device) override;
    void Store(ZT_Helper& device) const override;
    bool Focused() const override;

private:
    QDateEdit* Date;
    QTimeEdit* Time;
    TDateTimeFields Fields;
    std::string InvalidText;
};

} // namespace ZT_Binding
