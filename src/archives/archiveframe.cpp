#include "archives/archiveframe.h"

#include "controls/goodtable.h"

#include <QCheckBox>
#include <QProgressBar>
#include <QPushButton>
#include <QDate>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace ZT_namespace;

namespace {

// The kinds in the order of the check boxes and tabs, with their mask bits.
struct TKindStruct {
    int Kind;
    int32_t Bit;
    const char* Caption;
    const char* Box;
    const char* Sheet;
    const char* Table;
};
constexpr TKindStruct kKinds[4] = {
    {kIntervalArchive, 0x20, "Интервальный", "IntervalCheckBox", "IntervalTabSheet", "IntervalArchive"},
    {kHourlyArchive, 0x01, "Часовой", "HourCheckBox", "HourTabSheet", "HourArchive"},
    {kDailyArchive, 0x02, "Суточный", "DayCheckBox", "DayTabSheet", "DayArchive"},
    {kMonthlyArchive, 0x04, "Месячный", "MonthCheckBox", "MonthTabSheet", "MonthArchive"},
};

TDateTime DayOf(const QDate& date)
{
    return EncodeDate(date.year(), date.month(), date.day());
}

} // namespace

TArchiveParam::TArchiveParam(QWidget* parent) : TArchivePageFrame(parent)
{
    setObjectName("ArchiveParam");
    auto* root = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    top->addWidget(GetArchive);
    top->addWidget(ArchiveProgressBar, 1);
    root->addLayout(top);

    auto* choice = new QHBoxLayout;
    AllArchiveRead = new QRadioButton(QString::fromUtf8("Полный"), this);
    AllArchiveRead->setObjectName("AllArchiveRead");
    PeriodArchiveRead = new QRadioButton(QString::fromUtf8("За период"), this);
    PeriodArchiveRead->setObjectName("PeriodArchiveRead");
    AllArchiveRead->setChecked(true);
    ArchiveTimeBegin = new QDateEdit(QDate::currentDate(), this);
    ArchiveTimeBegin->setObjectName("ArchiveTimeBegin");
    ArchiveTimeEnd = new QDateEdit(QDate::currentDate(), this);
    ArchiveTimeEnd->setObjectName("ArchiveTimeEnd");
    for (QDateEdit* edit : {ArchiveTimeBegin, ArchiveTimeEnd}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        edit->setEnabled(false);
    }
    choice->addWidget(AllArchiveRead);
    choice->addWidget(PeriodArchiveRead);
    choice->addWidget(ArchiveTimeBegin);
    choice->addWidget(ArchiveTimeEnd);
    choice->addSpacing(20);

    std::array<QCheckBox*, 4> boxes{};
    ArchivePageControl = new QTabWidget(this);
    ArchivePageControl->setObjectName("ArchivePageControl");
    for (int i = 0; i < 4; ++i) {
        boxes[size_t(i)] = new QCheckBox(QString::fromUtf8(kKinds[i].Caption), this);
        boxes[size_t(i)]->setObjectName(kKinds[i].Box);
        boxes[size_t(i)]->setChecked(true);
        choice->addWidget(boxes[size_t(i)]);

        auto* sheet = new QWidget;
        sheet->setObjectName(kKinds[i].Sheet);
        auto* layout = new QVBoxLayout(sheet);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* table = new TGoodTable(sheet);
        table->setObjectName(kKinds[i].Table);
        table->installEventFilter(this);
        layout->addWidget(table);
        Tables[size_t(i)] = table;
        ArchivePageControl->addTab(sheet, QString::fromUtf8(kKinds[i].Caption));
    }
    IntervalCheckBox = boxes[0];
    HourCheckBox = boxes[1];
    DayCheckBox = boxes[2];
    MonthCheckBox = boxes[3];
    choice->addStretch(1);
    root->addLayout(choice);
    root->addWidget(ArchivePageControl, 1);

    for (TGoodTable* table : Tables)
        SetupTable(table, ArchiveColumns());
    ArchivePageControl->setCurrentIndex(1);

    connect(GetArchive, &QPushButton::clicked, this, [this] { GetArchiveClick(); });
    connect(AllArchiveRead, &QRadioButton::clicked, this, [this] { AllArchiveReadClick(); });
    connect(PeriodArchiveRead, &QRadioButton::clicked, this, [this] { PeriodArchiveReadClick(); });
}

int TArchiveParam::Slot(int kind)
{
    for (int i = 0; i < 4; ++i)
        if (kKinds[i].Kind == kind)
            return i;
    return -1;
}

