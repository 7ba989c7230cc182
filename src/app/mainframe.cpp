#include "app/mainframe.h"

#include "app/aboutbox.h"
#include "app/namedialog.h"
#include "app/userguide.h"
#include "app/zt_framemain.h"
#include "archives/archivepageframe.h"
#include "channels/chanelhelper.h"
#include "channels/chanelsetupform.h"
#include "device/zt_xlsx.h"
#include "pages/configuration.h"
#include "util/registry.h"
#include "util/sysutil.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QThread>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

TMainForm* MainForm = nullptr;

const char* const TMainForm::kRegistryKey = "\\Software\\Selvar\\RAZevedavureva";
bool TMainForm::ServiceStart = false;

namespace {

const char* const kAutoRequestValue = "AutoRequest";
const char* const kGraphObservationValue = "GraphObservation";
const char* const kAdcSignalFormValue = "AdcSignalForm";

QString Utf(const char* text)
{
    return QString::fromUtf8(text);
}

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);
const QColor kYellow(255, 255, 0);
const QColor kBlue(0, 0, 255);
const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);

void PaintStatus(QLabel* panel, bool on, const QColor& color, const QColor& text)
{
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, on ? color : TTxRxWrapper::ButtonFace());
    palette.setColor(QPalette::WindowText, on ? text : kBlack);
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
}

QLabel* MakePanel(QWidget* parent, const char* name, const QString& caption)
{
    auto* panel = new QLabel(caption, parent);
    panel->setObjectName(name);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setAlignment(Qt::AlignCenter);
    panel->setWordWrap(true);
    panel->setAutoFillBackground(true);
    return panel;
}

// The tool bar's pictures, drawn here: a glyph on a rounded square.
QIcon ToolIcon(const QString& glyph, const QColor& colour)
{
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(colour.darker(140));
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(2.5, 2.5, 27, 27), 5, 5);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(18);
    painter.setFont(font);
    painter.drawText(picture.rect(), Qt::AlignCenter, glyph);
    return QIcon(picture);
}

} // namespace

void MainLogMessage(const std::string& text, TInteractContainer* container)
{
    if (MainForm)
        MainForm->LogMessage(text, container);
}

bool MainIsAutoRequest()
{
    return MainForm && MainForm->IsAutoRequest();
}

void MainSetDeviceTitle(const std::string& text)
{
    if (MainForm)
        MainForm->SetDeviceTitle(text);
}

