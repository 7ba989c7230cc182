#include "channels/chanelhelper.h"

#include "channels/comportchanel.h"
#include "channels/tcpchanel.h"
#include "util/registry.h"
#include "util/sysutil.h"

#include <chrono>
#include <ctime>

const char* const kChanelSetupKey = "\\Software\\Selvar\\RAZevedavureva\\ChanelSetup";
const char* const kComPortChanelSubKey = "\\ComPortChanel";
const char* const kTcpChanelSubKey = "\\TcpChanel";
const char* const kCurentChanelValue = "CurentChanel";

int32_t ReadCurentChanel(const std::string& keyPath)
{
    if (keyPath.empty())
        return ckComPort;
    try {
        TRegistry registry;
        if (!registry.OpenKey(keyPath, false))
            return ckComPort;
        const int32_t kind = registry.ReadIntegerDef(kCurentChanelValue, ckComPort);
        return kind == ckTcp ? ckTcp : ckComPort;
    } catch (const std::exception&) {
        return ckComPort;
    }
}

void WriteCurentChanel(const std::string& keyPath, int32_t kind)
{
    if (keyPath.empty())
        return;
    TRegistry registry;
    if (registry.OpenKey(keyPath, true))
        registry.WriteInteger(kCurentChanelValue, kind);
}

std::string ChanelKeyPath(const std::string& keyPath, int32_t kind)
{
    if (keyPath.empty())
        return {};
    return keyPath + (kind == ckTcp ? kTcpChanelSubKey : kComPortChanelSubKey);
}

std::function<bool()> CancelProbe(TInteractContainer* container)
{
    if (!container)
        return {};
    return [container] { return CancelRequested(container); };
}

void TChanelHelperBase::Open(TInteractContainer*) {}

void TChanelHelperBase::Close(TInteractContainer*) {}

bool TChanelHelperBase::IsOpen()
{
    return false;
}

void TChanelHelperBase::SetTimeouts(int32_t, int32_t, TInteractContainer*) {}

int32_t TChanelHelperBase::Exchange(const uint8_t*, uint8_t*, int32_t, int32_t, TInteractContainer*)
{
    return 0;
}

int32_t TChanelHelperBase::GetAddress()
{
    return Address;
}

void TChanelHelperBase::SetOnLog(TLogSink sink)
{
    std::lock_guard<std::mutex> guard(hooks_);
    OnLog = std::move(sink);
}

void TChanelHelperBase::SetIndicatorWindow(const TNotifyWindow& window)
{
    std::lock_guard<std::mutex> guard(hooks_);
    IndicatorWindow = window;
}

void TChanelHelperBase::Log(const std::string& text, TInteractContainer* container)
{
    TLogSink sink;
    {
        std::lock_guard<std::mutex> guard(hooks_);
        sink = OnLog;
    }
    if (sink)
        sink(text, container);
}

std::string TChanelHelperBase::FrameLine(const uint8_t* bytes, int32_t count, const std::string& name,
                                         bool sent, int hour, int minute, int second, int msec)
{
    std::string line = Format("%02d:%02d:%02d:%03d ", hour, minute, second, msec);
    line += "[" + name + "]";
    line += sent ? " << " : " >> ";
    for (int32_t i = 0; bytes && i < count; ++i)
        line += Format("%02X ", bytes[i]);
    return line;
}

void TChanelHelperBase::LogFrame(const uint8_t* bytes, int32_t count, const std::string& name, bool sent)
{
    if (!LogExchange)
        return;
    int hour, minute, second, msec;
    UtcTimeOfDay(hour, minute, second, msec);
    Log(FrameLine(bytes, count, name, sent, hour, minute, second, msec), nullptr);
}

void TChanelHelperBase::PostIndicator(intptr_t code)
{
    TNotifyWindow window;
    {
        std::lock_guard<std::mutex> guard(hooks_);
        window = IndicatorWindow;
    }
    if (window)
        window.Post(WM_INDICATOR, code, 0);
}

std::unique_ptr<TChanelHelperBase> CreateChanel(int32_t kind, const std::string& chanelKeyPath)
{
    switch (kind) {
    case ckComPort:
        return std::make_unique<ComPortChanelHelper>(chanelKeyPath);
    case ckTcp:
        return std::make_unique<TcpChanelHelper>(chanelKeyPath);
    default:
        return nullptr;
    }
}

OpenChanelAlgorithm::OpenChanelAlgorithm(TChanelHelperBase* chanel, TInteractContainer* container)
    : ProcessAlgorithm(container), Chanel(chanel)
{
}

void OpenChanelAlgorithm::Execute()
{
    if (Chanel)
        Chanel->Open(Container);
}

CloseChanelAlgorithm::CloseChanelAlgorithm(TChanelHelperBase* chanel, TInteractContainer* container)
    : ProcessAlgorithm(container), Chanel(chanel)
{
}

void CloseChanelAlgorithm::Execute()
{
    if (!Chanel)
        return;
    try {
        Chanel->Close(Container);
    } catch (const Exception&) {
    }
}
