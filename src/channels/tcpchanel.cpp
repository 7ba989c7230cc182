#include "channels/tcpchanel.h"

#include "util/registry.h"
#include "util/sysutil.h"

#include <algorithm>

void TTcpChanelParams::Load(const std::string& keyPath)
{
    TRegistry registry;
    const bool opened = !keyPath.empty() && registry.OpenKey(keyPath, false);
    TcpAddress = opened ? registry.ReadStringDef("TcpAddress", "") : "";
    TcpPort = opened ? registry.ReadIntegerDef("TcpPort", 4001) : 4001;
    NetAddr = opened ? registry.ReadIntegerDef("NetAddr", 0) : 0;
    TcpTimeout = opened ? registry.ReadIntegerDef("TcpTimeout", 1000) : 1000;
    TcpPause = opened ? registry.ReadIntegerDef("TcpPause", 0) : 0;
    IPAddressList.clear();
    const std::string list = opened ? registry.ReadStringDef("IPAddressList", "") : "";
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find('\n', start);
        if (end == std::string::npos)
            end = list.size();
        std::string line = list.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            IPAddressList.push_back(line);
        start = end + 1;
    }
}

void TTcpChanelParams::Save(const std::string& keyPath) const
{
    if (keyPath.empty())
        return;
    TRegistry registry;
    if (!registry.OpenKey(keyPath, true))
        return;
    std::string list;
    for (const auto& address : IPAddressList)
        list += address + "\n";
    registry.WriteString("TcpAddress", TcpAddress);
    registry.WriteInteger("TcpPort", TcpPort);
    registry.WriteInteger("NetAddr", NetAddr);
    registry.WriteInteger("TcpTimeout", TcpTimeout);
    registry.WriteInteger("TcpPause", TcpPause);
    registry.WriteString("IPAddressList", list);
}

void TTcpChanelParams::RememberAddress(const std::string& address)
{
    IPAddressList.erase(std::remove(IPAddressList.begin(), IPAddressList.end(), address),
                        IPAddressList.end());
    IPAddressList.insert(IPAddressList.begin(), address);
}

TcpChanelHelper::TcpChanelHelper(const std::string& keyPath) : KeyPath(keyPath)
{
    if (!KeyPath.empty())
        Params.Load(KeyPath);
}

TcpChanelHelper::~TcpChanelHelper()
{
    Close(nullptr);
}

std::string TcpChanelHelper::ChanelName() const
{
    return Format("%s:%d", Params.TcpAddress.c_str(), Params.TcpPort);
}

void TcpChanelHelper::CloseSocket()
{
    connected_ = false;
    if (Socket) {
        Socket->Close();
        Socket.reset();
    }
}

void TcpChanelHelper::Open(TInteractContainer* container)
{
    TCriticalSectionEx::CAuto guard(Lock);
    try {
        CloseSocket();
        Socket = std::make_unique<TSyncSocket>(ConnectTimeoutMs, 300);
        if (!Socket->Create()) {
            const std::string text = Socket->LastErrorText();
            CloseSocket();
            throw Exception(text);
        }
        if (container)
            QueueMessage(container,
                         Format("Соединение с сервером %s:%d", Params.TcpAddress.c_str(), Params.TcpPort));
        Socket->Cancelled = CancelProbe(container);
        const bool connectedNow = Socket->Connect(Params.TcpAddress, Params.TcpPort);
        Socket->Cancelled = nullptr;
        if (!connectedNow) {
            const std::string text = Socket->WasCancelled() ? kCancelText : Socket->LastErrorText();
            CloseSocket();
            throw Exception(text);
        }
        Address = Params.NetAddr;
        connected_ = true;
        if (!KeyPath.empty()) {
            Params.RememberAddress(Params.TcpAddress);
            SaveParams(Params, KeyPath, container);
        }
    } catch (const std::exception& error) {
        Sleep(1);
        throw Exception(error.what());
    }
    Sleep(1);
}

void TcpChanelHelper::Close(TInteractContainer*)
{
    TCriticalSectionEx::CAuto guard(Lock);
    CloseSocket();
}

bool TcpChanelHelper::IsOpen()
{
    return connected_;
}

void TcpChanelHelper::SetTimeouts(int32_t totalMs, int32_t intervalMs, TInteractContainer*)
{
    {
        TCriticalSectionEx::CAuto guard(Lock);
        if (Socket) {
            Socket->Timeout = totalMs + Params.TcpTimeout;
            Socket->IntervalTimeout = std::max(intervalMs, 0);
        }
    }
    Sleep(1);
}

int32_t TcpChanelHelper::Exchange(const uint8_t* request, uint8_t* reply, int32_t requestLength,
                                  int32_t replyCapacity, TInteractContainer* container)
{
    int32_t received = 0;
    {
        TCriticalSectionEx::CAuto guard(Lock);
        if (!Socket) {
            Sleep(1);
            return 0;
        }
        // The probe lives only for this exchange: the container is the
        // calling operation's.
        struct TProbeScope {
            TSyncSocket& socket;
            ~TProbeScope() { socket.Cancelled = nullptr; }
        } scope{*Socket};
        try {
            const std::string name = ChanelName();
            Socket->ClearError();
            Socket->Cancelled = CancelProbe(container);
            Socket->Discard(Scratch, sizeof Scratch);
            LogFrame(request, requestLength, name, true);
            PostIndicator(kIndicatorTransmit);
            if (Socket->Send(request, requestLength) < 0)
                throw Exception(Socket->WasCancelled() ? kCancelText : Socket->LastErrorText());
            received = Socket->Receive(reply, replyCapacity);
            PostIndicator(kIndicatorReceive);
            LogFrame(reply, std::max(received, 0), name, false);
            if (Socket->WasCancelled())
                throw Exception(kCancelText);
            // The pause may be long; it ends early on a cancel request too.
            for (int32_t left = std::max(Params.TcpPause, 0); left > 0; left -= kCancelPollMs) {
                Sleep(static_cast<uint32_t>(std::min(left, kCancelPollMs)));
                if (Socket->Cancelled && Socket->Cancelled())
                    throw Exception(kCancelText);
            }
        } catch (const std::exception& error) {
            throw Exception(error.what());
        }
    }
    Sleep(1);
    return received;
}
