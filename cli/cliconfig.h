#pragma once
// The configuration file on the command line: the meter's settings as the
// pages show them after a read (what the program would save), the
// comparison of a file with the meter, and the file's sections checked as
// the pages check them and stored into the device model for writing.

#include "device/zt_helper.h"
#include "pages/configuration.h"

#include <string>
#include <vector>

namespace zt_cli {

struct TConfigSections {
    ZT_Pages::TIdentificationSectionStruct Identification;
    ZT_Pages::TCalibrationSectionStruct Calibration;
    ZT_Pages::TOutputSectionStruct Out1;
    ZT_Pages::TOutputSectionStruct Out2;
    ZT_Pages::TWorkSetupSectionStruct WorkSetup;
};

// The device model as the four pages show it after a read, read back from
// the texts they show; the caller holds the model's data lock.
TConfigSections SectionsOfDevice(const ZT_Helper& device);
// The sections of a configuration document (the defaults where missing).
TConfigSections SectionsOfFile(const ZT_Pages::TConfiguration& root);
void WriteSections(const ZT_Pages::TConfiguration& root, const TConfigSections& sections);

// One field whose value differs: its name, the file's value, the meter's.
struct TDiffRow {
    std::string Field;
    std::string File;
    std::string Meter;
};
// A real is the same when it is the same as the meter keeps it (a float)
// or shows the same on the page; a correction table is compared as a save
// keeps it (up to its first row of A = 0 and B = 0).
std::vector<TDiffRow> DiffSections(const TConfigSections& file, const TConfigSections& meter);

// The pages' checks of the sections to be written: the refusal text, empty
// when the section may be written.
std::string CheckIdentification(const ZT_Pages::TIdentificationSectionStruct& s);
std::string CheckCalibration(const ZT_Pages::TCalibrationSectionStruct& s);
std::string CheckOutputs(const ZT_Pages::TOutputSectionStruct& out1,
                         const ZT_Pages::TOutputSectionStruct& out2);
std::string CheckWorkSetup(const ZT_Pages::TWorkSetupSectionStruct& s);

// Stores a checked section into the model as the page's collect does
// (registers the file does not hold stay as read); the caller holds the
// model's data lock.
void StoreIdentification(ZT_Helper& device, const ZT_Pages::TIdentificationSectionStruct& s);
void StoreCalibration(ZT_Helper& device, const ZT_Pages::TCalibrationSectionStruct& s);
void StoreOutputs(ZT_Helper& device, const ZT_Pages::TOutputSectionStruct& out1,
                  const ZT_Pages::TOutputSectionStruct& out2);
void StoreWorkSetup(ZT_Helper& device, const ZT_Pages::TWorkSetupSectionStruct& s);

} // namespace zt_cli
