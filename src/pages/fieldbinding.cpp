#include "pages/fieldbinding.h"

#include "controls/custombitedit.h"
#include "pages/pageframe.h"
#include "util/sysutil.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimeEdit>

#include <cmath>
#include <limits>

bool WidgetHasFocus(const QWidget* widget)
{
    const QWidget* focus = QApplication::focusWidget();
    return widget->hasFocus() || (focus && widget->isAncestorOf(focus));
}

std::string FormatValue(std::string_view format, double value)
{
    // The conversion is the first letter after the last '%'.
    const size_t percent = format.rfind('%');
    size_t at = percent == std::string_view::npos ? format.size() : percent + 1;
    while (at < format.size() &&
           std::string_view("0123456789.-+ #'").find(format[at]) != std::string_view::npos)
        ++at;
    if (at >= format.size())
        return Format("%g", value);
    const char conversion = format[at];
    std::string pattern(format.substr(0, at));
    const std::string rest(format.substr(at + 1));
    if (std::string_view("diuxXo").find(conversion) != std::string_view::npos) {
        pattern += "ll";
        pattern += conversion;
        pattern += rest;
        if (!std::isfinite(value))
            value = 0;
        const bool isSigned = conversion == 'd' || conversion == 'i';
        if (isSigned)
            return Format(pattern.c_str(), static_cast<long long>(value));
        return Format(pattern.c_str(), static_cast<unsigned long long>(static_cast<long long>(value)));
    }
    if (std::string_view("fFeEgGaA").find(conversion) == std::string_view::npos)
        return Format("%g", value);
    pattern += conversion;
    pattern += rest;
    return Format(pattern.c_str(), value);
}

