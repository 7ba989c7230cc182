#pragma once
// ComPortChanelHelper: the channel for a meter on a serial line, directly
// (RS-232, RS-485 through a converter) or through a Hayes-compatible
// dial-up modem that it drives with AT commands.

#include "channels/chanelhelper.h"
#include "channels/moxaport.h"

#include <cstdint>
#include <string>

struct TComPortChanelParams {
    std::string ComPortName = "COM1";
    std::string PhoneNumber;
    int32_t Speed = 19200;
    int32_t NetAddr = 0;
    uint8_t Parity = 0;
    bool ModemConnection = false;

    // Each value separately; a missing or wrongly typed one takes its
    // default (empty name, 19200, 0, empty number, no modem).
    void Load(const std::string& keyPath);
    // The five stored values (Parity is not stored).
    void Save(const std::string& keyPath) const;
};

class ComPortChanelHelper : public TChanelHelperBase {
public:
    explicit ComPortChanelHelper(const std::string& keyPath = {});
    ~ComPortChanelHelper() override;

    void Open(TInteractContainer* container) override;
    void Close(TInteractContainer* container) override;
    bool IsOpen() override;
    void SetTimeouts(int32_t totalMs, int32_t intervalMs, TInteractContainer* container) override;
    int32_t Exchange(const uint8_t* request, uint8_t* reply, int32_t requestLength, int32_t replyCapacity,
                     TInteractContainer* container) override;
    int32_t ChanelKind() const override { return ckComPort; }
    std::string ChanelName() const override { return Params.ComPortName; }

    TComPortChanelParams Params;
    comprt::ComPort Port;
    bool ModemConnected = false;
    std::string KeyPath;

    // Pacing of the modem dialogue: the read time-out the port opens with
    // (each modem reply is one read), the limit from the dial command to
    // "CONNECT", and the guard time around the escape "+++".
    uint32_t ModemReadTimeoutMs = 1000;
    uint32_t DialTimeoutMs = 100000;
    uint32_t EscapeGuardMs = 1500;

private:
    void DialModem(TInteractContainer* container);
    void CheckDialCancel(TInteractContainer* container);
    void SendText(const std::string& text);
    // One read of up to 512 bytes; empty when the read failed or brought
    // nothing.
    std::string ReadModemReply();
};
