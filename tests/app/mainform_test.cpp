// The main window on the offscreen platform, its controls found by their
// names: registry start and close, the channel open and its cancel, the
// channel dialog left without OK, the drop-down row counts, the exchange
// log, the status panels, and the demo-like start against the simulated
// meter over TCP and a pseudo-terminal modem.

#include "app/mainframe.h"
#include "app/zt_framemain.h"
#include "archives/journalframe.h"
#include "controls/goodtable.h"
#include "channels/chanelhelper.h"
#include "channels/chanelsetupform.h"
#include "engine/qtnotifydispatcher.h"
#include "sim/metersim.h"
#include "util/registry.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "mainform_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    static TQtNotifyDispatcher* dispatcher = [] {
        auto* d = new TQtNotifyDispatcher;
        TMessageDispatcher::Install(d);
        return d;
    }();
    (void)dispatcher;
    return *app;
}

bool WaitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

const std::string kMainKey = TMainForm::kRegistryKey;
const std::string kTcpKey = ChanelKeyPath(kChanelSetupKey, ckTcp);
const std::string kSerialKey = ChanelKeyPath(kChanelSetupKey, ckComPort);

void WriteInt(const std::string& key, const std::string& name, int32_t value)
{
    TRegistry registry;
    registry.OpenKey(key, true);
    registry.WriteInteger(name, value);
}

void WriteString(const std::string& key, const std::string& name, const std::string& value)
{
    TRegistry registry;
    registry.OpenKey(key, true);
    registry.WriteString(name, value);
}

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        TRegistry registry;
        registry.DeleteKey("\\Software\\Selvar");
    }

    void UseTcp(uint16_t port)
    {
        WriteInt(kChanelSetupKey, kCurentChanelValue, ckTcp);
        WriteString(kTcpKey, "TcpAddress", "127.0.0.1");
        WriteInt(kTcpKey, "TcpPort", port);
        WriteInt(kTcpKey, "NetAddr", 1);
    }

    void MakeForm() { form = std::make_unique<TMainForm>(); }

    QString Log() const { return form->findChild<QPlainTextEdit*>("ConsoleMemo")->toPlainText(); }
    QString Caption() const { return form->findChild<QToolButton*>("OpenPort")->text(); }
    QColor PanelColour(const char* name) const
    {
        return form->findChild<QLabel*>(name)->palette().color(QPalette::Window);
    }
    bool Checked(const char* action) const { return form->findChild<QAction*>(action)->isChecked(); }

    bool OpenChannel()
    {
        form->ConnectExecute();
        return WaitFor([this] { return !form->OwnWrapper().IsRunning(); }, 10000) &&
               form->CurrentChanel()->IsOpen();
    }

    // The dialog shown by ChanelParamsClick, handled once it is up.
    void WithChanelDialog(std::function<void(TChanelSetupFrame&)> handle)
    {
        QTimer::singleShot(0, form.get(), [this, handle] { handle(*form->ChanelSetup()); });
        form->ChanelParamsClick();
    }

    std::unique_ptr<TMainForm> form;
};

TEST_F(MainFormTest, Window_TitleSizeControlsAndCaptions)
{
    MakeForm();
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("ZT Конфигуратор"));
    EXPECT_EQ(MainForm, form.get());
    for (const char* name :
         {"ToolPanel", "ChanelParams", "OpenPort", "TXPanel", "RXPanel", "SysToolBar", "WorkPanel",
          "Splitter1", "ConsoleMemo", "HardNSPanel", "WarningPanel", "QmoreQmaxPanel", "QlessQminPanel",
          "ServiceModePanel", "EmptyPipePanel", "IntegrationPanel"})
        EXPECT_NE(form->findChild<QWidget*>(name), nullptr) << name;
    EXPECT_EQ(form->findChild<QLabel*>("IntegrationPanel")->text(), QString::fromUtf8("Проливка"));
    EXPECT_EQ(Caption(), QString::fromUtf8("Открыть"));
    EXPECT_EQ(form->findChild<QAction*>("FileSave")->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(form->findChild<QAction*>("ConfigChanel")->toolTip(), QString::fromUtf8("Настройка канала"));
    EXPECT_EQ(form->findChild<QAction*>("FileSaveAs")->statusTip(),
              QString::fromUtf8("Сохранить файл с новым именем"));
    EXPECT_NE(form->Workspace(), nullptr);
    EXPECT_EQ(form->Workspace()->parentWidget(), form->findChild<QWidget*>("WorkPanel"));

    form->SetDeviceTitle("ZT-A 00001234");
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("ZT Конфигуратор ZT-A 00001234"));
    form.reset();
    EXPECT_EQ(MainForm, nullptr);
    MainLogMessage("nothing happens");
    EXPECT_FALSE(MainIsAutoRequest());
}

