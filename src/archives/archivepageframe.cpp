#include "archives/archivepageframe.h"

#include "controls/goodtable.h"

#include <QProgressBar>
#include <algorithm>
#include <QPushButton>

using namespace ZT_namespace;

TArchivePageFrame::TArchivePageFrame(QWidget* parent) : TDevicePageFrame(parent)
{
    GetArchive = new QPushButton(QString::fromUtf8("Считать"), this);
    GetArchive->setObjectName("GetArchive");
    ArchiveProgressBar = new QProgressBar(this);
    ArchiveProgressBar->setObjectName("ArchiveProgressBar");
    ArchiveProgressBar->setRange(0, 100);
    ArchiveProgressBar->setValue(0);
}

void TArchivePageFrame::ShowProgress(int32_t percent)
{
    ArchiveProgressBar->setValue(std::clamp(percent, 0, 100));
}

bool TArchivePageFrame::StartReading(const TArchiveReadStruct& read, const ZT_ReadArchiveDataSetup& setup)
{
    if (!PageHost)
        return false;
    return PageHost->StartArchiveRead(read, setup);
}

void TArchivePageFrame::SetupTable(TGoodTable* table, const std::vector<TArchiveColumnStruct>& columns)
{
    table->SetColCount(int(columns.size()));
    for (int c = 0; c < int(columns.size()); ++c) {
        table->SetCaptions(c, QString::fromStdString(columns[size_t(c)].Caption));
        table->SetWidths(c, columns[size_t(c)].Width);
        table->SetColReadOnly(c, true);
        table->SetColAlignment(c, columns[size_t(c)].RightAligned ? taRightJustify : taLeftJustify);
    }
    table->SetReadOnly(true);
}

void TArchivePageFrame::FillTable(TGoodTable* table, const std::vector<TArchiveRowStruct>& rows)
{
    table->SetRowCount(0);
    table->SetRowCount(int(rows.size()));
    for (int r = 0; r < int(rows.size()); ++r)
        table->SetRowTexts(r, rows[size_t(r)].Cells);
}
