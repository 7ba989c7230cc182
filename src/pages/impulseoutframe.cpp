#include "pages/impulseoutframe.h"

#include "controls/biteditlistbox.h"
#include "pages/pageframe.h"
#include "util/sysutil.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using namespace ZT_namespace;

namespace {

// Events a logical output can signal; pulse and frequency outputs take the
// first four.
constexpr int kLogicalEvents = 8;
constexpr int kCountingEvents = 4;

QString Qs(const std::string& text)
{
    return QString::fromStdString(text);
}

double EditValue(const QLineEdit* edit)
{
    return StrToReal(edit->text().toStdString());
}

// m3 per pulse from the value of a unit's edit, and back.
double WeightFromUnit(int unit, double v)
{
    switch (unit) {
    case 1:
        return v * 0.001;
    case 2:
        return v != 0 ? 0.001 / v : 0.0;
    case 3:
        return v != 0 ? 1.0 / (v * 3600.0) : 0.0;
    default:
        return v;
    }
}

double UnitFromWeight(int unit, double w)
{
    switch (unit) {
    case 1:
        return w * 1000.0;
    case 2:
        return w != 0 ? 1.0 / (w * 1000.0) : 0.0;
    case 3:
        return w != 0 ? 1.0 / (w * 3600.0) : 0.0;
    default:
        return w;
    }
}

void SetRed(QLineEdit* edit, bool red)
{
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, red ? QColor(Qt::red) : QColor(Qt::black));
    edit->setPalette(palette);
}

} // namespace

TImpulseOutFrame::TImpulseOutFrame(QWidget* parent) : QWidget(parent)
{
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);

    auto* top = new QGridLayout;
    OutputType = new QComboBox(this);
    OutputType->setObjectName("OutputType");
    WorkMode = new QComboBox(this);
    WorkMode->setObjectName("WorkMode");
    OutEvent = new QComboBox(this);
    OutEvent->setObjectName("OutEvent");
    OutFlags = new TBitEditListBox(this);
    OutFlags->setObjectName("OutFlags");
    WorkModeLabel = new QLabel(QString::fromUtf8("Режим работы"), this);
    top->addWidget(new QLabel(QString::fromUtf8("Тип выхода"), this), 0, 0);
    top->addWidget(OutputType, 0, 1);
    top->addWidget(WorkModeLabel, 1, 0);
    top->addWidget(WorkMode, 1, 1);
    top->addWidget(new QLabel(QString::fromUtf8("Событие"), this), 2, 0);
    top->addWidget(OutEvent, 2, 1);
    top->addWidget(new QLabel(QString::fromUtf8("Флаги выхода"), this), 3, 0, Qt::AlignTop);
    top->addWidget(OutFlags, 3, 1);
    top->setColumnStretch(1, 1);
    root->addLayout(top);

    WeightGroup = new QGroupBox(QString::fromUtf8("Вес / коэффициент импульса"), this);
    WeightGroup->setObjectName("WeightGroup");
    auto* wg = new QGridLayout(WeightGroup);
    const char* units[kUnits] = {"м3/имп", "л/имп", "имп/л", "Гц/(м3/ч)"};
    for (int u = 0; u < kUnits; ++u) {
        WeightEdits[size_t(u)] = new QLineEdit(WeightGroup);
        WeightEdits[size_t(u)]->setObjectName(QString("WeightEdit%1").arg(u));
        UnitButtons[size_t(u)] = new QRadioButton(QString::fromUtf8(units[u]), WeightGroup);
        UnitButtons[size_t(u)]->setObjectName(QString("WeightUnit%1").arg(u));
        wg->addWidget(WeightEdits[size_t(u)], u, 0);
        wg->addWidget(UnitButtons[size_t(u)], u, 1);
        connect(WeightEdits[size_t(u)], &QLineEdit::textChanged, this, [this, u] { WeightEditChange(u); });
        connect(UnitButtons[size_t(u)], &QRadioButton::toggled, this, [this, u](bool on) {
            if (on)
                SelectUnit(u);
        });
    }
    root->addWidget(WeightGroup);

    auto* pulse = new QGridLayout;
    ImpulseLen = new QLineEdit(this);
    ImpulseLen->setObjectName("ImpulseLen");
    Integrator = new QSpinBox(this);
    Integrator->setObjectName("Integrator");
    Integrator->setRange(0, 255);
    ImpulseLenLabel = new QLabel(QString::fromUtf8("Длительность импульса"), this);
    IntegratorLabel = new QLabel(QString::fromUtf8("Интегратор"), this);
    pulse->addWidget(ImpulseLenLabel, 0, 0);
    pulse->addWidget(ImpulseLen, 0, 1);
    pulse->addWidget(IntegratorLabel, 1, 0);
    pulse->addWidget(Integrator, 1, 1);
    pulse->setColumnStretch(1, 1);
    root->addLayout(pulse);

    LimitsGroup = new QGroupBox(QString::fromUtf8("Граничные частоты"), this);
    LimitsGroup->setObjectName("LimitsGroup");
    auto* lg = new QGridLayout(LimitsGroup);
    int row = 0;
    for (auto [name, caption, edit] : {std::tuple{"Foutmax", "F вых.max (Гц)", &Foutmax},
                                       std::tuple{"Fmax", "F g_max (Гц)", &Fmax},
                                       std::tuple{"Fmin", "F g_min (Гц)", &Fmin},
                                       std::tuple{"Foutmin", "F вых.min (Гц)", &Foutmin}}) {
        *edit = new QLineEdit(LimitsGroup);
        (*edit)->setObjectName(name);
        (*edit)->setReadOnly(true);
        lg->addWidget(new QLabel(QString::fromUtf8(caption), LimitsGroup), row, 0);
        lg->addWidget(*edit, row, 1);
        ++row;
    }
    root->addWidget(LimitsGroup);
    root->addStretch(1);

    connect(OutputType, &QComboBox::currentIndexChanged, this, [this] { OutputTypeChange(); });
    connect(ImpulseLen, &QLineEdit::textChanged, this, [this] { ImpulseLenChange(); });
}