TEST_F(MainFormTest, RegistryStartAndClose_ValuesWithTheirTypeRules)
{
    struct Case {
        const char* what;
        std::function<void()> store;
        bool autoRequest, graph, adc;
        bool toggleAutoRequest;
        int32_t writtenAuto, writtenGraph, writtenAdc;
    };
    const Case cases[] = {
        {"no key", [] {}, false, false, false, false, 0, 0, 0},
        {"string AutoRequest", [] { WriteString(kMainKey, "AutoRequest", "1"); }, false, false, false, false,
         0, 0, 0},
        {"integers",
         [] {
             WriteInt(kMainKey, "AutoRequest", 5);
             WriteInt(kMainKey, "GraphObservation", 1);
             WriteInt(kMainKey, "AdcSignalForm", 0);
         },
         true, true, false, false, 1, 1, 0},
        {"toggled before close", [] { WriteInt(kMainKey, "AutoRequest", 1); }, true, false, false, true, 0, 0,
         0},
        {"toggled on", [] {}, false, false, false, true, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        c.store();
        MakeForm();
        {
            TRegistry registry;
            EXPECT_TRUE(registry.KeyExists(kMainKey));
        }
        EXPECT_EQ(form->IsAutoRequest(), c.autoRequest);
        EXPECT_EQ(Checked("AutoRequest"), c.autoRequest);
        EXPECT_EQ(Checked("GraphObservationAction"), c.graph);
        EXPECT_EQ(Checked("AdcSignalFormAction"), c.adc);
        EXPECT_EQ(form->findChild<QAction*>("AutoRequest")->property("imageIndex").toInt(),
                  c.autoRequest ? 4 : 3);
        // The streams stay off whatever was stored.
        EXPECT_FALSE(form->Workspace()->Wrapper(4)->IsRunning());
        EXPECT_FALSE(form->Workspace()->Wrapper(5)->IsRunning());
        if (c.toggleAutoRequest)
            form->AutoRequestExecute();
        EXPECT_TRUE(form->close());
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey(kMainKey, false));
        EXPECT_EQ(registry.GetDataType("AutoRequest"), TRegDataType::rdInteger);
        EXPECT_EQ(registry.ReadIntegerDef("AutoRequest", -1), c.writtenAuto);
        EXPECT_EQ(registry.ReadIntegerDef("GraphObservation", -1), c.writtenGraph);
        EXPECT_EQ(registry.ReadIntegerDef("AdcSignalForm", -1), c.writtenAdc);
        form.reset();
    }
}

TEST_F(MainFormTest, DropDownRows_ItemCountAtMostForty)
{
    MakeForm();
    // The walk at creation reaches the channel dialog's lists as well.
    EXPECT_EQ(form->ChanelSetup()->ChanelComboBox->maxVisibleItems(), 2);
    auto* many = new QComboBox(form->Workspace());
    auto* few = new QComboBox(form->Workspace());
    for (int i = 0; i < 55; ++i)
        many->addItem(QString::number(i));
    for (int i = 0; i < 3; ++i)
        few->addItem(QString::number(i));
    form->FitDropDownCounts();
    EXPECT_EQ(many->maxVisibleItems(), 40);
    EXPECT_EQ(few->maxVisibleItems(), 3);
}

