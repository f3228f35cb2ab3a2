// Process-wide TiluUI settings, written during start-up and read afterwards, plus the
// registry of live windows and the plain message loop.
#include "tiluui/core/Manager.h"

#include <unistd.h>

#include <algorithm>
#include <map>
#include <mutex>

#include "tiluui/platform/Platform.h"

namespace TiluUI {

std::string Manager::m_dev_name = "Key Forge";
std::string Manager::m_fontname = "Arial";
int Manager::m_fontwidth = 14;
uint32_t Manager::m_select_color = 0xFF285055;

namespace {

std::mutex g_windowsMutex;
std::mutex g_programFolderMutex;
std::string g_programFolderOverride;
std::map<MWindow*, uint32_t>& LiveWindows() {
    static std::map<MWindow*, uint32_t> windows;
    return windows;
}

}  // namespace

void Manager::SetDeviceName(const std::string& name) {
    m_dev_name = name;
}
const std::string& Manager::GetDeviceName() {
    return m_dev_name;
}

const std::string& Manager::GetTheme() {
    static const std::string theme = "theme1\\";
    return theme;
}

void Manager::SetFontName(const std::string& name) {
    m_fontname = name;
}
void Manager::SetFont(const std::string& name, int size) {
    m_fontname = name;
    m_fontwidth = size;
}
const std::string& Manager::GetFontName() {
    return m_fontname;
}
int Manager::GetFontWidth() {
    return m_fontwidth;
}
uint32_t Manager::GetSelectColor() {
    return m_select_color;
}

std::string Manager::GetProgramFolder() {
    {
        std::lock_guard lock(g_programFolderMutex);
        if (!g_programFolderOverride.empty()) return g_programFolderOverride;
    }
    static const std::string folder = [] {
        char buf[4096];
        const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
        if (n <= 0) return std::string("./");
        std::string path(buf, static_cast<size_t>(n));
        return path.substr(0, path.rfind('/') + 1);
    }();
    return folder;
}

void Manager::OverrideProgramFolder(const std::string& folder) {
    std::lock_guard lock(g_programFolderMutex);
    g_programFolderOverride = folder.empty() || folder.back() == '/' ? folder : folder + "/";
}

std::string Manager::NormalisePath(const std::string& path) {
    std::string out;
    for (char c : path) {
        if (c == '\\') c = '/';
        if (c == '/' && !out.empty() && out.back() == '/') continue;
        out += c;
    }
    return out;
}

std::string Manager::GetSkinFolder() {
    return NormalisePath(GetProgramFolder() + "skins/" + GetTheme() + "/");
}

std::string Manager::GetSkinPath(const std::string& relative) {
    std::string rel = NormalisePath(relative);
    while (!rel.empty() && rel.front() == '/') rel.erase(0, 1);
    return GetSkinFolder() + rel;
}

void Manager::AddWnd(MWindow* window) {
    std::lock_guard lock(g_windowsMutex);
    LiveWindows()[window] = 0;
}

void Manager::DeleteWnd(MWindow* window) {
    std::lock_guard lock(g_windowsMutex);
    LiveWindows().erase(window);
}

bool Manager::HasWnd(MWindow* window) {
    std::lock_guard lock(g_windowsMutex);
    return LiveWindows().count(window) != 0;
}

int Manager::PreTranslateMessage(MSG* /*msg*/) {
    return (GetKeyState(VK_MENU) & 0x8000) && (GetKeyState(VK_F4) & 0x8000) ? 1 : 0;
}

int Manager::MessageLoop() {
    MSG msg;
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got < 0) return -1;
        if (PreTranslateMessage(&msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace TiluUI