void MainShowDeviceStatus(bool hardwareFault, bool unstable, bool qAboveMax, bool qBelowMin, bool serviceMode,
                          bool emptyPipe, bool integration)
{
    if (MainForm)
        MainForm->ShowDeviceStatus(hardwareFault, unstable, qAboveMax, qBelowMin, serviceMode, emptyPipe,
                                   integration);
}

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    setObjectName("MainForm");
    setWindowTitle(Utf("ZT Конфигуратор"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    setFont(font);

    BuildActions();
    BuildControls();
    BuildMenus();

    wrapper_ = std::make_unique<TProcessWrapper>(0);
    wrapper_->OnComplete = [this](int32_t id, int32_t tag) { OnChanelComplete(id, tag); };
    wrapper_->OnError = [this](int32_t id, int32_t tag, int32_t code) { OnChanelError(id, tag, code); };
    // The reason of a failed open (the port, the socket, the modem's answer)
    // is the message the operation queues; without this sink it would be lost.
    // A cancelled opening stays silent, its "cancelled" text included.
    wrapper_->OnMessage = [this](const std::string& text, TInteractContainer* container) {
        if (!openCancelled_)
            LogMessage(text, container);
    };

    // The export writes its workbook on a worker of its own; its failure
    // text comes as the operation's message.
    exportWrapper_ = std::make_unique<TProcessWrapper>(9);
    exportWrapper_->OnMessage = [this](const std::string& text, TInteractContainer* container) {
        LogMessage(text, container);
    };

    FormCreate();

    nameDlg_ = new TNameDlg(this);
    loadChoiseDlg_ = new TLoadChoiseDlg(this);
    aboutBox_ = new TAboutBox(this);

    // The client area is 1111 x 749; the menu bar lies above it.
    resize(1111, 749 + menuBar()->sizeHint().height());
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    MainForm = this;
}

TMainForm::~TMainForm()
{
    if (MainForm == this)
        MainForm = nullptr;
    // Operations end before the channel and the device model they use go.
    wrapper_->NotifyWindow.Destroy();
    wrapper_->CancelAndWait();
    exportWrapper_->NotifyWindow.Destroy();
    exportWrapper_->CancelAndWait();
    delete workspace_;
    workspace_ = nullptr;
    chanel_ = nullptr;
    chanelSetup_.reset();
}

QAction* TMainForm::MakeAction(const char* name, const char* category, const char* caption, const char* hint,
                               int image, bool checkable)
{
    auto* action = new QAction(Utf(caption), this);
    action->setObjectName(name);
    action->setProperty("category", QString::fromLatin1(category));
    action->setProperty("imageIndex", image);
    if (hint) {
        // A hint "short|long": the short part on the tool tip, the long one
        // on the status line.
        const QString text = Utf(hint);
        action->setProperty("hint", text);
        const qsizetype bar = text.indexOf('|');
        action->setToolTip(bar < 0 ? text : text.left(bar));
        action->setStatusTip(bar < 0 ? text : text.mid(bar + 1));
    }
    action->setCheckable(checkable);
    return action;
}

void TMainForm::BuildActions()
{
    auto* fileOpen = MakeAction("FileOpen", "File", "Открыть", "Открыть файл", 0);
    fileOpen->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    auto* fileSave = MakeAction("FileSave", "File", "Сохранить", "Сохранить файл", 1);
    fileSave->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    auto* fileSaveAs = MakeAction("FileSaveAs", "File", "Сохранить как...",
                                  "Сохранить как..|Сохранить файл с новым именем", 1);
    connect(fileOpen, &QAction::triggered, this, [this] { FileOpenExecute(); });
    connect(fileSave, &QAction::triggered, this, [this] { FileSaveExecute(); });
    connect(fileSaveAs, &QAction::triggered, this, [this] { FileSaveAsExecute(); });
    auto* fileExit = MakeAction("FileExit", "File", "Выход", "Exit|Quits the application", 43);
    connect(fileExit, &QAction::triggered, this, &QWidget::close);
    exportExcel_ = MakeAction("ExportExcel", "File", "Экспорт в Excel", "Экспорт в Excel", 12);
    exportExcel_->setEnabled(false);
    connect(exportExcel_, &QAction::triggered, this, [this] { ExportExcelExecute(); });

    readAllData_ = MakeAction("ReadAllData", "Exchange", "Считать все данные", "Считать все данные", 6);
    connect(readAllData_, &QAction::triggered, this, [this] { ReadAllDataExecute(); });
    writeAllData_ = MakeAction("WriteAllData", "Exchange", "Записать все данные", "Записать все данные", 5);
    connect(writeAllData_, &QAction::triggered, this, [this] { WriteAllDataExecute(); });
    auto* configChanel = MakeAction("ConfigChanel", "Exchange", "Канал связи", "Настройка канала", 9);
    connect(configChanel, &QAction::triggered, this, [this] { ChanelParamsClick(); });
    connect_ = MakeAction("Connect", "Exchange", "Открыть", "Открыть / закрыть канал", -1);
    connect(connect_, &QAction::triggered, this, [this] { ConnectExecute(); });
    // The check marks are toggled by the handlers themselves, so that a
    // call from program code does what a click does.
    autoRequest_ = MakeAction("AutoRequest", "Exchange", "Автозапрос", "Автозапрос", 4);
    connect(autoRequest_, &QAction::triggered, this, [this] { AutoRequestExecute(); });
    graphObservation_ = MakeAction("GraphObservationAction", "Exchange", "Показания", "Показания", 16);
    connect(graphObservation_, &QAction::triggered, this, [this] { GraphObservationActionExecute(); });
    adcSignalForm_ = MakeAction("AdcSignalFormAction", "Exchange", "Форма сигнала", "Сигнал АЦП", 15);
    connect(adcSignalForm_, &QAction::triggered, this, [this] { AdcSignalFormActionExecute(); });

    dataProtocol_ = MakeAction("DataProtocolAction", "Service", "Лог обмена данных", nullptr, -1);
    connect(dataProtocol_, &QAction::triggered, this, [this] { DataProtocolActionExecute(); });
    MakeAction("ChanelProtocolAction", "Service", "Лог обмена канала", nullptr, -1)->setEnabled(false);
    MakeAction("StraitSetupAction", "Setup", "Настройки проливки", nullptr, -1)->setEnabled(false);
    auto* help = MakeAction("HelpAction", "Help", "Справка", "Справка", 13);
    help->setShortcut(QKeySequence(Qt::Key_F1));
    connect(help, &QAction::triggered, this, [this] { HelpActionExecute(); });
    auto* about = MakeAction("AboutAction", "Help", "О программе", "О программе", 14);
    connect(about, &QAction::triggered, this, [this] { AboutActionExecute(); });
}

void TMainForm::BuildControls()
{
    auto* central = new QWidget(this);
    central->setObjectName("CentralWidget");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    toolPanel_ = new QFrame(central);
    toolPanel_->setObjectName("ToolPanel");
    toolPanel_->setFixedHeight(44);
    auto* tools = new QHBoxLayout(toolPanel_);
    tools->setContentsMargins(4, 3, 4, 3);
    tools->setSpacing(4);

    auto* chanelParams = new QToolButton(toolPanel_);
    chanelParams->setObjectName("ChanelParams");
    chanelParams->setDefaultAction(findChild<QAction*>("ConfigChanel"));
    chanelParams->setMinimumSize(80, 32);
    tools->addWidget(chanelParams);
    auto* openPort = new QToolButton(toolPanel_);
    openPort->setObjectName("OpenPort");
    openPort->setDefaultAction(connect_);
    openPort->setMinimumSize(70, 32);
    tools->addWidget(openPort);

    auto* txPanel = MakePanel(toolPanel_, "TXPanel", "TX");
    auto* rxPanel = MakePanel(toolPanel_, "RXPanel", "RX");
    for (QLabel* lamp : {txPanel, rxPanel}) {
        lamp->setFixedSize(36, 27);
        TTxRxWrapper::PaintPanel(lamp, kGreen);
        tools->addWidget(lamp);
    }

    sysToolBar_ = new QToolBar(toolPanel_);
    sysToolBar_->setObjectName("SysToolBar");
    sysToolBar_->setIconSize(QSize(32, 32));
    sysToolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    readAllData_->setIcon(ToolIcon(Utf("↓"), QColor(30, 110, 200)));
    writeAllData_->setIcon(ToolIcon(Utf("↑"), QColor(200, 90, 30)));
    graphObservation_->setIcon(ToolIcon(Utf("~"), QColor(60, 140, 60)));
    adcSignalForm_->setIcon(ToolIcon(Utf("∿"), QColor(120, 60, 160)));
    for (QAction* action : {autoRequest_, readAllData_, writeAllData_, graphObservation_, adcSignalForm_}) {
        auto* button = new QToolButton(sysToolBar_);
        button->setObjectName(action->objectName() + "Button");
        button->setDefaultAction(action);
        button->setAutoRaise(true);
        sysToolBar_->addWidget(button)->setObjectName(action->objectName() + "Item");
    }
    tools->addWidget(sysToolBar_);

    struct PanelDef {
        const char* name;
        const char* caption;
    };
    const PanelDef panels[7] = {
        {"HardNSPanel", "Аппаратный отказ"},     {"WarningPanel", "Нестабильная работа"},
        {"QmoreQmaxPanel", "Q>Qмакс"},           {"QlessQminPanel", "Q<Qмин"},
        {"ServiceModePanel", "Сервисный режим"}, {"EmptyPipePanel", "Пустая труба"},
        {"IntegrationPanel", "Проливка"},
    };
    for (int i = 0; i < 7; ++i) {
        QLabel* panel = MakePanel(toolPanel_, panels[i].name, Utf(panels[i].caption));
        if (i == 2 || i == 3) {
            QFont big = panel->font();
            big.setPointSize(10);
            panel->setFont(big);
        }
        // Where the design font is missing, a wider substitute must not cut
        // a word of the caption.
        int widest = 0;
        for (const QString& word : panel->text().split(' '))
            widest = std::max(widest, panel->fontMetrics().horizontalAdvance(word));
        panel->setFixedSize(std::max(i == 0 || i == 1 || i == 4 ? 80 : 70, widest + 12), 38);
        PaintStatus(panel, false, kGreen, kWhite);
        statusPanels_[i] = panel;
        tools->addWidget(panel);
    }
    statusPanels_[6]->installEventFilter(this);
    statusPanels_[6]->setCursor(Qt::PointingHandCursor);
    tools->addStretch(1);
    layout->addWidget(toolPanel_);

    auto* splitter = new QSplitter(Qt::Vertical, central);
    splitter->setObjectName("Splitter1");
    splitter->setHandleWidth(4);
    splitter->setChildrenCollapsible(false);
    workPanel_ = new QWidget(splitter);
    workPanel_->setObjectName("WorkPanel");
    auto* work = new QVBoxLayout(workPanel_);
    work->setContentsMargins(0, 0, 0, 0);
    consoleMemo_ = new QPlainTextEdit(splitter);
    consoleMemo_->setObjectName("ConsoleMemo");
    consoleMemo_->setReadOnly(true);
    consoleMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    consoleMemo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    // A service session with the frame log on runs for hours: the oldest
    // lines give way so that the log never grows without bound.
    consoleMemo_->setMaximumBlockCount(kConsoleMaxLines);
    QFont mono(QStringLiteral("Courier New"));
    mono.setStyleHint(QFont::TypeWriter);
    mono.setFixedPitch(true);
    mono.setPointSize(8);
    if (!QFontInfo(mono).fixedPitch()) {
        mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        mono.setPointSize(8);
    }
    consoleMemo_->setFont(mono);
    consoleMemo_->viewport()->installEventFilter(this);
    splitter->addWidget(workPanel_);
    splitter->addWidget(consoleMemo_);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setSizes({749 - 44 - 147 - 4, 147});
    layout->addWidget(splitter, 1);

    setCentralWidget(central);
}

void TMainForm::BuildMenus()
{
    auto find = [this](const char* name) { return findChild<QAction*>(QString::fromLatin1(name)); };
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(Utf("Файл"));
    file->addAction(find("FileOpen"));
    file->addAction(find("FileSave"));
    file->addAction(find("FileSaveAs"));
    file->addSeparator();
    file->addAction(find("ExportExcel"));
    file->addSeparator();
    file->addAction(Utf("Печать"))->setEnabled(false);
    file->addAction(Utf("Настройка печати"))->setEnabled(false);
    file->addSeparator();
    file->addAction(find("FileExit"));

    QMenu* exchange = bar->addMenu(Utf("Обмен"));
    exchange->addAction(find("ConfigChanel"));
    exchange->addAction(connect_);
    exchange->addAction(autoRequest_);
    exchange->addAction(readAllData_);
    exchange->addAction(writeAllData_);

    QMenu* service = bar->addMenu(Utf("Сервис"));
    service->addAction(dataProtocol_);
    bar->addMenu(Utf("Настройки"))->setEnabled(false);
    QMenu* help = bar->addMenu(Utf("Справка"));
    help->addAction(find("HelpAction"));
    help->addSeparator();
    help->addAction(find("AboutAction"));
}

namespace {

// The check mark of the actions whose state the handlers own: kept as a
// property and shown through the action's checked state.
bool Checked(const QAction* action)
{
    return action->property("checked").toBool();
}

void SetChecked(QAction* action, bool on)
{
    action->setProperty("checked", on);
    action->setCheckable(true);
    action->setChecked(on);
}

// Flips the check mark; the new state.
bool Toggle(QAction* action)
{
    const bool on = !Checked(action);
    SetChecked(action, on);
    return on;
}

} // namespace

void TMainForm::FormCreate()
{
    // POSIX sockets need no library set-up; the channel layer sends without
    // SIGPIPE.
    bool values[3] = {false, false, false};
    const char* names[3] = {kAutoRequestValue, kGraphObservationValue, kAdcSignalFormValue};
    try {
        TRegistry registry;
        if (registry.OpenKey(kRegistryKey, true)) {
            for (int i = 0; i < 3; ++i) {
                try {
                    if (registry.GetDataType(names[i]) == TRegDataType::rdInteger)
                        values[i] = registry.ReadInteger(names[i]) != 0;
                } catch (...) {
                    values[i] = false;
                }
            }
        }
        registry.CloseKey();
    } catch (...) {
        // A registry that cannot be read leaves every action unchecked.
    }
    // Said once, at the start: the settings store has read its file by now.
    if (const std::string problem = TRegistry::LoadProblem(); !problem.empty())
        LogMessage(problem);
    SetChecked(autoRequest_, values[0]);
    SetChecked(graphObservation_, values[1]);
    SetChecked(adcSignalForm_, values[2]);
    SetChecked(dataProtocol_, false);
    UpdateAutoRequestImage();

    chanelSetup_ = std::make_unique<TChanelSetupFrame>(this, kChanelSetupKey);
    chanel_ = chanelSetup_->CurrentChanel();
    if (chanel_)
        AdoptChanel(chanel_);

    lamps_.SetIndicators(findChild<QWidget*>("TXPanel"), findChild<QWidget*>("RXPanel"));

    workspace_ = new TZT_Frame(workPanel_);
    workPanel_->layout()->addWidget(workspace_);
    workspace_->InitPages();
    workspace_->SetChanel(chanel_);
    workspace_->SetMessageSink(LogSink());
    TMainWindowLink link;
    link.IsAutoRequest = [this] { return IsAutoRequest(); };
    link.ShowDeviceStatus = [this](bool a, bool b, bool c, bool d, bool e, bool f, bool g) {
        ShowDeviceStatus(a, b, c, d, e, f, g);
    };
    link.SetDeviceTitle = [this](const std::string& text) { SetDeviceTitle(text); };
    workspace_->SetMainWindow(std::move(link));
    // The workspace's own handler has made the page current by then.
    connect(workspace_->TreeView(), &QTreeWidget::currentItemChanged, this, [this] { UpdateExportAction(); });
    UpdateExportAction();

    // Live observation and the ADC signal have no command on this window
    // but in the service start: both streams stay off whatever the registry
    // said.
    workspace_->SetObservation(false);
    workspace_->SetAdcSignal(false);
    if (ServiceStart) {
        SetChecked(graphObservation_, false);
        SetChecked(adcSignalForm_, false);
        workspace_->ShowHiddenSheets();
    } else {
        for (QAction* action : {graphObservation_, adcSignalForm_})
            if (QAction* item = sysToolBar_->findChild<QAction*>(action->objectName() + "Item"))
                sysToolBar_->removeAction(item);
        if (QAction* item = sysToolBar_->findChild<QAction*>("WriteAllDataItem"))
            item->setVisible(false);
        sysToolBar_->setFixedWidth(100);
    }

    FitDropDownCounts();
}

void TMainForm::FitDropDownCounts()
{
    for (QComboBox* combo : findChildren<QComboBox*>()) {
        // A list filled when it drops down (the port list) has no items yet
        // and keeps the default row count.
        if (combo->count() > 0)
            combo->setMaxVisibleItems(std::min(combo->count(), 40));
    }
}

void TMainForm::AdoptChanel(TChanelHelperBase* chanel)
{
    chanel->SetOnLog(LogSink());
    chanel->SetIndicatorWindow(lamps_.Window());
    chanel->SetLogExchange(Checked(dataProtocol_));
}

TLogSink TMainForm::LogSink()
{
    return [this](const std::string& text, TInteractContainer* container) { LogMessage(text, container); };
}

void TMainForm::LogMessage(const std::string& text, TInteractContainer* container)
{
    if (container) {
        QueueMessage(container, text);
        return;
    }
    const QString line = QString::fromStdString(text);
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, line] { consoleMemo_->appendPlainText(line); }, Qt::QueuedConnection);
        return;
    }
    consoleMemo_->appendPlainText(line);
}

