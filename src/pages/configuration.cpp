#include "pages/configuration.h"

#include "util/fileutil.h"
#include "util/sysutil.h"

#include <pugixml.hpp>

#include <cerrno>
#include <charconv>
#include <climits>
#include <sstream>
#include <sys/stat.h>

using namespace ZT_namespace;

namespace ZT_Pages {

namespace {

pugi::xml_node NodeOf(pugi::xml_node_struct* node)
{
    return pugi::xml_node(node);
}

std::string Trimmed(const char* text)
{
    return Trim(text ? std::string(text) : std::string());
}

[[noreturn]] void RaiseBadValue(pugi::xml_node node, const std::string& name, const char* text)
{
    throw Exception(
        Format("Некорректное значение атрибута %s элемента %s: \"%s\"", name.c_str(), node.name(), text));
}

// A decimal integer of 32 bits; an unsigned one above INT32_MAX (a code
// boundary) keeps its bit pattern.
bool ParseInteger(const std::string& text, int32_t& value)
{
    int64_t v = 0;
    if (!TryStrToInt(text, v) || v < INT32_MIN || v > int64_t(UINT32_MAX))
        return false;
    value = static_cast<int32_t>(static_cast<uint32_t>(v));
    return true;
}

// The C locale's form, whatever the process's locale; a comma counts as
// the point, and the writer's forms of not-a-number and infinities read
// back as themselves.
bool ParseReal(std::string text, double& value)
{
    for (char& ch : text)
        if (ch == ',')
            ch = '.';
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+')
        ++first;
    if (first == last)
        return false;
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last;
}

pugi::xml_attribute Attribute(pugi::xml_node node, const std::string& name)
{
    pugi::xml_attribute a = node.attribute(name.c_str());
    return a ? a : node.append_attribute(name.c_str());
}

bool FileExists(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return true;
    if (errno == ENOENT)
        return false;
    // Anything else (no permission on the folder, a broken medium) is not
    // "missing": the file must not be created over it.
    throw EOSError(errno, "Не удалось открыть файл " + path);
}

// An empty file or the declaration alone (as a missing file is created):
// an empty configuration rather than a broken one. Any other text without
// an element is not a configuration and is left alone.
bool DeclarationOnly(const std::string& text)
{
    std::string rest = Trim(text);
    if (rest.rfind("\xEF\xBB\xBF", 0) == 0) // a byte order mark
        rest = Trim(rest.substr(3));
    if (rest.rfind("<?xml", 0) == 0) {
        const size_t end = rest.find("?>");
        if (end == std::string::npos)
            return false;
        rest = Trim(rest.substr(end + 2));
    }
    return rest.empty();
}

std::string DocumentText(const pugi::xml_document& doc)
{
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_indent, pugi::encoding_utf8);
    return out.str();
}

} // namespace

// TConfiguration

int32_t TConfiguration::ChildCount() const
{
    int32_t count = 0;
    for (pugi::xml_node child = NodeOf(Node).first_child(); child; child = child.next_sibling())
        ++count;
    return count;
}

std::string TConfiguration::NodeName() const
{
    return NodeOf(Node).name();
}

TConfiguration TConfiguration::ChildNodes(int32_t index) const
{
    if (index < 0)
        return {};
    pugi::xml_node child = NodeOf(Node).first_child();
    for (int32_t i = 0; child && i < index; ++i)
        child = child.next_sibling();
    return child ? TConfiguration(Doc, child.internal_object()) : TConfiguration();
}

TConfiguration TConfiguration::ChildNodeByName(const std::string& name) const
{
    if (!Node)
        return {};
    pugi::xml_node child = NodeOf(Node).child(name.c_str());
    return child ? TConfiguration(Doc, child.internal_object()) : AddChild(name);
}

TConfiguration TConfiguration::AddChild(const std::string& name) const
{
    if (!Node)
        return {};
    return TConfiguration(Doc, NodeOf(Node).append_child(name.c_str()).internal_object());
}

void TConfiguration::ClearChildren() const
{
    pugi::xml_node node = NodeOf(Node);
    while (pugi::xml_node child = node.first_child())
        node.remove_child(child);
}

