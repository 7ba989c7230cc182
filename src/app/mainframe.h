#pragma once
// TMainForm: the program's one top-level window. It owns the channel choice
// dialog (and through it the current channel), opens and closes the channel
// on its own process wrapper, carries the global commands, shows the
// exchange log, the TX/RX lamps and the seven device status panels, and
// hosts the device workspace.

#include "channels/txrxwrapper.h"
#include "engine/processwrapper.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>

class QAction;
class QUrl;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolBar;
class QWidget;
class TAboutBox;
class TChanelHelperBase;
class TChanelSetupFrame;
class TLoadChoiseDlg;
class TNameDlg;
class TZT_Frame;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // The registry key of the window's values; the channel choice dialog
    // keeps its own under kChanelSetupKey.
    static const char* const kRegistryKey; // "\Software\Selvar\RAZevedavureva"
    // The service start (set before the window is made): the live views,
    // the service parameters and write-all keep their commands and sheets.
    static bool ServiceStart;

    // Appends one line to the exchange log. With a container the text is
    // queued into the operation's record instead (the owning wrapper
    // delivers it); a line from a thread other than the window's is posted
    // to the window thread. Shape of TLogSink, so it serves as the wrappers'
    // OnMessage and the channels' OnLog.
    void LogMessage(const std::string& text, TInteractContainer* container = nullptr);
    // The sink bound to this window.
    TLogSink LogSink();
    bool IsAutoRequest() const;
    // "ZT Конфигуратор " + text.
    void SetDeviceTitle(const std::string& text);
    void ShowDeviceStatus(bool hardwareFault, bool unstable, bool qAboveMax, bool qBelowMin, bool serviceMode,
                          bool emptyPipe, bool integration);

    TChanelHelperBase* CurrentChanel() const { return chanel_; }
    TZT_Frame* Workspace() const { return workspace_; }
    TChanelSetupFrame* ChanelSetup() const { return chanelSetup_.get(); }
    TProcessWrapper& OwnWrapper() { return *wrapper_; }
    TTxRxWrapper& Lamps() { return lamps_; }
    const std::string& CurrentFileName() const { return fileName_; }
    TNameDlg* NameDlg() const { return nameDlg_; }
    TLoadChoiseDlg* LoadChoiseDlg() const { return loadChoiseDlg_; }
    TAboutBox* AboutBox() const { return aboutBox_; }

    // The commands, callable from program code as from their controls.
    void ConnectExecute();
    void ChanelParamsClick();
    void DataProtocolActionExecute();
    void AutoRequestExecute();
    void GraphObservationActionExecute();
    void AdcSignalFormActionExecute();
    void ReadAllDataExecute();
    void WriteAllDataExecute();
    void IntegrationPanelClick();
    void ConsoleMemoDblClick();
    void AboutActionExecute();
    // "Справка": hands the user guide (FindUserGuide) to the help opener.
    void HelpActionExecute();
    // "Экспорт в Excel": the current archive or journal page's tables to a
    // workbook the user names, written on a worker; true when started.
    bool ExportExcelExecute();
    // Enables "Экспорт в Excel" while an archive or journal page is current.
    void UpdateExportAction();
    TProcessWrapper& ExportWrapper() { return *exportWrapper_; }

    // Asks for the file of an export, proposing `name`; empty when the user
    // cancels. A save dialog unless replaced (tests).
    using TSaveFileChooser = std::function<QString(const QString& name)>;
    void SetSaveFileChooser(TSaveFileChooser chooser) { saveFileChooser_ = std::move(chooser); }

    // Opens a document with the desktop's viewer; true when it was handed
    // over. QDesktopServices::openUrl unless replaced (tests).
    using THelpOpener = std::function<bool(const QUrl&)>;
    void SetHelpOpener(THelpOpener opener) { helpOpener_ = std::move(opener); }

    // The configuration file commands. "Открыть" and "Сохранить как..." ask
    // for a file through the file chooser and hand it to their Accept
    // handlers; an empty name does nothing. The current file name changes
    // only when a load or a save succeeded; every failure is logged.
    void FileOpenExecute();
    void FileOpenAccept(const std::string& path);
    void FileSaveExecute();
    void FileSaveAsExecute();
    void FileSaveAsAccept(const std::string& path);
    // "ZT-А_%08d" with the device model's serial number.
    std::string ProposedFileName() const;
    // Asks for a file to open (`save` false) or to save, starting from
    // `proposed`; empty when cancelled. A file dialog unless replaced (tests).
    using TFileChooser = std::function<std::string(bool save, const std::string& proposed)>;
    void SetFileChooser(TFileChooser chooser) { fileChooser_ = std::move(chooser); }

    // Every drop-down list of the window, its dialogs and pages shows as
    // many rows as it has items, at most 40.
    void FitDropDownCounts();

    // The close check and the shutdown; closeEvent runs both.
    bool FormCloseQuery();
    void FormClose();

signals:
    // After each ShowDeviceStatus, i.e. after a poll of the current
    // parameters was shown.
    void DeviceStatusShown();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildActions();
    void BuildMenus();
    void FormCreate();
    void AdoptChanel(TChanelHelperBase* chanel);
    void UpdateAutoRequestImage();
    void OnChanelComplete(int32_t id, int32_t tag);
    void OnChanelError(int32_t id, int32_t tag, int32_t code);
    QAction* MakeAction(const char* name, const char* category, const char* caption, const char* hint,
                        int image, bool checkable = false);

    TChanelHelperBase* chanel_ = nullptr;
    TZT_Frame* workspace_ = nullptr;
    std::unique_ptr<TChanelSetupFrame> chanelSetup_;
    TTxRxWrapper lamps_;
    std::unique_ptr<TProcessWrapper> wrapper_;
    std::string fileName_;
    THelpOpener helpOpener_;
    TSaveFileChooser saveFileChooser_;
    std::unique_ptr<TProcessWrapper> exportWrapper_;
    QAction* exportExcel_ = nullptr;
    TFileChooser fileChooser_;
    bool closed_ = false;
    bool openCancelled_ = false;

    QWidget* toolPanel_ = nullptr;
    QWidget* workPanel_ = nullptr;
    QPushButton* openPort_ = nullptr;
    QToolBar* sysToolBar_ = nullptr;
    static constexpr int kConsoleMaxLines = 20000;
    QPlainTextEdit* consoleMemo_ = nullptr;
    QLabel* statusPanels_[7] = {};
    TNameDlg* nameDlg_ = nullptr;
    TLoadChoiseDlg* loadChoiseDlg_ = nullptr;
    TAboutBox* aboutBox_ = nullptr;

    QAction* connect_ = nullptr;
    QAction* autoRequest_ = nullptr;
    QAction* graphObservation_ = nullptr;
    QAction* adcSignalForm_ = nullptr;
    QAction* dataProtocol_ = nullptr;
    QAction* readAllData_ = nullptr;
    QAction* writeAllData_ = nullptr;
};

// The main window while it exists, null before and after. The free
// functions below do nothing (or return false) while it is null, so pages
// and the workspace may call them at any time from the window thread.
extern TMainForm* MainForm;

void MainLogMessage(const std::string& text, TInteractContainer* container = nullptr);
bool MainIsAutoRequest();
void MainSetDeviceTitle(const std::string& text);
void MainShowDeviceStatus(bool hardwareFault, bool unstable, bool qAboveMax, bool qBelowMin, bool serviceMode,
                          bool emptyPipe, bool integration);
