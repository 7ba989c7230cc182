#include "pages/identificationframe.h"

#include "util/sysutil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

using namespace ZT_namespace;
using namespace ZT_namespace::ZT_Fields;

namespace {

constexpr int kClockSet = 1;
constexpr int kCorrectionSet = 2;

int SelectedIndex(const QComboBox* combo)
{
    return combo->currentIndex() < 0 ? 0 : combo->currentIndex();
}

QPushButton* Button(const char* name, const char* caption, QWidget* parent)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(name);
    return button;
}

} // namespace

TIdentification::TIdentification(QWidget* parent) : TDevicePageFrame(parent)
{
    setObjectName("Identification");
    auto* root = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    GetSetup = Button("GetSetup", "Считать", this);
    top->addWidget(GetSetup);
    top->addStretch(1);
    root->addLayout(top);

    auto* columns = new QHBoxLayout;
    root->addLayout(columns, 1);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    // "Идентификация"
    auto* ident = new QGroupBox(QString::fromUtf8("Идентификация"), this);
    ident->setObjectName("IdentificationGroup");
    auto* ig = new QGridLayout(ident);
    int row = 0;
    auto add = [&](QGridLayout* grid, const char* caption, QWidget* widget) {
        auto* label = new QLabel(QString::fromUtf8(caption));
        grid->addWidget(label, row, 0);
        grid->addWidget(widget, row, 1);
        ++row;
        return label;
    };
    SerialNumber = BindEdit("SerialNumber", ZT_Fields::SerialNumber, "%08u");
    DuCombo = new QComboBox(ident);
    DuCombo->setObjectName("DuCombo");
    DuCombo->setEditable(true);
    DuCombo->setInsertPolicy(QComboBox::NoInsert);
    // The Ду list offers the usual bores; the edit takes any number.
    DuCombo->addItems(TextList(NominalDiameterList));
    DuCombo->setCurrentIndex(-1);
    Bind(std::make_unique<ZT_Binding::TNumberBinding>(DuCombo, ZT_Fields::Du, "%2u",
                                                      "Не корректное значение Ду"));
    TypeDevice = BindList("TypeDevice", ZT_Fields::Type);
    ClassDevice = BindList("ClassDevice", ZT_Fields::ClassDevice);
    PluginCard1 = BindList("PluginCard1", ZT_Fields::PluginCard1);
    PluginCard2 = BindList("PluginCard2", ZT_Fields::PluginCard2);
    ArchiveModule = BindCheck("ArchiveModule", "Модуль архивов", ZT_Fields::ArchiveModule);
    ReverseModification =
        BindCheck("ReverseModification", "Реверсивное исполнение", ZT_Fields::ReverseModification);
    Identification = AddDisplay("Identification");
    Modification = AddDisplay("Modification");
    Version = AddDisplay("Version");
    ModelName = AddDisplay("ModelName");
    WorkMode = BindList("WorkMode", ZT_Fields::DeviceWorkMode, true);
    SetSystemSetup = Button("SetSystemSetup", "Установить", ident);
    add(ig, "Заводской номер", SerialNumber);
    add(ig, "Ду", DuCombo);
    add(ig, "Тип", TypeDevice);
    add(ig, "Класс", ClassDevice);
    QLabel* card1 = add(ig, "Плата расширения 1", PluginCard1);
    QLabel* card2 = add(ig, "Плата расширения 2", PluginCard2);
    ig->addWidget(ArchiveModule, row++, 1);
    ig->addWidget(ReverseModification, row++, 1);
    add(ig, "Идентификация", Identification);
    add(ig, "Аппаратная модификация", Modification);
    add(ig, "Версия ПО", Version);
    add(ig, "Наименование ПО", ModelName);
    add(ig, "Режим работы ", WorkMode);
    ig->addWidget(SetSystemSetup, row++, 1, Qt::AlignRight);
    for (QWidget* hidden : {static_cast<QWidget*>(PluginCard1), static_cast<QWidget*>(PluginCard2),
                            static_cast<QWidget*>(card1), static_cast<QWidget*>(card2),
                            static_cast<QWidget*>(ArchiveModule), static_cast<QWidget*>(ReverseModification)})
        hidden->hide();
    left->addWidget(ident);

    // "Контрольные суммы"
    auto* sums = new QGroupBox(QString::fromUtf8("Контрольные суммы"), this);
    sums->setObjectName("ChecksumGroup");
    auto* cg = new QGridLayout(sums);
    row = 0;
    FirmwareCS = BindDisplay("FirmwareCS", ZT_Fields::rcFirmware, "%04X");
    MetrologyCS = BindDisplay("MetrologyCS", ZT_Fields::rcMetrology, "%04X");
    SetupCS = BindDisplay("SetupCS", ZT_Fields::rcSetup, "%04X");
    CalibrationCS = BindDisplay("CalibrationCS", ZT_Fields::rcCalibration, "%04X");
    // Read-only: shown even while one of them has the focus.
    for (QLineEdit* sum : {FirmwareCS, MetrologyCS, SetupCS, CalibrationCS})
        BindingOf(sum)->IgnoresFocus = true;
    add(cg, "Встроенного ПО", FirmwareCS);
    add(cg, "Метрологической части ПО", MetrologyCS);
    add(cg, "Настроечных параметров", SetupCS);
    add(cg, "Калибровочных параметров", CalibrationCS);
    left->addWidget(sums);
    left->addStretch(1);

    // "Время и дата"
    auto* clock = new QGroupBox(QString::fromUtf8("Время и дата"), this);
    clock->setObjectName("DateTimeGroup");
    auto* tg = new QGridLayout(clock);
    row = 0;
    CurrentDatePicker = new QDateEdit(clock);
    CurrentDatePicker->setObjectName("CurrentDatePicker");
    CurrentDatePicker->setDisplayFormat("dd/MM/yyyy");
    CurrentTimePicker = new QTimeEdit(clock);
    CurrentTimePicker->setObjectName("CurrentTimePicker");
    CurrentTimePicker->setDisplayFormat("HH:mm:ss");
    auto* pickers = new QHBoxLayout;
    pickers->addWidget(CurrentDatePicker);
    pickers->addWidget(CurrentTimePicker);
    tg->addLayout(pickers, row++, 0, 1, 2);
    RTCCorrection = BindSpin("RTCCorrection", ZT_Fields::RTCCorrection);
    TimeCorrection = BindSpin("TimeCorrection", ZT_Fields::TimeCorrection);
    add(tg, "Коррецция RTC (ppm)", RTCCorrection);
    add(tg, "Разрешенная коррекция (мин)", TimeCorrection);
    SetDataTimeButton = Button("SetDataTimeButton", "Время и дата", clock);
    SetCurrentDataTimeButton = Button("SetCurrentDataTimeButton", "Время с ПК", clock);
    SetTimeCorrection = Button("SetTimeCorrection", "Коррекция", clock);
    auto* clockButtons = new QHBoxLayout;
    clockButtons->addWidget(SetDataTimeButton);
    clockButtons->addWidget(SetCurrentDataTimeButton);
    clockButtons->addWidget(SetTimeCorrection);
    tg->addLayout(clockButtons, row++, 0, 1, 2);
    SoftwareStamp = AddDisplay("SoftwareStamp");
    QLabel* stampLabel = add(tg, "Время / Дата ПО", SoftwareStamp);
    SoftwareStamp->hide();
    stampLabel->hide();
    right->addWidget(clock);

    // "Очистка архива и текущих параметров"
    auto* clear = new QGroupBox(QString::fromUtf8("Очистка архива и текущих параметров"), this);
    clear->setObjectName("ClearArchiveGroup");
    auto* kg = new QGridLayout(clear);
    row = 0;
    InitDatePicker = new QDateEdit(clear);
    InitDatePicker->setObjectName("InitDatePicker");
    InitDatePicker->setDisplayFormat("dd/MM/yyyy");
    InitDatePicker->setReadOnly(true);
    InitDatePicker->setButtonSymbols(QAbstractSpinBox::NoButtons);
    InitTimePicker = new QTimeEdit(clear);
    InitTimePicker->setObjectName("InitTimePicker");
    InitTimePicker->setDisplayFormat("HH:mm:ss");
    InitTimePicker->setReadOnly(true);
    InitTimePicker->setButtonSymbols(QAbstractSpinBox::NoButtons);
    kg->addWidget(new QLabel(QString::fromUtf8("Время начала работы")), row++, 0, 1, 2);
    kg->addWidget(InitDatePicker, row, 0);
    kg->addWidget(InitTimePicker, row++, 1);
    ResetJournalCheck = new QCheckBox(QString::fromUtf8("Сброс журнала оператора"), clear);
    ResetJournalCheck->setObjectName("ResetJournalCheck");
    ResetCountersCheck = new QCheckBox(QString::fromUtf8("Сброс счетчиков"), clear);
    ResetCountersCheck->setObjectName("ResetCountersCheck");
    kg->addWidget(ResetJournalCheck, row++, 0, 1, 2);
    kg->addWidget(ResetCountersCheck, row++, 0, 1, 2);
    ResetJournalCheck->hide();
    ResetCountersCheck->hide();
    ClaerArchiveProgressBar = new QProgressBar(clear);
    ClaerArchiveProgressBar->setObjectName("ClaerArchiveProgressBar");
    ClaerArchiveProgressBar->setRange(0, 30);
    ClaerArchiveProgressBar->setValue(0);
    ClaerArchiveProgressBar->setTextVisible(false);
    kg->addWidget(ClaerArchiveProgressBar, row++, 0, 1, 2);
    ClearArchiveButton = Button("ClearArchiveButton", "Очистить", clear);
    kg->addWidget(ClearArchiveButton, row++, 1, Qt::AlignRight);
    right->addWidget(clear);
    right->addStretch(1);

    BindDateTime(CurrentDatePicker, CurrentTimePicker, {Year, Month, Day, Hour, Minute, Second}, false,
                 "Некоректное время");
    BindDateTime(InitDatePicker, InitTimePicker,
                 {StartYear, StartMonth, StartDay, StartHour, StartMinute, StartSecond}, true);
    // The identification fields belong together: while any of them is
    // being edited none is overwritten.
    FocusGroup({SerialNumber, DuCombo, TypeDevice, Identification, ClassDevice, SetSystemSetup, PluginCard1,
                PluginCard2, ArchiveModule, ReverseModification});
    // The clock and its correction are stored by their own commands.
    CollectSet(kClockSet, {CurrentDatePicker});
    CollectSet(kCorrectionSet, {RTCCorrection, TimeCorrection});
    CollectSet(-1, {InitDatePicker, WorkMode});

    connect(GetSetup, &QPushButton::clicked, this, [this] { GetSetupClick(GetSetup); });
    connect(SetSystemSetup, &QPushButton::clicked, this, [this] { SetSystemSetupClick(SetSystemSetup); });
    connect(SetDataTimeButton, &QPushButton::clicked, this,
            [this] { SetDataTimeButtonClick(SetDataTimeButton); });
    connect(SetCurrentDataTimeButton, &QPushButton::clicked, this,
            [this] { SetDataTimeButtonClick(SetCurrentDataTimeButton); });
    connect(SetTimeCorrection, &QPushButton::clicked, this,
            [this] { SetTimeCorrectionClick(SetTimeCorrection); });
    connect(ClearArchiveButton, &QPushButton::clicked, this,
            [this] { ClearArchiveButtonClick(ClearArchiveButton); });

    auto rebuild = [this] {
        if (!updating_)
            UpdateIdentification();
    };
    connect(DuCombo, &QComboBox::editTextChanged, this, rebuild);
    connect(DuCombo->lineEdit(), &QLineEdit::editingFinished, this, rebuild);
    for (QComboBox* combo : {TypeDevice, ClassDevice, PluginCard1, PluginCard2})
        connect(combo, &QComboBox::currentIndexChanged, this, rebuild);
    connect(ArchiveModule, &QCheckBox::clicked, this, rebuild);
    connect(ReverseModification, &QCheckBox::clicked, this, rebuild);
}