bool TMainForm::IsAutoRequest() const
{
    return Checked(autoRequest_);
}

void TMainForm::SetDeviceTitle(const std::string& text)
{
    setWindowTitle(Utf("ZT Конфигуратор ") + QString::fromStdString(text));
}

void TMainForm::ShowDeviceStatus(bool hardwareFault, bool unstable, bool qAboveMax, bool qBelowMin,
                                 bool serviceMode, bool emptyPipe, bool integration)
{
    PaintStatus(statusPanels_[0], hardwareFault, kRed, kWhite);
    PaintStatus(statusPanels_[1], unstable, kYellow, kBlue);
    PaintStatus(statusPanels_[2], qAboveMax, kGreen, kWhite);
    PaintStatus(statusPanels_[3], qBelowMin, kGreen, kWhite);
    PaintStatus(statusPanels_[4], serviceMode, kGreen, kWhite);
    PaintStatus(statusPanels_[5], emptyPipe, kGreen, kWhite);
    PaintStatus(statusPanels_[6], integration, kGreen, kWhite);
    emit DeviceStatusShown();
}

void TMainForm::UpdateAutoRequestImage()
{
    autoRequest_->setProperty("imageIndex", IsAutoRequest() ? 4 : 3);
    autoRequest_->setIcon(ToolIcon(Utf("A"), IsAutoRequest() ? QColor(0, 150, 0) : QColor(150, 150, 150)));
}

