#include "pages/worksetupframe.h"

#include "pages/plugincardframe.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace ZT_namespace;

namespace {

constexpr const char* kPressureRefusal = "Давление должно быть в диапазоне 0...2,5 (МПа)";
constexpr const char* kThresholdRefusal = "Не корректное значение пороговых значений";
// Pressures are kept in units of 0.0001 MPa.
constexpr double kPressureUnitsPerMPa = 10000;

// The signal form of a start-stop mode: a pulse or a level, active on its
// rising or falling edge. The edges that start and stop are marked with
// arrows.
class TStartStopPicture : public QWidget {
public:
    TStartStopPicture(int mode, QWidget* parent) : QWidget(parent), Mode(mode) { setFixedSize(96, 26); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool pulse = Mode == 0 || Mode == 2;
        const bool inverted = Mode == 2 || Mode == 3; // idle high, active low
        const qreal low = height() - 4, high = 5;
        const qreal rest = inverted ? high : low, on = inverted ? low : high;
        // Edges: start at x1, stop at x2; a pulse is narrow at each edge.
        const qreal x1 = 22, x2 = 70, w = 8;
        QPainterPath path;
        path.moveTo(2, rest);
        if (pulse) {
            for (qreal x : {x1, x2}) {
                path.lineTo(x, rest);
                path.lineTo(x, on);
                path.lineTo(x + w, on);
                path.lineTo(x + w, rest);
            }
        } else {
            path.lineTo(x1, rest);
            path.lineTo(x1, on);
            path.lineTo(x2, on);
            path.lineTo(x2, rest);
        }
        path.lineTo(width() - 2, rest);
        p.setPen(QPen(palette().color(QPalette::WindowText), 1.5));
        p.drawPath(path);
        // The arrow on each edge that counts points the way the signal goes.
        p.setPen(QPen(QColor(200, 0, 0), 1.2));
        auto arrow = [&](qreal x, bool up) {
            const qreal y = (low + high) / 2, d = up ? -4 : 4;
            p.drawLine(QPointF(x - 4, y - d), QPointF(x, y + d));
            p.drawLine(QPointF(x + 4, y - d), QPointF(x, y + d));
        };
        const bool startUp = !inverted;
        arrow(x1, startUp);
        // A pulse stops on the same edge it starts on; a level on the other.
        if (pulse)
            arrow(x2, startUp);
        else
            arrow(x2, !startUp);
    }

private:
    int Mode;
};

void Labeled(QGridLayout* grid, int row, const char* caption, QWidget* widget, const char* unit = nullptr)
{
    grid->addWidget(new QLabel(QString::fromUtf8(caption)), row, 0);
    grid->addWidget(widget, row, 1);
    if (unit)
        grid->addWidget(new QLabel(QString::fromUtf8(unit)), row, 2);
}

QGroupBox* Group(QWidget* parent, const char* name, const char* title)
{
    auto* group = new QGroupBox(QString::fromUtf8(title), parent);
    group->setObjectName(name);
    return group;
}

} // namespace

