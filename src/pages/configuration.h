#pragma once
// The configuration file of a meter: an XML document whose root
// `ZT_Configuration` holds one element per parameter page (`Identification`,
// `Calibration`, `OutputSetup`, `WorkSetup`) with the values as attributes.
// TConfiguration and TRootConfiguration are the small wrappers the pages
// read and write through; the section records below are the values of each
// section as plain data, shared by the pages and the command line.

#include "device/zt_helper.h"
#include "pages/pagesections.h"

#include <cstdint>
#include <memory>
#include <string>

namespace pugi {
class xml_document;
struct xml_node_struct;
} // namespace pugi

namespace ZT_Pages {

inline constexpr const char* kConfigurationRoot = "ZT_Configuration";
inline constexpr const char* kIdentificationSection = "Identification";
inline constexpr const char* kCalibrationSection = "Calibration";
inline constexpr const char* kOutputSetupSection = "OutputSetup";
inline constexpr const char* kWorkSetupSection = "WorkSetup";
// Stored files spell both names with the Cyrillic capital Es (U+0421) as the
// first letter; a Latin C would name another attribute.
inline constexpr const char* kClassAttribute = "\xD0\xA1lass";
inline constexpr const char* kCurentExpenseAttribute = "\xD0\xA1urentExpense";

// One element of a configuration document. Copies share the element; the
// document lives while any of them does. An empty TConfiguration holds no
// element: its reads give the defaults and its writes do nothing.
class TConfiguration {
public:
    TConfiguration() = default;

    bool IsEmpty() const { return Node == nullptr; }
    int32_t ChildCount() const;
    std::string NodeName() const;
    // The child node at a 0-based index (empty when there is none).
    TConfiguration ChildNodes(int32_t index) const;
    // The first child element named `name`; appended when there is none.
    TConfiguration ChildNodeByName(const std::string& name) const;
    // Appends a new child element.
    TConfiguration AddChild(const std::string& name) const;
    void ClearChildren() const;

    // The attribute converted to the kind asked; `def` when it is missing,
    // and then also written when `storeDefault` is set. Text that is not a
    // number of the kind raises an Exception naming the attribute.
    int32_t ReadInteger(const std::string& name, int32_t def, bool storeDefault = false) const;
    double ReadFloat(const std::string& name, double def, bool storeDefault = false) const;
    std::string ReadString(const std::string& name, const std::string& def, bool storeDefault = false) const;
    // Sets the attribute, creating or replacing it. A real is written in a
    // form that reads back to the same double whatever the locale.
    void WriteInteger(const std::string& name, int32_t value) const;
    void WriteFloat(const std::string& name, double value) const;
    void WriteString(const std::string& name, const std::string& value) const;

protected:
    TConfiguration(std::shared_ptr<pugi::xml_document> doc, pugi::xml_node_struct* node)
        : Doc(std::move(doc)), Node(node)
    {
    }

    std::shared_ptr<pugi::xml_document> Doc;
    pugi::xml_node_struct* Node = nullptr;
};

// A configuration file: its document, loaded when the file exists, and its
// root element. A missing file is created holding the declaration only.
// A file that cannot be read or parsed, or whose root element has another
// name, raises an Exception and is left as it is. Nothing is written to the
// file except by Save.
class TRootConfiguration : public TConfiguration {
public:
    // Without a root name the root is the document element.
    TRootConfiguration(const std::string& fileName, const std::string& rootName);
    // An empty in-memory document with the root `rootName` and no file.
    explicit TRootConfiguration(const std::string& rootName);

    const std::string& FileName() const { return FileName_; }
    // The document as the file holds it (declaration, indented tree).
    std::string Text() const;
    // Replaces the file atomically: on any failure the previous file stays
    // whole and "Ошибка сохранения XML файла: " + the file name is raised.
    void Save() const;

private:
    void SetRoot(const std::string& rootName);

    std::string FileName_;
};

// The identification page's section: the serial number and Ду as shown,
// the body type and accuracy class as list indices.
struct TIdentificationSectionStruct {
    std::string SerialNumber;
    std::string Du;
    int32_t Type = 0;
    int32_t Class = 0;
    bool operator==(const TIdentificationSectionStruct&) const = default;
};
void WriteIdentificationSection(const TConfiguration& node, const TIdentificationSectionStruct& s);
TIdentificationSectionStruct ReadIdentificationSection(const TConfiguration& node);

// The calibration page's section: both correction tables, the flow range,
// the zero offset and the calibration flags.
struct TCalibrationSectionStruct {
    TKoefSections Direct{};
    TKoefSections Reverse{};
    double Qmin = 0;
    double Qmax = 0;
    double Zero = 0;
    int32_t Flags = 0;
    bool operator==(const TCalibrationSectionStruct&) const = default;
};
// A table element (`KoefDirect`, `KoefReverse`): `Type` 0 and its `Lines`,
// one `Line` per section up to the first whose A and B are both 0.
void WriteKoefTable(const TConfiguration& node, const TKoefSections& sections);
// Five zeroed sections filled by the first five `Line` elements of `Lines`
// (A and B 1 when missing, Stop 0); other children are skipped.
TKoefSections ReadKoefTable(const TConfiguration& node);
void WriteCalibrationSection(const TConfiguration& node, const TCalibrationSectionStruct& s);
TCalibrationSectionStruct ReadCalibrationSection(const TConfiguration& node);

// One output's element (`Out1`, `Out2`).
void WriteOutputSection(const TConfiguration& node, const TOutputSectionStruct& s);
TOutputSectionStruct ReadOutputSection(const TConfiguration& node);

// The work settings the file keeps, as the device model stores them
// (pressures in 0.0001 MPa); the defaults are those of a missing attribute.
struct TWorkSetupSectionStruct {
    int32_t IntervalArchivePeriod = 60;
    int32_t UartSpeed = 4;
    int32_t Plugin1Speed = 4;
    int32_t Plugin1NetAddress = 1;
    int32_t Plugin2Speed = 4;
    int32_t Plugin2NetAddress = 1;
    int32_t StartStopMode = 1;
    int32_t NoiseCancel = 0;
    int32_t CurentExpense = 0;
    int32_t ThresholdFilter = 2;
    int32_t TypeSensor = 7;
    int32_t SensorCurrent = 1;
    double Q_low = 0;
    double Q_hi = 0;
    int32_t P_low = 0;
    int32_t P_hi = 0;
    int32_t NoiseRel = 10;
    int32_t NoiseAbs = 10;
    int32_t WaterResistance = 1000;
    int32_t DropVoltage = 2000;
    bool operator==(const TWorkSetupSectionStruct&) const = default;
};
void WriteWorkSetupSection(const TConfiguration& node, const TWorkSetupSectionStruct& s);
TWorkSetupSectionStruct ReadWorkSetupSection(const TConfiguration& node);
// From and into the device model's work settings block; the caller holds
// the model's data lock.
TWorkSetupSectionStruct GetWorkSetupSection(const ZT_Helper& device);
void SetWorkSetupSection(ZT_Helper& device, const TWorkSetupSectionStruct& s);

} // namespace ZT_Pages