void TMainForm::ConnectExecute()
{
    if (!chanel_)
        return;
    if (chanel_->IsOpen()) {
        openCancelled_ = false;
        wrapper_->Start(std::make_unique<CloseChanelAlgorithm>(chanel_, nullptr), 1, {});
        return;
    }
    if (wrapper_->IsRunning()) {
        openCancelled_ = true;
        wrapper_->Cancel();
        return;
    }
    openCancelled_ = false;
    wrapper_->Start(std::make_unique<OpenChanelAlgorithm>(chanel_, nullptr), 0, {});
}

void TMainForm::OnChanelComplete(int32_t, int32_t tag)
{
    // The lamps show the channel's state for every kind of channel; only
    // the serial channel posts these codes itself.
    if (tag == 0) {
        LogMessage("Канал связи открыт");
        connect_->setText(Utf("Закрыть"));
        lamps_.HandleCode(kIndicatorOpened);
    } else if (tag == 1) {
        LogMessage("Канал связи закрыт");
        connect_->setText(Utf("Открыть"));
        lamps_.HandleCode(kIndicatorClosed);
        if (chanelSetup_)
            chanelSetup_->SetChanelOpened(false);
    }
}

void TMainForm::OnChanelError(int32_t, int32_t tag, int32_t code)
{
    if (code != kResultFailed)
        return;
    if (tag == 0) {
        LogMessage("Сбой при открытии канала связи");
        connect_->setText(Utf("Открыть"));
    } else if (tag == 1) {
        LogMessage("Сбой при закрытии канала связи");
        connect_->setText(Utf("Закрыть"));
    }
}

