#pragma once
// Packet files: the workbench's own STRAIT XML file (written and read) and
// the rig's FlowPacketData XML file (read only).
//
// Typed attribute values are written and read in the C locale's form
// whatever the user's locale: booleans "true"/"false", integers in
// decimal, doubles with "%.17g" so that every value but NaN reads back
// bit for bit (an infinity as "inf" or "-inf"). A file is parsed completely before anything is taken from it,
// so an unreadable or malformed file raises an Exception and changes
// nothing. A packet is saved to a temporary file beside the target that is
// renamed over it only once completely written: a failed save keeps the
// previous file.

#include "calibration/straitpacket.h"

#include <memory>
#include <string>

namespace pugi {
class xml_document;
}

namespace StraitNamespace {

enum class PacketFileKind { None, Strait, FlowPacketData };

// A parsed packet file, kept between parsing and taking its contents so
// that the workbench can ask what to do with the packet's points in
// between.
class PacketDocument {
public:
    PacketDocument();
    ~PacketDocument();
    PacketDocument(PacketDocument&&) noexcept;
    PacketDocument& operator=(PacketDocument&&) noexcept;

    // The path it was read from and its file name with extension.
    std::string Path;
    std::string FileName;
    PacketFileKind Kind() const;

    pugi::xml_document& Document() const { return *Doc; }

private:
    std::unique_ptr<pugi::xml_document> Doc;
};

// Reads and parses a file; raises Exception when it cannot be read or is
// not well-formed XML.
PacketDocument ReadPacketDocument(const std::string& path);
// Parses text read elsewhere; `path` names it in messages and the document.
PacketDocument ParsePacketDocument(const std::string& text, const std::string& path);

// Takes a parsed file into the packet. A STRAIT file also sets `settings`
// (the selectors from its attributes, -1 for a missing or out-of-range
// one, and the weight texts as "%g"; missing weights are 0) and applies
// them to the packet; its segments are taken only when
// `linesAlreadyLoaded` is false. A FlowPacketData file never touches
// `settings` and always takes its direct coefficients when it has them.
// Returns true when a STRAIT file supplied the segments, which is when the
// caller's lines-already-loaded flag becomes true.
bool LoadPacketFile(const PacketDocument& document, StraitPacket& packet, bool linesAlreadyLoaded,
                    WorkbenchSettings& settings);
bool LoadPacketFile(const std::string& path, StraitPacket& packet, bool linesAlreadyLoaded,
                    WorkbenchSettings& settings);

// The STRAIT document of a packet, selector attributes omitted for a
// selector without a selection.
std::string PacketFileText(const StraitPacket& packet, const PacketSelectors& selectors);
// Writes the STRAIT file and clears the packet's modified flag; raises
// EOSError when the file cannot be written, leaving any previous file.
void SavePacketFile(StraitPacket& packet, const PacketSelectors& selectors, const std::string& path);

// The last component of a path.
std::string FileNameOf(const std::string& path);

} // namespace StraitNamespace