void TImpulseOutFrame::InitFrame()
{
    const QSignalBlocker typeBlocker(OutputType), modeBlocker(WorkMode);
    OutputType->clear();
    OutputType->addItems(TextList(OutputTypeList));
    WorkMode->clear();
    WorkMode->addItems(TextList(DirectionList));
    // Nothing is chosen until the meter or the user chooses.
    OutputType->setCurrentIndex(-1);
    WorkMode->setCurrentIndex(-1);
    OutFlags->SetItems(TextList(OutFlagsBits));
    OutFlags->setMinimumHeight(OutFlags->CellSize() * OutFlags->ItemCount() + 8);
    OutFlags->setMinimumWidth(260);
    w_ = 0;
    qmin_ = 0;
    qmax_ = 0;
    UnitButtons[0]->setChecked(true);
    OutputTypeChange();
    SelectUnit(0);
}

void TImpulseOutFrame::SetEventList(int count)
{
    if (OutEvent->count() == count)
        return;
    // The selection is kept while the shorter list still holds it.
    const int selected = OutEvent->currentIndex();
    const QSignalBlocker blocker(OutEvent);
    OutEvent->clear();
    OutEvent->addItems(TextList(OutEventList).mid(0, count));
    OutEvent->setCurrentIndex(selected < count ? selected : -1);
}

void TImpulseOutFrame::OutputTypeChange()
{
    const int type = OutputType->currentIndex();
    const bool counting = type != otLogical;
    SetEventList(counting ? kCountingEvents : kLogicalEvents);
    for (QWidget* w : {static_cast<QWidget*>(WorkMode), static_cast<QWidget*>(WorkModeLabel),
                       static_cast<QWidget*>(WeightGroup), static_cast<QWidget*>(LimitsGroup),
                       static_cast<QWidget*>(Integrator), static_cast<QWidget*>(IntegratorLabel)})
        w->setEnabled(counting);
    // A frequency output has no pulse of its own length.
    const bool pulse = counting && type != otFrequency;
    ImpulseLen->setEnabled(pulse);
    ImpulseLenLabel->setEnabled(pulse);
    UpdateLimits();
}

void TImpulseOutFrame::SelectUnit(int unit)
{
    if (unit < 0 || unit >= kUnits)
        return;
    unit_ = unit;
    {
        const QSignalBlocker blocker(UnitButtons[size_t(unit)]);
        UnitButtons[size_t(unit)]->setChecked(true);
    }
    for (int u = 0; u < kUnits; ++u) {
        QLineEdit* edit = WeightEdits[size_t(u)];
        edit->setReadOnly(u != unit);
        // Editable in the window colour, read-only in the button face.
        const QPalette standard = QApplication::palette(edit);
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, standard.color(u == unit ? QPalette::Base : QPalette::Button));
        edit->setPalette(palette);
    }
}

void TImpulseOutFrame::WeightEditChange(int unit)
{
    // Rewriting the other edits changes them in turn.
    if (changing_)
        return;
    changing_ = true;
    const QString first = WeightEdits[0]->text();
    w_ = static_cast<float>(WeightFromUnit(unit, EditValue(WeightEdits[size_t(unit)])));
    for (int u = 0; u < kUnits; ++u) {
        QLineEdit* edit = WeightEdits[size_t(u)];
        // The edit being typed into keeps what the user typed.
        if (WidgetHasFocus(edit))
            continue;
        edit->setText(Qs(Format("%g", UnitFromWeight(u, w_))));
    }
    UpdateLimits();
    changing_ = false;
    // The weight in m3 follows whichever unit was typed in.
    if ((unit == 0 || WeightEdits[0]->text() != first) && OnChangeWeigh)
        OnChangeWeigh(WeightEdits[0]->text());
}

void TImpulseOutFrame::ImpulseLenChange()
{
    len_ = static_cast<float>(EditValue(ImpulseLen));
    UpdateLimits();
}

void TImpulseOutFrame::SetQmin(double value)
{
    qmin_ = static_cast<float>(value);
    UpdateLimits();
}

void TImpulseOutFrame::SetQmax(double value)
{
    qmax_ = static_cast<float>(value);
    UpdateLimits();
}

