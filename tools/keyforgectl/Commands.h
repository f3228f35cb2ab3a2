// The keyforgectl command table: each command group lives in its own file and is
// listed once in kCommands (main.cpp).
#pragma once

#include <iosfwd>

#include "tools/keyforgectl/CommandLine.h"

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

// Program and firmware updates (CmdUpdate.cpp).
int RunUpdate(Args& args);

/// Prints the overview shown when keyforgectl runs without a command.
void PrintOverview(std::ostream& out);

}  // namespace KeyForge::Ctl
