#include "cli/clisession.h"

#include "channels/comportchanel.h"
#include "channels/tcpchanel.h"
#include "util/sysutil.h"

#include <cstdio>

TCliSession::TCliSession(const TCliLineOptions& options, const std::atomic<bool>* interrupt)
    : scope_(&Dispatcher), options_(options), interrupt_(interrupt), wrapper_(1)
{
    if (!options.TcpHost.empty()) {
        // No registry key: the command line neither reads nor changes the
        // program's stored channel settings.
        auto tcp = std::make_unique<TcpChanelHelper>();
        tcp->Params.TcpAddress = options.TcpHost;
        tcp->Params.TcpPort = options.TcpPort;
        tcp->Params.NetAddr = options.Address;
        tcp->Params.TcpTimeout = options.TcpTimeout;
        tcp->Params.TcpPause = options.TcpPause;
        chanel_ = std::move(tcp);
    } else {
        auto serial = std::make_unique<ComPortChanelHelper>();
        serial->Params.ComPortName = options.SerialDevice;
        serial->Params.Speed = options.Baud;
        serial->Params.NetAddr = options.Address;
        serial->Params.ModemConnection = !options.ModemNumber.empty();
        serial->Params.PhoneNumber = options.ModemNumber;
        chanel_ = std::move(serial);
    }
    chanel_->SetLogExchange(options.Log);
    chanel_->SetOnLog([this](const std::string& text, TInteractContainer*) { LogLine(text); });
    Device.SetChanel(chanel_.get());
    Raw.SetChanel(chanel_.get());
}

TCliSession::~TCliSession()
{
    wrapper_.CancelAndWait();
    try {
        chanel_->Close(nullptr);
    } catch (const std::exception&) {
    }
}

void TCliSession::LogLine(const std::string& text)
{
    if (!options_.Log)
        return;
    std::lock_guard<std::mutex> guard(logMutex_);
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

void TCliSession::Open()
{
    Run(std::make_unique<OpenChanelAlgorithm>(chanel_.get(), nullptr));
}

void TCliSession::Close()
{
    Run(std::make_unique<CloseChanelAlgorithm>(chanel_.get(), nullptr));
}

void TCliSession::Run(std::unique_ptr<ProcessAlgorithm> algorithm)
{
    bool done = false;
    int32_t code = kResultSuccess;
    std::string lastMessage;
    wrapper_.OnComplete = [&](int32_t, int32_t) { done = true; };
    wrapper_.OnError = [&](int32_t, int32_t, int32_t result) {
        code = result;
        done = true;
    };
    wrapper_.OnMessage = [&](const std::string& text, TInteractContainer*) {
        lastMessage = text;
        LogLine(text);
    };
    if (!wrapper_.Start(std::move(algorithm), 0))
        throw Exception("operation already running");
    bool cancelled = false;
    while (!done) {
        Dispatcher.WaitUntil([&] { return done; }, 100);
        if (!cancelled && interrupt_ && interrupt_->load()) {
            wrapper_.Cancel();
            cancelled = true;
        }
    }
    wrapper_.OnComplete = nullptr;
    wrapper_.OnError = nullptr;
    wrapper_.OnMessage = nullptr;
    if (code == kResultSuccess)
        return;
    if (code == kResultCancelled)
        throw TCliInterrupted(lastMessage.empty() ? kCancelText : lastMessage,
                              options_.Log && !lastMessage.empty());
    throw TCliError(lastMessage.empty() ? "operation failed" : lastMessage,
                    options_.Log && !lastMessage.empty());
}
