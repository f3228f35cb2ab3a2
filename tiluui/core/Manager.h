// Process-wide settings of TiluUI: the device (application) name, the theme
// folder, the default font and the selection colour. Class-only, all static.
#pragma once

#include <cstdint>
#include <string>

namespace TiluUI {

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

private:
    static std::string m_dev_name;
    static std::string m_fontname;
    static int m_fontwidth;
    static uint32_t m_select_color;
};

}  // namespace TiluUI
