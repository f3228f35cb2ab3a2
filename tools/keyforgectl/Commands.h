// The keyforgectl command table: each command group lives in its own file and is
// listed once in kCommands (main.cpp).
#pragma once

#include <iosfwd>

#include "tools/keyforgectl/CommandLine.h"

namespace KeyForge {
class DataStore;
}

namespace KeyForge::Ctl {

/// One command group: its name, usage lines for --help, and its handler, which gets
/// the words after the name and returns the exit code (or throws CtlError).
struct Command {
    const char* name;
    const char* usage;
    int (*run)(Args& args);
};

// Settings and language texts (CmdSettings.cpp).
int RunSettings(Args& args);
int RunText(Args& args);
int RunLanguage(Args& args);
int RunAutostart(Args& args);

// Keyboards and their connection (CmdDevices.cpp).
int RunDevices(Args& args);
int RunFirmware(Args& args);
int RunWatch(Args& args);
// The current keyboard's store: profiles, key functions, macros, lighting records
// (CmdProfiles.cpp, CmdKeys.cpp, CmdMacros.cpp, CmdLights.cpp).
int RunProfiles(Args& args);
int RunProfile(Args& args);
int RunKeys(Args& args);
int RunKey(Args& args);
int RunMacros(Args& args);
int RunMacro(Args& args);
int RunLights(Args& args);
// The connected keyboard: key table, lighting, factory reset (CmdSync.cpp, CmdLights.cpp).
int RunSync(Args& args);
int RunLight(Args& args);
int RunReset(Args& args);
// Keyboard descriptions and layouts (CmdKeyboards.cpp).
int RunKeyboards(Args& args);
int RunLayout(Args& args);

// Exchange files, reached through "profile export|import" and "macro export|import"
// (CmdExchange.cpp); the store is that of the chosen keyboard.
int RunProfileExport(DataStore& store, Args& args);
int RunProfileImport(DataStore& store, Args& args);
int RunMacroExport(DataStore& store, Args& args);
int RunMacroImport(DataStore& store, Args& args);
// Program and firmware updates (CmdUpdate.cpp).
int RunUpdate(Args& args);

/// Prints the overview shown when keyforgectl runs without a command.
void PrintOverview(std::ostream& out);

}  // namespace KeyForge::Ctl