int32_t TConfiguration::ReadInteger(const std::string& name, int32_t def, bool storeDefault) const
{
    const pugi::xml_attribute a = NodeOf(Node).attribute(name.c_str());
    if (!a) {
        if (storeDefault)
            WriteInteger(name, def);
        return def;
    }
    int32_t value = 0;
    if (!ParseInteger(Trimmed(a.value()), value))
        RaiseBadValue(NodeOf(Node), name, a.value());
    return value;
}

double TConfiguration::ReadFloat(const std::string& name, double def, bool storeDefault) const
{
    const pugi::xml_attribute a = NodeOf(Node).attribute(name.c_str());
    if (!a) {
        if (storeDefault)
            WriteFloat(name, def);
        return def;
    }
    double value = 0;
    if (!ParseReal(Trimmed(a.value()), value))
        RaiseBadValue(NodeOf(Node), name, a.value());
    return value;
}

std::string TConfiguration::ReadString(const std::string& name, const std::string& def,
                                       bool storeDefault) const
{
    const pugi::xml_attribute a = NodeOf(Node).attribute(name.c_str());
    if (!a) {
        if (storeDefault)
            WriteString(name, def);
        return def;
    }
    return a.value();
}

void TConfiguration::WriteInteger(const std::string& name, int32_t value) const
{
    WriteString(name, Format("%d", value));
}

void TConfiguration::WriteFloat(const std::string& name, double value) const
{
    // Seventeen significant digits give back the same double.
    WriteString(name, Format("%.17g", value));
}

void TConfiguration::WriteString(const std::string& name, const std::string& value) const
{
    if (Node)
        Attribute(NodeOf(Node), name).set_value(value.c_str());
}

// TRootConfiguration

TRootConfiguration::TRootConfiguration(const std::string& fileName, const std::string& rootName)
    : TConfiguration(std::make_shared<pugi::xml_document>(), nullptr), FileName_(fileName)
{
    if (FileExists(fileName)) {
        const std::string text = ReadWholeFile(fileName);
        const pugi::xml_parse_result result =
            Doc->load_buffer(text.data(), text.size(), pugi::parse_default | pugi::parse_declaration);
        if (!result && !(result.status == pugi::status_no_document_element && DeclarationOnly(text)))
            throw Exception(Format("Ошибка чтения XML файла %s: %s (позиция %lld)", fileName.c_str(),
                                   result.description(), static_cast<long long>(result.offset)));
    } else {
        pugi::xml_node decl = Doc->append_child(pugi::node_declaration);
        decl.append_attribute("version").set_value("1.0");
        decl.append_attribute("encoding").set_value("UTF-8");
        WriteFileAtomically(fileName, DocumentText(*Doc));
    }
    SetRoot(rootName);
}

TRootConfiguration::TRootConfiguration(const std::string& rootName)
    : TConfiguration(std::make_shared<pugi::xml_document>(), nullptr)
{
    pugi::xml_node decl = Doc->append_child(pugi::node_declaration);
    decl.append_attribute("version").set_value("1.0");
    decl.append_attribute("encoding").set_value("UTF-8");
    SetRoot(rootName);
}

void TRootConfiguration::SetRoot(const std::string& rootName)
{
    pugi::xml_node element = Doc->document_element();
    if (rootName.empty()) {
        Node = element.internal_object();
        return;
    }
    if (element && rootName != element.name())
        // A second root would make the file unreadable, and the file is
        // somebody else's anyway.
        throw Exception(Format("Файл %s не является файлом конфигурации: корневой элемент %s вместо %s",
                               FileName_.c_str(), element.name(), rootName.c_str()));
    if (!element)
        element = Doc->append_child(rootName.c_str());
    Node = element.internal_object();
}

std::string TRootConfiguration::Text() const
{
    // A file without its declaration gets one on the next save.
    if (Doc->first_child().type() != pugi::node_declaration) {
        pugi::xml_node decl = Doc->prepend_child(pugi::node_declaration);
        decl.append_attribute("version").set_value("1.0");
        decl.append_attribute("encoding").set_value("UTF-8");
    }
    return DocumentText(*Doc);
}

void TRootConfiguration::Save() const
{
    try {
        WriteFileAtomically(FileName_, Text());
    } catch (const std::exception&) {
        throw Exception("Ошибка сохранения XML файла: " + FileName_);
    }
}

// Sections

