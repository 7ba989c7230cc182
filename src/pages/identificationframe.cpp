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
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

using namespace ZT_namespace;

namespace {

void Fill(QComboBox* combo, TTextList list)
{
    combo->clear();
    combo->addItems(TextList(list));
}

void Select(QComboBox* combo, uint16_t index)
{
    combo->setCurrentIndex(index < combo->count() ? index : -1);
}

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
    SerialNumber = new QLineEdit(ident);
    SerialNumber->setObjectName("SerialNumber");
    DuCombo = new QComboBox(ident);
    DuCombo->setObjectName("DuCombo");
    DuCombo->setEditable(true);
    DuCombo->setInsertPolicy(QComboBox::NoInsert);
    TypeDevice = new QComboBox(ident);
    TypeDevice->setObjectName("TypeDevice");
    ClassDevice = new QComboBox(ident);
    ClassDevice->setObjectName("ClassDevice");
    PluginCard1 = new QComboBox(ident);
    PluginCard1->setObjectName("PluginCard1");
    PluginCard2 = new QComboBox(ident);
    PluginCard2->setObjectName("PluginCard2");
    ArchiveModule = new QCheckBox(QString::fromUtf8("Модуль архивов"), ident);
    ArchiveModule->setObjectName("ArchiveModule");
    ReverseModification = new QCheckBox(QString::fromUtf8("Реверсивное исполнение"), ident);
    ReverseModification->setObjectName("ReverseModification");
    Identification = AddDisplay("Identification");
    Modification = AddDisplay("Modification");
    Version = AddDisplay("Version");
    ModelName = AddDisplay("ModelName");
    WorkMode = new QComboBox(ident);
    WorkMode->setObjectName("WorkMode");
    WorkMode->setEnabled(false);
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
    FirmwareCS = AddDisplay("FirmwareCS");
    MetrologyCS = AddDisplay("MetrologyCS");
    SetupCS = AddDisplay("SetupCS");
    CalibrationCS = AddDisplay("CalibrationCS");
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
    RTCCorrection = new QSpinBox(clock);
    RTCCorrection->setObjectName("RTCCorrection");
    RTCCorrection->setRange(-127, 127);
    TimeCorrection = new QSpinBox(clock);
    TimeCorrection->setObjectName("TimeCorrection");
    TimeCorrection->setRange(0, 30);
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

void TIdentification::InitPage()
{
    updating_ = true;
    Fill(DuCombo, NominalDiameterList);
    Fill(TypeDevice, BodyTypeList);
    Fill(ClassDevice, ClassDeviceList);
    Fill(PluginCard1, PluginCardList);
    Fill(PluginCard2, PluginCardList);
    Fill(WorkMode, DeviceWorkModeList);
    DuCombo->setCurrentIndex(-1);
    updating_ = false;
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
    return PageHost->StartMultiOperation(23, sender == nullptr, "Идентификационные параметры считаны");
}

void TIdentification::RefreshPage()
{
    RefreshHolding();
    RefreshDeviceState();
}

void TIdentification::RefreshHolding()
{
    if (!PageHost)
        return;
    ZT_Helper& d = PageHost->Device();
    TDeviceHelperLocker locker(d);
    using namespace ZT_Fields;

    if (!HasFocus(CurrentDatePicker) && !HasFocus(CurrentTimePicker)) {
        const QDate date(2000 + d.Get(Year), d.Get(Month), d.Get(Day));
        const QTime time(d.Get(Hour), d.Get(Minute), d.Get(Second));
        if (date.isValid() && time.isValid()) {
            CurrentDatePicker->setDate(date);
            CurrentTimePicker->setTime(time);
        } else {
            PageHost->LogMessage("Некоректное время");
        }
    }
    if (!HasFocus(RTCCorrection))
        RTCCorrection->setValue(d.Get(ZT_Fields::RTCCorrection));
    if (!HasFocus(TimeCorrection))
        TimeCorrection->setValue(d.Get(ZT_Fields::TimeCorrection));

    // The identification fields belong together: while any of them is
    // being edited none is overwritten.
    for (const QWidget* w :
         {static_cast<const QWidget*>(SerialNumber), static_cast<const QWidget*>(DuCombo),
          static_cast<const QWidget*>(TypeDevice), static_cast<const QWidget*>(Identification),
          static_cast<const QWidget*>(ClassDevice), static_cast<const QWidget*>(SetSystemSetup)})
        if (HasFocus(w))
            return;
    updating_ = true;
    SerialNumber->setText(QString::fromStdString(Format("%08u", d.Get(ZT_Fields::SerialNumber))));
    DuCombo->setCurrentIndex(-1);
    DuCombo->setEditText(QString::fromStdString(Format("%2u", unsigned(d.Get(Du)))));
    Select(TypeDevice, d.Get(Type));
    Select(PluginCard1, d.Get(ZT_Fields::PluginCard1));
    Select(PluginCard2, d.Get(ZT_Fields::PluginCard2));
    Select(ClassDevice, d.Get(ZT_Fields::ClassDevice));
    ArchiveModule->setChecked(d.Get(ZT_Fields::ArchiveModule) != 0);
    ReverseModification->setChecked(d.Get(ZT_Fields::ReverseModification) != 0);
    updating_ = false;
    UpdateIdentification();
}

void TIdentification::RefreshDeviceState()
{
    if (!PageHost)
        return;
    ZT_Helper& d = PageHost->Device();
    TDeviceHelperLocker locker(d);
    using namespace ZT_Fields;

    if (!HasFocus(InitDatePicker) && !HasFocus(InitTimePicker)) {
        const QDate date(2000 + d.Get(StartYear), d.Get(StartMonth), d.Get(StartDay));
        const QTime time(d.Get(StartHour), d.Get(StartMinute), d.Get(StartSecond));
        if (date.isValid() && time.isValid()) {
            InitDatePicker->setDate(date);
            InitTimePicker->setTime(time);
        }
    }
    const uint16_t progress = d.Get(ClearProgress);
    clearing_ = progress != 0;
    ClearArchiveButton->setText(QString::fromUtf8(clearing_ ? "Отменить" : "Очистить"));
    ClaerArchiveProgressBar->setValue(std::min<int>(progress, ClaerArchiveProgressBar->maximum()));
    // Read-only: shown even while one of them has the focus.
    for (auto [edit, value] :
         {std::pair{FirmwareCS, d.Get(rcFirmware)}, std::pair{MetrologyCS, d.Get(rcMetrology)},
          std::pair{SetupCS, d.Get(rcSetup)}, std::pair{CalibrationCS, d.Get(rcCalibration)}})
        edit->setText(QString::fromStdString(Format("%04X", unsigned(value))));
    Select(WorkMode, d.Get(DeviceWorkMode));
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

bool TIdentification::CollectPage()
{
    if (!PageHost)
        return false;
    const uint32_t serial = StrToUInt(SerialNumber->text().toStdString());
    const uint32_t du = StrToUInt(DuCombo->currentText().toStdString());
    if (du < 1 || du > 400) {
        PageHost->LogMessage("Не корректное значение Ду");
        return false;
    }
    ZT_Helper& d = PageHost->Device();
    TDeviceHelperLocker locker(d);
    using namespace ZT_Fields;
    d.Set(ZT_Fields::SerialNumber, serial);
    d.Set(Du, static_cast<uint16_t>(du));
    d.Set(Type, static_cast<uint16_t>(SelectedIndex(TypeDevice)));
    d.Set(ZT_Fields::PluginCard1, static_cast<uint16_t>(SelectedIndex(PluginCard1)));
    d.Set(ZT_Fields::PluginCard2, static_cast<uint16_t>(SelectedIndex(PluginCard2)));
    d.Set(ZT_Fields::ClassDevice, static_cast<uint16_t>(SelectedIndex(ClassDevice)));
    d.Set(ZT_Fields::ArchiveModule, static_cast<uint16_t>(ArchiveModule->isChecked() ? 1 : 0));
    d.Set(ZT_Fields::ReverseModification, static_cast<uint16_t>(ReverseModification->isChecked() ? 1 : 0));
    return true;
}

bool TIdentification::SetSystemSetupClick(QObject*)
{
    if (!PageHost || !CollectPage())
        return false;
    const TBlockStruct& block = ZT_Blocks::IdentificationBlock;
    return PageHost->StartWrite(25, block.First, block.Count, "Параметры идентификации установлены");
}

bool TIdentification::SetDataTimeButtonClick(QObject* sender)
{
    if (!PageHost)
        return false;
    QDate date;
    QTime time;
    if (sender == SetCurrentDataTimeButton) {
        const QDateTime now = Clock();
        date = now.date();
        time = now.time();
    } else {
        date = CurrentDatePicker->date();
        time = CurrentTimePicker->time();
    }
    {
        ZT_Helper& d = PageHost->Device();
        TDeviceHelperLocker locker(d);
        using namespace ZT_Fields;
        d.Set(Year, static_cast<uint16_t>(date.year() % 100));
        d.Set(Month, static_cast<uint16_t>(date.month()));
        d.Set(Day, static_cast<uint16_t>(date.day()));
        d.Set(Hour, static_cast<uint16_t>(time.hour()));
        d.Set(Minute, static_cast<uint16_t>(time.minute()));
        d.Set(Second, static_cast<uint16_t>(time.second()));
    }
    const TBlockStruct& block = ZT_Blocks::DateTimeBlock;
    return PageHost->StartWrite(24, block.First, block.Count, "Время и дата установлены");
}

bool TIdentification::SetTimeCorrectionClick(QObject*)
{
    if (!PageHost)
        return false;
    {
        ZT_Helper& d = PageHost->Device();
        TDeviceHelperLocker locker(d);
        const int rtc = RTCCorrection->value();
        const int permitted = TimeCorrection->value();
        if (rtc >= -127 && rtc <= 127)
            d.Set(ZT_Fields::RTCCorrection, rtc);
        if (permitted >= 0 && permitted <= 30)
            d.Set(ZT_Fields::TimeCorrection, static_cast<uint16_t>(permitted));
    }
    const TBlockStruct& block = ZT_Blocks::TimeCorrectionBlock;
    return PageHost->StartWrite(26, block.First, block.Count, "Коррекция времени установлены");
}

bool TIdentification::ClearArchiveButtonClick(QObject*)
{
    if (!PageHost)
        return false;
    {
        ZT_Helper& d = PageHost->Device();
        TDeviceHelperLocker locker(d);
        d.Set(ZT_Fields::ClearArchive, static_cast<uint16_t>(clearing_ ? 0 : 1));
    }
    return PageHost->StartWrite(27, ZT_Fields::ClearArchive.Register, 1, {});
}
