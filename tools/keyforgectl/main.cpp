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
    {"devices", "devices                    scan: every keyboard mode of config.xml with its connection", RunDevices},
    {"firmware", "firmware                   the connected keyboard's firmware version", RunFirmware},
    {"watch", "watch [--seconds N]        report keyboards arriving and leaving, rescanning as the\n"
              "                           program does (until interrupted, or for N seconds)",
     RunWatch},
    {"profiles", "profiles                   list the profiles (id, name, active mark)", RunProfiles},
    {"profile", "profile add NAME           add a profile (prints its id)\n"
                "profile rename ID NAME     rename a profile\n"
                "profile delete ID          delete a profile (not the last one)\n"
                "profile activate ID        make a profile the active one\n"
                "profile export ID FILE     write a profile and its macros to an XML file\n"
                "profile import FILE        read a profile file into a new, active profile",
     RunProfile},
    {"keys", "keys [--profile ID] [--layer N]\n"
             "                           list the key functions (active profile, layer 0)",
     RunKeys},
    {"key", "key set KEYCODE TYPE VALUE [--value2 N] [--value3 N] [--desc TEXT] [--profile ID] [--layer N]\n"
            "                           give a key a function\n"
            "key reset KEYCODE [--profile ID] [--layer N]\n"
            "                           restore a key's default function",
     RunKey},
    {"macros", "macros                     list the macros (id, name, steps, play times)", RunMacros},
    {"macro", "macro add NAME             add a macro (prints its id)\n"
              "macro show ID              list a macro's steps\n"
              "macro rename ID NAME       rename a macro\n"
              "macro delete ID            delete a macro and unbind its keys\n"
              "macro export ID FILE       write a macro to an XML file\n"
              "macro import FILE          read a macro file into a new macro\n"
              "macro step add ID TYPE VALUE DELAY [--desc TEXT]\n"
              "                           append a step (type 2 key down, 3 key up)",
     RunMacro},
    {"lights", "lights [--profile ID]      list the lighting records of a profile", RunLights},
    {"sync", "sync [--keyboard TYPE] [--profile ID]\n"
             "                           write the key table of the active profile to the keyboard",
     RunSync},
    {"light", "light set MODE [--brightness N] [--speed N] [--direction N] [--color RRGGBB]\n"
              "          [--colorful 0|1] [--colorindex N]\n"
              "                           change a light mode of the active profile, make it the\n"
              "                           active one and send it to the keyboard\n"
              "light keys                 send the stored per-key colours to the keyboard\n"
              "light paint KEYCODE=RRGGBB ...\n"
              "                           replace the stored per-key colours and send them\n"
              "                           (light also takes --keyboard TYPE and --profile ID)",
     RunLight},
    {"reset", "reset [--keyboard TYPE]    reset the keyboard to its factory state", RunReset},
    {"keyboards", "keyboards                  the keyboards of config.xml with their connection modes", RunKeyboards},
    {"layout", "layout TYPE                the keyboard model of device type TYPE (pages, light modes,\n"
               "                           picture, keys and key grid)",
     RunLayout},
    {"update", "update check               installed and published program and firmware versions\n"
               "update install program|firmware\n"
               "                           download, check, unpack and start the installer\n"
               "update tool                start the firmware tool kept in the program folder",
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
           "The store commands take --keyboard TYPE (device type, default 201); sync, light\n"
           "and reset talk to the connected keyboard (the first one, or the one of --keyboard).\n"
           "Exit codes: 0 done, 1 bad arguments or failure, 2 no keyboard connected.\n";
}

int Main(std::span<char*> argv) {
    if (argv.empty()) return kExitFailure;  // started without even a program name
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