TWorkSetup::TWorkSetup(QWidget* parent) : TDevicePageFrame(parent)
{
    setObjectName("WorkSetup");
    auto* root = new QVBoxLayout(this);
    AddSetupButtons(root, GetSetup, &SetSetup);

    auto* columns = new QHBoxLayout;
    root->addLayout(columns, 1);
    auto* first = new QVBoxLayout;
    auto* second = new QVBoxLayout;
    auto* third = new QVBoxLayout;
    columns->addLayout(first, 5);
    columns->addLayout(second, 4);
    columns->addLayout(third, 4);

    // Bound in the order the values are checked: the cards, the own port,
    // the flows, the pressures (low first), then the rest.
    PlugInCard1 = new TPlugInCard(QString::fromUtf8("Плата расширения 1"), this);
    PlugInCard1->setObjectName("PlugInCard1");
    PlugInCard2 = new TPlugInCard(QString::fromUtf8("Плата расширения 2"), this);
    PlugInCard2->setObjectName("PlugInCard2");
    BindCard(PlugInCard1, ZT_Fields::Plugin_1);
    BindCard(PlugInCard2, ZT_Fields::Plugin_2);
    first->addWidget(PlugInCard1);
    first->addWidget(PlugInCard2);
    first->addStretch(1);

    auto* port = Group(this, "PortGroup", "Порт RS232 / ЖКИ");
    auto* og = new QGridLayout(port);
    // The meter's modes of its own port are not named: the list has no
    // entries and leaves the stored mode as read.
    const TIndexField ownPortMode{ZT_Fields::WorkMode_0.Register, {}, ZT_Fields::WorkMode_0.Meta};
    Labeled(og, 0, "Режим", BindList("WorkMode_0", ownPortMode));
    Labeled(og, 1, "Адрес", BindSpin("NetAddress_0", ZT_Fields::NetAddress_0));
    Labeled(og, 2, "Скорость", BindList("UartSpeed_0", ZT_Fields::UartSpeed_0));
    Labeled(og, 3, "Доп. таймаут", BindSpin("AddTimeout_0", ZT_Fields::AddTimeout_0), "мс");
    second->addWidget(port);

    auto* flows = Group(this, "FlowGroup", "Пороговые расходы");
    auto* fg = new QGridLayout(flows);
    Labeled(fg, 1, "Q_нп", BindEdit("Q_low", ZT_Fields::Q_low), "м3/ч");
    Labeled(fg, 0, "Q_вп", BindEdit("Q_hi", ZT_Fields::Q_hi), "м3/ч");
    second->addWidget(flows);

    // Hidden, yet checked, stored and written with the rest.
    auto* pressures = Group(this, "PressureGroup", "Пороговые давления");
    auto* prg = new QGridLayout(pressures);
    int row = 0;
    for (auto [name, caption, field] :
         {std::tuple{"P_low", "P_нп", ZT_Fields::P_low}, std::tuple{"P_hi", "P_вп", ZT_Fields::P_hi}}) {
        auto* edit = new QLineEdit(pressures);
        edit->setObjectName(name);
        auto binding =
            std::make_unique<ZT_Binding::TNumberBinding>(edit, field, "%.4f", false, kPressureRefusal);
        binding->Scale = kPressureUnitsPerMPa;
        Bind(std::move(binding));
        Labeled(prg, row++, caption, edit, "МПа");
    }
    pressures->hide();
    second->addWidget(pressures);

    auto* filters = Group(this, "FilterGroup", "Фильтры");
    auto* flg = new QGridLayout(filters);
    Labeled(flg, 0, "Текущий расход", BindList("CurrentExpenseFilter", ZT_Fields::CurrentExpenseFilter));
    Labeled(flg, 1, "Пороги", BindList("ThresholdFilter", ZT_Fields::ThresholdFilter));

    auto* startStop = Group(this, "StartStopGroup", "Старт-стоп");
    auto* ssg = new QGridLayout(startStop);
    std::vector<QAbstractButton*> radios;
    for (int mode = 0; mode < 4; ++mode) {
        const std::string name = "RadioButton" + std::to_string(mode + 1);
        auto* radio = new QRadioButton(QString::fromUtf8(StartStopModeList[size_t(mode)]), startStop);
        radio->setObjectName(name.c_str());
        auto* picture = new TStartStopPicture(mode, startStop);
        picture->setObjectName(("StartStopImage" + std::to_string(mode + 1)).c_str());
        ssg->addWidget(picture, mode, 0);
        ssg->addWidget(radio, mode, 1, 1, 2);
        StartStop[size_t(mode)] = radio;
        radios.push_back(radio);
    }
    Bind(std::make_unique<ZT_Binding::TRadioBinding>(startStop, std::move(radios), ZT_Fields::StartStopMode));
    ssg->addWidget(new QLabel(QString::fromUtf8("Антидребезг")), 4, 0);
    ssg->addWidget(BindSpin("NoiseChanelStSt", ZT_Fields::NoiseChanelStSt), 4, 1);
    ssg->addWidget(new QLabel(QString::fromUtf8("мс")), 4, 2);
    second->addWidget(startStop);
    second->addStretch(1);

    auto* thresholds = Group(this, "ThresholdGroup", "Пороговые значения");
    auto* tg = new QGridLayout(thresholds);
    const std::tuple<const char*, const char*, TField<uint16_t>, const char*> thresholdFields[] = {
        {"NoiseRelThreshold", "Шум отн.", ZT_Fields::NoiseRelThreshold, "%"},
        {"NoiseAbsThreshold", "Шум абс.", ZT_Fields::NoiseAbsThreshold, nullptr},
        {"WaterResistanceThreshold", "R воды", ZT_Fields::WaterResistanceThreshold, "кОм"},
        {"DropVoltageThreshold", "Провал U_пит", ZT_Fields::DropVoltageThreshold, "мВ"},
    };
    row = 0;
    for (const auto& [name, caption, field, unit] : thresholdFields) {
        QLineEdit* edit = BindEdit(name, field, "%d", kThresholdRefusal);
        edit->setMaximumWidth(100);
        Labeled(tg, row++, caption, edit, unit);
    }
    third->addWidget(thresholds);
    third->addWidget(filters);

    auto* pressure = Group(this, "PressureChanelGroup", "Канал давления");
    auto* pcg = new QGridLayout(pressure);
    Labeled(pcg, 0, "Датчик", BindList("TypePressureSensor", ZT_Fields::TypePressureSensor));
    Labeled(pcg, 1, "Диапазон", BindList("CurrentPressureSensor", ZT_Fields::CurrentPressureSensor));
    third->addWidget(pressure);

    auto* archive = Group(this, "IntervalArchiveGroup", "Интервальный  архив");
    auto* ag = new QGridLayout(archive);
    Labeled(ag, 0, "Период", BindSpin("IntervalArchivePeriod", ZT_Fields::IntervalArchivePeriod), "c");
    third->addWidget(archive);
    third->addStretch(1);

    connect(GetSetup, &QPushButton::clicked, this, [this] { GetSetupClick(GetSetup); });
    connect(SetSetup, &QPushButton::clicked, this, [this] { SetSetupClick(SetSetup); });
}

