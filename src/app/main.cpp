// zt-configurator: the program's start. With --demo it serves a simulated
// meter in-process on a loopback port and connects to it, with a settings
// file of its own so that the user's settings stay untouched.

#include "app/application.h"
#include "app/mainframe.h"
#include "app/zt_framemain.h"
#include "channels/chanelhelper.h"
#include "engine/processpool.h"
#include "engine/qtnotifydispatcher.h"
#include "sim/metersim.h"
#include "util/registry.h"
#include "util/sysutil.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

struct TOptions {
    bool demo = false;
    bool service = false;
    bool help = false;
    bool version = false;
    std::string screenshot;
    int page = -1;
    int screenshotTimeoutMs = 30000;
    std::string file; // a configuration file to open
};

const char* const kUsage =
    "Usage: zt-configurator [options] [FILE]\n"
    "\n"
    "The configuration and service tool of the ZT flow meters. A configuration\n"
    "FILE is opened as the command \"Открыть\" opens it.\n"
    "\n"
    "Options:\n"
    "  --demo             serve a simulated meter on a free loopback port, select the\n"
    "                     TCP channel to it, open it and turn automatic polling on;\n"
    "                     settings are kept in a temporary folder for this run only\n"
    "  --screenshot FILE  once the first poll of the current parameters is shown,\n"
    "                     write a PNG picture of the main window to FILE and exit\n"
    "                     (exit code 1 when no poll was shown within 30 s)\n"
    "  --page N           show page N (0 current parameters, 1 archives, 2 alarm\n"
    "                     journal, 3 operator journal, 4 settings, 5 system settings,\n"
    "                     6 system settings 2, 7 outputs, 8 work settings,\n"
    "                     9 calibration, 10 service parameters, 11 service\n"
    "                     information, 12 readings, 13 ADC signal, 14 workbench);\n"
    "                     with --screenshot the picture is taken once the page's\n"
    "                     first read is shown\n"
    "  --service          the service start: the readings graph, the ADC signal\n"
    "                     view, the service parameters and write-all keep their\n"
    "                     commands and pages\n"
    "  --help             show this text and exit\n"
    "  --version          show the version and exit\n";

bool ParseOptions(int argc, char* argv[], TOptions& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--service") {
            options.service = true;
        } else if (arg == "--demo") {
            options.demo = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--screenshot") {
            if (i + 1 >= argc) {
                error = "--screenshot needs a file name";
                return false;
            }
            options.screenshot = argv[++i];
        } else if (arg.rfind("--screenshot=", 0) == 0) {
            options.screenshot = arg.substr(13);
        } else if (arg == "--page") {
            int64_t page = -1;
            if (i + 1 >= argc || !TryStrToInt(argv[++i], page) || page < 0 || page >= kPageCount) {
                error = "--page needs a page number from 0 to 14";
                return false;
            }
            options.page = static_cast<int>(page);
        }
        // Anything else (-platform, -style ...) is the window system's.
    }
    if (const char* timeout = std::getenv("ZT_SCREENSHOT_TIMEOUT_MS"))
        options.screenshotTimeoutMs = std::max(1000, std::atoi(timeout));
    return true;
}

