#pragma once
// The packet command: calibration packet files read into one packet,
// sections distributed, optionally the approximation built, the segments
// and each point's error printed, optionally a STRAIT file saved.

#include <functional>
#include <string>
#include <vector>

namespace zt_cli {

struct TPacketOptions {
    std::vector<std::string> Files;
    bool Approximate = false;
    std::string Out;
    // How a file named on the line is read and how --out is written; the
    // shared file helpers when empty.
    std::function<std::string(const std::string& path)> Read;
    std::function<void(const std::string& path, const std::string& data)> Write;
};

// Returns the text to print; raises Exception when a file cannot be read
// or taken, or when the approximation cannot be built.
std::string RunPacket(const TPacketOptions& options);

} // namespace zt_cli
