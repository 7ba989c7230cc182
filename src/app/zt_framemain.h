#pragma once
// TZT_Frame: the device workspace. It owns the device model, the eight
// process wrappers through which every exchange is started, the page tree
// and the pages; it starts reads and writes for the pages, dispatches every
// completion to the page its tag names, polls the current page once a
// second and carries out read-all, write-all and the close check.

#include "device/zt_core.h"
#include "device/zt_helper.h"
#include "engine/processwrapper.h"
#include "pages/pageframe.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QSplitter;
class QTabWidget;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class TChanelHelperBase;
class TCurrentParams;
class TIdentification;

// What the workspace asks of the main window. The main window fills it in;
// an unset member does nothing (automatic polling reads as off).
struct TMainWindowLink {
    std::function<bool()> IsAutoRequest;
    // hardware_fault, unstable, q_above_max, q_below_min, service_mode,
    // empty_pipe, integration.
    std::function<void(bool, bool, bool, bool, bool, bool, bool)> ShowDeviceStatus;
    std::function<void(const std::string& text)> SetDeviceTitle;
};

// The seven indicator flags of the main window's tool strip.
struct TDeviceStatusStruct {
    bool HardwareFault = false;
    bool Unstable = false;
    bool QAboveMax = false;
    bool QBelowMin = false;
    bool ServiceMode = false;
    bool EmptyPipe = false;
    bool Integration = false;
    bool operator==(const TDeviceStatusStruct&) const = default;
};
TDeviceStatusStruct DeviceStatusFromWords(uint16_t hardwareNotStaff, uint16_t workModeFlags,
                                          uint16_t systemNotStaff);

// Page indices: positions in the page control.
enum TPageIndex : int32_t {
    pgCurrent = 0,
    pgArchive = 1,
    pgNotStaff = 2,
    pgJournal = 3,
    pgIdentification = 4,
    pgSetup = 5,
    pgSetup2 = 6,
    pgImpulseOut = 7,
    pgWorkSetup = 8,
    pgCalibration = 9,
    pgServiceParam = 10,
    pgServiceInfo = 11,
    pgGraphObservation = 12,
    pgAdcSignal = 13,
    pgStraitWork = 14,
    kPageCount = 15
};

class TZT_Frame : public QWidget, public TPageHost {
    Q_OBJECT
public:
    explicit TZT_Frame(QWidget* parent = nullptr);
    ~TZT_Frame() override;

    // Builds the pages, the cross-page wiring and the tree.
    void InitPages();

    // The current channel (may be null); handed on to the device model.
    void SetChanel(TChanelHelperBase* chanel);
    TChanelHelperBase* GetChanel() const { return Chanel; }
    // The main window's LogMessage; installed as OnMessage of wrappers 1 to 6.
    void SetMessageSink(TLogSink sink);
    void SetMainWindow(TMainWindowLink link);
    // Logs a line of the window thread through the message sink.
    void LogMessage(const std::string& text) override;
    void SetDeviceTitle(const std::string& text) override;
    bool IsAutoRequest() const;

    void ReadAllParams();
    void WriteAllParams();
    bool CanCloseWorkspace();
    void SetObservation(bool on);
    void SetAdcSignal(bool on);
    // The "Проливка" indicator's click: starts integration when `running`
    // is false, stops it otherwise.
    void ToggleIntegration(bool running);

    // Operations offered to the pages; each is true when started. A busy
    // wrapper refuses silently.
    bool StartRead(int32_t tag, int32_t first, int32_t count, bool background,
                   const std::string& doneText) override;
    bool StartWrite(int32_t tag, int32_t first, int32_t count, const std::string& doneText) override;
    bool StartMultiOperation(int32_t tag, bool background, const std::string& doneText) override;
    // A second call while the reading runs cancels it and returns false.
    bool StartArchiveRead(int32_t tag, const ZT_ReadArchiveDataSetup& setup) override;

    // The page read of the page-read table, in background or click mode.
    bool ReadPage(int32_t page, bool background);
    // Computes the indicators from the current parameters block and shows
    // them on the main window.
    void ShowDeviceStatus() override;
    TDeviceStatusStruct DeviceStatus();

    // One tick of the one-second timer.
    void TimerTick();
    // Makes `page` the current page, as a click on its tree node does.
    void SelectPage(int32_t page);
    int32_t GetCurrentPage() const { return CurrentPage; }

    ZT_Helper& Device() override { return Device_; }
    TProcessWrapper* Wrapper(int32_t id) const;
    TDevicePageFrame* Page(int32_t index) const;
    QTabWidget* PageControl() const { return PageControl_; }
    QTreeWidget* TreeView() const { return TreeView_; }
    QWidget* Sheet(int32_t index) const;
    QTimer* PollTimer() const { return Timer; }
    // Places `page` on its sheet; the workspace's own pages come through
    // InitPages.
    void AttachPage(int32_t index, TDevicePageFrame* page);
    TCurrentParams* CurrentParams() const { return currentParams_; }
    TIdentification* Identification() const { return identification_; }

    // Completion handling of every wrapper (window thread).
    void ProcessComplete(int32_t id, int32_t tag);
    void ProcessError(int32_t id, int32_t tag, int32_t code);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildSheets();
    void BuildTree();
    void PanelResize();
    void TreeViewChange(QTreeWidgetItem* current);
    void PageControlChange(int index);
    void RefreshPage(int32_t page);
    // The refresh of the completion of `tag` (read-all: those of its reads).
    void Dispatch(int32_t tag);
    void CheckIdentificationChanged();
    // Starts (on) or cancels (off) the live stream of wrapper `id`.
    void SetStream(int32_t id, bool on,
                   const std::function<std::unique_ptr<ProcessAlgorithm>(TInteractContainer*)>& make);

    int32_t CurrentPage = 0;
    TChanelHelperBase* Chanel = nullptr;
    TLogSink MessageSink;
    TMainWindowLink MainWindow;
    ZT_Helper Device_;
    std::array<std::unique_ptr<TProcessWrapper>, 8> Wrappers;
    std::array<TDevicePageFrame*, kPageCount> Pages{};
    std::array<QWidget*, kPageCount> Sheets{};
    TCurrentParams* currentParams_ = nullptr;
    TIdentification* identification_ = nullptr;
    QWidget* PagePanel = nullptr;
    QTabWidget* PageControl_ = nullptr;
    QTreeWidget* TreeView_ = nullptr;
    QSplitter* Splitter = nullptr;
    QTimer* Timer = nullptr;
};

// The one workspace; null before it is created and after it is destroyed.
extern TZT_Frame* ZT_Frame;
