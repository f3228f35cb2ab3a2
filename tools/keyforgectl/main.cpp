// keyforgectl: the command-line face of KeyForge. It runs the same start-up steps
// and uses the same folders, settings and store as the program.
#include <iostream>
#include <span>
#include <string>
#include <vector>

#include "app/store/AppStartup.h"
#include "tools/keyforgectl/Commands.h"

namespace KeyForge::Ctl {
namespace {

constexpr Command kCommands[] = {
    {"settings", "settings get NAME          print a stored setting (LCID, exit_mode)\n"
                 "settings set NAME VALUE    store a setting",
     RunSettings},
    {"text", "text N                     language text N of the current language", RunText},
    {"language", "language [ID]              print the interface language, or set it", RunLanguage},
    {"autostart", "autostart [on|off]         print or change start with the system", RunAutostart},
    {"update", "update check               installed and published program and firmware versions\n"
               "update install program|firmware  download, check, unpack and start the installer",
     RunUpdate},
};

void PrintHelp(std::ostream& out) {
    out << "Usage: keyforgectl [COMMAND ...]\n"
           "Without a command, prints an overview.\n\n"
           "Commands:\n";
    for (const Command& c : kCommands) {
        std::string usage = c.usage;
        std::size_t pos = 0;
        while (pos < usage.size()) {
            std::size_t end = usage.find('\n', pos);
            if (end == std::string::npos) end = usage.size();
            out << "  " << usage.substr(pos, end - pos) << "\n";
            pos = end + 1;
        }
    }
    out << "\nNumbers may be written in decimal or as 0x-hex.\n"
           "Exit codes: 0 done, 1 bad arguments or failure, 2 no keyboard connected.\n";
}

int Main(std::span<char*> argv) {
    std::vector<std::string> words(argv.begin() + 1, argv.end());
    if (!words.empty() && (words[0] == "--help" || words[0] == "-h" || words[0] == "help")) {
        PrintHelp(std::cout);
        return 0;
    }
    RunStartupSteps();
    if (words.empty()) {
        PrintOverview(std::cout);
        std::cout << "\nRun keyforgectl --help for the commands.\n";
        return 0;
    }
    const std::string name = words.front();
    for (const Command& c : kCommands) {
        if (name != c.name) continue;
        Args args(std::vector<std::string>(words.begin() + 1, words.end()));
        try {
            return c.run(args);
        } catch (const CtlError& e) {
            std::cerr << "keyforgectl: " << e.what() << "\n";
            return e.exitCode;
        }
    }
    std::cerr << "keyforgectl: unknown command: " << name << " (see keyforgectl --help)\n";
    return kExitFailure;
}

}  // namespace
}  // namespace KeyForge::Ctl

int main(int argc, char** argv) { return KeyForge::Ctl::Main(std::span<char*>(argv, static_cast<std::size_t>(argc))); }