void TImpulseOutFrame::UpdateLimits()
{
    const bool frequency = OutputType->currentIndex() == otFrequency;
    // The duration the meter works with; the edit's value stays as typed,
    // so that a change back to a pulse output uses it again.
    const double len = frequency || len_ == 0 ? 0.5 : double(len_);
    TLimitsStruct l;
    l.FoutMax = 1000.0 / (2.0 * len);
    l.FoutMin = frequency ? 0.5 : 0.0;
    const double w = w_;
    l.FgMax = w != 0 ? qmax_ / (w * 3600.0) : 0.0;
    l.FgMin = w != 0 ? qmin_ / (w * 3600.0) : 0.0;
    l.FmaxOut = l.FgMax > l.FoutMax;
    l.FminOut = l.FgMin < l.FoutMin;
    limits_ = l;
    Foutmax->setText(Qs(Format("%g", l.FoutMax)));
    Fmax->setText(Qs(Format("%g", l.FgMax)));
    Fmin->setText(Qs(Format("%g", l.FgMin)));
    Foutmin->setText(Qs(Format("%g", l.FoutMin)));
    SetRed(Fmax, l.FmaxOut);
    SetRed(Fmin, l.FminOut);
}

void TImpulseOutFrame::Refresh(const ZT_Helper& device, const TOutputFields& out)
{
    ZT_Pages::TOutputSectionStruct s;
    s.OutputType = device.Get(out.OutputType);
    s.WorkMode = device.Get(out.WorkMode);
    s.OutEvent = device.Get(out.OutEvent);
    s.OutFlags = device.Get(out.OutFlags);
    s.Weight = device.Get(out.Weight);
    s.ImpulseLen = device.Get(out.ImpulseLen) * 0.5;
    s.Integrator = device.Get(out.Integrator);
    // A refresh shows the meter in the unit the user has chosen.
    const int unit = unit_;
    ReadSection(s);
    SelectUnit(unit);
}

std::string TImpulseOutFrame::Check() const
{
    if (OutputType->currentIndex() < 0)
        return "Не выбран тип выхода";
    if (WeightEdits[0]->text().trimmed().isEmpty())
        return "Не задан вес импульса";
    if (ImpulseLen->text().trimmed().isEmpty())
        return "Не задана длительность";
    return {};
}

void TImpulseOutFrame::Collect(ZT_Helper& device, const TOutputFields& out) const
{
    device.Set(out.OutputType, static_cast<uint16_t>(std::max(0, OutputType->currentIndex())));
    device.Set(out.WorkMode, static_cast<uint16_t>(std::max(0, WorkMode->currentIndex())));
    device.Set(out.OutEvent, static_cast<uint16_t>(std::max(0, OutEvent->currentIndex())));
    // Bits beyond the editor's two are the meter's and stay as they are.
    const uint16_t items = static_cast<uint16_t>((1u << OutFlags->ItemCount()) - 1u);
    device.Set(out.OutFlags,
               static_cast<uint16_t>((device.Get(out.OutFlags) & ~items) | (OutFlags->BitFlags() & items)));
    device.Set(out.Weight, static_cast<float>(EditValue(WeightEdits[0])));
    // Half milliseconds, truncated; the register holds 0..65535 of them.
    const double halves = std::trunc(double(static_cast<float>(EditValue(ImpulseLen))) * 2.0);
    device.Set(out.ImpulseLen, static_cast<uint16_t>(std::clamp(halves, 0.0, 65535.0)));
    device.Set(out.Integrator, static_cast<uint16_t>(Integrator->value()));
}

ZT_Pages::TOutputSectionStruct TImpulseOutFrame::WriteSection() const
{
    ZT_Pages::TOutputSectionStruct s;
    s.OutputType = OutputType->currentIndex();
    s.WorkMode = WorkMode->currentIndex();
    s.Weight = EditValue(WeightEdits[0]);
    s.ImpulseLen = EditValue(ImpulseLen);
    s.Integrator = Integrator->value();
    s.OutEvent = OutEvent->currentIndex();
    s.OutFlags = OutFlags->BitFlags();
    return s;
}

void TImpulseOutFrame::ReadSection(const ZT_Pages::TOutputSectionStruct& s)
{
    auto select = [](QComboBox* combo, int index) {
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
    };
    SelectUnit(0);
    {
        const QSignalBlocker blocker(OutputType);
        select(OutputType, s.OutputType);
    }
    // The type decides the event list: applied before the event is chosen.
    OutputTypeChange();
    select(WorkMode, s.WorkMode);
    select(OutEvent, s.OutEvent);
    OutFlags->SetBitFlags(s.OutFlags);
    {
        const QSignalBlocker blocker(WeightEdits[0]);
        WeightEdits[0]->setText(Qs(Format("%g", s.Weight)));
    }
    WeightEditChange(0);
    {
        const QSignalBlocker blocker(ImpulseLen);
        ImpulseLen->setText(Qs(Format("%g", s.ImpulseLen)));
    }
    ImpulseLenChange();
    Integrator->setValue(std::clamp(s.Integrator, 0, 255));
}
