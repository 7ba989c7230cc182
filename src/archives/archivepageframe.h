#pragma once
// TArchivePageFrame: what the archive and journal pages share beyond the
// page base: a "Считать" button that starts (and, clicked again, cancels)
// the page's archive reading, a progress bar that follows it, tables of the
// grid set up from the column lists of the archive tables, and the tables
// the page shows handed to the workbook export.

#include "device/zt_archivetable.h"
#include "pages/pageframe.h"

#include <functional>
#include <vector>

class QProgressBar;
class QPushButton;
class TGoodTable;

class TArchivePageFrame : public TDevicePageFrame {
    Q_OBJECT
public:
    explicit TArchivePageFrame(QWidget* parent = nullptr);

    void ShowProgress(int32_t percent) override;

    // The tables the page shows, built when called: on a worker, from the
    // copies the page took when it was asked (the page may change meanwhile).
    using TExportSource = std::function<std::vector<ZT_namespace::TArchiveTableStruct>()>;
    virtual TExportSource ExportSource() const = 0;

    // Column count, captions, widths, alignment; every column read-only.
    static void SetupTable(TGoodTable* table, const std::vector<ZT_namespace::TArchiveColumnStruct>& columns);
    // Row count and texts from the rows.
    static void FillTable(TGoodTable* table, const std::vector<ZT_namespace::TArchiveRowStruct>& rows);

protected:
    // Starts the reading (or cancels the one running); true when started.
    bool StartReading(const ZT_namespace::TArchiveReadStruct& read, const ZT_ReadArchiveDataSetup& setup);

    QPushButton* GetArchive = nullptr;
    QProgressBar* ArchiveProgressBar = nullptr;
};
