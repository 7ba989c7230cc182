#pragma once
// Files the user keeps: read whole, and replaced atomically so that a failed
// save never destroys the previous file.

#include <string>

// The whole content of a file; raises EOSError naming the path.
std::string ReadWholeFile(const std::string& path);

// Replaces the file by `data` through a temporary file beside it, synced
// before it is renamed over the target; a symbolic link is followed, an
// existing file keeps its permissions. On failure the temporary file is
// removed, the previous file stays and EOSError naming the path is raised.
void WriteFileAtomically(const std::string& path, const std::string& data);
