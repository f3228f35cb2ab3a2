// keyforgectl settings, text, language and autostart: the per-user settings and the
// language texts.
#include <cctype>
#include <iostream>

#include "app/store/IniFile.h"
#include "app/store/LanguageTexts.h"
#include "app/store/Paths.h"
#include "app/store/Settings.h"
#include "app/store/TextCodec.h"
#include "tools/keyforgectl/Commands.h"
#include "tiluui/core/Manager.h"

namespace KeyForge::Ctl {

namespace {

bool HasOuterBlanks(const std::string& text) {
    return !text.empty() && (std::isspace(static_cast<unsigned char>(text.front())) ||
                             std::isspace(static_cast<unsigned char>(text.back())));
}

// Value names are INI keys: no separators, brackets, line breaks or outer blanks.
void CheckValueName(const std::string& name) {
    if (name.empty() || name.find_first_of("=[]\r\n;") != std::string::npos || HasOuterBlanks(name))
        throw CtlError("bad setting name: " + name);
}

// A value must read back as written: no line breaks or outer blanks (the reader trims
// them), no enclosing quotes (the reader removes them), at most 259 characters.
void CheckValue(const std::string& value) {
    if (value.find_first_of("\r\n") != std::string::npos) throw CtlError("a value cannot hold a line break");
    if (HasOuterBlanks(value)) throw CtlError("a value cannot start or end with a blank");
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        throw CtlError("a value cannot be enclosed in quotes");
    if (CountCodePoints(value) > kMaxIniValueChars) throw CtlError("a value holds at most 259 characters");
}

}  // namespace

int RunSettings(Args& args) {
    const std::string action = args.Next("action (get or set)");
    if (action == "get") {
        const std::string name = args.Next("setting name");
        args.ExpectEnd();
        CheckValueName(name);
        std::string text;
        if (!ReadSettingText(name, text)) throw CtlError(name + " is not set");
        std::cout << text << "\n";
        return 0;
    }
    if (action == "set") {
        const std::string name = args.Next("setting name");
        const std::string value = args.Next("value");
        args.ExpectEnd();
        CheckValueName(name);
        CheckValue(value);
        WriteSetting(name, value);
        std::string stored;
        if (!ReadSettingText(name, stored) || stored != value)
            throw CtlError("could not write " + GetSettingsFile());
        return 0;
    }
    throw CtlError("unknown settings action: " + action);
}

int RunText(Args& args) {
    const int number = static_cast<int>(ParseNumberIn(args.Next("text number"), "text number", 0, 0x7FFFFFFF));
    args.ExpectEnd();
    std::cout << GetText(number) << "\n";
    return 0;
}

int RunLanguage(Args& args) {
    if (!args.HasMore()) {
        std::cout << GetCurrentLanguage() << "\n";
        return 0;
    }
    const int id = static_cast<int>(ParseNumberIn(args.Next("language"), "language", 1, 0xFFFF));
    args.ExpectEnd();
    if (!IsFile(LanguageFilePath(id))) throw CtlError("no language file for " + std::to_string(id));
    WriteLanguageId(id);
    if (ReadLanguageId() != id) throw CtlError("could not write " + GetSettingsFile());
    SetCurrentLanguage(id);
    return 0;
}

int RunAutostart(Args& args) {
    if (!args.HasMore()) {
        std::cout << (ReadStartWithSystem() ? "on" : "off") << "\n";
        return 0;
    }
    const std::string state = args.Next("on or off");
    args.ExpectEnd();
    if (state != "on" && state != "off") throw CtlError("expected on or off: " + state);
    if (!WriteStartWithSystem(state == "on")) throw CtlError("could not change " + GetAutostartFile());
    return 0;
}

void PrintOverview(std::ostream& out) {
    out << "Application:     " << TiluUI::Manager::GetDeviceName() << "\n"
        << "Program folder:  " << GetProgramFolder() << "\n"
        << "Data folder:     " << GetDataFolder() << "\n"
        << "Settings file:   " << GetSettingsFile() << "\n"
        << "Language:        " << GetCurrentLanguage() << "\n"
        << "Start with system: " << (ReadStartWithSystem() ? "on" : "off") << "\n";
}

}  // namespace KeyForge::Ctl