void TMainForm::ChanelParamsClick()
{
    if (!chanelSetup_)
        return;
    TChanelHelperBase* previous = chanel_;
    chanel_ = nullptr;
    // While an open or close runs the channel must not be replaced under it.
    chanelSetup_->SetChanelBusy(wrapper_->IsRunning());
    if (chanelSetup_->exec() == QDialog::Accepted) {
        chanel_ = chanelSetup_->CurrentChanel();
        if (chanel_)
            AdoptChanel(chanel_);
        if (workspace_)
            workspace_->SetChanel(chanel_);
    } else {
        chanel_ = previous;
    }
}

void TMainForm::DataProtocolActionExecute()
{
    const bool on = Toggle(dataProtocol_);
    if (chanel_)
        chanel_->SetLogExchange(on);
}

void TMainForm::AutoRequestExecute()
{
    Toggle(autoRequest_);
    UpdateAutoRequestImage();
}

void TMainForm::GraphObservationActionExecute()
{
    const bool on = Toggle(graphObservation_);
    if (workspace_)
        workspace_->SetObservation(on);
}

void TMainForm::AdcSignalFormActionExecute()
{
    const bool on = Toggle(adcSignalForm_);
    if (workspace_)
        workspace_->SetAdcSignal(on);
}

void TMainForm::ReadAllDataExecute()
{
    if (workspace_)
        workspace_->ReadAllParams();
}

