// The device model's transactions of every function the system sends (3,
// 4, 16, 17, 65, 66, 69, 70) against a reply taken from the input, through
// the reply check and each function's own parsing. The first byte chooses
// the function and its request; the rest is the reply as received.

#include "channels/chanelhelper.h"
#include "device/zt_decode.h"
#include "device/zt_helper.h"
#include "modbus/modbus.h"
#include "util/sysutil.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// A line that answers every request with the same bytes.
class ReplyChanel : public TChanelHelperBase {
public:
    ReplyChanel(const uint8_t* data, size_t size) : data_(data), size_(size) { Address = 1; }
    bool IsOpen() override { return true; }
    int32_t Exchange(const uint8_t*, uint8_t* reply, int32_t, int32_t capacity, TInteractContainer*) override
    {
        const int32_t n = std::min<int32_t>(capacity, static_cast<int32_t>(size_));
        if (n > 0)
            std::memcpy(reply, data_, static_cast<size_t>(n));
        return size_ == 0 ? -1 : n;
    }

private:
    const uint8_t* data_;
    size_t size_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static ZT_Helper* device = [] {
        auto* helper = new ZT_Helper;
        helper->RetryPauseMs = 0;
        return helper;
    }();
    ReplyChanel chanel(data + 1, size - 1);
    device->SetChanel(&chanel);
    const uint8_t choice = data[0];
    const int32_t count = 1 + (choice >> 4) * 8; // 1 .. 121
    try {
        switch (choice & 0x0F) {
        case 0:
            device->ReadRegisters(40001, count, nullptr, 1);
            break;
        case 1:
            device->ReadRegisters(30001 + (choice >> 4), count, nullptr, 1);
            break;
        case 2:
            device->WriteRegisters(40001, std::min(count, 120), nullptr, 1);
            break;
        case 3:
            device->SetIdentified(false);
            device->IdentifyDevice(nullptr, 1);
            break;
        case 4:
        case 5: {
            uint16_t index = 0;
            int32_t records = count;
            const int32_t kind = (choice >> 4) % (ZT_namespace::kSystemArchive + 1);
            device->ReadArchive(kind, (choice & 1) != 0, index, records, nullptr, 1);
            device->PublishArchives(0x7F);
            break;
        }
        case 6: {
            uint16_t index = 0;
            device->SearchArchive((choice >> 4) % 7, 45000.0, nullptr, 1, index);
            break;
        }
        case 7: {
            device->ReadAdcSignal(choice >> 4, nullptr, 1);
            std::vector<double> a, b, c, d;
            device->TakeAdcSignal(a, b, c, d);
            break;
        }
        case 8: {
            device->ReadObservation(nullptr, 1);
            std::vector<ObservationStruct> records;
            device->TakeObservations(records);
            break;
        }
        default:
            CheckResponse(data + 1, static_cast<int32_t>(size - 1));
            break;
        }
    } catch (const Exception&) {
    }
    device->SetChanel(nullptr);
    return 0;
}