TEST_F(MainFormTest, ExchangeLog_QueuedFromWorkersClearedByDoubleClick)
{
    MakeForm();
    auto* memo = form->findChild<QPlainTextEdit*>("ConsoleMemo");
    std::thread worker([] { MainLogMessage("from a worker"); });
    worker.join();
    EXPECT_FALSE(Log().contains("from a worker"));
    ASSERT_TRUE(WaitFor([this] { return Log().contains("from a worker"); }, 2000));

    TInteractContainer container;
    container.Assign(std::make_unique<TInteract>());
    form->LogMessage("queued", &container);
    EXPECT_FALSE(Log().contains("queued"));
    TInteract* record = container.Acquire();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->PopMessage(), "queued");
    container.Release(false);

    form->LogMessage("line");
    QTest::mouseDClick(memo->viewport(), Qt::LeftButton);
    EXPECT_TRUE(Log().isEmpty());
}

TEST_F(MainFormTest, ShowDeviceStatus_PaintsPanelsOfTheTable)
{
    MakeForm();
    const QColor face = TTxRxWrapper::ButtonFace();
    form->ShowDeviceStatus(true, true, true, false, false, false, true);
    EXPECT_EQ(PanelColour("HardNSPanel"), QColor(255, 0, 0));
    EXPECT_EQ(PanelColour("WarningPanel"), QColor(255, 255, 0));
    EXPECT_EQ(form->findChild<QLabel*>("WarningPanel")->palette().color(QPalette::WindowText),
              QColor(0, 0, 255));
    EXPECT_EQ(PanelColour("QmoreQmaxPanel"), QColor(0, 128, 0));
    EXPECT_EQ(PanelColour("QlessQminPanel"), face);
    EXPECT_EQ(PanelColour("IntegrationPanel"), QColor(0, 128, 0));
    form->ShowDeviceStatus(false, false, false, false, true, true, false);
    EXPECT_EQ(PanelColour("HardNSPanel"), face);
    EXPECT_EQ(form->findChild<QLabel*>("HardNSPanel")->palette().color(QPalette::WindowText),
              QColor(0, 0, 0));
    EXPECT_EQ(PanelColour("ServiceModePanel"), QColor(0, 128, 0));
    EXPECT_EQ(PanelColour("EmptyPipePanel"), QColor(0, 128, 0));
}

