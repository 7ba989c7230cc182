#pragma once
// TRawRegisterHelper: the device helper over the whole five-digit register
// range with plain 16-bit words, for raw transactions with any Modbus
// slave, not only a ZT meter.

#include "modbus/devicehelper.h"

#include <cstdint>
#include <vector>

class TRawRegisterHelper : public TDeviceModbusHelper {
public:
    // 30001..65535 and 40001..65535.
    static constexpr int32_t kInputWords = 65536 - 30001;
    static constexpr int32_t kHoldingWords = 65536 - 40001;

    TRawRegisterHelper();

    uint16_t* InputImage() override { return input_.data(); }
    uint16_t* HoldingImage() override { return holding_.data(); }
    uint16_t* InputRaw() override { return inputRaw_.data(); }
    uint16_t* HoldingRaw() override { return holdingRaw_.data(); }
    int32_t InputCount() override { return kInputWords; }
    int32_t HoldingCount() override { return kHoldingWords; }
    void ConvertInput(uint16_t* image) override { SwapAll(image, kInputWords); }
    void ConvertHolding(uint16_t* image) override { SwapAll(image, kHoldingWords); }

    // The host-order word of a register of either space.
    uint16_t Word(int32_t reg);

private:
    static void SwapAll(uint16_t* words, int32_t count);
    std::vector<uint16_t> input_, holding_, inputRaw_, holdingRaw_;
};
