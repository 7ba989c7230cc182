#pragma once
// TNotStaffArchive: the page "Журнал НС": every change of a hardware fault,
// working-mode flag or system alarm the meter logged, one row per changed
// flag, shown for the groups chosen in the mask. Changing the mask filters
// the records already read, without an exchange.

#include "archives/archivepageframe.h"

#include <vector>

class TBitEditComboBox;

class TNotStaffArchive : public TArchivePageFrame {
    Q_OBJECT
public:
    explicit TNotStaffArchive(QWidget* parent = nullptr);

    void GetArchiveClick();
    void NotStaffMaskBitEditChange();
    void FillFromDevice(ZT_Helper& device);
    void RefreshPage() override;
    TExportSource ExportSource() const override;

    // The expanded events the table shows, row for row.
    const std::vector<ZT_namespace::NotStaffPreDecodedStruct>& Events() const { return Shown; }

private:
    void Fill();

    TBitEditComboBox* NotStaffMaskBitEdit;
    TGoodTable* NotStaffTable;
    std::vector<ZT_namespace::JournalStruct> Records;
    std::vector<ZT_namespace::NotStaffPreDecodedStruct> Shown;
};
