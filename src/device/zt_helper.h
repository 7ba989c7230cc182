#pragma once
// ZT_Helper: the device model of one ZT meter. It keeps the register images
// with their layouts (ZT_RegisterImages), the identification of the meter,
// the observation records and ADC signal of the live views, and the
// archive and journal collections, and it runs the meter's own requests
// (identification, observation, ADC signal, archive search and read) over
// the device helper's channel.

#include "device/zt_decode.h"
#include "device/zt_registers.h"
#include "modbus/devicehelper.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// One observation record exactly as the meter sends it (little-endian).
struct ObservationStruct {
    uint32_t Stamp = 0;
    float Values[7] = {};
};
static_assert(sizeof(ObservationStruct) == 32);

// What identification found out about the meter.
struct ZT_IdentityStruct {
    uint8_t ModificationIndex = 255; // 0 "ZT-A", 2 "ZT-E", 255 unknown
    uint8_t IdentificationBytes[4] = {};
    std::string Version;      // "%u.%u" of bytes 6 and 7
    std::string Modification; // "%u.%u" of bytes 4 and 5
    std::string ModelName;    // "ZT-A" or "ZT-E"
};

class ZT_Helper : public TDeviceModbusHelper, public ZT_namespace::ZT_RegisterImages {
public:
    ZT_Helper();
    ~ZT_Helper() override;

    uint16_t* InputImage() override { return Input(); }
    uint16_t* HoldingImage() override { return Holding(); }
    uint16_t* InputRaw() override { return InputRawWords(); }
    uint16_t* HoldingRaw() override { return HoldingRawWords(); }
    int32_t InputCount() override { return ZT_namespace::kInputCount; }
    int32_t HoldingCount() override { return ZT_namespace::kHoldingCount; }
    void ConvertInput(uint16_t* image) override { ConvertInputWords(image); }
    void ConvertHolding(uint16_t* image) override { ConvertHoldingWords(image); }

    // Clears the identification, the images, the archive collections and
    // the observation state.
    void Reset();

    // Report slave ID. True when the meter is identified; false (after
    // reporting "Неизвестная версия прибора") for a software version of 2
    // or higher; raises "Неизвестная модификация прибора" for an unknown
    // model or malformed identification data, and the channel's errors.
    bool IdentifyDevice(TInteractContainer* container, int32_t attempts);

    bool IsIdentified() const { return identified_; }
    // The identification page clears it so that the next operation
    // identifies again.
    void SetIdentified(bool value) { identified_ = value; }
    bool IdentificationChanged() const { return identificationChanged_; }
    void SetIdentificationChanged(bool value) { identificationChanged_ = value; }
    ZT_IdentityStruct Identity();
    uint8_t ModificationIndex();

    // Observation (function 70). True when a reply was taken in.
    bool ReadObservation(TInteractContainer* container, int32_t attempts);
    // Moves the accepted records, oldest first, to the end of `records`.
    void TakeObservations(std::vector<ObservationStruct>& records);

    // ADC signal (function 69) of part 0, 1 or 2. True when the part was
    // replaced; raises "Неправильный ответ от прибора" when the sample count
    // and the reply's length disagree.
    bool ReadAdcSignal(int32_t part, TInteractContainer* container, int32_t attempts);
    void TakeAdcSignal(std::vector<double>& signalA, std::vector<double>& signalB, std::vector<double>& part1,
                       std::vector<double>& part2);

    // Archive collections (kinds 0..5), see zt_core.
    void ClearArchives(int32_t mask);
    void PublishArchives(int32_t mask);
    // Search by date (function 66): true and the index of the first record
    // of that date when found. A failed exchange is reported and reads as
    // not found; a cancel request is passed on.
    bool SearchArchive(int32_t kind, TDateTime date, TInteractContainer* container, int32_t attempts,
                       uint16_t& index);
    // Reads up to `count` records (function 65) from `index` into the
    // kind's list; on success `index` is the meter's next index and `count`
    // the number of records returned.
    bool ReadArchive(int32_t kind, bool prepend, uint16_t& index, int32_t& count,
                     TInteractContainer* container, int32_t attempts);

    // What the pages display, read under the data lock.
    const std::vector<ZT_namespace::ArchiveStruct>& ArchiveVector(int32_t kind) const;
    const std::vector<ZT_namespace::JournalStruct>& JournalVector(int32_t kind) const;
    // The records a reading has gathered so far (the reading's thread only).
    size_t ListSize(int32_t kind) const;

    // Records per request and the byte limit of a request for `count` records.
    static int32_t RecordSize(int32_t kind);
    static int32_t RecordsPerRequest(int32_t kind) { return 256 / RecordSize(kind); }
    static int32_t RequestBytes(int32_t kind, int32_t count);

    std::mutex ObservationLock;
    std::mutex AdcLock;

    // Reports a text through the channel's log (nothing without a channel).
    void Report(const std::string& text, TInteractContainer* container);

protected:
    // One exchange of a device-specific request already in TxBuffer, tried
    // `attempts` times with the pause and cancel check between tries;
    // `check` may raise on a reply the request cannot accept. Call with
    // `Lock` held. Returns the reply's length.
    int32_t RunExchange(int32_t requestLength, int32_t replyCapacity, int32_t totalMs, int32_t intervalMs,
                        TInteractContainer* container, int32_t attempts,
                        const std::function<void(int32_t length)>& check);

private:
    std::atomic<bool> identified_{false};
    std::atomic<bool> identificationChanged_{false};
    ZT_IdentityStruct identity_; // under the data lock

    bool firstPoll_ = true; // under ObservationLock
    uint32_t lastStamp_ = 0;
    std::deque<ObservationStruct> observations_;

    std::vector<int32_t> adcA_, adcB_; // under AdcLock
    std::vector<uint16_t> adc1_, adc2_;

    std::deque<ZT_namespace::ArchiveStruct> archiveLists_[6];
    std::deque<ZT_namespace::JournalStruct> journalLists_[6];
    std::vector<ZT_namespace::ArchiveStruct> archiveVectors_[6];
    std::vector<ZT_namespace::JournalStruct> journalVectors_[6];
};
