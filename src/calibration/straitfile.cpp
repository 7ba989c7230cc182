#include "calibration/straitfile.h"

#include "util/fileutil.h"
#include "util/sysutil.h"

#include <pugixml.hpp>

#include <cmath>
#include <sstream>
#include <variant>

namespace StraitNamespace {

namespace {

double ReadDouble(const pugi::xml_node& node, const char* name)
{
    const pugi::xml_attribute a = node.attribute(name);
    if (!a)
        return 0.0;
    double v = 0;
    if (TryStrToReal(a.value(), v))
        return v;
    // The writer's forms of a value that overflowed read back as written.
    const std::string text = Trim(a.value());
    if (text == "inf" || text == "-inf")
        return text[0] == '-' ? -HUGE_VAL : HUGE_VAL;
    return 0.0;
}

int32_t ReadInt(const pugi::xml_node& node, const char* name)
{
    const pugi::xml_attribute a = node.attribute(name);
    return a ? StrToInt(a.value()) : 0;
}

uint8_t ReadByte(const pugi::xml_node& node, const char* name)
{
    const uint32_t v = StrToUInt(node.attribute(name).value());
    return v > 255 ? 0 : static_cast<uint8_t>(v);
}

bool ReadBool(const pugi::xml_node& node, const char* name)
{
    return node.attribute(name).as_bool(false);
}

// A selector index from the file; an index the selector does not offer
// leaves it without a selection.
int ReadSelector(const pugi::xml_node& node, const char* name, size_t itemCount)
{
    const pugi::xml_attribute a = node.attribute(name);
    if (!a)
        return -1;
    int64_t v = -1;
    if (!TryStrToInt(a.value(), v) || v < 0 || v >= static_cast<int64_t>(itemCount))
        return -1;
    return static_cast<int>(v);
}

void SetText(pugi::xml_node& node, const char* name, const std::string& text)
{
    node.append_attribute(name).set_value(text.c_str());
}

void SetDouble(pugi::xml_node& node, const char* name, double v)
{
    SetText(node, name, Format("%.17g", v));
}
void SetInt(pugi::xml_node& node, const char* name, long long v)
{
    SetText(node, name, Format("%lld", v));
}
void SetBool(pugi::xml_node& node, const char* name, bool v)
{
    SetText(node, name, v ? "true" : "false");
}

LineApproximation ReadLine(const pugi::xml_node& node)
{
    return LineApproximation{ReadDouble(node, "A"), ReadDouble(node, "B"), ReadDouble(node, "Stop")};
}

LineList ReadLines(const pugi::xml_node& parent)
{
    LineList lines;
    for (const pugi::xml_node& child : parent.children())
        if (child.type() == pugi::node_element)
            lines.push_back(ReadLine(child));
    return lines;
}

using P = StraitPoint;

struct PointAttribute {
    const char* Name;
    PointField Field;
};

// The attributes of `Point` in written order, each named after its field;
// `Eaprox` is derived and never stored.
// clang-format off
const PointAttribute PointAttributes[] = {
    {"offPoint", &P::offPoint},   {"fracturePoint", &P::fracturePoint}, {"numSection", &P::numSection},
    {"tet", &P::tet},             {"Met", &P::Met},                     {"Vet", &P::Vet},
    {"Tet", &P::Tet},             {"Get", &P::Get},                     {"Nizm", &P::Nizm},
    {"Tizm", &P::Tizm},           {"Fizm", &P::Fizm},                   {"Eizm", &P::Eizm},
    {"N1out", &P::N1out},         {"T1out", &P::T1out},                 {"F1out", &P::F1out},
    {"N2out", &P::N2out},         {"T2out", &P::T2out},                 {"F2out", &P::F2out},
    {"Gizm", &P::Gizm},           {"dGizm", &P::dGizm},                 {"Vout1", &P::Vout1},
    {"dVout1", &P::dVout1},       {"Gout1", &P::Gout1},                 {"dGout1", &P::dGout1},
    {"Vout2", &P::Vout2},         {"dVout2", &P::dVout2},               {"Gout2", &P::Gout2},
    {"dGout2", &P::dGout2},       {"GradSigRaito", &P::GradSigRaito},
};
// clang-format on

StraitPoint ReadStraitPoint(const pugi::xml_node& n)
{
    StraitPoint p;
    for (const PointAttribute& a : PointAttributes)
        std::visit(Overloaded{[](std::monostate) {}, [&](bool P::*f) { p.*f = ReadBool(n, a.Name); },
                              [&](uint8_t P::*f) { p.*f = ReadByte(n, a.Name); },
                              [&](int32_t P::*f) { p.*f = ReadInt(n, a.Name); },
                              [&](double P::*f) { p.*f = ReadDouble(n, a.Name); }},
                   a.Field);
    return p;
}

void WriteStraitPoint(pugi::xml_node& n, const StraitPoint& p)
{
    for (const PointAttribute& a : PointAttributes)
        std::visit(Overloaded{[](std::monostate) {}, [&](bool P::*f) { SetBool(n, a.Name, p.*f); },
                              [&](uint8_t P::*f) { SetInt(n, a.Name, p.*f); },
                              [&](int32_t P::*f) { SetInt(n, a.Name, p.*f); },
                              [&](double P::*f) { SetDouble(n, a.Name, p.*f); }},
                   a.Field);
}

bool LoadStrait(const pugi::xml_node& root, const std::string& fileName, StraitPacket& packet,
                bool linesAlreadyLoaded, WorkbenchSettings& settings)
{
    const std::string name = root.attribute("Name").value();
    packet.SetName(name.empty() ? fileName : name);

    settings.Selectors.PacketType = ReadSelector(root, "PacketType", PacketTypeTexts.size());
    settings.Selectors.PacketMethod = ReadSelector(root, "PacketMethod", PacketMethodTexts.size());
    settings.Selectors.OutputCheck1 = ReadSelector(root, "OutputCheck1", OutputCheckTexts.size());
    settings.Selectors.OutputCheck2 = ReadSelector(root, "OutputCheck2", OutputCheckTexts.size());
    packet.SetMode(settings.Selectors.ToMode());

    // The weights pass through their fields' text, so the packet holds them
    // as the workbench shows them.
    settings.ImpulseWeight1 = WeightText(ReadDouble(root, "ImpulseWeight1"));
    settings.ImpulseWeight2 = WeightText(ReadDouble(root, "ImpulseWeight2"));
    packet.SetImpulseWeight1(ParseWeightText(settings.ImpulseWeight1));
    packet.SetImpulseWeight2(ParseWeightText(settings.ImpulseWeight2));

    bool linesTaken = false;
    const pugi::xml_node lines = root.child("LineApproximation");
    if (!linesAlreadyLoaded && lines) {
        packet.SetLines(ReadLines(lines));
        linesTaken = true;
    }

    if (const pugi::xml_node array = root.child("PointArray")) {
        StraitPointList points = packet.GetPoints();
        for (const pugi::xml_node& child : array.children())
            if (child.type() == pugi::node_element)
                points.push_back(ReadStraitPoint(child));
        packet.SetPoints(points);
    }
    return linesTaken;
}

void LoadFlowPacketData(const pugi::xml_document& doc, const std::string& fileName, StraitPacket& packet)
{
    pugi::xml_node measure;
    pugi::xml_node device;
    if (const pugi::xml_node wrapper = doc.child("FlowPacketData")) {
        measure = wrapper.child("FlowMeasurePacket");
        device = wrapper.child("FlowDevice");
    } else {
        measure = doc.child("FlowMeasurePacket");
    }
    if (measure) {
        StraitPointList points = packet.GetPoints();
        for (const pugi::xml_node& run : measure.children("FlowMeasure")) {
            StraitPoint p;
            if (const pugi::xml_node ref = run.child("ref")) {
                p.tet = ReadDouble(ref, "t");
                p.Met = ReadDouble(ref, "M");
                p.Vet = ReadDouble(ref, "V");
                p.Tet = ReadDouble(ref, "T");
                p.Get = ReadDouble(ref, "Gv");
            }
            if (const pugi::xml_node prim = run.child("prim"))
                p.Eizm = ReadDouble(prim, "EF");
            points.push_back(p);
        }
        packet.SetPoints(points);
        packet.SetName(fileName);
    }
    if (device)
        if (const pugi::xml_node lines = device.child("KoefDirect").child("Lines"))
            packet.SetLines(ReadLines(lines));
}

} // namespace

PacketDocument::PacketDocument() : Doc(std::make_unique<pugi::xml_document>()) {}
PacketDocument::~PacketDocument() = default;
PacketDocument::PacketDocument(PacketDocument&&) noexcept = default;
PacketDocument& PacketDocument::operator=(PacketDocument&&) noexcept = default;

PacketFileKind PacketDocument::Kind() const
{
    if (Doc->child("STRAIT"))
        return PacketFileKind::Strait;
    if (Doc->child("FlowPacketData") || Doc->child("FlowMeasurePacket"))
        return PacketFileKind::FlowPacketData;
    return PacketFileKind::None;
}

PacketDocument ReadPacketDocument(const std::string& path)
{
    return ParsePacketDocument(ReadWholeFile(path), path);
}

PacketDocument ParsePacketDocument(const std::string& text, const std::string& path)
{
    PacketDocument document;
    const pugi::xml_parse_result result = document.Document().load_buffer(text.data(), text.size());
    if (!result)
        throw Exception(Format("Файл %s не является документом XML: %s (позиция %lld)", path.c_str(),
                               result.description(), static_cast<long long>(result.offset)));
    document.Path = path;
    document.FileName = FileNameOf(path);
    return document;
}

bool LoadPacketFile(const PacketDocument& document, StraitPacket& packet, bool linesAlreadyLoaded,
                    WorkbenchSettings& settings)
{
    const pugi::xml_document& doc = document.Document();
    switch (document.Kind()) {
    case PacketFileKind::Strait:
        return LoadStrait(doc.child("STRAIT"), document.FileName, packet, linesAlreadyLoaded, settings);
    case PacketFileKind::FlowPacketData:
        LoadFlowPacketData(doc, document.FileName, packet);
        return false;
    case PacketFileKind::None:
        break;
    }
    return false;
}

bool LoadPacketFile(const std::string& path, StraitPacket& packet, bool linesAlreadyLoaded,
                    WorkbenchSettings& settings)
{
    return LoadPacketFile(ReadPacketDocument(path), packet, linesAlreadyLoaded, settings);
}

std::string PacketFileText(const StraitPacket& packet, const PacketSelectors& selectors)
{
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version").set_value("1.0");
    decl.append_attribute("encoding").set_value("UTF-8");

    pugi::xml_node root = doc.append_child("STRAIT");
    SetText(root, "Name", packet.GetName());
    if (selectors.PacketType >= 0)
        SetInt(root, "PacketType", selectors.PacketType);
    if (selectors.PacketMethod >= 0)
        SetInt(root, "PacketMethod", selectors.PacketMethod);
    if (selectors.OutputCheck1 >= 0)
        SetInt(root, "OutputCheck1", selectors.OutputCheck1);
    SetDouble(root, "ImpulseWeight1", packet.GetImpulseWeight1());
    if (selectors.OutputCheck2 >= 0)
        SetInt(root, "OutputCheck2", selectors.OutputCheck2);
    SetDouble(root, "ImpulseWeight2", packet.GetImpulseWeight2());

    const LineList lines = packet.GetLines();
    if (!lines.empty()) {
        pugi::xml_node list = root.append_child("LineApproximation");
        for (const LineApproximation& l : lines) {
            pugi::xml_node line = list.append_child("Line");
            SetDouble(line, "A", l.A);
            SetDouble(line, "B", l.B);
            SetDouble(line, "Stop", l.Stop);
        }
    }
    if (packet.PointCount() > 0) {
        pugi::xml_node array = root.append_child("PointArray");
        for (size_t i = 0; i < packet.PointCount(); ++i) {
            pugi::xml_node point = array.append_child("Point");
            WriteStraitPoint(point, packet.Point(i));
        }
    }
    std::ostringstream out;
    doc.save(out, "    ", pugi::format_indent, pugi::encoding_utf8);
    return out.str();
}

void SavePacketFile(StraitPacket& packet, const PacketSelectors& selectors, const std::string& path)
{
    WriteFileAtomically(path, PacketFileText(packet, selectors));
    packet.SetModified(false);
}

std::string FileNameOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace StraitNamespace
