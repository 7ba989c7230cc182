#include "cli/clipacket.h"

#include "calibration/straitcommands.h"
#include "calibration/straitfile.h"
#include "util/sysutil.h"

using namespace StraitNamespace;

namespace zt_cli {

std::string RunPacket(const TPacketOptions& options)
{
    StraitPacket packet;
    WorkbenchSettings settings;
    bool linesLoaded = false;
    for (const std::string& path : options.Files) {
        PacketDocument document =
            options.Read ? ParsePacketDocument(options.Read(path), path) : ReadPacketDocument(path);
        if (document.Kind() == PacketFileKind::None)
            throw Exception("Файл " + path + " не является файлом пакета");
        if (LoadPacketFile(document, packet, linesLoaded, settings))
            linesLoaded = true;
    }

    StraitPointList points = packet.GetPoints();
    SortByFlow(points);
    DistributeSections(points);
    packet.SetPoints(points);

    if (options.Approximate) {
        std::string message;
        const bool built =
            ApproximationCommand(&packet, settings, [&](const std::string& text) { message = text; });
        if (!built)
            throw Exception(message.empty() ? "Аппроксимация не выполнена" : message);
    }

    std::string text = Format("Packet: %s, %zu points\n", packet.GetName().c_str(), packet.PointCount());
    const LineList lines = packet.GetLines();
    text += Format("Segments: %zu\n", lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        text += Format("  %zu  A=%.9g  B=%.9g  Stop=%.9g\n", i + 1, lines[i].A, lines[i].B, lines[i].Stop);
    text += "Points:\n  #  section  off  boundary  Get(m3/h)  E(code)  Gizm(m3/h)  dGizm(%)\n";
    for (size_t i = 0; i < packet.PointCount(); ++i) {
        const StraitPoint& p = packet.Point(i);
        text +=
            Format("  %zu  %u  %s  %s  %s  %s  %s  %s\n", i + 1, unsigned(p.numSection),
                   p.offPoint ? "x" : "-", p.fracturePoint ? "x" : "-", CellText(p, scGet).c_str(),
                   CellText(p, scEizm).c_str(), CellText(p, scGizm).c_str(), CellText(p, scDGizm).c_str());
    }
    if (!options.Out.empty() && options.Write)
        options.Write(options.Out, PacketFileText(packet, settings.Selectors));
    else if (!options.Out.empty())
        SavePacketFile(packet, settings.Selectors, options.Out);
    return text;
}

} // namespace zt_cli