// The demo's own settings: a temporary folder with a registry file that
// selects the TCP channel to the simulated meter and turns polling on.
class TDemoSetup {
public:
    TDemoSetup()
    {
        std::string pattern = QDir::tempPath().toStdString() + "/zt-demo-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!::mkdtemp(buffer.data()))
            throw std::system_error(errno, std::generic_category(), "mkdtemp");
        folder_ = buffer.data();
        // Before any TRegistry is made: the store follows ZT_REGISTRY.
        ::setenv("ZT_REGISTRY", (folder_ + "/registry.json").c_str(), 1);

        simulator_.StartTcp(0, "127.0.0.1");

        TRegistry registry;
        registry.OpenKey(TMainForm::kRegistryKey, true);
        registry.WriteInteger("AutoRequest", 1);
        registry.CloseKey();
        registry.OpenKey(kChanelSetupKey, true);
        registry.WriteInteger(kCurentChanelValue, ckTcp);
        registry.CloseKey();
        registry.OpenKey(ChanelKeyPath(kChanelSetupKey, ckTcp), true);
        registry.WriteString("TcpAddress", "127.0.0.1");
        registry.WriteInteger("TcpPort", simulator_.Port());
        registry.WriteInteger("NetAddr", 1);
        registry.WriteInteger("TcpTimeout", 1000);
        registry.WriteInteger("TcpPause", 0);
        registry.CloseKey();
        // The readings graph shows the two flow channels, polled briskly.
        registry.OpenKey(std::string(TMainForm::kRegistryKey) + "\\GraphObservationSetup", true);
        registry.WriteInteger("DataIndex_1", 1);
        registry.WriteInteger("DataIndex_2", 2);
        registry.WriteInteger("DataEnable_1", 1);
        registry.WriteInteger("DataEnable_2", 1);
        registry.WriteInteger("GraphObservationInterval", 5);
        registry.CloseKey();
    }

    ~TDemoSetup()
    {
        simulator_.Stop();
        QDir(QString::fromStdString(folder_)).removeRecursively();
    }

    uint16_t Port() const { return simulator_.Port(); }

private:
    std::string folder_;
    // A named configuration rather than the constructor's default argument:
    // GCC 12 at -O3 takes the destroyed temporary's string for uninitialized.
    zt_sim::MeterConfig config_;
    zt_sim::MeterSimulator simulator_{config_};
};

// The configuration file named on the command line: the first argument
// that is neither an option nor an option's value. Called once the window
// system has taken its own options (-platform NAME ...) out of argv.
std::string FileArgument(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--screenshot" || arg == "--page")
            ++i;
        else if (!arg.empty() && arg[0] != '-')
            return arg;
    }
    return {};
}

// SIGTERM (and SIGINT) end the program like a close, so that the demo's
// temporary folder is removed on the way out.
std::atomic<bool> gTerminate{false};

extern "C" void OnTerminate(int)
{
    gTerminate = true;
}

void QuitOnTerminate(QApplication& app)
{
    struct sigaction action {};
    action.sa_handler = OnTerminate;
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    auto* timer = new QTimer(&app);
    QObject::connect(timer, &QTimer::timeout, &app, [] {
        if (gTerminate)
            QApplication::closeAllWindows(), QApplication::quit();
    });
    timer->start(100);
}

