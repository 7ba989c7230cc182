#pragma once
// TJournalArchive: the page "Журнал оператора": the meter's journal of
// parameter changes, one row per change with the parameter's name and its
// old and new value.

#include "archives/archivepageframe.h"

#include <vector>

class TJournalArchive : public TArchivePageFrame {
    Q_OBJECT
public:
    explicit TJournalArchive(QWidget* parent = nullptr);

    void GetArchiveClick();
    void FillFromDevice(ZT_Helper& device);
    void RefreshPage() override;
    TExportSource ExportSource() const override;

private:
    TGoodTable* JournalTable;
    std::vector<ZT_namespace::JournalStruct> Copy;
};
