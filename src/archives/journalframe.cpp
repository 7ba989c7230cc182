#include "archives/journalframe.h"

#include "controls/goodtable.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

using namespace ZT_namespace;

TJournalArchive::TJournalArchive(QWidget* parent) : TArchivePageFrame(parent)
{
    setObjectName("JournalArchive");
    auto* root = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(GetArchive);
    top->addWidget(ArchiveProgressBar, 1);
    root->addLayout(top);
    JournalTable = new TGoodTable(this);
    JournalTable->setObjectName("JournalTable");
    SetupTable(JournalTable, OperatorJournalColumns());
    root->addWidget(JournalTable, 1);
    connect(GetArchive, &QPushButton::clicked, this, [this] { GetArchiveClick(); });
}

void TJournalArchive::GetArchiveClick()
{
    ZT_ReadArchiveDataSetup setup;
    setup.Kinds = {uint32_t(kOperatorJournal)};
    setup.KindMask = 1 << kOperatorJournal;
    StartReading(OperatorJournalRead, setup);
}

void TJournalArchive::RefreshPage()
{
    if (PageHost)
        FillFromDevice(PageHost->Device());
}

void TJournalArchive::FillFromDevice(ZT_Helper& device)
{
    {
        TDeviceHelperLocker locker(device);
        Copy = device.JournalVector(kOperatorJournal);
    }
    FillTable(JournalTable, OperatorJournalTable(Copy).Rows);
}

TArchivePageFrame::TExportSource TJournalArchive::ExportSource() const
{
    return [copy = Copy] {
        std::vector<TArchiveTableStruct> tables;
        if (!copy.empty())
            tables.push_back(OperatorJournalTable(copy));
        return tables;
    };
}
