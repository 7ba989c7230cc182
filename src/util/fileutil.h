#pragma once
// Files the user keeps: read whole, and replaced atomically so that a failed
// save never destroys the previous file.

#include <cstdint>
#include <string>

// The largest file ReadWholeFile takes unless told otherwise.
constexpr uint64_t kMaxInputFileBytes = 64ull * 1024 * 1024;

// The whole content of a regular file of at most `maxBytes`; raises
// EOSError naming the path when it cannot be read, and Exception when it is
// not a regular file (a directory, a device, a FIFO) or is larger.
std::string ReadWholeFile(const std::string& path, uint64_t maxBytes = kMaxInputFileBytes);

// Writes `data` to `path`. A regular file (or a new one) is replaced
// through a temporary file beside it, synced before it is renamed over the
// target; a symbolic link is followed, an existing file keeps its
// permissions. A FIFO or a character device (such as /dev/stdout) is
// written into directly. Anything else (a directory, a block device, a
// socket) is refused with Exception naming the path. On failure the
// temporary file is removed, the previous file stays and EOSError naming
// the path is raised; a write into a FIFO or device that a signal
// interrupts fails with EINTR.
void WriteFileAtomically(const std::string& path, const std::string& data);

// The kind of a file as a user names it: "папка", "устройство", ...
std::string FileKindText(unsigned mode);
