#include "modbus/devicehelper.h"

#include "modbus/modbus.h"
#include "util/sysutil.h"

#include <algorithm>
#include <cstring>

int32_t TDeviceHelper::GetAddress()
{
    return Chanel ? Chanel->GetAddress() : 0;
}

void TDeviceModbusHelper::CheckResponse(const uint8_t* reply, int32_t length)
{
    ::CheckResponse(reply, length);
}

int32_t TDeviceModbusHelper::Transact(int32_t requestLength, int32_t replyCapacity,
                                      TInteractContainer* container, int32_t attempts,
                                      const std::function<void(int32_t length)>& check)
{
    if (!Chanel)
        throw Exception("Канал связи не выбран");
    replyCapacity = std::min<int32_t>(replyCapacity, sizeof RxBuffer);
    for (;;) {
        try {
            const int32_t received =
                Chanel->Exchange(TxBuffer, RxBuffer, requestLength, replyCapacity, container);
            const int32_t length = std::clamp(received, 0, replyCapacity);
            CheckResponse(RxBuffer, length);
            if (check)
                check(length);
            return length;
        } catch (const Exception& error) {
            // A cancelled wait is not a failed try.
            if (container)
                ::CheckCancel(container, kCancelText);
            if (--attempts <= 0)
                throw Exception(error.Message());
        }
        Sleep(RetryPauseMs);
        if (container)
            ::CheckCancel(container, "Выполнение процесса прервано");
    }
}

bool TDeviceModbusHelper::ReadRegisters(int32_t reg, int32_t count, TInteractContainer* container,
                                        int32_t attempts)
{
    bool result = false;
    try {
        TCriticalSectionEx::CAuto guard(Lock);
        const int32_t replyCapacity = 2 * count + 5;
        // A number at or below 30000 names no register block: nothing is sent.
        if (reg <= 30000 || reg > 0xFFFF || count <= 0 ||
            replyCapacity > static_cast<int32_t>(sizeof RxBuffer)) {
            result = false;
        } else {
            int32_t length = sizeof TxBuffer;
            if (BuildReadRegistersRequest(TxBuffer, length, static_cast<uint8_t>(GetAddress()),
                                          static_cast<uint16_t>(reg), static_cast<uint16_t>(count))) {
                if (Chanel)
                    Chanel->SetTimeouts(500, 100, container);
                // A reply that does not carry exactly the registers asked
                // for is a failed try: none of it reaches the images.
                const int32_t received = Transact(length, replyCapacity, container, attempts, [&](int32_t n) {
                    if (RxBuffer[2] != 2 * count || n != RxBuffer[2] + 5)
                        throw Exception(kBadReplyLengthText);
                });

                const bool holding = reg > 40000;
                const int32_t offset = holding ? reg - 40001 : reg - 30001;
                {
                    TDeviceHelperLocker locker(*this);
                    uint8_t* raw = reinterpret_cast<uint8_t*>(holding ? HoldingRaw() : InputRaw());
                    uint8_t* image = reinterpret_cast<uint8_t*>(holding ? HoldingImage() : InputImage());
                    const int32_t imageBytes = 2 * (holding ? HoldingCount() : InputCount());
                    // The data copied are bounded by the byte count, by the
                    // room left in the image and by what actually arrived.
                    int32_t n = RxBuffer[2];
                    n = std::min(n, imageBytes - 2 * offset);
                    n = std::min(n, received - 5);
                    if (raw && image && n > 0) {
                        std::memcpy(raw + 2 * offset, RxBuffer + 3, static_cast<size_t>(n));
                        if (holding)
                            ConvertHolding(reinterpret_cast<uint16_t*>(raw));
                        else
                            ConvertInput(reinterpret_cast<uint16_t*>(raw));
                        std::memcpy(image + 2 * offset, raw + 2 * offset, static_cast<size_t>(n));
                    }
                }
                Sleep(10);
                result = true;
            }
        }
    } catch (...) {
        Sleep(1);
        throw;
    }
    Sleep(1);
    return result;
}

bool TDeviceModbusHelper::WriteRegisters(int32_t reg, int32_t count, TInteractContainer* container,
                                         int32_t attempts)
{
    bool result = false;
    try {
        TCriticalSectionEx::CAuto guard(Lock);
        const int32_t offset = reg - 40001;
        int32_t length = sizeof TxBuffer;
        bool built = false;
        if (reg > 40000 && reg <= 0xFFFF && count > 0) {
            TDeviceHelperLocker locker(*this);
            uint16_t* raw = HoldingRaw();
            uint16_t* image = HoldingImage();
            // The range must lie inside the images it is taken from.
            if (raw && image && offset + count <= HoldingCount()) {
                // The whole image is converted, so that a 32-bit value the
                // range cuts in half is still converted from both its words
                // in the image, never with a stale word of the raw copy.
                std::memcpy(raw, image, 2 * static_cast<size_t>(HoldingCount()));
                ConvertHolding(raw);
                built = BuildWriteRegistersRequest(TxBuffer, length, static_cast<uint8_t>(GetAddress()),
                                                   reinterpret_cast<const uint8_t*>(raw + offset),
                                                   static_cast<uint16_t>(reg), static_cast<uint16_t>(count));
            }
        }
        if (built) {
            if (Chanel)
                Chanel->SetTimeouts(3000, 100, container);
            Transact(length, 8, container, attempts);
            result = RxBuffer[1] == kFnWriteMultiple;
        }
    } catch (...) {
        Sleep(1);
        throw;
    }
    Sleep(1);
    return result;
}