bool TIdentification::ReadPage(bool background)
{
    return GetSetupClick(background ? nullptr : GetSetup);
}

bool TIdentification::GetSetupClick(QObject* sender)
{
    if (!PageHost)
        return false;
    // A click identifies the meter again: it may have been replaced on the line.
    if (sender)
        PageHost->Device().SetIdentified(false);
    return TDevicePageFrame::ReadPage(sender == nullptr);
}

void TIdentification::RefreshPage()
{
    if (!PageHost)
        return;
    updating_ = true;
    RefreshBindings();
    updating_ = false;
    UpdateIdentification();

    uint16_t progress = 0;
    {
        TDeviceHelperLocker locker(PageHost->Device());
        progress = PageHost->Device().Get(ClearProgress);
    }
    clearing_ = progress != 0;
    ClearArchiveButton->setText(QString::fromUtf8(clearing_ ? "Отменить" : "Очистить"));
    ClaerArchiveProgressBar->setValue(std::min<int>(progress, ClaerArchiveProgressBar->maximum()));
}

void TIdentification::RefreshIdentity()
{
    if (!PageHost)
        return;
    const ZT_IdentityStruct identity = PageHost->Device().Identity();
    ModelName->setText(QString::fromStdString(identity.ModelName));
    Version->setText(QString::fromStdString(identity.Version));
    Modification->setText(QString::fromStdString(identity.Modification));
}

