#include "channels/comportchanel.h"

#include "util/registry.h"
#include "util/sysutil.h"

#include <algorithm>

namespace {

const char* const kNotOpenText = "COM-порт не открыт";
constexpr int32_t kModemReplySize = 512;
constexpr uint32_t kFailedReadPauseMs = 50;

void ReplaceAll(std::string& text, const std::string& what)
{
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at))
        text.erase(at, what.size());
}

} // namespace

void TComPortChanelParams::Load(const std::string& keyPath)
{
    TRegistry registry;
    const bool opened = !keyPath.empty() && registry.OpenKey(keyPath, false);
    ComPortName = opened ? registry.ReadStringDef("ComPortName", "") : "";
    Speed = opened ? registry.ReadIntegerDef("ComPortSpeed", 19200) : 19200;
    NetAddr = opened ? registry.ReadIntegerDef("NetAddr", 0) : 0;
    PhoneNumber = opened ? registry.ReadStringDef("PhoneNumber", "") : "";
    ModemConnection = opened ? registry.ReadIntegerDef("ModemConnection", 0) != 0 : false;
}

void TComPortChanelParams::Save(const std::string& keyPath) const
{
    if (keyPath.empty())
        return;
    TRegistry registry;
    if (!registry.OpenKey(keyPath, true))
        return;
    registry.WriteString("ComPortName", ComPortName);
    registry.WriteInteger("ComPortSpeed", Speed);
    registry.WriteInteger("NetAddr", NetAddr);
    registry.WriteString("PhoneNumber", PhoneNumber);
    registry.WriteInteger("ModemConnection", ModemConnection ? 1 : 0);
}

ComPortChanelHelper::ComPortChanelHelper(const std::string& keyPath) : KeyPath(keyPath)
{
    if (!KeyPath.empty())
        Params.Load(KeyPath);
}

ComPortChanelHelper::~ComPortChanelHelper()
{
    try {
        Close(nullptr);
    } catch (const std::exception&) {
    }
}

void ComPortChanelHelper::SendText(const std::string& text)
{
    Port.Write(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int32_t>(text.size()));
}

std::string ComPortChanelHelper::ReadModemReply()
{
    uint8_t buffer[kModemReplySize];
    int32_t received = 0;
    try {
        Port.Read(buffer, kModemReplySize, received);
    } catch (const EOSError&) {
        // A failing device refuses at once; the dial loop must not spin on it.
        Sleep(kFailedReadPauseMs);
        return {};
    } catch (const Exception&) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(buffer), static_cast<size_t>(received));
}

void ComPortChanelHelper::CheckDialCancel(TInteractContainer* container)
{
    if (!container)
        return;
    TInteract* record = container->Acquire();
    if (record && record->CancelRequested) {
        record->SetResultCode(kResultCancelled);
        container->Release(false);
        throw Exception("Отмена исходящего звонка");
    }
    container->Release(false);
}

void ComPortChanelHelper::DialModem(TInteractContainer* container)
{
    Port.SetDtr(true);
    Port.SetRts(true);
    Sleep(100);
    Log("Инициализация модема", container);
    SendText("ATE0\r\n");
    std::string reply = ReadModemReply();
    if (reply.empty())
        throw Exception("Нет ответа от модема");
    CheckDialCancel(container);
    if (reply.find("OK") == std::string::npos)
        throw Exception("Неправильный ответ от модема");

    std::string number = Params.PhoneNumber;
    number.erase(std::remove(number.begin(), number.end(), ' '), number.end());
    Log(Format("Набор номера %s", number.c_str()), container);
    SendText(Format("ATD%s\r\n", number.c_str()));
    const uint64_t dialled = GetTickCount64();
    for (;;) {
        reply = ReadModemReply();
        if (!reply.empty())
            break;
        if (GetTickCount64() - dialled > DialTimeoutMs)
            throw Exception("Истек таймаут исходящего соединения");
        CheckDialCancel(container);
    }
    ReplaceAll(reply, "\r\n");
    if (reply.find("CONNECT") == std::string::npos)
        throw Exception(reply);
    ModemConnected = true;
    Log("Соединение установлено", container);
}

