// Fonts for TiluUI text: private font files through fontconfig, pango descriptions
// and line metrics.
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>
#include <sys/stat.h>

#include <mutex>
#include <set>

#include "tiluui/core/MFont.h"
#include "tiluui/core/Manager.h"

namespace TiluUI {

MFont MFont::Default() {
    return MFont{Manager::GetFontName(), Manager::GetFontWidth(), FontStyleRegular};
}

namespace FontSupport {

namespace {
std::mutex g_fontMutex;  // fontconfig's current configuration is shared by the whole process
std::set<std::string>& AddedFiles() {
    static std::set<std::string> files;  // every window asks again; fontconfig needs it once
    return files;
}
}  // namespace

bool AddPrivateFontFile(const std::string& path) {
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::lock_guard lock(g_fontMutex);
    if (AddedFiles().count(path)) return true;
    FcConfig* config = FcConfigGetCurrent();
    if (!config) return false;
    if (!FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(path.c_str()))) return false;
    AddedFiles().insert(path);
    // The font map of this thread was built before the file was added; let it see the file.
    PangoFontMap* map = pango_cairo_font_map_get_default();
    if (PANGO_IS_FC_FONT_MAP(map)) pango_fc_font_map_config_changed(PANGO_FC_FONT_MAP(map));
    return true;
}

PangoFontDescription* CreateDescription(const MFont& font) {
    PangoFontDescription* d = pango_font_description_new();
    const std::string& family = font.family.empty() ? Manager::GetFontName() : font.family;
    const int size = font.sizePx > 0 ? font.sizePx : Manager::GetFontWidth();
    pango_font_description_set_family(d, family.c_str());
    pango_font_description_set_absolute_size(d, static_cast<double>(size) * PANGO_SCALE);
    pango_font_description_set_weight(d,
                                      (font.style & FontStyleBold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(
        d, (font.style & FontStyleItalic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return d;
}

double LineHeight(const MFont& font) {
    PangoFontMap* map = pango_cairo_font_map_get_default();
    PangoContext* ctx = pango_font_map_create_context(map);
    PangoFontDescription* d = CreateDescription(font);
    PangoFontMetrics* m = pango_context_get_metrics(ctx, d, nullptr);
    const double h =
        static_cast<double>(pango_font_metrics_get_ascent(m) + pango_font_metrics_get_descent(m)) /
        PANGO_SCALE;
    pango_font_metrics_unref(m);
    pango_font_description_free(d);
    g_object_unref(ctx);
    return h;
}

}  // namespace FontSupport

}  // namespace TiluUI
