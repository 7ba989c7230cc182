#pragma once
// TcpChanelHelper: the channel for a meter behind a serial-to-Ethernet
// gateway working as a transparent channel: Modbus RTU frames, CRC
// included, go unchanged into a TCP stream and whatever comes back is the
// reply.

#include "channels/chanelhelper.h"
#include "channels/socketcore.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TTcpChanelParams {
    std::string TcpAddress;
    int32_t TcpPort = 4001;
    int32_t NetAddr = 0;
    int32_t TcpTimeout = 1000;              // added to every reply time-out asked for
    int32_t TcpPause = 0;                   // pause after every exchange
    std::vector<std::string> IPAddressList; // most recent first

    void Load(const std::string& keyPath);
    void Save(const std::string& keyPath) const;
    // Moves `address` to the front of IPAddressList, once.
    void RememberAddress(const std::string& address);
};

class TcpChanelHelper : public TChanelHelperBase {
public:
    explicit TcpChanelHelper(const std::string& keyPath = {});
    ~TcpChanelHelper() override;

    void Open(TInteractContainer* container) override;
    void Close(TInteractContainer* container) override;
    bool IsOpen() override;
    // Timeout = totalMs + TcpTimeout; the interval between chunks of a reply
    // stays intervalMs, so a reply the network splits is gathered whole.
    void SetTimeouts(int32_t totalMs, int32_t intervalMs, TInteractContainer* container) override;
    int32_t Exchange(const uint8_t* request, uint8_t* reply, int32_t requestLength, int32_t replyCapacity,
                     TInteractContainer* container) override;
    int32_t ChanelKind() const override { return ckTcp; }
    std::string ChanelName() const override;

    TTcpChanelParams Params;
    std::unique_ptr<TSyncSocket> Socket;
    std::string KeyPath;
    uint8_t Scratch[512] = {};

    // The wait for the connection at Open.
    int32_t ConnectTimeoutMs = 5000;

private:
    void CloseSocket();
    // Open only once the connection stands: the window thread asks while a
    // worker is still connecting, and must see a connect in progress as
    // closed (so that a second "Открыть" cancels it and no poll starts).
    std::atomic<bool> connected_{false};
};
