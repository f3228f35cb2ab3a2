// Folder lookup on Linux: the program folder as the UI library knows it, XDG base
// directories for per-user data and settings.
#include "app/store/Paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "tiluui/core/Manager.h"

namespace KeyForge {

namespace {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

// An XDG base directory: the variable when it holds an absolute path, else the fallback.
std::string XdgFolder(const char* variable, const char* fallbackBelowHome) {
    if (const char* v = std::getenv(variable); v && v[0] == '/') {
        std::string s = v;
        while (s.size() > 1 && s.back() == '/') s.pop_back();
        return s;
    }
    return HomeFolder() + "/" + fallbackBelowHome;
}

}  // namespace

std::string NormalizePath(std::string_view path) { return TiluUI::Manager::NormalisePath(std::string(path)); }

std::string GetProgramFolder() { return TiluUI::Manager::GetProgramFolder(); }

void OverrideProgramFolder(const std::string& folder) { TiluUI::Manager::OverrideProgramFolder(folder); }

std::string GetDataFolder() {
    return XdgFolder("XDG_DATA_HOME", ".local/share") + "/" + TiluUI::Manager::GetDeviceName() + " Files/";
}

std::string GetStoreFolder() { return GetDataFolder() + "db"; }
std::string GetTempFolder() { return GetDataFolder() + "temp"; }
std::string GetLanguageFolder() { return GetProgramFolder() + "language"; }

std::string GetSkinFolder() { return TiluUI::Manager::GetSkinFolder(); }

std::string GetConfigHome() { return XdgFolder("XDG_CONFIG_HOME", ".config"); }

std::string GetSettingsFolder() { return GetConfigHome() + "/" + TiluUI::Manager::GetDeviceName() + "/"; }

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool CreateFolderPath(const std::string& path) {
    if (path.empty()) return false;
    if (IsFolder(path)) return true;
    // Create every level from the top; errors on the way are ignored, the result is
    // judged by the full path alone.
    for (std::size_t pos = path.find('/', 1); pos != std::string::npos; pos = path.find('/', pos + 1))
        ::mkdir(path.substr(0, pos).c_str(), 0755);
    ::mkdir(path.c_str(), 0755);
    return IsFolder(path);
}

}  // namespace KeyForge
