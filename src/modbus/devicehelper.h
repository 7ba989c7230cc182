#pragma once
// TDeviceHelper and TDeviceModbusHelper: between the device model and the
// channel. They run one Modbus register transaction at a time (with tries,
// pauses and cancellation) and keep the register images: a working image in
// host order per block and a raw image for the byte-order conversion. The
// device model derives from TDeviceModbusHelper and supplies the images.

#include "channels/chanelhelper.h"
#include "engine/criticalsectionex.h"
#include "engine/processthread.h"

#include <cstdint>
#include <functional>
#include <mutex>

class TDeviceHelper {
public:
    TDeviceHelper() = default;
    virtual ~TDeviceHelper() = default;
    TDeviceHelper(const TDeviceHelper&) = delete;
    TDeviceHelper& operator=(const TDeviceHelper&) = delete;

    // The slave address: the channel's, 0 without a channel.
    virtual int32_t GetAddress();

    void SetChanel(TChanelHelperBase* chanel) { Chanel = chanel; }
    TChanelHelperBase* GetChanel() const { return Chanel; }
    // The data lock over the register images; the owning thread may take
    // it again.
    void LockData() { DataMutex.lock(); }
    void UnlockData() { DataMutex.unlock(); }

    uint8_t TxBuffer[512] = {};
    uint8_t RxBuffer[512] = {};
    TChanelHelperBase* Chanel = nullptr;
    TCriticalSectionEx Lock;
    std::recursive_mutex DataMutex;
};

class TDeviceModbusHelper : public TDeviceHelper {
public:
    virtual uint16_t* InputImage() { return nullptr; }
    virtual uint16_t* HoldingImage() { return nullptr; }
    virtual uint16_t* InputRaw() { return nullptr; }
    virtual uint16_t* HoldingRaw() { return nullptr; }
    virtual int32_t InputCount() { return 0; }
    virtual int32_t HoldingCount() { return 0; }
    virtual void ConvertInput(uint16_t* image) { (void)image; }
    virtual void ConvertHolding(uint16_t* image) { (void)image; }

    // Registers 30001.. are input registers (function 4), 40001.. holding
    // registers (function 3). True when a reply was stored; false when the
    // request cannot be built or the number is 30000 or less; raises the
    // general error when every try failed. `attempts` counts tries (at
    // least one).
    bool ReadRegisters(int32_t reg, int32_t count, TInteractContainer* container, int32_t attempts);
    // Writes holding registers from the working image (function 16). True
    // when the meter echoed function 16; false when the number is 40000 or
    // less, the request cannot be built or the reply carries another
    // function.
    bool WriteRegisters(int32_t reg, int32_t count, TInteractContainer* container, int32_t attempts);
    void CheckResponse(const uint8_t* reply, int32_t length);

    // The pause between tries.
    uint32_t RetryPauseMs = 500;

protected:
    // One exchange of the request in TxBuffer with its check, tried
    // `attempts` times with the pause and a cancel check between tries; the
    // reply length (0 .. replyCapacity). `check` may refuse a reply that
    // passed CheckResponse by raising the general error, which counts as a
    // failed try. The device model's own functions use it too.
    int32_t Transact(int32_t requestLength, int32_t replyCapacity, TInteractContainer* container,
                     int32_t attempts, const std::function<void(int32_t length)>& check = nullptr);
};

// Holds the data lock of a helper for its lifetime.
class TDeviceHelperLocker {
public:
    explicit TDeviceHelperLocker(TDeviceHelper& helper) : helper_(helper) { helper_.LockData(); }
    explicit TDeviceHelperLocker(TDeviceHelper* helper) : TDeviceHelperLocker(*helper) {}
    ~TDeviceHelperLocker() { helper_.UnlockData(); }
    TDeviceHelperLocker(const TDeviceHelperLocker&) = delete;
    TDeviceHelperLocker& operator=(const TDeviceHelperLocker&) = delete;

private:
    TDeviceHelper& helper_;
};
