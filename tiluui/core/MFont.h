// Text fonts: the font record controls hand to the text helpers, private font files,
// and the pango font descriptions behind them (family through fontconfig, CJK fallback).
#pragma once

#include <pango/pango.h>

#include <string>

namespace TiluUI {

/// Style bits of a font (the drawing engine's values).
enum MFontStyle : unsigned {
    FontStyleRegular = 0,
    FontStyleBold = 1,
    FontStyleItalic = 2,
    FontStyleUnderline = 4,
    FontStyleStrikeout = 8,
};

/// A font as the controls describe it: family, size in pixels and style bits.
struct MFont {
    std::string family;  // empty: the process-wide family (Manager::GetFontName)
    int sizePx = 0;      // 0 or less: the process-wide size (Manager::GetFontWidth)
    unsigned style = FontStyleRegular;

    /// The process-wide default font.
    static MFont Default();
};

/// Alignment record of the drawing-engine text calls (GetTextBounds).
struct MStringFormat {
    unsigned align = 0;      // 0 near, 1 centre, 2 far
    unsigned lineAlign = 0;  // 0 near, 1 centre, 2 far
    bool noWrap = false;
};

namespace FontSupport {

/// Makes the fonts in a TrueType/OpenType file available to every text call of the process
/// (once per path). False when the file is missing or not a font.
bool AddPrivateFontFile(const std::string& path);
/// A pango description of the font (caller frees it with pango_font_description_free).
/// Families fontconfig does not know fall back through its aliases; characters the family
/// lacks (CJK) come from fontconfig's fallback fonts.
PangoFontDescription* CreateDescription(const MFont& font);
/// The font's line height in pixels (ascent plus descent, fractional).
double LineHeight(const MFont& font);

}  // namespace FontSupport

}  // namespace TiluUI