void WriteIdentificationSection(const TConfiguration& node, const TIdentificationSectionStruct& s)
{
    node.WriteString("SerialNumber", s.SerialNumber);
    node.WriteString("Du", s.Du);
    node.WriteInteger("Type", s.Type);
    node.WriteInteger(kClassAttribute, s.Class);
}

TIdentificationSectionStruct ReadIdentificationSection(const TConfiguration& node)
{
    TIdentificationSectionStruct s;
    s.SerialNumber = node.ReadString("SerialNumber", "");
    s.Du = node.ReadString("Du", "");
    s.Type = node.ReadInteger("Type", 0);
    s.Class = node.ReadInteger(kClassAttribute, 0);
    return s;
}

void WriteKoefTable(const TConfiguration& node, const TKoefSections& sections)
{
    node.WriteInteger("Type", 0);
    node.ClearChildren();
    const TConfiguration lines = node.AddChild("Lines");
    for (int n = 0; n < kKoefSections; ++n) {
        const TKoefSectionStruct& s = sections[size_t(n)];
        // A section of A = 0 and B = 0 ends the table.
        if (s.A == 0 && s.B == 0)
            break;
        const TConfiguration line = lines.AddChild("Line");
        line.WriteFloat("A", s.A);
        line.WriteFloat("B", s.B);
        if (n < kKoefSections - 1)
            line.WriteString("Stop", Format("%u", s.Stop));
    }
}

TKoefSections ReadKoefTable(const TConfiguration& node)
{
    TKoefSections sections{};
    const TConfiguration lines = node.ChildNodeByName("Lines");
    int n = 0;
    for (int32_t i = 0, count = lines.ChildCount(); i < count && n < kKoefSections; ++i) {
        const TConfiguration line = lines.ChildNodes(i);
        if (line.NodeName() != "Line")
            continue;
        TKoefSectionStruct& s = sections[size_t(n)];
        s.A = line.ReadFloat("A", 1.0);
        s.B = line.ReadFloat("B", 1.0);
        if (n < kKoefSections - 1)
            s.Stop = static_cast<uint32_t>(line.ReadInteger("Stop", 0));
        ++n;
    }
    return sections;
}

void WriteCalibrationSection(const TConfiguration& node, const TCalibrationSectionStruct& s)
{
    WriteKoefTable(node.ChildNodeByName("KoefDirect"), s.Direct);
    WriteKoefTable(node.ChildNodeByName("KoefReverse"), s.Reverse);
    node.WriteFloat("Qmin", s.Qmin);
    node.WriteFloat("Qmax", s.Qmax);
    node.WriteFloat("Zero", s.Zero);
    node.WriteInteger("Flags", s.Flags);
}

TCalibrationSectionStruct ReadCalibrationSection(const TConfiguration& node)
{
    TCalibrationSectionStruct s;
    s.Direct = ReadKoefTable(node.ChildNodeByName("KoefDirect"));
    s.Reverse = ReadKoefTable(node.ChildNodeByName("KoefReverse"));
    s.Qmin = node.ReadFloat("Qmin", 0);
    s.Qmax = node.ReadFloat("Qmax", 0);
    s.Zero = node.ReadFloat("Zero", 0);
    s.Flags = node.ReadInteger("Flags", 0);
    return s;
}

void WriteOutputSection(const TConfiguration& node, const TOutputSectionStruct& s)
{
    node.WriteInteger("OutputType", s.OutputType);
    node.WriteInteger("WorkMode", s.WorkMode);
    node.WriteFloat("Weight", s.Weight);
    node.WriteFloat("ImpulseLen", s.ImpulseLen);
    node.WriteInteger("Integrator", s.Integrator);
    node.WriteInteger("OutEvent", s.OutEvent);
    node.WriteInteger("OutFlags", s.OutFlags);
}

TOutputSectionStruct ReadOutputSection(const TConfiguration& node)
{
    TOutputSectionStruct s;
    s.OutputType = node.ReadInteger("OutputType", 0);
    s.WorkMode = node.ReadInteger("WorkMode", 0);
    s.Weight = node.ReadFloat("Weight", 0);
    s.ImpulseLen = node.ReadFloat("ImpulseLen", 0);
    s.Integrator = node.ReadInteger("Integrator", 0);
    s.OutEvent = node.ReadInteger("OutEvent", 0);
    s.OutFlags = node.ReadInteger("OutFlags", 0);
    return s;
}

