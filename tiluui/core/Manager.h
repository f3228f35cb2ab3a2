// Process-wide settings of TiluUI: the device (application) name, the theme folder,
// the default font and selection colour, the skin folder, the registry of live
// windows and the plain message loop. Class-only, all static.
#pragma once

#include <cstdint>
#include <string>

#include "tiluui/platform/WinTypes.h"

namespace TiluUI {

class MWindow;

class Manager {
public:
    Manager() = delete;

    /// Sets the application name shown in titles and used to name folders and settings.
    static void SetDeviceName(const std::string& name);
    /// The application name; "Key Forge" until SetDeviceName is called.
    static const std::string& GetDeviceName();

    /// The theme sub-folder of the skin folder, "theme1\\".
    static const std::string& GetTheme();

    /// Sets the process-wide font family name.
    static void SetFontName(const std::string& name);
    /// Sets the font family name and the default text size in pixels.
    static void SetFont(const std::string& name, int size);
    /// The process-wide font family name ("Arial" by default).
    static const std::string& GetFontName();
    /// The default text size in pixels (14 by default).
    static int GetFontWidth();

    /// Default selection colour of list-like controls, ARGB (0xFF285055).
    static uint32_t GetSelectColor();

    /// The folder of the running program, with a trailing '/' (or the override).
    static std::string GetProgramFolder();
    /// Makes GetProgramFolder return another folder (tests, and tools that serve another
    /// tree of data files); an empty path restores the real one.
    static void OverrideProgramFolder(const std::string& folder);
    /// The skin folder: program folder, "skins/", then the theme folder, with a trailing '/'.
    static std::string GetSkinFolder();
    /// A skin-relative path ("icon//icon_pc.png", "btn\\ok.png") as a file-system path in the skin folder.
    static std::string GetSkinPath(const std::string& relative);
    /// A path with `\` and repeated `/` read as single `/` separators.
    static std::string NormalisePath(const std::string& path);

    /// Records a live window.
    static void AddWnd(MWindow* window);
    /// Forgets every record of a window.
    static void DeleteWnd(MWindow* window);
    /// Whether the window is recorded as live.
    static bool HasWnd(MWindow* window);
    /// Gets, translates and dispatches messages until the quit message; returns its exit code.
    /// Messages are dropped while Alt and F4 are both held.
    static int MessageLoop();
    /// 1 while Alt and F4 are both held (the message is dropped), else 0.
    static int PreTranslateMessage(MSG* msg);

private:
    static std::string m_dev_name;
    static std::string m_fontname;
    static int m_fontwidth;
    static uint32_t m_select_color;
};

}  // namespace TiluUI
