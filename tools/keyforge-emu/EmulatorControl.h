// The client side of the emulator's control socket: finds running emulators and asks one
// for its log or state, or tells it to misbehave.
#pragma once

#include <string>
#include <vector>

namespace KeyForge::Emu {

/// A running emulator: its control socket and the keyboard it emulates.
struct RunningEmulator {
    std::string socketPath;
    std::string keyboard;
};

/// Every emulator that answers in the socket folder.
std::vector<RunningEmulator> FindEmulators();

/// Sends one request line; on "ok" returns true with the body in `answer`, otherwise
/// false with the message in `answer`.
bool AskEmulator(const std::string& socketPath, const std::string& request, std::string& answer);

}  // namespace KeyForge::Emu
