// Starts another program (an installer, the firmware tool) as its own process that
// outlives this one.
//
// Error convention: returns the process id, or -1 with `error` set.
#pragma once

#include <string>

namespace KeyForge {

/// Starts the program at `path` with no arguments in `workingFolder` (empty: this
/// process's), in a new session and with default signal handling, so it keeps running
/// when KeyForge ends. It inherits standard input and output but no other descriptor.
/// The program file must be executable.
int StartDetachedProgram(const std::string& path, const std::string& workingFolder,
                         std::string* error = nullptr);

}  // namespace KeyForge