int Run(QApplication& app, const TOptions& options)
{
    std::unique_ptr<TDemoSetup> demo;
    if (options.demo) {
        QuitOnTerminate(app);
        demo = std::make_unique<TDemoSetup>();
        std::printf("Simulated meter on 127.0.0.1:%u\n", static_cast<unsigned>(demo->Port()));
        std::fflush(stdout);
    }

    TQtNotifyDispatcher dispatcher;
    TDispatcherScope scope(&dispatcher);

    int result = 0;
    {
        TMainForm::ServiceStart = options.service;
        TMainForm form;
        form.show();
        if (options.page >= 0)
            form.Workspace()->SelectPage(options.page);
        if (!options.file.empty())
            form.FileOpenAccept(options.file);
        if (options.demo)
            form.ConnectExecute();

        if (!options.screenshot.empty()) {
            const QString file = QFileInfo(QString::fromStdString(options.screenshot)).absoluteFilePath();
            auto shoot = [&form, &result, file](bool polled) {
                if (!form.grab().save(file, "PNG")) {
                    std::fprintf(stderr, "zt-configurator: cannot write %s\n",
                                 file.toLocal8Bit().constData());
                    result = 1;
                } else {
                    std::printf("Screenshot of the main window: %s\n", file.toLocal8Bit().constData());
                    if (!polled) {
                        std::fprintf(stderr, "zt-configurator: no poll was shown in time\n");
                        result = 1;
                    }
                }
                std::fflush(stdout);
                form.close();
                QApplication::quit();
            };
            auto taken = std::make_shared<bool>(false);
            // The live views are taken with their stream running for a while.
            const bool live = options.page == pgGraphObservation || options.page == pgAdcSignal;
            auto shown = [shoot, taken, live] {
                if (*taken)
                    return;
                *taken = true;
                // Let the page's refresh of the same completion paint first.
                QTimer::singleShot(live ? 3000 : 400, [shoot] { shoot(true); });
            };
            if (live) {
                auto* start = new QTimer(&form);
                start->setInterval(200);
                QObject::connect(start, &QTimer::timeout, &form, [&form, start, shown, page = options.page] {
                    TChanelHelperBase* chanel = form.Workspace()->GetChanel();
                    if (!chanel || !chanel->IsOpen())
                        return;
                    if (page == pgGraphObservation)
                        form.Workspace()->SetObservation(true);
                    else
                        form.Workspace()->SetAdcSignal(true);
                    start->stop();
                    shown();
                });
                start->start();
            }
            // A page with a read of its own is taken once that read is
            // shown, any other once the current parameters are; a page read
            // only by its own button (calibration) is read through the page.
            TDevicePageFrame* frame = options.page > 0 ? form.Workspace()->Page(options.page) : nullptr;
            const bool ownRead = options.page > 0 && (PageRow(options.page).SelectRead ||
                                                      (frame && PageRow(options.page).Block));
            const int32_t page = ownRead ? options.page : int32_t(pgCurrent);
            if (!ownRead)
                frame = nullptr;
            if (ownRead) {
                QObject::connect(form.Workspace(), &TZT_Frame::PageRefreshed, &form,
                                 [shown, page](int32_t refreshed) {
                                     if (refreshed == page)
                                         shown();
                                 });
            } else {
                QObject::connect(&form, &TMainForm::DeviceStatusShown, &form, shown);
            }
            // The page is read once the line is up: a page the timer does
            // not poll has no first poll to wait for.
            auto asked = std::make_shared<bool>(false);
            auto* ask = new QTimer(&form);
            ask->setInterval(200);
            QObject::connect(ask, &QTimer::timeout, &form, [&form, page, frame, asked, ask] {
                TChanelHelperBase* chanel = form.Workspace()->GetChanel();
                if (*asked || !chanel || !chanel->IsOpen())
                    return;
                *asked = frame ? frame->ReadPage(true) : form.Workspace()->ReadPage(page, true);
                if (*asked)
                    ask->stop();
            });
            ask->start();
            QTimer::singleShot(options.screenshotTimeoutMs, &form, [shoot, taken] {
                if (*taken)
                    return;
                *taken = true;
                shoot(false);
            });
        }
        const int code = app.exec();
        if (result == 0)
            result = code;
    }
    return result;
}

} // namespace

int main(int argc, char* argv[])
{
    ReduceTimerSlack();
    TOptions options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "zt-configurator: %s\n\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("zt-configurator %s\n", ZT_VERSION);
        return 0;
    }
    // The pool outlives every window and every operation.
    ProcessPool::Instance();
    TApplication app(argc, argv);
    // The desktop entry and the icon installed with the program.
    QGuiApplication::setDesktopFileName(QStringLiteral("zt-configurator"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("zt-configurator")));
    options.file = FileArgument(argc, argv);
    try {
        return Run(app, options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zt-configurator: %s\n", e.what());
        QMessageBox::critical(nullptr, QString::fromUtf8("ZT Конфигуратор"), QString::fromUtf8(e.what()));
        return 1;
    } catch (...) {
        // A foreign exception carries no text.
        std::fprintf(stderr, "zt-configurator: \n");
        QMessageBox::critical(nullptr, QString::fromUtf8("ZT Конфигуратор"), QString());
        return 1;
    }
}
