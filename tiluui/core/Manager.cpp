// Process-wide TiluUI settings. Written during start-up, read afterwards.
#include "tiluui/core/Manager.h"

namespace TiluUI {

std::string Manager::m_dev_name = "Key Forge";
std::string Manager::m_fontname = "Arial";
int Manager::m_fontwidth = 14;
uint32_t Manager::m_select_color = 0xFF285055;

void Manager::SetDeviceName(const std::string& name) { m_dev_name = name; }
const std::string& Manager::GetDeviceName() { return m_dev_name; }

const std::string& Manager::GetTheme() {
    static const std::string theme = "theme1\\";
    return theme;
}

void Manager::SetFontName(const std::string& name) { m_fontname = name; }
void Manager::SetFont(const std::string& name, int size) {
    m_fontname = name;
    m_fontwidth = size;
}
const std::string& Manager::GetFontName() { return m_fontname; }
int Manager::GetFontWidth() { return m_fontwidth; }
uint32_t Manager::GetSelectColor() { return m_select_color; }

}  // namespace TiluUI