std::string TIdentification::Designation() const
{
    const QString type = QString::fromUtf8(BodyTypeList[SelectedIndex(TypeDevice) % BodyTypeList.size()]);
    const QString cls =
        QString::fromUtf8(ClassDeviceList[SelectedIndex(ClassDevice) % ClassDeviceList.size()]);
    const QString text = QString::fromUtf8("ZT-А-") + type.left(1) + DuCombo->currentText() + "-" + cls;
    return text.toStdString();
}

void TIdentification::UpdateIdentification()
{
    const std::string designation = Designation();
    Identification->setText(QString::fromStdString(designation));
    if (PageHost)
        PageHost->SetDeviceTitle(designation + " " + SerialNumber->text().toStdString());
}

void TIdentification::WriteSection(const ZT_Pages::TConfiguration& node) const
{
    ZT_Pages::TIdentificationSectionStruct s;
    s.SerialNumber = SerialNumber->text().toStdString();
    s.Du = DuCombo->currentText().toStdString();
    s.Type = SelectedIndex(TypeDevice);
    s.Class = SelectedIndex(ClassDevice);
    ZT_Pages::WriteIdentificationSection(node, s);
}

void TIdentification::ReadSection(const ZT_Pages::TConfiguration& node)
{
    const ZT_Pages::TIdentificationSectionStruct s = ZT_Pages::ReadIdentificationSection(node);
    // An index beyond the list selects nothing.
    auto select = [](QComboBox* combo, int32_t index) {
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
    };
    updating_ = true;
    SerialNumber->setText(QString::fromStdString(s.SerialNumber));
    DuCombo->setCurrentIndex(-1);
    DuCombo->setEditText(QString::fromStdString(s.Du));
    select(TypeDevice, s.Type);
    select(ClassDevice, s.Class);
    updating_ = false;
    UpdateIdentification();
}

