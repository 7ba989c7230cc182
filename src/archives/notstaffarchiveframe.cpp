#include "archives/notstaffarchiveframe.h"

#include "controls/biteditcombobox.h"
#include "controls/goodtable.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace ZT_namespace;

TNotStaffArchive::TNotStaffArchive(QWidget* parent) : TArchivePageFrame(parent)
{
    setObjectName("NotStaffArchive");
    auto* root = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(GetArchive);
    top->addWidget(ArchiveProgressBar, 1);
    root->addLayout(top);

    auto* mask = new QHBoxLayout;
    auto* label = new QLabel(QString::fromUtf8("Отображение в журнале НС"), this);
    label->setObjectName("NotStaffMaskLabel");
    NotStaffMaskBitEdit = new TBitEditComboBox(this);
    NotStaffMaskBitEdit->setObjectName("NotStaffMaskBitEdit");
    NotStaffMaskBitEdit->SetItems({QString::fromUtf8("Аппаратные НС"), QString::fromUtf8("Флаги режимов работы"),
                                   QString::fromUtf8("Системные НС")});
    NotStaffMaskBitEdit->SetBitFlags(7);
    NotStaffMaskBitEdit->setFixedSize(90, 21);
    mask->addWidget(label);
    mask->addWidget(NotStaffMaskBitEdit);
    mask->addStretch(1);
    root->addLayout(mask);

    NotStaffTable = new TGoodTable(this);
    NotStaffTable->setObjectName("NotStaffTable");
    SetupTable(NotStaffTable, AlarmJournalColumns());
    root->addWidget(NotStaffTable, 1);

    connect(GetArchive, &QPushButton::clicked, this, [this] { GetArchiveClick(); });
    connect(NotStaffMaskBitEdit, &TBitEditComboBox::changed, this, [this] { NotStaffMaskBitEditChange(); });
}

void TNotStaffArchive::GetArchiveClick()
{
    ZT_ReadArchiveDataSetup setup;
    setup.Kinds = {uint32_t(kAlarmJournal)};
    setup.KindMask = 1 << kAlarmJournal;
    StartReading(AlarmJournalRead, setup);
}

void TNotStaffArchive::RefreshPage()
{
    if (PageHost)
        FillFromDevice(PageHost->Device());
}

void TNotStaffArchive::FillFromDevice(ZT_Helper& device)
{
    {
        TDeviceHelperLocker locker(device);
        Records = device.JournalVector(kAlarmJournal);
    }
    Fill();
}

void TNotStaffArchive::NotStaffMaskBitEditChange()
{
    Fill();
}

void TNotStaffArchive::Fill()
{
    Shown = AlarmEvents(Records, uint32_t(NotStaffMaskBitEdit->BitFlags()));
    std::vector<TArchiveRowStruct> rows;
    rows.reserve(Shown.size());
    for (const NotStaffPreDecodedStruct& event : Shown)
        rows.push_back(AlarmRow(event));
    FillTable(NotStaffTable, rows);
}

TArchivePageFrame::TExportSource TNotStaffArchive::ExportSource() const
{
    return [records = Records, mask = uint32_t(NotStaffMaskBitEdit->BitFlags())] {
        std::vector<TArchiveTableStruct> tables;
        TArchiveTableStruct table = AlarmJournalTable(records, mask);
        if (!table.Rows.empty())
            tables.push_back(std::move(table));
        return tables;
    };
}
