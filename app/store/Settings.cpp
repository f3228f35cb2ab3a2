// settings.ini and the autostart entry.
#include "app/store/Settings.h"

#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdlib>

#include "app/store/FileUtil.h"
#include "app/store/IniFile.h"
#include "app/store/Paths.h"
#include "tiluui/core/Manager.h"

namespace KeyForge {

namespace {

// Opens the settings "key": true when settings.ini exists; with `create`, a missing
// file is made (empty). `created` tells the caller it was just made.
bool OpenSettings(bool create, bool& created) {
    created = false;
    const std::string file = GetSettingsFile();
    if (IsFile(file)) return ::access(file.c_str(), R_OK | W_OK) == 0;
    if (!create) return false;
    if (!CreateFolderPath(GetSettingsFolder()) || !WriteWholeFile(file, "")) return false;
    created = true;
    return true;
}

// Quotes an Exec argument as the desktop entry format wants it: inside the quotes
// '"', '`', '$' and '\' are escaped with a backslash, '%' is doubled, and the value as a
// whole escapes every backslash once more.
std::string QuoteExecArgument(const std::string& arg) {
    std::string out = "\"";
    for (char c : arg) {
        if (c == '%') {
            out += "%%";
            continue;
        }
        if (c == '"' || c == '`' || c == '$') out += "\\\\";
        if (c == '\\') out += "\\\\\\";
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::string GetSettingsFile() { return GetSettingsFolder() + "settings.ini"; }

long LeadingDecimal(const std::string& text) {
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t') ++p;
    if (!std::isdigit(static_cast<unsigned char>(*p))) return 0;
    const long value = std::strtol(p, nullptr, 10);
    return value == LONG_MAX ? 0 : value;
}

int ReadLanguageId() {
    bool created = false;
    if (!OpenSettings(true, created)) return 1033;
    if (created) return 0;
    std::string text;
    if (!ReadSettingText("LCID", text)) return 0;
    const long id = LeadingDecimal(text);
    return id > 0 && id <= 0xFFFF ? static_cast<int>(id) : 0;
}

void WriteLanguageId(int id) { WriteSetting("LCID", std::to_string(id)); }

int ReadSettingInt(const std::string& name) {
    bool created = false;
    if (!OpenSettings(true, created) || created) return 0;
    std::string text;
    if (!ReadSettingText(name, text)) return 0;
    const long value = LeadingDecimal(text);
    return value <= INT_MAX ? static_cast<int>(value) : 0;
}

void WriteSetting(const std::string& name, const std::string& text) {
    bool created = false;
    if (!OpenSettings(false, created)) return;
    WriteIniText(kSettingsSection, name, text, GetSettingsFile());
}

bool ReadSettingText(const std::string& name, std::string& text) {
    return FindIniText(kSettingsSection, name, GetSettingsFile(), text);
}

std::string GetAutostartFile() {
    return GetConfigHome() + "/autostart/" + TiluUI::Manager::GetDeviceName() + ".desktop";
}

bool ReadStartWithSystem() { return IsFile(GetAutostartFile()); }

bool WriteStartWithSystem(bool enabled) {
    const std::string file = GetAutostartFile();
    if (!enabled) return ::unlink(file.c_str()) == 0 || !IsFile(file);
    if (!CreateFolderPath(GetConfigHome() + "/autostart")) return false;
    const std::string entry = "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=" + TiluUI::Manager::GetDeviceName() + "\n"
                              "Exec=" + QuoteExecArgument(GetProgramFolder() + kProgramFileName) + "\n"
                              "X-GNOME-Autostart-enabled=true\n";
    return WriteWholeFile(file, entry);
}

}  // namespace KeyForge