void WriteWorkSetupSection(const TConfiguration& node, const TWorkSetupSectionStruct& s)
{
    node.WriteInteger("IntervalArchivePeriod", s.IntervalArchivePeriod);
    node.ChildNodeByName("Uart_0").WriteInteger("Speed", s.UartSpeed);
    const TConfiguration plugin1 = node.ChildNodeByName("Plugin_1");
    plugin1.WriteInteger("Speed", s.Plugin1Speed);
    plugin1.WriteInteger("NetAddress", s.Plugin1NetAddress);
    const TConfiguration plugin2 = node.ChildNodeByName("Plugin_2");
    plugin2.WriteInteger("Speed", s.Plugin2Speed);
    plugin2.WriteInteger("NetAddress", s.Plugin2NetAddress);
    const TConfiguration startStop = node.ChildNodeByName("StartStop");
    startStop.WriteInteger("Mode", s.StartStopMode);
    startStop.WriteInteger("NoiseCancel", s.NoiseCancel);
    const TConfiguration filter = node.ChildNodeByName("Filter");
    filter.WriteInteger(kCurentExpenseAttribute, s.CurentExpense);
    filter.WriteInteger("Threshold", s.ThresholdFilter);
    const TConfiguration pressure = node.ChildNodeByName("Pressure");
    pressure.WriteInteger("TypeSensor", s.TypeSensor);
    pressure.WriteInteger("SensorCurrent", s.SensorCurrent);
    const TConfiguration threshold = node.ChildNodeByName("Threshold");
    threshold.WriteFloat("Q_low", s.Q_low);
    threshold.WriteFloat("Q_hi", s.Q_hi);
    threshold.WriteInteger("P_low", s.P_low);
    threshold.WriteInteger("P_hi", s.P_hi);
    threshold.WriteInteger("NoiseRel", s.NoiseRel);
    threshold.WriteInteger("NoiseAbs", s.NoiseAbs);
    threshold.WriteInteger("WaterResistance", s.WaterResistance);
    threshold.WriteInteger("DropVoltage", s.DropVoltage);
}

TWorkSetupSectionStruct ReadWorkSetupSection(const TConfiguration& node)
{
    const TWorkSetupSectionStruct d; // the defaults
    TWorkSetupSectionStruct s;
    s.IntervalArchivePeriod = node.ReadInteger("IntervalArchivePeriod", d.IntervalArchivePeriod);
    s.UartSpeed = node.ChildNodeByName("Uart_0").ReadInteger("Speed", d.UartSpeed);
    const TConfiguration plugin1 = node.ChildNodeByName("Plugin_1");
    s.Plugin1Speed = plugin1.ReadInteger("Speed", d.Plugin1Speed);
    s.Plugin1NetAddress = plugin1.ReadInteger("NetAddress", d.Plugin1NetAddress);
    const TConfiguration plugin2 = node.ChildNodeByName("Plugin_2");
    s.Plugin2Speed = plugin2.ReadInteger("Speed", d.Plugin2Speed);
    s.Plugin2NetAddress = plugin2.ReadInteger("NetAddress", d.Plugin2NetAddress);
    const TConfiguration startStop = node.ChildNodeByName("StartStop");
    s.StartStopMode = startStop.ReadInteger("Mode", d.StartStopMode);
    s.NoiseCancel = startStop.ReadInteger("NoiseCancel", d.NoiseCancel);
    const TConfiguration filter = node.ChildNodeByName("Filter");
    s.CurentExpense = filter.ReadInteger(kCurentExpenseAttribute, d.CurentExpense);
    s.ThresholdFilter = filter.ReadInteger("Threshold", d.ThresholdFilter);
    const TConfiguration pressure = node.ChildNodeByName("Pressure");
    s.TypeSensor = pressure.ReadInteger("TypeSensor", d.TypeSensor);
    s.SensorCurrent = pressure.ReadInteger("SensorCurrent", d.SensorCurrent);
    const TConfiguration threshold = node.ChildNodeByName("Threshold");
    s.Q_low = threshold.ReadFloat("Q_low", d.Q_low);
    s.Q_hi = threshold.ReadFloat("Q_hi", d.Q_hi);
    s.P_low = threshold.ReadInteger("P_low", d.P_low);
    s.P_hi = threshold.ReadInteger("P_hi", d.P_hi);
    s.NoiseRel = threshold.ReadInteger("NoiseRel", d.NoiseRel);
    s.NoiseAbs = threshold.ReadInteger("NoiseAbs", d.NoiseAbs);
    s.WaterResistance = threshold.ReadInteger("WaterResistance", d.WaterResistance);
    s.DropVoltage = threshold.ReadInteger("DropVoltage", d.DropVoltage);
    return s;
}

