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
class TZT_Frame;
namespace ZT_Pages {
class TConfiguration;
}

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

// One row of the page table: everything the workspace knows of a page.
struct TPageStruct {
    int32_t Index;
    const char* Sheet;           // object name of its sheet
    const char* Caption;         // the caption of its sheet and of its tree node
    int32_t TreePlace;           // 1.. its node's place in the tree, top to bottom; 0 no node
    int32_t Parent;              // the page under whose node it sits; -1 top level
    int32_t Image;               // index in the tree's image list
    TDevicePageFrame* (*Make)(); // null: not built yet
    // The block its own read and write use (null: none), and whether a tree
    // selection reads it and the timer polls it.
    const ZT_namespace::TBlockStruct* Block;
    bool SelectRead;
    bool Polled;
    bool HiddenSheet;
    int32_t ReadAllPlace;  // 1.. in read-all's refresh order; 0 none
    int32_t WriteAllPlace; // 1.. in write-all's collect order; 0 none
};
// The pages in the order they initialise.
extern const TPageStruct PageTable[kPageCount];
const TPageStruct& PageRow(int32_t index);

// One row of the tag table: the page a completion of the tag refreshes, an
// optional step after it, and the wrapper that runs the tag's operation
// when the tag alone decides it (the archive readings).
struct TTagStruct {
    int32_t Tag;
    int32_t Page;
    void (TZT_Frame::*After)();
    int32_t Wrapper;
};
extern const TTagStruct TagTable[];

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
    // The main window's LogMessage; installed as OnMessage of wrappers 1 to 8.
    void SetMessageSink(TLogSink sink);
    void SetMainWindow(TMainWindowLink link);
    // Logs a line of the window thread through the message sink.
    void LogMessage(const std::string& text) override;
    void SetDeviceTitle(const std::string& text) override;
    bool IsAutoRequest() const;

    void ReadAllParams();
    void WriteAllParams();
    bool CanCloseWorkspace();
    // The service start: the hidden sheets (readings, ADC signal, service
    // parameters) get their sheets and tree nodes back.
    void ShowHiddenSheets();
    void SetObservation(bool on);
    void SetAdcSignal(bool on);
    // The "Проливка" indicator's click: starts integration when `running`
    // is false, stops it otherwise.
    void ToggleIntegration(bool running);

    // The configuration file under `root`: the identification, calibration,
    // output and work settings pages write or read their sections (each
    // taken by name, added when missing) in that order; a page not built is
    // skipped. A work settings page that refuses its check leaves its
    // section as it was. Loading sends nothing to the meter; a bad attribute
    // raises and leaves the sections before it loaded.
    void SaveConfiguration(const ZT_Pages::TConfiguration& root);
    void LoadConfiguration(const ZT_Pages::TConfiguration& root);

    // Operations offered to the pages; each is true when started. A busy
    // wrapper refuses silently.
    bool ReadBlock(const ZT_namespace::TBlockStruct& block, bool background) override;
    bool WriteBlock(const ZT_namespace::TBlockStruct& block, bool second = false) override;
    // A second call while the reading runs cancels it and returns false.
    bool StartArchiveRead(const ZT_namespace::TArchiveReadStruct& read,
                          const ZT_ReadArchiveDataSetup& setup) override;
    bool StartRead(int32_t tag, int32_t first, int32_t count, bool background, const std::string& doneText);
    bool StartWrite(int32_t tag, int32_t first, int32_t count, const std::string& doneText);
    bool StartMultiOperation(int32_t tag, bool background, const std::string& doneText);

    // The page read of the page-read table, in background or click mode.
    bool ReadPage(int32_t page, bool background);
    // Computes the indicators from the current parameters block and shows
    // them on the main window.
    void ShowDeviceStatus();
    TDeviceStatusStruct DeviceStatus();
    // Hands the system settings' ADC sample timing to the ADC signal page.
    void PassAdcTiming();

    // One tick of the one-second timer.
    void TimerTick();
    // Makes `page` the current page, as a click on its tree node does; a
    // page without a node (a hidden sheet among them) is shown directly.
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
    // The page at `index` as its own class; null when it is another or none.
    template <class T> T* PageOf(int32_t index) const { return qobject_cast<T*>(Page(index)); }

    // Completion handling of every wrapper (window thread).
    void ProcessComplete(int32_t id, int32_t tag);
    void ProcessError(int32_t id, int32_t tag, int32_t code);

signals:
    // A page has shown the model after a completion.
    void PageRefreshed(int32_t page);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildSheets();
    void BuildTree();
    bool ShowHidden = false;
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
    QWidget* PagePanel = nullptr;
    QTabWidget* PageControl_ = nullptr;
    QTreeWidget* TreeView_ = nullptr;
    QSplitter* Splitter = nullptr;
    QTimer* Timer = nullptr;
};

// The one workspace; null before it is created and after it is destroyed.
extern TZT_Frame* ZT_Frame;