namespace ZT_Binding {

namespace {

// The values a field of the type can hold.
void TypeRange(TFieldType type, double& low, double& high)
{
    switch (type) {
    case TFieldType::UInt16:
        low = 0, high = 65535;
        return;
    case TFieldType::Int16:
        low = -32768, high = 32767;
        return;
    case TFieldType::UInt32:
        low = 0, high = 4294967295.0;
        return;
    case TFieldType::Int32:
        low = -2147483648.0, high = 2147483647.0;
        return;
    case TFieldType::Int8Low:
        low = -128, high = 127;
        return;
    default:
        low = -std::numeric_limits<float>::max(), high = std::numeric_limits<float>::max();
        return;
    }
}

std::string DefaultFormat(const TScalarField& field)
{
    if (!field.Meta.Format.empty())
        return std::string(field.Meta.Format);
    switch (field.Type) {
    case TFieldType::Float32:
        return "%g";
    case TFieldType::UInt16:
    case TFieldType::UInt32:
        return "%u";
    default:
        return "%d";
    }
}

// True when the format's conversion (the letter after its last '%') is an
// integer one.
bool IntegerFormat(std::string_view format)
{
    const size_t percent = format.rfind('%');
    if (percent == std::string_view::npos)
        return false;
    size_t at = percent + 1;
    while (at < format.size() &&
           std::string_view("0123456789.-+ #'").find(format[at]) != std::string_view::npos)
        ++at;
    return at < format.size() && std::string_view("diuxXo").find(format[at]) != std::string_view::npos;
}

QString Qs(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

double TScalarField::Get(const ZT_Helper& d) const
{
    switch (Type) {
    case TFieldType::UInt16:
        return d.Get(TField<uint16_t>{Register});
    case TFieldType::Int16:
        return d.Get(TField<int16_t>{Register});
    case TFieldType::UInt32:
        return d.Get(TField<uint32_t>{Register});
    case TFieldType::Int32:
        return d.Get(TField<int32_t>{Register});
    case TFieldType::Float32:
        return d.Get(TField<float>{Register});
    case TFieldType::Int8Low:
        return d.Get(TInt8LowField{Register});
    default:
        return d.Word(Register);
    }
}

void TScalarField::Set(ZT_Helper& d, double value) const
{
    double low = 0, high = 0;
    TypeRange(Type, low, high);
    if (!std::isfinite(value) && Type != TFieldType::Float32)
        value = 0;
    if (Type != TFieldType::Float32)
        value = std::clamp(std::trunc(value), low, high);
    switch (Type) {
    case TFieldType::UInt16:
        d.Set(TField<uint16_t>{Register}, static_cast<uint16_t>(value));
        break;
    case TFieldType::Int16:
        d.Set(TField<int16_t>{Register}, static_cast<int16_t>(value));
        break;
    case TFieldType::UInt32:
        d.Set(TField<uint32_t>{Register}, static_cast<uint32_t>(value));
        break;
    case TFieldType::Int32:
        d.Set(TField<int32_t>{Register}, static_cast<int32_t>(value));
        break;
    case TFieldType::Float32:
        d.Set(TField<float>{Register}, static_cast<float>(value));
        break;
    case TFieldType::Int8Low:
        d.Set(TInt8LowField{Register}, static_cast<int>(value));
        break;
    default:
        d.SetWord(Register, static_cast<uint16_t>(value));
        break;
    }
}

TNumberBinding::TNumberBinding(QLineEdit* edit, TScalarField field, std::string_view format, bool readOnly,
                               std::string refusal)
    : TFieldBinding(edit, readOnly), Edit(edit), Field(field),
      Fmt(format.empty() ? DefaultFormat(field) : std::string(format)), Refusal(std::move(refusal))
{
    if (Refusal.empty())
        Refusal = "Не корректное значение " + std::string(Field.Meta.Name);
}

TNumberBinding::TNumberBinding(QComboBox* combo, TScalarField field, std::string_view format,
                               std::string refusal)
    : TNumberBinding(static_cast<QLineEdit*>(nullptr), field, format, false, std::move(refusal))
{
    Control = combo;
    Combo = combo;
}

std::string TNumberBinding::Text() const
{
    return (Combo ? Combo->currentText() : Edit->text()).trimmed().toStdString();
}

bool TNumberBinding::TypedWhole() const
{
    return (!Field.IsReal() && Scale == 1) || IntegerFormat(Fmt);
}

void TNumberBinding::Refresh(const ZT_Helper& device)
{
    const QString text = Qs(FormatValue(Fmt, Field.Get(device) / Scale));
    if (Combo) {
        Combo->setCurrentIndex(-1);
        Combo->setEditText(text);
    } else {
        Edit->setText(text);
    }
}

double TNumberBinding::Value() const
{
    const std::string text = Text();
    int64_t whole = 0;
    return TypedWhole() ? (TryStrToInt(text, whole) ? double(whole) : 0.0) : StrToReal(text);
}

std::string TNumberBinding::Check() const
{
    if (ReadOnly)
        return {};
    // Integers are read whole, so that one beyond 32 bits cannot wrap
    // into a value in range.
    const double value = Value() * Scale;
    if (!std::isfinite(value))
        return Refusal;
    double low = 0, high = 0;
    TypeRange(Field.Type, low, high);
    if (Field.Meta.HasRange())
        low = std::max(low, Field.Meta.Min), high = std::min(high, Field.Meta.Max);
    return value < low || value > high ? Refusal : std::string();
}

void TNumberBinding::Store(ZT_Helper& device) const
{
    if (ReadOnly)
        return;
    const double value = Value() * Scale;
    Field.Set(device, Scale != 1 && !Field.IsReal() ? std::floor(value + 0.5) : value);
}

TSpinBinding::TSpinBinding(QSpinBox* spin, TScalarField field)
    : TFieldBinding(spin, false), Spin(spin), Field(field)
{
    double low = 0, high = 0;
    TypeRange(Field.Type, low, high);
    if (Field.Meta.HasRange())
        low = std::max(low, Field.Meta.Min), high = std::min(high, Field.Meta.Max);
    Spin->setRange(static_cast<int>(std::max(low, double(std::numeric_limits<int>::min()))),
                   static_cast<int>(std::min(high, double(std::numeric_limits<int>::max()))));
}

void TSpinBinding::Refresh(const ZT_Helper& device)
{
    Spin->setValue(static_cast<int>(Field.Get(device)));
}

void TSpinBinding::Store(ZT_Helper& device) const
{
    Field.Set(device, Spin->value());
}

TListBinding::TListBinding(QComboBox* combo, TIndexField field, bool readOnly)
    : TFieldBinding(combo, readOnly), Combo(combo), Field(field)
{
    Combo->clear();
    Combo->addItems(TextList(Field.List));
}

void TListBinding::Refresh(const ZT_Helper& device)
{
    const uint16_t index = device.Get(Field);
    Combo->setCurrentIndex(index < Combo->count() ? index : -1);
}

void TListBinding::Store(ZT_Helper& device) const
{
    if (!ReadOnly && Combo->count() > 0)
        device.Set(Field, static_cast<uint16_t>(std::max(0, Combo->currentIndex())));
}

TRadioBinding::TRadioBinding(QWidget* container, std::vector<QAbstractButton*> buttons, TIndexField field)
    : TFieldBinding(container, false), Buttons(std::move(buttons)), Field(field)
{
}

void TRadioBinding::Refresh(const ZT_Helper& device)
{
    const uint16_t index = device.Get(Field);
    if (index >= Buttons.size())
        return;
    const QSignalBlocker blocker(Buttons[index]);
    Buttons[index]->setChecked(true);
}

void TRadioBinding::Store(ZT_Helper& device) const
{
    uint16_t index = 0;
    for (size_t i = 0; i < Buttons.size(); ++i)
        if (Buttons[i]->isChecked())
            index = static_cast<uint16_t>(i);
    device.Set(Field, index);
}

TBitsBinding::TBitsBinding(TCustomBitEdit* edit, TBitsField field, bool readOnly)
    : TFieldBinding(edit, readOnly), Edit(edit), Field(field)
{
    Edit->SetItems(TextList(Field.Bits));
    Edit->SetReadOnly(readOnly);
}

void TBitsBinding::Refresh(const ZT_Helper& device)
{
    Edit->SetBitFlags(device.Get(Field));
}

void TBitsBinding::Store(ZT_Helper& device) const
{
    if (ReadOnly)
        return;
    // Bits beyond the editor's items are the meter's and stay as they are.
    const uint32_t items = Edit->ItemCount() >= 16 ? 0xFFFFu : (1u << Edit->ItemCount()) - 1u;
    const uint16_t kept = static_cast<uint16_t>(device.Get(Field) & ~items);
    device.Set(Field, static_cast<uint16_t>(kept | (uint32_t(Edit->BitFlags()) & items)));
}

TCheckBinding::TCheckBinding(QCheckBox* box, TField<uint16_t> field, int bit)
    : TFieldBinding(box, false), Box(box), Field(field), Bit(bit)
{
}

void TCheckBinding::Refresh(const ZT_Helper& device)
{
    const uint16_t word = device.Get(Field);
    Box->setChecked(Bit < 0 ? word != 0 : ((word >> Bit) & 1u) != 0);
}

void TCheckBinding::Store(ZT_Helper& device) const
{
    if (Bit < 0) {
        device.Set(Field, static_cast<uint16_t>(Box->isChecked() ? 1 : 0));
        return;
    }
    uint16_t word = device.Get(Field);
    word = static_cast<uint16_t>(Box->isChecked() ? word | (1u << Bit) : word & ~(1u << Bit));
    device.Set(Field, word);
}

TDateTimeBinding::TDateTimeBinding(QDateEdit* date, QTimeEdit* time, TDateTimeFields fields, bool readOnly,
                                   std::string invalidText)
    : TFieldBinding(date, readOnly), Date(date), Time(time), Fields(fields),
      InvalidText(std::move(invalidText))
{
}

bool TDateTimeBinding::Focused() const
{
    return WidgetHasFocus(Date) || WidgetHasFocus(Time);
}

void TDateTimeBinding::Refresh(const ZT_Helper& d)
{
    const QDate date(2000 + d.Get(Fields.Year), d.Get(Fields.Month), d.Get(Fields.Day));
    const QTime time(d.Get(Fields.Hour), d.Get(Fields.Minute), d.Get(Fields.Second));
    if (date.isValid() && time.isValid()) {
        Date->setDate(date);
        Time->setTime(time);
    } else {
        Notice = InvalidText;
    }
}

void TDateTimeBinding::Store(ZT_Helper& d) const
{
    if (ReadOnly)
        return;
    const QDate date = Date->date();
    const QTime time = Time->time();
    d.Set(Fields.Year, static_cast<uint16_t>(date.year() % 100));
    d.Set(Fields.Month, static_cast<uint16_t>(date.month()));
    d.Set(Fields.Day, static_cast<uint16_t>(date.day()));
    d.Set(Fields.Hour, static_cast<uint16_t>(time.hour()));
    d.Set(Fields.Minute, static_cast<uint16_t>(time.minute()));
    d.Set(Fields.Second, static_cast<uint16_t>(time.second()));
}

} // namespace ZT_Binding