void ComPortChanelHelper::Open(TInteractContainer* container)
{
    TCriticalSectionEx::CAuto guard(Lock);
    if (Params.ComPortName.empty() || Params.Speed == 0)
        return;
    try {
        Log(Format("Открытие порта %s %d бод", Params.ComPortName.c_str(), Params.Speed), nullptr);
        Port.Open(Params.ComPortName, Params.Speed, ModemReadTimeoutMs, Params.Parity);
        ModemConnected = false;
        if (!Params.ModemConnection) {
            Port.SetDtr(true);
            Port.SetRts(false);
        } else {
            try {
                DialModem(container);
            } catch (...) {
                ModemConnected = false;
                Port.Close();
                throw;
            }
        }
        PostIndicator(kIndicatorOpened);
        Address = Params.NetAddr;
        if (!KeyPath.empty())
            SaveParams(Params, KeyPath, container);
    } catch (...) {
        Sleep(1);
        throw;
    }
    Sleep(1);
}

void ComPortChanelHelper::Close(TInteractContainer* container)
{
    TCriticalSectionEx::CAuto guard(Lock);
    try {
        if (Port.IsOpen()) {
            Port.SetDtr(false);
            Port.SetRts(false);
            if (ModemConnected) {
                Log("Завершение соединения", container);
                SendText("+++");
                Sleep(EscapeGuardMs);
                SendText("ATH0\r\n");
                if (ReadModemReply().find("OK") != std::string::npos)
                    Log("Соединение разорвано", container);
                ModemConnected = false;
            }
        }
    } catch (...) {
        // The line is released whatever failed on the way; the failure is
        // still reported.
        ModemConnected = false;
        Port.Close();
        PostIndicator(kIndicatorClosed);
        Sleep(1);
        throw;
    }
    Port.Close();
    PostIndicator(kIndicatorClosed);
    Sleep(1);
}

bool ComPortChanelHelper::IsOpen()
{
    return Port.IsOpen() && (!Params.ModemConnection || ModemConnected);
}

void ComPortChanelHelper::SetTimeouts(int32_t totalMs, int32_t intervalMs, TInteractContainer*)
{
    TCriticalSectionEx::CAuto guard(Lock);
    if (ModemConnected) {
        totalMs += 5000;
        intervalMs = 0;
    }
    comprt::ComTimeouts timeouts;
    timeouts.ReadIntervalTimeout = static_cast<uint32_t>(std::max(intervalMs, 0));
    timeouts.ReadTotalTimeoutConstant = static_cast<uint32_t>(std::max(totalMs, 0));
    timeouts.WriteTotalTimeoutConstant = static_cast<uint32_t>(std::max(totalMs, 0));
    Port.SetTimeouts(timeouts);
}

int32_t ComPortChanelHelper::Exchange(const uint8_t* request, uint8_t* reply, int32_t requestLength,
                                      int32_t replyCapacity, TInteractContainer* container)
{
    int32_t received = 0;
    {
        TCriticalSectionEx::CAuto guard(Lock);
        // The probe lives only for this exchange: the container is the
        // calling operation's.
        struct TProbeScope {
            comprt::ComPort& port;
            ~TProbeScope() { port.Cancelled = nullptr; }
        } scope{Port};
        Port.Cancelled = CancelProbe(container);
        try {
            if (!Port.IsOpen())
                throw Exception(kNotOpenText);
            Port.PurgeReceive();
            LogFrame(request, requestLength, Params.ComPortName, true);
            PostIndicator(kIndicatorTransmit);
            Port.Write(request, requestLength);
            Port.ReadResponse(reply, replyCapacity, received);
            PostIndicator(kIndicatorReceive);
            LogFrame(reply, received, Params.ComPortName, false);
        } catch (const std::exception& error) {
            PostIndicator(kIndicatorFailed);
            throw Exception(error.what());
        }
    }
    Sleep(1);
    return received;
}