TWorkSetupSectionStruct GetWorkSetupSection(const ZT_Helper& device)
{
    TWorkSetupSectionStruct s;
    s.IntervalArchivePeriod = device.Get(ZT_Fields::IntervalArchivePeriod);
    s.UartSpeed = device.Get(ZT_Fields::UartSpeed_0);
    s.Plugin1Speed = device.Get(ZT_Fields::Plugin_1.Speed);
    s.Plugin1NetAddress = device.Get(ZT_Fields::Plugin_1.NetAddress);
    s.Plugin2Speed = device.Get(ZT_Fields::Plugin_2.Speed);
    s.Plugin2NetAddress = device.Get(ZT_Fields::Plugin_2.NetAddress);
    s.StartStopMode = device.Get(ZT_Fields::StartStopMode);
    s.NoiseCancel = device.Get(ZT_Fields::NoiseChanelStSt);
    s.CurentExpense = device.Get(ZT_Fields::CurrentExpenseFilter);
    s.ThresholdFilter = device.Get(ZT_Fields::ThresholdFilter);
    s.TypeSensor = device.Get(ZT_Fields::TypePressureSensor);
    s.SensorCurrent = device.Get(ZT_Fields::CurrentPressureSensor);
    s.Q_low = device.Get(ZT_Fields::Q_low);
    s.Q_hi = device.Get(ZT_Fields::Q_hi);
    s.P_low = device.Get(ZT_Fields::P_low);
    s.P_hi = device.Get(ZT_Fields::P_hi);
    s.NoiseRel = device.Get(ZT_Fields::NoiseRelThreshold);
    s.NoiseAbs = device.Get(ZT_Fields::NoiseAbsThreshold);
    s.WaterResistance = device.Get(ZT_Fields::WaterResistanceThreshold);
    s.DropVoltage = device.Get(ZT_Fields::DropVoltageThreshold);
    return s;
}

void SetWorkSetupSection(ZT_Helper& device, const TWorkSetupSectionStruct& s)
{
    auto word = [](int32_t v) { return static_cast<uint16_t>(v); };
    device.Set(ZT_Fields::IntervalArchivePeriod, word(s.IntervalArchivePeriod));
    device.Set(ZT_Fields::UartSpeed_0, word(s.UartSpeed));
    device.Set(ZT_Fields::Plugin_1.Speed, word(s.Plugin1Speed));
    device.Set(ZT_Fields::Plugin_1.NetAddress, word(s.Plugin1NetAddress));
    device.Set(ZT_Fields::Plugin_2.Speed, word(s.Plugin2Speed));
    device.Set(ZT_Fields::Plugin_2.NetAddress, word(s.Plugin2NetAddress));
    device.Set(ZT_Fields::StartStopMode, word(s.StartStopMode));
    device.Set(ZT_Fields::NoiseChanelStSt, word(s.NoiseCancel));
    device.Set(ZT_Fields::CurrentExpenseFilter, word(s.CurentExpense));
    device.Set(ZT_Fields::ThresholdFilter, word(s.ThresholdFilter));
    device.Set(ZT_Fields::TypePressureSensor, word(s.TypeSensor));
    device.Set(ZT_Fields::CurrentPressureSensor, word(s.SensorCurrent));
    device.Set(ZT_Fields::Q_low, static_cast<float>(s.Q_low));
    device.Set(ZT_Fields::Q_hi, static_cast<float>(s.Q_hi));
    device.Set(ZT_Fields::P_low, word(s.P_low));
    device.Set(ZT_Fields::P_hi, word(s.P_hi));
    device.Set(ZT_Fields::NoiseRelThreshold, word(s.NoiseRel));
    device.Set(ZT_Fields::NoiseAbsThreshold, word(s.NoiseAbs));
    device.Set(ZT_Fields::WaterResistanceThreshold, word(s.WaterResistance));
    device.Set(ZT_Fields::DropVoltageThreshold, word(s.DropVoltage));
}

} // namespace ZT_Pages