ZT_ReadArchiveDataSetup TArchiveParam::ReadSetup() const
{
    ZT_ReadArchiveDataSetup setup;
    const QCheckBox* boxes[4] = {IntervalCheckBox, HourCheckBox, DayCheckBox, MonthCheckBox};
    for (int i = 0; i < 4; ++i)
        if (boxes[i]->isChecked()) {
            setup.Kinds.push_back(uint32_t(kKinds[i].Kind));
            setup.KindMask |= kKinds[i].Bit;
        }
    if (PeriodArchiveRead->isChecked()) {
        // Read from the first record of the start date to the last of the
        // end date, instead of the whole ring.
        setup.SearchStart = true;
        setup.SearchEnd = true;
        setup.DateFrom = DayOf(ArchiveTimeBegin->date());
        setup.DateTo = DayOf(ArchiveTimeEnd->date());
    }
    return setup;
}

void TArchiveParam::GetArchiveClick()
{
    const ZT_ReadArchiveDataSetup setup = ReadSetup();
    if (!StartReading(ArchiveRead, setup))
        return;
    PendingPeriod = setup.SearchStart;
    Pending = {setup.DateFrom, setup.DateTo};
}

void TArchiveParam::AllArchiveReadClick()
{
    ArchiveTimeBegin->setEnabled(false);
    ArchiveTimeEnd->setEnabled(false);
}

void TArchiveParam::PeriodArchiveReadClick()
{
    ArchiveTimeBegin->setEnabled(true);
    ArchiveTimeEnd->setEnabled(true);
    ArchiveTimeBegin->setDate(QDate::currentDate());
    ArchiveTimeEnd->setDate(QDate::currentDate());
}

void TArchiveParam::RefreshPage()
{
    if (PageHost)
        FillFromDevice(PageHost->Device());
}

void TArchiveParam::FillFromDevice(ZT_Helper& device)
{
    ShownPeriod = PendingPeriod;
    Shown = Pending;
    for (const TKindStruct& kind : kKinds) {
        std::vector<ArchiveStruct> records;
        {
            TDeviceHelperLocker locker(device);
            records = device.ArchiveVector(kind.Kind);
        }
        ShowRecords(kind.Kind, records);
    }
}

void TArchiveParam::ShowRecords(int kind, const std::vector<ArchiveStruct>& records)
{
    const int slot = Slot(kind);
    if (slot < 0)
        return;
    // Each row goes into the grid as it is decoded, so that a long archive
    // never holds all its texts twice. The copy holds the records of the
    // rows shown, row for row.
    TGoodTable* table = Tables[size_t(slot)];
    auto& copy = Copies[size_t(slot)];
    copy.clear();
    copy.reserve(records.size());
    table->SetRowCount(0);
    table->SetRowCount(int(records.size()));
    for (const ArchiveStruct& record : records) {
        const TArchiveRowStruct row = ArchiveRow(record, kind);
        if (ShownPeriod && !(row.Dated && Shown.Contains(row.Time)))
            continue;
        table->SetRowTexts(int(copy.size()), row.Cells);
        copy.push_back(record);
    }
    table->SetRowCount(int(copy.size()));
}

const std::vector<ArchiveStruct>& TArchiveParam::Records(int kind) const
{
    static const std::vector<ArchiveStruct> none;
    const int slot = Slot(kind);
    return slot < 0 ? none : Copies[size_t(slot)];
}

void TArchiveParam::ArchiveKeyPress(int kind)
{
    const int slot = Slot(kind);
    if (slot < 0)
        return;
    const int row = Tables[size_t(slot)]->Row();
    const auto& copy = Copies[size_t(slot)];
    if (row < 0 || size_t(row) >= copy.size())
        return;
    const std::string text = ArchiveFlagsText(copy[size_t(row)], kind);
    if (!text.empty() && PageHost)
        PageHost->LogMessage(text);
}

bool TArchiveParam::eventFilter(QObject* watched, QEvent* event)
{
    // A key that types a character, as a key press of the grid is; the
    // navigation keys only move the selection.
    if (event->type() == QEvent::KeyPress && !static_cast<QKeyEvent*>(event)->text().isEmpty())
        for (int i = 0; i < 4; ++i)
            if (watched == Tables[size_t(i)])
                ArchiveKeyPress(kKinds[i].Kind);
    return TArchivePageFrame::eventFilter(watched, event);
}

TArchivePageFrame::TExportSource TArchiveParam::ExportSource() const
{
    return [copies = Copies] {
        std::vector<TArchiveTableStruct> tables;
        for (int i = 0; i < 4; ++i) {
            TArchiveTableStruct table = ArchiveTable(kKinds[i].Kind, copies[size_t(i)]);
            if (!table.Rows.empty())
                tables.push_back(std::move(table));
        }
        return tables;
    };
}
