// The archive and journal record decoders over records taken from the
// input: the first byte chooses the kind, the rest is cut into records.

#include "device/zt_decode.h"

#include <cstring>
#include <vector>

using namespace ZT_namespace;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int kind = data[0] % 7;
    ++data;
    --size;
    if (kind == kAlarmJournal || kind == kOperatorJournal) {
        std::vector<JournalStruct> records(size / kJournalRecordSize);
        for (size_t i = 0; i < records.size(); ++i)
            std::memcpy(records[i].Bytes.data(), data + i * kJournalRecordSize, kJournalRecordSize);
        bool valid = false;
        if (kind == kOperatorJournal) {
            for (const JournalStruct& record : records)
                DecodeOperatorRecord(record, valid);
        } else {
            for (const NotStaffPreDecodedStruct& event : ExpandAlarmJournal(records))
                DecodeAlarmEvent(event, valid);
        }
        return 0;
    }
    for (size_t at = 0; at + kArchiveRecordSize <= size; at += kArchiveRecordSize) {
        ArchiveStruct record;
        std::memcpy(record.Bytes.data(), data + at, kArchiveRecordSize);
        bool valid = false;
        DecodeArchiveRecord(record, kind, valid);
        DecodeArchiveFlags(record, kind, valid);
    }
    return 0;
}
