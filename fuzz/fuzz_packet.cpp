// Packet files (STRAIT and FlowPacketData) from the input: parsed, taken
// into a packet, sorted and distributed into sections, and written back.

#include "calibration/straitcore.h"
#include "calibration/straitfile.h"
#include "util/sysutil.h"

#include <string>

using namespace StraitNamespace;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        const PacketDocument document =
            ParsePacketDocument(std::string(reinterpret_cast<const char*>(data), size), "fuzz.xml");
        StraitPacket packet;
        WorkbenchSettings settings;
        LoadPacketFile(document, packet, false, settings);
        StraitPointList points = packet.GetPoints();
        SortByFlow(points);
        DistributeSections(points);
        packet.SetPoints(points);
        PacketFileText(packet, settings.Selectors);
    } catch (const Exception&) {
    }
    return 0;
}