TEST_F(MainFormTest, FailedOpen_LogsTheReasonAndTheFailureLine)
{
    // A port nobody listens on: the connection is refused.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    socklen_t length = sizeof(address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    UseTcp(ntohs(address.sin_port));
    MakeForm();
    EXPECT_FALSE(OpenChannel());
    const QString log = Log();
    EXPECT_TRUE(log.contains(QString::fromUtf8("Сбой при открытии канала связи"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QString::fromUtf8("Ошибка - "))) << log.toStdString();
    EXPECT_EQ(Caption(), QString::fromUtf8("Открыть"));
}

TEST_F(MainFormTest, ConnectPressedTwice_CancelsTheOpeningSilently)
{
    zt_sim::MeterSimulator meter;
    zt_sim::ModemSetup modem;
    modem.enabled = true;
    modem.dial = zt_sim::ModemSetup::Dial::Silence;
    meter.SetModem(modem);
    meter.StartPty();
    WriteInt(kChanelSetupKey, kCurentChanelValue, ckComPort);
    WriteString(kSerialKey, "ComPortName", meter.PtyPath());
    WriteInt(kSerialKey, "ComPortSpeed", 19200);
    WriteInt(kSerialKey, "ModemConnection", 1);
    WriteString(kSerialKey, "PhoneNumber", "8 800 12");
    MakeForm();

    form->ConnectExecute();
    ASSERT_TRUE(form->OwnWrapper().IsRunning());
    // The modem answers ATE0 and stays silent after the dial command.
    WaitFor([] { return false; }, 1500);
    ASSERT_TRUE(form->OwnWrapper().IsRunning());
    form->ConnectExecute();
    ASSERT_TRUE(WaitFor([this] { return !form->OwnWrapper().IsRunning(); }, 5000));
    const QString log = Log();
    EXPECT_FALSE(log.contains(QString::fromUtf8("Сбой"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QString::fromUtf8("Отмена"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QString::fromUtf8("прервано"))) << log.toStdString();
    EXPECT_FALSE(form->CurrentChanel()->IsOpen());
    EXPECT_EQ(Caption(), QString::fromUtf8("Открыть"));

    // After a cancel the next failure is reported again.
    meter.Stop();
    form->ConnectExecute();
    ASSERT_TRUE(WaitFor([this] { return !form->OwnWrapper().IsRunning(); }, 10000));
    EXPECT_TRUE(Log().contains(QString::fromUtf8("Сбой при открытии канала связи"))) << Log().toStdString();
}

TEST_F(MainFormTest, ChanelDialogWithoutOk_KeepsPreviousChannelOpenOrNot)
{
    zt_sim::MeterSimulator meter;
    meter.StartTcp();
    UseTcp(meter.Port());
    MakeForm();
    TChanelHelperBase* before = form->CurrentChanel();
    ASSERT_NE(before, nullptr);
    ASSERT_EQ(before->ChanelKind(), ckTcp);

    WithChanelDialog([](TChanelSetupFrame& dialog) {
        dialog.ChanelComboBox->setCurrentIndex(ckComPort);
        dialog.reject();
    });
    EXPECT_EQ(form->CurrentChanel(), before);
    EXPECT_EQ(form->Workspace()->GetChanel(), before);

    ASSERT_TRUE(OpenChannel());
    EXPECT_EQ(Caption(), QString::fromUtf8("Закрыть"));
    bool okEnabled = true;
    WithChanelDialog([&okEnabled](TChanelSetupFrame& dialog) {
        okEnabled = dialog.OkButton->isEnabled() || dialog.ChanelComboBox->isEnabled();
        dialog.reject();
    });
    EXPECT_FALSE(okEnabled);
    EXPECT_EQ(form->CurrentChanel(), before);
    EXPECT_TRUE(before->IsOpen());

    form->ConnectExecute();
    ASSERT_TRUE(WaitFor([this] { return Log().contains(QString::fromUtf8("Канал связи закрыт")); }, 5000));
    EXPECT_EQ(Caption(), QString::fromUtf8("Открыть"));
    EXPECT_TRUE(form->ChanelSetup()->OkButton->isEnabled());
    // The TCP channel posts no state codes: the window shows the closed line.
    EXPECT_EQ(PanelColour("TXPanel"), TTxRxWrapper::ButtonFace());
    EXPECT_EQ(PanelColour("RXPanel"), TTxRxWrapper::ButtonFace());

    // OK with another kind hands the new channel to the window and the
    // workspace, with the window's log sink.
    WithChanelDialog([](TChanelSetupFrame& dialog) {
        dialog.ChanelComboBox->setCurrentIndex(ckComPort);
        dialog.accept();
    });
    ASSERT_NE(form->CurrentChanel(), nullptr);
    EXPECT_EQ(form->CurrentChanel()->ChanelKind(), ckComPort);
    EXPECT_EQ(form->Workspace()->GetChanel(), form->CurrentChanel());
    form->CurrentChanel()->Log("through the channel", nullptr);
    EXPECT_TRUE(Log().contains("through the channel"));
    TRegistry registry;
    registry.OpenKey(kChanelSetupKey, false);
    EXPECT_EQ(registry.ReadIntegerDef(kCurentChanelValue, -1), ckComPort);
}

TEST_F(MainFormTest, DemoStart_OpensPollsAndIndicatorsFollowStatusWords)
{
    zt_sim::MeterConfig config;
    config.occasionalFlags = false;
    zt_sim::MeterSimulator meter(config);
    meter.StartTcp();
    UseTcp(meter.Port());
    WriteInt(kMainKey, "AutoRequest", 1);
    MakeForm();
    form->show();
    int shown = 0;
    QObject::connect(form.get(), &TMainForm::DeviceStatusShown, [&shown] { ++shown; });

    ASSERT_TRUE(OpenChannel()) << Log().toStdString();
    EXPECT_TRUE(Log().contains(QString::fromUtf8("Канал связи открыт")));
    EXPECT_EQ(Caption(), QString::fromUtf8("Закрыть"));
    ASSERT_TRUE(WaitFor([&shown] { return shown > 0; }, 8000)) << Log().toStdString();
    {
        ZT_Helper& device = form->Workspace()->Device();
        TDeviceHelperLocker lock(device);
        EXPECT_GT(device.Get(ZT_namespace::ZT_Fields::DirectFlowTime), 0u);
    }
    EXPECT_EQ(PanelColour("HardNSPanel"), TTxRxWrapper::ButtonFace());

    // Hardware fault bit 0, integration (work mode bit 0), Q > Qmax (bit 6).
    meter.Device().SetForcedFlags(0x0001, 0x0001, 0x0040);
    EXPECT_TRUE(WaitFor([this] { return PanelColour("HardNSPanel") == QColor(255, 0, 0); }, 5000));
    EXPECT_EQ(PanelColour("IntegrationPanel"), QColor(0, 128, 0));
    EXPECT_EQ(PanelColour("QmoreQmaxPanel"), QColor(0, 128, 0));
    EXPECT_EQ(PanelColour("EmptyPipePanel"), TTxRxWrapper::ButtonFace());
    meter.Device().SetForcedFlags(0, 0, 0);
    EXPECT_TRUE(WaitFor([this] { return PanelColour("HardNSPanel") == TTxRxWrapper::ButtonFace(); }, 5000));

    EXPECT_TRUE(form->close());
}

TEST_F(MainFormTest, ExportExcel_OnArchivePagesOnlyWritesTheShownJournal)
{
    zt_sim::MeterConfig config;
    config.occasionalFlags = false;
    zt_sim::MeterSimulator meter(config);
    meter.StartTcp();
    UseTcp(meter.Port());
    MakeForm();
    form->show();
    ASSERT_TRUE(OpenChannel()) << Log().toStdString();
    QAction* exportExcel = form->findChild<QAction*>("ExportExcel");
    EXPECT_FALSE(exportExcel->isEnabled());
    form->Workspace()->SelectPage(pgJournal);
    EXPECT_TRUE(exportExcel->isEnabled());

    auto* page = form->Workspace()->PageOf<TJournalArchive>(pgJournal);
    page->findChild<QPushButton*>("GetArchive")->click();
    auto* table = page->findChild<TGoodTable*>("JournalTable");
    ASSERT_TRUE(WaitFor([table] { return table->RowCount() > 0; }, 20000)) << Log().toStdString();

    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("zt-export-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "journal.xlsx").string();
    QString proposed;
    form->SetSaveFileChooser([&proposed, &file](const QString& name) {
        proposed = name;
        return QString::fromStdString(file);
    });
    ASSERT_TRUE(form->ExportExcelExecute());
    ASSERT_TRUE(WaitFor([this] { return !form->ExportWrapper().IsRunning(); }, 20000));
    uint32_t serial = 0;
    {
        TDeviceHelperLocker lock(form->Workspace()->Device());
        serial = form->Workspace()->Device().Get(ZT_namespace::ZT_Fields::SerialNumber);
    }
    EXPECT_TRUE(QRegularExpression(QString::fromUtf8("^Архив_%1_\\d{4}_\\d{2}_\\d{2}_\\d{2}_\\d{2}\\.xlsx$").arg(serial))
                    .match(proposed)
                    .hasMatch())
        << proposed.toStdString();
    EXPECT_TRUE(Log().contains(QString::fromUtf8("Экспорт в Excel выполнен: ") + QString::fromStdString(file)))
        << Log().toStdString();
    std::ifstream in(file, std::ios::binary);
    char magic[2] = {};
    in.read(magic, 2);
    EXPECT_EQ(std::string(magic, 2), "PK");

    // A failed export says why and leaves nothing behind.
    const std::string missing = (dir / "no" / "such.xlsx").string();
    form->SetSaveFileChooser([&missing](const QString&) { return QString::fromStdString(missing); });
    ASSERT_TRUE(form->ExportExcelExecute());
    ASSERT_TRUE(WaitFor([this] { return !form->ExportWrapper().IsRunning(); }, 20000));
    EXPECT_TRUE(Log().contains(QString::fromStdString(missing))) << Log().toStdString();
    EXPECT_FALSE(std::filesystem::exists(missing));

    form->Workspace()->SelectPage(pgCurrent);
    EXPECT_FALSE(exportExcel->isEnabled());
    std::filesystem::remove_all(dir);
    EXPECT_TRUE(form->close());
}

} // namespace

TEST_F(MainFormTest, ServiceStart_KeepsTheLiveViewsServiceSheetAndWriteAll)
{
    WriteInt(kMainKey, "GraphObservation", 1);
    for (bool service : {false, true}) {
        TMainForm::ServiceStart = service;
        MakeForm();
        TMainForm::ServiceStart = false;
        QWidget* bar = form->findChild<QWidget*>("SysToolBar");
        for (const char* item : {"GraphObservationActionItem", "AdcSignalFormActionItem"})
            EXPECT_EQ(bar->findChild<QAction*>(item) && bar->actions().contains(bar->findChild<QAction*>(item)),
                      service)
                << item << " service " << service;
        auto* writeAll = bar->findChild<QAction*>("WriteAllDataItem");
        ASSERT_NE(writeAll, nullptr);
        EXPECT_EQ(writeAll->isVisible(), service);
        // The streams are off at start either way.
        EXPECT_FALSE(form->Workspace()->Wrapper(4)->IsRunning());
        if (service) {
            EXPECT_FALSE(Checked("GraphObservationAction"));
        }

        TZT_Frame* w = form->Workspace();
        for (int page : {pgServiceParam, pgGraphObservation, pgAdcSignal})
            EXPECT_EQ(w->PageControl()->isTabVisible(page), service) << page;
        std::vector<int> nodes;
        for (QTreeWidgetItemIterator it(w->TreeView()); *it; ++it)
            nodes.push_back((*it)->data(0, Qt::UserRole).toInt());
        const bool listed = std::find(nodes.begin(), nodes.end(), pgGraphObservation) != nodes.end();
        EXPECT_EQ(listed, service);
        if (service) {
            ASSERT_GE(nodes.size(), 3u);
            EXPECT_EQ(std::vector<int>(nodes.end() - 3, nodes.end()),
                      (std::vector<int>{pgGraphObservation, pgAdcSignal, pgServiceParam}));
        }
        form.reset();
    }
}

TEST_F(MainFormTest, UnreadableSettingsFile_IsToldOnceInTheExchangeLog)
{
    const std::string saved = TRegistry::FilePath();
    char pattern[] = "/tmp/zt-mainform-XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    // A folder where the settings file should be: it exists, it cannot be read.
    const std::string path = dir + "/registry.json";
    ::mkdir(path.c_str(), 0700);
    ::setenv("ZT_REGISTRY", path.c_str(), 1);
    MakeForm();
    const QString log = Log();
    form.reset();
    ::setenv("ZT_REGISTRY", saved.c_str(), 1);
    EXPECT_EQ(log.count(QString::fromStdString(path)), 1) << log.toStdString();
    EXPECT_TRUE(QFileInfo(QString::fromStdString(path)).isDir()) << "left as it was";
    ::rmdir(path.c_str());
    ::rmdir(dir.c_str());
}