void TMainForm::WriteAllDataExecute()
{
    if (workspace_)
        workspace_->WriteAllParams();
}

void TMainForm::IntegrationPanelClick()
{
    const bool running = statusPanels_[6]->palette().color(QPalette::Window) != TTxRxWrapper::ButtonFace();
    if (workspace_)
        workspace_->ToggleIntegration(running);
}

void TMainForm::ConsoleMemoDblClick()
{
    consoleMemo_->clear();
}

namespace {

std::string AbsolutePath(const std::string& path)
{
    return QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString();
}

// The file dialog of both commands: configuration files first, any file on
// request; ".xml" added to a name typed without it; an existing file is
// replaced only after the user agreed.
std::string ChooseFile(QWidget* parent, bool save, const std::string& proposed)
{
    QFileDialog dialog(parent);
    dialog.setNameFilters({Utf("Файл данных (*.xml)"), Utf("Все файлы (*)")});
    dialog.setDefaultSuffix(QStringLiteral("xml"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!proposed.empty())
        dialog.selectFile(QString::fromStdString(proposed));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first().toStdString();
}

} // namespace

std::string TMainForm::ProposedFileName() const
{
    uint32_t serial = 0;
    if (workspace_) {
        TDeviceHelperLocker locker(workspace_->Device());
        serial = workspace_->Device().Get(ZT_namespace::ZT_Fields::SerialNumber);
    }
    // The letter after the hyphen is the Cyrillic А.
    return Format("ZT-А_%08d", static_cast<int>(serial));
}

void TMainForm::FileOpenExecute()
{
    const std::string path =
        fileChooser_ ? fileChooser_(false, fileName_) : ChooseFile(this, false, fileName_);
    FileOpenAccept(path);
}

void TMainForm::FileOpenAccept(const std::string& path)
{
    if (path.empty())
        return;
    const std::string full = AbsolutePath(path);
    try {
        ZT_Pages::TRootConfiguration root(full, ZT_Pages::kConfigurationRoot);
        if (workspace_)
            workspace_->LoadConfiguration(root);
        LogMessage(Format("Файл %s загружен", full.c_str()));
        fileName_ = full;
    } catch (const std::exception& error) {
        LogMessage(error.what());
    }
}

void TMainForm::FileSaveExecute()
{
    if (fileName_.empty())
        return;
    try {
        ZT_Pages::TRootConfiguration root(fileName_, ZT_Pages::kConfigurationRoot);
        if (workspace_)
            workspace_->SaveConfiguration(root);
        root.Save();
        LogMessage(Format("Файл %s сохранен", fileName_.c_str()));
    } catch (const std::exception& error) {
        LogMessage(error.what());
    }
}

void TMainForm::FileSaveAsExecute()
{
    const std::string proposed = ProposedFileName();
    const std::string path = fileChooser_ ? fileChooser_(true, proposed) : ChooseFile(this, true, proposed);
    FileSaveAsAccept(path);
}

void TMainForm::FileSaveAsAccept(const std::string& path)
{
    if (path.empty())
        return;
    const std::string full = AbsolutePath(path);
    try {
        ZT_Pages::TRootConfiguration root(full, ZT_Pages::kConfigurationRoot);
        if (workspace_)
            workspace_->SaveConfiguration(root);
        root.Save();
        const std::string line = Format("Файл %s сохранен", full.c_str());
        fileName_ = full;
        LogMessage(line);
    } catch (const std::exception& error) {
        LogMessage(error.what());
    }
}

void TMainForm::AboutActionExecute()
{
    if (aboutBox_)
        aboutBox_->exec();
}

void TMainForm::HelpActionExecute()
{
    const QString guide = FindUserGuide(QCoreApplication::applicationDirPath());
    if (guide.isEmpty()) {
        LogMessage("Руководство пользователя не найдено");
        return;
    }
    const QUrl url = QUrl::fromLocalFile(guide);
    const bool opened = helpOpener_ ? helpOpener_(url) : QDesktopServices::openUrl(url);
    if (!opened)
        LogMessage("Не удалось открыть руководство пользователя: " + guide.toStdString());
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (consoleMemo_ && watched == consoleMemo_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        ConsoleMemoDblClick();
        return true;
    }
    if (watched == statusPanels_[6] && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        IntegrationPanelClick();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TMainForm::FormCloseQuery()
{
    return !workspace_ || workspace_->CanCloseWorkspace();
}

void TMainForm::FormClose()
{
    if (closed_)
        return;
    closed_ = true;
    try {
        TRegistry registry;
        if (registry.OpenKey(kRegistryKey, true)) {
            registry.WriteInteger(kAutoRequestValue, Checked(autoRequest_) ? 1 : 0);
            registry.WriteInteger(kGraphObservationValue, Checked(graphObservation_) ? 1 : 0);
            registry.WriteInteger(kAdcSignalFormValue, Checked(adcSignalForm_) ? 1 : 0);
        }
        registry.CloseKey();
    } catch (const std::exception& error) {
        LogMessage(error.what());
    }
    // Every operation that may use the channel ends before the dialog
    // destroys it: the own wrapper's, then the workspace's.
    wrapper_->CancelAndWait();
    if (workspace_) {
        workspace_->SetChanel(nullptr);
        delete workspace_;
        workspace_ = nullptr;
    }
    chanel_ = nullptr;
    chanelSetup_.reset();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

namespace {

// Builds the tables and writes the workbook on the worker.
class TExportExcelAlgorithm : public ProcessAlgorithm {
public:
    TExportExcelAlgorithm(TArchivePageFrame::TExportSource source, std::string path, TInteractContainer* container)
        : ProcessAlgorithm(container), Source(std::move(source)), Path(std::move(path))
    {
    }
    void Execute() override
    {
        const std::vector<ZT_namespace::TArchiveTableStruct> tables = Source();
        if (tables.empty())
            throw Exception("Нет данных для экспорта в Excel");
        ZT_namespace::WriteArchiveWorkbook(Path, tables);
    }
    TArchivePageFrame::TExportSource Source;
    std::string Path;
};

} // namespace

void TMainForm::UpdateExportAction()
{
    const bool archive =
        workspace_ && qobject_cast<TArchivePageFrame*>(workspace_->Page(workspace_->GetCurrentPage()));
    exportExcel_->setEnabled(archive);
}

bool TMainForm::ExportExcelExecute()
{
    auto* page = workspace_ ? qobject_cast<TArchivePageFrame*>(workspace_->Page(workspace_->GetCurrentPage()))
                            : nullptr;
    if (!page || exportWrapper_->IsRunning())
        return false;
    uint32_t serial = 0;
    {
        TDeviceHelperLocker locker(workspace_->Device());
        serial = workspace_->Device().Get(ZT_namespace::ZT_Fields::SerialNumber);
    }
    const QString name =
        QString::fromStdString(Format("Архив_%u_%s.xlsx", unsigned(serial), FormatDateTime("yyyy_mm_dd_hh_nn", Now()).c_str()));
    QString path;
    if (saveFileChooser_)
        path = saveFileChooser_(name);
    else
        path = QFileDialog::getSaveFileName(this, Utf("Экспорт в Excel"), name, Utf("Книга Excel (*.xlsx)"));
    if (path.isEmpty())
        return false;
    const std::string file = path.toStdString();
    return exportWrapper_->Start(
        std::make_unique<TExportExcelAlgorithm>(page->ExportSource(), file, exportWrapper_->Container.get()), 0,
        "Экспорт в Excel выполнен: " + file);
}
