// keyforge-emu: emulates a keyboard of config.xml for KeyForge without hardware.
//   serve      plug an emulated keyboard in until SIGTERM or SIGINT unplugs it
//   log        the reports the emulated keyboard received
//   state      the emulated keyboard's state as JSON
//   misbehave  make its transfers fail in a chosen way
#include <signal.h>

#include <algorithm>
#include <iostream>
#include <span>
#include <string>
#include <vector>

#include "app/store/DeviceDescription.h"
#include "tools/keyforge-emu/EmulatedKeyboard.h"
#include "tools/keyforge-emu/EmulatorControl.h"
#include "tools/keyforge-emu/EmulatorServer.h"
#include "tools/keyforgectl/CommandLine.h"

namespace KeyForge::Emu {
namespace {

using Ctl::Args;
using Ctl::CtlError;

constexpr int kDefaultFirmware = 0x0100;
constexpr long kStandardOutputLength = 65;

const char kUsage[] =
    "Usage: keyforge-emu COMMAND ...\n"
    "  serve --keyboard NAME --mode M [--mode M ...] [--firmware 0xVVVV]\n"
    "        [--output-length N] [--misbehave KIND] [--gatt] [--config FILE]\n"
    "                     emulate that keyboard of config.xml in the given connection\n"
    "                     modes until SIGTERM or SIGINT unplugs it; --gatt adds a\n"
    "                     Bluetooth LE HID-over-GATT collection to each mode\n"
    "  log [--clear] [--keyboard NAME]\n"
    "                     every report received since start, oldest first:\n"
    "                     <mode> <out|set-feature|get-feature> <bytes>; --clear empties\n"
    "                     the log after printing it\n"
    "  state [--keyboard NAME]\n"
    "                     the emulated keyboard's state as JSON\n"
    "  misbehave KIND [--keyboard NAME]\n"
    "                     none, short-read, error, no-reply or late-reply\n"
    "With several emulators running, --keyboard chooses one.\n";

int Serve(Args& args) {
    const auto name = args.TakeOption("--keyboard");
    if (!name) throw CtlError("missing --keyboard NAME");
    std::vector<int> modes;
    while (const auto m = args.TakeOption("--mode")) {
        const int mode = static_cast<int>(Ctl::ParseNumberIn(*m, "mode", 0, 255));
        if (std::find(modes.begin(), modes.end(), mode) == modes.end()) modes.push_back(mode);
    }
    if (modes.empty()) throw CtlError("missing --mode M");
    int firmware = kDefaultFirmware;
    if (const auto f = args.TakeOption("--firmware"))
        firmware = static_cast<int>(Ctl::ParseNumberIn(*f, "firmware version", 0, 0xFFFF));
    long outputLength = kStandardOutputLength;
    if (const auto o = args.TakeOption("--output-length"))
        outputLength = Ctl::ParseNumberIn(*o, "output report length", 1, 1024);
    Misbehaviour misbehaviour = Misbehaviour::None;
    if (const auto m = args.TakeOption("--misbehave"); m && !ParseMisbehaviour(*m, misbehaviour))
        throw CtlError("unknown misbehaviour: " + *m);
    const bool gatt = args.TakeFlag("--gatt");
    const std::string config = args.TakeOption("--config").value_or(DeviceDescriptionPath());
    args.ExpectEnd();

    DeviceDescription description;
    if (!LoadDeviceDescription(config, description)) throw CtlError("cannot read " + config);
    const KeyboardEntry* keyboard = nullptr;
    for (const KeyboardEntry& k : description.keyboards)
        if (k.name == *name) keyboard = &k;
    if (!keyboard) {
        std::string known;
        for (const KeyboardEntry& k : description.keyboards) known += (known.empty() ? "" : ", ") + k.name;
        throw CtlError("no keyboard " + *name + " in " + config + " (it has: " + known + ")");
    }
    std::vector<ModeIdentity> identities;
    for (const int mode : modes) {
        const auto it = std::find_if(description.modes.begin(), description.modes.end(), [&](const KeyboardEntry& e) {
            return e.keyboardName == keyboard->name && e.mode == mode;
        });
        if (it == description.modes.end()) throw CtlError(keyboard->name + " has no mode " + std::to_string(mode));
        identities.push_back({mode, static_cast<std::uint16_t>(it->vendorId), static_cast<std::uint16_t>(it->productId),
                              it->interfacePattern});
    }

    // Signals are taken by sigwait below, in this thread only.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    EmulatedKeyboard emulated(keyboard->name, keyboard->deviceType, modes, firmware);
    emulated.SetMisbehaviour(misbehaviour);
    EmulatorServer server(emulated, PlanInterfaces(keyboard->deviceType, identities, firmware,
                                                   static_cast<int>(outputLength), gatt));
    std::string error;
    if (!server.Start(error)) throw CtlError(error);
    for (const std::string& path : server.Paths()) std::cout << "plugged in: " << path << "\n";
    std::cout.flush();
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.Stop();
    std::cout << "unplugged\n";
    return 0;
}

RunningEmulator ChooseEmulator(Args& args) {
    const auto name = args.TakeOption("--keyboard");
    std::vector<RunningEmulator> running = FindEmulators();
    if (name)
        std::erase_if(running, [&](const RunningEmulator& e) { return e.keyboard != *name; });
    if (running.empty())
        throw CtlError(name ? "no emulator of " + *name + " is running" : std::string("no emulator is running"));
    if (running.size() > 1) throw CtlError("several emulators are running; choose one with --keyboard NAME");
    return running.front();
}

int Ask(const RunningEmulator& emulator, const std::string& request) {
    std::string answer;
    if (!AskEmulator(emulator.socketPath, request, answer)) throw CtlError(answer);
    std::cout << answer;
    return 0;
}

int Log(Args& args) {
    const bool clear = args.TakeFlag("--clear");
    const RunningEmulator emulator = ChooseEmulator(args);
    args.ExpectEnd();
    return Ask(emulator, clear ? "log-clear" : "log");
}

int State(Args& args) {
    const RunningEmulator emulator = ChooseEmulator(args);
    args.ExpectEnd();
    return Ask(emulator, "state");
}

int Misbehave(Args& args) {
    const RunningEmulator emulator = ChooseEmulator(args);
    const std::string kind = args.Next("misbehaviour");
    args.ExpectEnd();
    Misbehaviour m;
    if (!ParseMisbehaviour(kind, m)) throw CtlError("unknown misbehaviour: " + kind);
    return Ask(emulator, "misbehave " + kind);
}

int Main(std::span<char*> argv) {
    std::vector<std::string> words(argv.begin() + 1, argv.end());
    if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        std::cout << kUsage;
        return words.empty() ? Ctl::kExitFailure : 0;
    }
    const std::string command = words.front();
    Args args(std::vector<std::string>(words.begin() + 1, words.end()));
    try {
        if (command == "serve") return Serve(args);
        if (command == "log") return Log(args);
        if (command == "state") return State(args);
        if (command == "misbehave") return Misbehave(args);
        throw CtlError("unknown command: " + command + " (see keyforge-emu --help)");
    } catch (const CtlError& e) {
        std::cerr << "keyforge-emu: " << e.what() << "\n";
        return e.exitCode;
    }
}

}  // namespace
}  // namespace KeyForge::Emu

int main(int argc, char** argv) {
    return KeyForge::Emu::Main(std::span<char*>(argv, static_cast<std::size_t>(argc)));
}
