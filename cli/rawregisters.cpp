#include "cli/rawregisters.h"

#include "modbus/modbus.h"

TRawRegisterHelper::TRawRegisterHelper()
    : input_(kInputWords), holding_(kHoldingWords), inputRaw_(kInputWords), holdingRaw_(kHoldingWords)
{
}

uint16_t TRawRegisterHelper::Word(int32_t reg)
{
    TDeviceHelperLocker locker(*this);
    if (reg > 40000 && reg - 40001 < kHoldingWords)
        return holding_[static_cast<size_t>(reg - 40001)];
    if (reg > 30000 && reg - 30001 < kInputWords)
        return input_[static_cast<size_t>(reg - 30001)];
    return 0;
}

void TRawRegisterHelper::SwapAll(uint16_t* words, int32_t count)
{
    for (int32_t i = 0; i < count; ++i)
        words[i] = Swap16(words[i]);
}
