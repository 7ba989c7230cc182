#pragma once
// TArchiveParam: the page "Архивы". The user checks which of the four
// periodic archives to read and whether the whole ring or a period of days;
// each archive shows in its own table of sixteen columns, one row per
// record. A key pressed on a row writes the record's alarm details to the
// exchange log.

#include "archives/archivepageframe.h"

#include <array>
#include <vector>

class QCheckBox;
class QDateEdit;
class QRadioButton;
class QTabWidget;

class TArchiveParam : public TArchivePageFrame {
    Q_OBJECT
public:
    explicit TArchiveParam(QWidget* parent = nullptr);

    // The reading's setup from the check boxes and the period choice.
    ZT_ReadArchiveDataSetup ReadSetup() const;

    void GetArchiveClick();
    void AllArchiveReadClick();
    void PeriodArchiveReadClick();
    // The alarm details of the current row of the table of `kind`.
    void ArchiveKeyPress(int kind);
    // Takes the records of the completed reading and fills the tables.
    void FillFromDevice(ZT_Helper& device);
    // Fills the table of `kind` from its records (those of the period shown
    // when the last reading was by period) and keeps them as its copy.
    void ShowRecords(int kind, const std::vector<ZT_namespace::ArchiveStruct>& records);
    void RefreshPage() override;

    TExportSource ExportSource() const override;
    // The page's copy of the records of `kind` (those its table shows).
    const std::vector<ZT_namespace::ArchiveStruct>& Records(int kind) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Position of a kind among the page's four (interval, hourly, daily,
    // monthly); -1 for another kind.
    static int Slot(int kind);

    QRadioButton *AllArchiveRead, *PeriodArchiveRead;
    QDateEdit *ArchiveTimeBegin, *ArchiveTimeEnd;
    QCheckBox *IntervalCheckBox, *HourCheckBox, *DayCheckBox, *MonthCheckBox;
    QTabWidget* ArchivePageControl;
    std::array<TGoodTable*, 4> Tables{};
    std::array<std::vector<ZT_namespace::ArchiveStruct>, 4> Copies;
    // The period of the reading started last (none: the whole range), and
    // that of the rows shown.
    bool PendingPeriod = false, ShownPeriod = false;
    ZT_namespace::TPeriodStruct Pending, Shown;
};