void TWorkSetup::BindCard(TPlugInCard* card, const TPluginFields& fields)
{
    using namespace ZT_Binding;
    Bind(std::make_unique<TListBinding>(card->SlotMode, fields.SlotMode, false));
    Bind(std::make_unique<TSpinBinding>(card->NetAddress, fields.NetAddress));
    Bind(std::make_unique<TListBinding>(card->UartSpeed, fields.Speed, false));
    Bind(std::make_unique<TSpinBinding>(card->AddTimeout, fields.AddTimeout));
    Bind(std::make_unique<TListBinding>(card->CurrentOutRange, fields.CurrentOutRange, false));
    Bind(std::make_unique<TListBinding>(card->WorkMode, fields.WorkMode, false));
    Bind(std::make_unique<TNumberBinding>(card->QhiCurrent, fields.QhiCurrent, "%g", false, std::string()));
    Bind(std::make_unique<TNumberBinding>(card->QlowCurrent, fields.QlowCurrent, "%g", false, std::string()));
    Bind(std::make_unique<TSpinBinding>(card->OutputAveraging, fields.OutputAveraging));
}

void TWorkSetup::InitPage()
{
    PlugInCard1->InitCard();
    PlugInCard2->InitCard();
}

void TWorkSetup::RefreshPage()
{
    RefreshBindings();
    // The slot modes were shown with their signals blocked.
    PlugInCard1->SlotModeChange();
    PlugInCard2->SlotModeChange();
}

bool TWorkSetup::WriteSection(const ZT_Pages::TConfiguration& node)
{
    if (!PageHost || !CollectPage())
        return false;
    ZT_Pages::TWorkSetupSectionStruct s;
    {
        TDeviceHelperLocker locker(PageHost->Device());
        s = ZT_Pages::GetWorkSetupSection(PageHost->Device());
    }
    ZT_Pages::WriteWorkSetupSection(node, s);
    return true;
}

void TWorkSetup::ReadSection(const ZT_Pages::TConfiguration& node)
{
    if (!PageHost)
        return;
    const ZT_Pages::TWorkSetupSectionStruct s = ZT_Pages::ReadWorkSetupSection(node);
    {
        TDeviceHelperLocker locker(PageHost->Device());
        ZT_Pages::SetWorkSetupSection(PageHost->Device(), s);
    }
    RefreshPage();
}

bool TWorkSetup::GetSetupClick(QObject* sender)
{
    return TDevicePageFrame::ReadPage(sender == nullptr);
}

bool TWorkSetup::SetSetupClick(QObject*)
{
    return WritePage();
}