bool TIdentification::SetSystemSetupClick(QObject*)
{
    return WritePage();
}

bool TIdentification::SetDataTimeButtonClick(QObject* sender)
{
    if (!PageHost)
        return false;
    if (sender == SetCurrentDataTimeButton) {
        const QDateTime now = Clock();
        const QSignalBlocker dateBlocker(CurrentDatePicker), timeBlocker(CurrentTimePicker);
        CurrentDatePicker->setDate(now.date());
        CurrentTimePicker->setTime(now.time());
    }
    return CollectBindings(kClockSet) && PageHost->WriteBlock(ZT_Blocks::DateTimeBlock);
}

bool TIdentification::SetTimeCorrectionClick(QObject*)
{
    if (!PageHost)
        return false;
    return CollectBindings(kCorrectionSet) && PageHost->WriteBlock(ZT_Blocks::TimeCorrectionBlock);
}

bool TIdentification::ClearArchiveButtonClick(QObject*)
{
    if (!PageHost)
        return false;
    {
        ZT_Helper& d = PageHost->Device();
        TDeviceHelperLocker locker(d);
        d.Set(ClearArchive, static_cast<uint16_t>(clearing_ ? 0 : 1));
    }
    return PageHost->WriteBlock(ZT_Blocks::ClearArchiveCommand);
}
