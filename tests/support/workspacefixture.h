#pragma once
// A device workspace on the window thread against the simulated meter over
// a real TCP connection: the Qt application, the window-thread dispatcher,
// the meter, the channel (which keeps every request it sends), the
// workspace with its pages, and what the workspace told the main window.

#include "app/zt_framemain.h"
#include "channels/tcpchanel.h"
#include "engine/qtnotifydispatcher.h"
#include "sim/metersim.h"
#include "tests/support/qtapp.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

// The TCP channel, keeping every request frame it sends.
class TRecordingTcpChanel : public TcpChanelHelper {
public:
    int32_t Exchange(const uint8_t* request, uint8_t* reply, int32_t requestLength, int32_t replyCapacity,
                     TInteractContainer* container) override
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            requests.emplace_back(request, request + requestLength);
        }
        return TcpChanelHelper::Exchange(request, reply, requestLength, replyCapacity, container);
    }
    std::vector<std::vector<uint8_t>> Requests()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return requests;
    }
    std::mutex mutex;
    std::vector<std::vector<uint8_t>> requests;
};

struct TStatusCall {
    bool Flags[7];
};

class TWorkspaceFixture : private TQtApp {
public:
    explicit TWorkspaceFixture(bool initPages = true, zt_sim::MeterConfig config = QuietMeter())
    {
        sim = std::make_unique<zt_sim::MeterSimulator>(config);
        sim->StartTcp(0);
        chanel = std::make_unique<TRecordingTcpChanel>();
        chanel->Params.TcpAddress = "127.0.0.1";
        chanel->Params.TcpPort = sim->Port();
        chanel->Params.NetAddr = 1;
        chanel->Params.TcpTimeout = 200;
        chanel->Open(nullptr);

        workspace = std::make_unique<TZT_Frame>();
        workspace->resize(1100, 560);
        if (initPages)
            workspace->InitPages();
        workspace->SetChanel(chanel.get());
        workspace->SetMessageSink(
            [this](const std::string& text, TInteractContainer*) { log.push_back(text); });
        TMainWindowLink link;
        link.IsAutoRequest = [this] { return autoRequest; };
        link.ShowDeviceStatus = [this](bool a, bool b, bool c, bool d, bool e, bool f, bool g) {
            status.push_back(TStatusCall{{a, b, c, d, e, f, g}});
        };
        link.SetDeviceTitle = [this](const std::string& text) { title = text; };
        workspace->SetMainWindow(std::move(link));
        // The tests drive the ticks themselves unless they start the timer.
        workspace->PollTimer()->stop();
    }

    ~TWorkspaceFixture()
    {
        workspace.reset();
        chanel->Close(nullptr);
    }

    static zt_sim::MeterConfig QuietMeter()
    {
        zt_sim::MeterConfig config;
        config.occasionalFlags = false;
        return config;
    }

    // Runs the window thread's events until `done` or `ms` passed.
    static bool WaitFor(const std::function<bool()>& done, int ms = 5000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > ms)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return true;
    }

    bool WaitIdle(int ms = 5000)
    {
        return WaitFor(
            [this] {
                for (int id = 1; id <= 8; ++id)
                    if (workspace->Wrapper(id)->IsRunning())
                        return false;
                return true;
            },
            ms);
    }

    bool Logged(const std::string& text) const
    {
        for (const std::string& line : log)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }

    // Requests of `function` sent so far.
    size_t Sent(uint8_t function)
    {
        size_t n = 0;
        for (const auto& frame : chanel->Requests())
            if (frame.size() > 1 && frame[1] == function)
                ++n;
        return n;
    }

    TQtNotifyDispatcher dispatcher;
    TDispatcherScope scope{&dispatcher};
    std::unique_ptr<zt_sim::MeterSimulator> sim;
    std::unique_ptr<TRecordingTcpChanel> chanel;
    std::unique_ptr<TZT_Frame> workspace;
    std::vector<std::string> log;
    std::vector<TStatusCall> status;
    std::string title;
    bool autoRequest = false;
};
