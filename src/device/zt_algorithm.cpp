#include "device/zt_algorithm.h"

#include "util/sysutil.h"

#include <algorithm>

int32_t PollTicks(int32_t progress)
{
    return std::clamp(progress, 3, 200);
}

void IdentifyForRead(ZT_Helper* device, TInteractContainer* container)
{
    if (device->IsIdentified())
        return;
    device->IdentifyDevice(container, 1);
    device->ReadRegisters(ZT_namespace::ZT_Fields::SerialNumber.Register, 2, container, 2);
    device->SetIdentificationChanged(true);
}

namespace {

// Marks new data for the window and takes the poll interval it left.
int32_t SignalData(TInteractContainer* container, int32_t previous)
{
    if (!container)
        return previous;
    int32_t interval = previous;
    if (TInteract* record = container->Acquire()) {
        record->SetDataReady(true);
        interval = record->Progress;
    }
    container->Release(true);
    return interval;
}

void WaitTicks(TInteractContainer* container, int32_t ticks)
{
    for (int32_t i = 0; i < ticks; ++i) {
        Sleep(10);
        CheckCancel(container, "");
    }
}

} // namespace

ZT_ReadModbusRegAlgorithm::ZT_ReadModbusRegAlgorithm(int32_t first, int32_t count, ZT_Helper* device,
                                                     TInteractContainer* container, bool quiet)
    : ProcessAlgorithm(container), First(first), Count(count), Device(device)
{
    Quiet = quiet;
}

void ZT_ReadModbusRegAlgorithm::Execute()
{
    IdentifyForRead(Device, Container);
    Device->ReadRegisters(First, Count, Container, 2);
}

ZT_WriteModbusRegAlgorithm::ZT_WriteModbusRegAlgorithm(int32_t first, int32_t count, ZT_Helper* device,
                                                       TInteractContainer* container)
    : ProcessAlgorithm(container), First(first), Count(count), Device(device)
{
}

void ZT_WriteModbusRegAlgorithm::Execute()
{
    // A meter of an unknown version is never written to.
    if (!Device->IsIdentified() && !Device->IdentifyDevice(Container, 1))
        return;
    Device->WriteRegisters(First, Count, Container, 1);
}

ZT_MultiReadWriteAlgorithm::ZT_MultiReadWriteAlgorithm(int32_t operation, ZT_Helper* device,
                                                       TInteractContainer* container, bool quiet)
    : ProcessAlgorithm(container), Operation(operation), Device(device)
{
    Quiet = quiet;
}

void ZT_MultiReadWriteAlgorithm::ReadInPieces(int32_t first, int32_t count)
{
    while (count > 0) {
        int32_t piece = std::min(count, kReadPiece);
        Device->ReadRegisters(first, piece, Container, 2);
        first += piece;
        count -= piece;
    }
}

void ZT_MultiReadWriteAlgorithm::Execute()
{
    IdentifyForRead(Device, Container);
    switch (Operation) {
    case kReadServiceOperation:
        Device->ReadRegisters(30133, 64, Container, 2);
        Device->ReadRegisters(40401, 16, Container, 2);
        break;
    case kReadIdentificationOperation:
        Device->ReadRegisters(30001, 20, Container, 2);
        Device->ReadRegisters(40001, 41, Container, 2);
        break;
    case kReadAllOperation:
        ReadInPieces(ZT_namespace::kInputBase, ZT_namespace::kInputCount);
        ReadInPieces(ZT_namespace::kHoldingBase, ZT_namespace::kHoldingReadAllCount);
        break;
    case kWriteAllOperation:
        for (const ZT_WriteStepStruct& step : WriteAllSteps) {
            // A reply echoing another function confirms nothing: no message then.
            if (Device->WriteRegisters(step.First, step.Count, Container, 2))
                Device->Report(step.Message, Container);
        }
        break;
    default:
        break;
    }
}

ZT_ObservationAlgorithm::ZT_ObservationAlgorithm(ZT_Helper* device, TInteractContainer* container)
    : ProcessAlgorithm(container), Device(device)
{
}

void ZT_ObservationAlgorithm::Execute()
{
    int32_t interval = 0;
    for (;;) {
        bool read = false;
        try {
            read = Device->ReadObservation(Container, 1);
        } catch (const Exception&) {
            // The live view keeps polling through a bad line.
        }
        if (read)
            interval = SignalData(Container, interval);
        WaitTicks(Container, PollTicks(interval));
    }
}

ZT_AdcSignalAlgorithm::ZT_AdcSignalAlgorithm(ZT_Helper* device, TInteractContainer* container)
    : ProcessAlgorithm(container), Device(device)
{
}

void ZT_AdcSignalAlgorithm::Execute()
{
    int32_t interval = 0;
    for (;;) {
        bool any = false;
        bool failed = false;
        try {
            for (int32_t part = 0; part < 3; ++part) {
                if (part > 0)
                    Sleep(10);
                any = Device->ReadAdcSignal(part, Container, 1) || any;
            }
        } catch (const Exception&) {
            failed = true;
        }
        if (!failed && any)
            interval = SignalData(Container, interval);
        WaitTicks(Container, PollTicks(interval));
    }
}
