// MRender text helpers on pango: DrawTextW with the DT_* format flags, aligned strings
// and text measurement.
#include <pango/pangocairo.h>

#include <cmath>

#include "tiluui/core/MRender.h"

namespace TiluUI {

namespace {

/// Removes mnemonic markers: "&&" shows one ampersand, a single "&" shows nothing.
std::string StripPrefix(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == '&') {
            if (p[1] == '&') out += *++p;
            continue;
        }
        out += *p;
    }
    return out;
}

/// A layout with the font, its underline and strike-out, and the text.
PangoLayout* MakeLayout(PangoLayout* layout, const MFont& font, const std::string& text) {
    PangoFontDescription* d = FontSupport::CreateDescription(font);
    pango_layout_set_font_description(layout, d);
    pango_font_description_free(d);
    if (font.style & (FontStyleUnderline | FontStyleStrikeout)) {
        PangoAttrList* attrs = pango_attr_list_new();
        if (font.style & FontStyleUnderline)
            pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        if (font.style & FontStyleStrikeout)
            pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
        pango_layout_set_attributes(layout, attrs);
        pango_attr_list_unref(attrs);
    }
    pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));
    return layout;
}

}  // namespace

void MRender::DrawTextW(cairo_t* g, CRect& rect, const char* text, COLORREF color, const MFont& font,
                        UINT format) {
    if (!g || !text) return;
    const std::string s = (format & DT_NOPREFIX) ? std::string(text) : StripPrefix(text);
    PangoLayout* layout = MakeLayout(pango_cairo_create_layout(g), font, s);
    const bool single = (format & DT_SINGLELINE) != 0;
    const bool wrap = !single && (format & DT_WORDBREAK);
    PangoEllipsizeMode ellipsis = PANGO_ELLIPSIZE_NONE;
    if (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS)) ellipsis = PANGO_ELLIPSIZE_END;
    if (format & DT_PATH_ELLIPSIS) ellipsis = PANGO_ELLIPSIZE_MIDDLE;
    if (single) pango_layout_set_single_paragraph_mode(layout, TRUE);
    const bool bounded = wrap || ellipsis != PANGO_ELLIPSIZE_NONE;
    if (bounded) {
        pango_layout_set_width(layout, std::max(rect.Width(), 0) * PANGO_SCALE);
        if (wrap) pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
        if (ellipsis != PANGO_ELLIPSIZE_NONE && !wrap) pango_layout_set_ellipsize(layout, ellipsis);
        pango_layout_set_alignment(layout, (format & DT_CENTER)  ? PANGO_ALIGN_CENTER
                                           : (format & DT_RIGHT) ? PANGO_ALIGN_RIGHT
                                                                 : PANGO_ALIGN_LEFT);
    }
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    if (format & DT_CALCRECT) {
        const int width = bounded ? std::min(logical.width, rect.Width()) : logical.width;
        rect.right = rect.left + width;
        rect.bottom = rect.top + logical.height;
        g_object_unref(layout);
        return;
    }
    int x = rect.left;
    if (!bounded) {
        if (format & DT_CENTER)
            x = rect.left + (rect.Width() - logical.width) / 2;
        else if (format & DT_RIGHT)
            x = rect.right - logical.width;
    }
    int y = rect.top;
    if (single && (format & DT_VCENTER))
        y = rect.top + (rect.Height() - logical.height) / 2;
    else if (single && (format & DT_BOTTOM))
        y = rect.bottom - logical.height;
    cairo_save(g);
    if (!(format & DT_NOCLIP)) {
        cairo_rectangle(g, rect.left, rect.top, rect.Width(), rect.Height());
        cairo_clip(g);
    }
    cairo_set_source_rgb(g, GetRValue(color) / 255.0, GetGValue(color) / 255.0, GetBValue(color) / 255.0);
    cairo_move_to(g, x, y);
    pango_cairo_show_layout(g, layout);
    cairo_restore(g);
    g_object_unref(layout);
}

void MRender::DrawString(cairo_t* g, const CRect& rect, const std::string& text, ARGB color,
                         const MFont& font, UINT halign, UINT valign) {
    if (!g || text.empty() || rect.IsRectEmpty() || (color >> 24) == 0) return;
    PangoLayout* layout = MakeLayout(pango_cairo_create_layout(g), font, text);
    pango_layout_set_single_paragraph_mode(layout, TRUE);
    pango_layout_set_width(layout, rect.Width() * PANGO_SCALE);
    pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    pango_layout_set_alignment(layout, halign == 1   ? PANGO_ALIGN_CENTER
                                       : halign == 2 ? PANGO_ALIGN_RIGHT
                                                     : PANGO_ALIGN_LEFT);
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    const CPoint origin =
        GetOriginPoint(rect.Width(), rect.Height(), rect.Width(), logical.height, 0, valign);
    cairo_save(g);
    cairo_rectangle(g, rect.left, rect.top, rect.Width(), rect.Height());
    cairo_clip(g);
    cairo_set_source_rgba(g, ((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                          (color & 0xFF) / 255.0, (color >> 24) / 255.0);
    cairo_move_to(g, rect.left, rect.top + origin.y);
    pango_cairo_show_layout(g, layout);
    cairo_restore(g);
    g_object_unref(layout);
}

CSize MRender::GetTextBounds(const MFont& font, const MStringFormat& format, const std::string& text,
                             int maxWidth) {
    PangoContext* ctx = pango_font_map_create_context(pango_cairo_font_map_get_default());
    PangoLayout* layout = MakeLayout(pango_layout_new(ctx), font, text);
    if (maxWidth > 0 && !format.noWrap) {
        pango_layout_set_width(layout, maxWidth * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
    PangoRectangle ink{};
    pango_layout_get_extents(layout, &ink, nullptr);
    const int lines = std::max(1, pango_layout_get_line_count(layout));
    g_object_unref(layout);
    g_object_unref(ctx);
    const int width =
        text.empty() ? 0 : static_cast<int>(std::ceil(static_cast<double>(ink.width) / PANGO_SCALE));
    const double lineHeight = FontSupport::LineHeight(font) * lines;
    const bool fractional = lineHeight != std::floor(lineHeight);
    const int height = static_cast<int>(lineHeight + (fractional ? 4 : 1));
    return {width, height};
}

CSize MRender::GetTextBounds(const MFont& font, const MStringFormat& format, const std::string& text) {
    return GetTextBounds(font, format, text, 0);
}

CSize MRender::GetTextBounds(const MFont& font, const std::string& text) {
    return GetTextBounds(font, MStringFormat{}, text, 0);
}

}  // namespace TiluUI
