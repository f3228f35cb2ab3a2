// Whole-file reading and atomic whole-file writing.
#pragma once

#include <string>
#include <string_view>

namespace KeyForge {

/// Reads a whole regular file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes);

/// Replaces a file with the given bytes in one piece: written to a temporary file
/// beside it, flushed, then renamed over it, so a crash leaves the old or the new file.
bool WriteWholeFile(const std::string& path, std::string_view bytes);

}  // namespace KeyForge
