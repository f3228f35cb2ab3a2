// MRender drawing helpers on cairo: images, nine-grid, transitions, fills, gradients,
// rounded rectangles, layout and bitmaps. Text lives in MRenderText.cpp.
//
// Index
//   [SECTION] Helpers
//   [SECTION] Images
//   [SECTION] Transitions
//   [SECTION] Fills
//   [SECTION] Layout
//   [SECTION] Bitmaps
#include "tiluui/core/MRender.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "tiluui/core/Manager.h"

namespace TiluUI {

// [SECTION] Helpers

namespace {

void SetArgb(cairo_t* g, ARGB c) {
    cairo_set_source_rgba(g, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0,
                          ((c >> 24) & 0xFF) / 255.0);
}

void SetColorRef(cairo_t* g, COLORREF c) {
    cairo_set_source_rgb(g, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

ARGB Lerp(ARGB a, ARGB b, double t) {
    ARGB out = 0;
    for (int s = 0; s < 32; s += 8) {
        const double ca = (a >> s) & 0xFF, cb = (b >> s) & 0xFF;
        out |= static_cast<ARGB>(std::lround(ca + (cb - ca) * t)) << s;
    }
    return out;
}

/// Stretches the source rectangle of a surface onto the destination rectangle. Edge pixels
/// are padded, so a stretched piece never picks up colour from outside its source.
void StretchPiece(cairo_t* g, cairo_surface_t* src, int sx, int sy, int sw, int sh, double dx, double dy,
                  double dw, double dh) {
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
    cairo_surface_t* piece = cairo_surface_create_for_rectangle(src, sx, sy, sw, sh);
    cairo_pattern_t* p = cairo_pattern_create_for_surface(piece);
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, sw / dw, sh / dh);
    cairo_matrix_translate(&m, -dx, -dy);
    cairo_pattern_set_matrix(p, &m);
    cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(p, (sw == dw && sh == dh) ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_BILINEAR);
    cairo_save(g);
    cairo_rectangle(g, dx, dy, dw, dh);
    cairo_clip(g);
    cairo_set_source(g, p);
    cairo_paint(g);
    cairo_restore(g);
    cairo_pattern_destroy(p);
    cairo_surface_destroy(piece);
}

std::string NormalisePath(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    std::string out;
    for (char c : path)
        if (!(c == '/' && !out.empty() && out.back() == '/')) out += c;
    return out;
}

}  // namespace

// [SECTION] Images

std::unique_ptr<MImage> MRender::LoadImageFromFile(const std::string& path) {
    std::ifstream in(NormalisePath(path), std::ios::binary);
    if (!in) return nullptr;
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return ImageCodec::Decode(bytes.data(), bytes.size());
}

std::unique_ptr<MImage> MRender::LoadImageFromMemory(const void* data, size_t size) {
    return ImageCodec::Decode(static_cast<const unsigned char*>(data), size);
}

void MRender::DrawImage(cairo_t* g, const MImage* image, const CRect& dst, int sx, int sy, int sw, int sh,
                        int frame) {
    if (!g || !image) return;
    StretchPiece(g, image->Surface(frame), sx, sy, sw, sh, dst.left, dst.top, dst.Width(), dst.Height());
}

void MRender::DrawImageFrame(cairo_t* g, const MImage* image, const CRect& dst, int sx, int sy, int sw,
                             int sh, int border) {
    DrawImageFrameMID(g, image, dst, sx, sy, sw, sh, border, border, border, border);
}

void MRender::DrawImageFrameMID(cairo_t* g, const MImage* image, const CRect& dst, int sx, int sy, int sw,
                                int sh, int left, int top, int right, int bottom) {
    if (!g || !image) return;
    cairo_surface_t* s = image->Surface();
    const int L = dst.left, T = dst.top, R = dst.right, B = dst.bottom;
    // Corners, unscaled. When the target is smaller than two borders they overlap.
    StretchPiece(g, s, sx, sy, left, top, L, T, left, top);
    StretchPiece(g, s, sx, sy + sh - bottom, left, bottom, L, B - bottom, left, bottom);
    StretchPiece(g, s, sx + sw - right, sy, right, top, R - right, T, right, top);
    StretchPiece(g, s, sx + sw - right, sy + sh - bottom, right, bottom, R - right, B - bottom, right,
                 bottom);
    // Edges, stretched along one axis; negative sizes draw nothing.
    StretchPiece(g, s, sx, sy + top, left, sh - top - bottom, L, T + top, left, B - T - top - bottom);
    StretchPiece(g, s, sx + sw - right, sy + top, right, sh - top - bottom, R - right, T + top, right,
                 B - T - top - bottom);
    StretchPiece(g, s, sx + left, sy, sw - left - right, top, L + left, T, R - L - left - right, top);
    StretchPiece(g, s, sx + left, sy + sh - bottom, sw - left - right, bottom, L + left, B - bottom,
                 R - L - left - right, bottom);
    // Centre.
    StretchPiece(g, s, sx + left, sy + top, sw - left - right, sh - top - bottom, L + left, T + top,
                 R - L - left - right, B - T - top - bottom);
}

// [SECTION] Transitions

namespace {

/// Alpha of line i of n for percentages a and b, as both transitions compute it.
struct TransitionRamp {
    int start, end, step;
    bool rising;
    TransitionRamp(int a, int b, int lines) {
        start = 255 - std::min(a, b) * 255 / 100;
        end = (100 - std::max(a, b)) * 255 / 100;
        step = lines > 0 ? (start - end) / lines : 0;
        rising = a < b;
    }
    int At(int i) const { return (rising ? start - i * step : end + i * step) & 0xFF; }
};

int Transition(cairo_t* dst, cairo_surface_t* src, const CRect& dstRect, const CRect& srcRect, int a, int b,
               bool vertical) {
    if (!dst || !src || dstRect.IsRectEmpty()) return 0;
    const int lines = vertical ? dstRect.Height() : dstRect.Width();
    const TransitionRamp ramp(a, b, lines);
    int alpha = 0;
    for (int i = 0; i < lines; ++i) {
        alpha = ramp.At(i);
        cairo_save(dst);
        if (vertical)
            cairo_rectangle(dst, dstRect.left, dstRect.top + i, dstRect.Width(), 1);
        else
            cairo_rectangle(dst, dstRect.left + i, dstRect.top, 1, dstRect.Height());
        cairo_clip(dst);
        cairo_set_source_surface(dst, src, dstRect.left - srcRect.left, dstRect.top - srcRect.top);
        cairo_paint_with_alpha(dst, alpha / 255.0);
        cairo_restore(dst);
    }
    return alpha;
}

}  // namespace

int MRender::DrawVerticalTransition(cairo_t* dst, cairo_surface_t* src, const CRect& dstRect,
                                    const CRect& srcRect, int a, int b) {
    return Transition(dst, src, dstRect, srcRect, a, b, true);
}

int MRender::DrawHorizontalTransition(cairo_t* dst, cairo_surface_t* src, const CRect& dstRect,
                                      const CRect& srcRect, int a, int b) {
    return Transition(dst, src, dstRect, srcRect, a, b, false);
}

void MRender::DrawRightBottomTransition(cairo_t* dst, cairo_surface_t* src, const CRect& rect, int size,
                                        COLORREF /*color*/) {
    if (!dst || !src || size <= 0) return;
    // One small alpha mask: the fade is a pure function of the distance to the corner.
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, size, size);
    cairo_surface_flush(mask);
    unsigned char* m = cairo_image_surface_get_data(mask);
    const int stride = cairo_image_surface_get_stride(mask);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double d = std::hypot(size - 1 - x, size - 1 - y);
            m[y * stride + x] =
                static_cast<unsigned char>(255 - static_cast<int>(255 * std::min<double>(size, d) / size));
        }
    cairo_surface_mark_dirty(mask);
    cairo_save(dst);
    cairo_rectangle(dst, rect.right - size, rect.bottom - size, size, size);
    cairo_clip(dst);
    cairo_set_source_surface(dst, src, 0, 0);
    cairo_mask_surface(dst, mask, rect.right - size, rect.bottom - size);
    cairo_restore(dst);
    cairo_surface_destroy(mask);
}

// [SECTION] Fills

void MRender::FillSolidRect(cairo_t* g, const RECT* rect, COLORREF color) {
    if (!rect) return;
    FillSolidRect(g, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, color);
}

void MRender::FillSolidRect(cairo_t* g, int x, int y, int w, int h, COLORREF color) {
    if (!g || w <= 0 || h <= 0) return;
    cairo_save(g);
    cairo_set_operator(g, CAIRO_OPERATOR_SOURCE);
    SetColorRef(g, color);
    cairo_rectangle(g, x, y, w, h);
    cairo_fill(g);
    cairo_restore(g);
}

void MRender::DrawColor(cairo_t* g, const RECT& rect, ARGB color) {
    if (!g || color < 0x1000000) return;
    cairo_save(g);
    SetArgb(g, color);
    cairo_rectangle(g, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    cairo_fill(g);
    cairo_restore(g);
}

int MRender::GradientBandCount(int steps) {
    const int k = steps < 4 ? 1 : steps < 8 ? 2 : steps < 16 ? 3 : steps < 32 ? 4 : steps < 64 ? 5 : 6;
    return 1 << k;
}

void MRender::DrawGradient(cairo_t* g, const RECT& rect, ARGB from, ARGB to, bool vertical, int /*steps*/) {
    const int meanAlpha = static_cast<int>(((from >> 24) + (to >> 24)) / 2);
    const CRect r(rect);
    if (!g || meanAlpha == 0 || r.IsRectEmpty()) return;
    cairo_pattern_t* p = vertical ? cairo_pattern_create_linear(0, r.top, 0, r.bottom)
                                  : cairo_pattern_create_linear(r.left, 0, r.right, 0);
    cairo_pattern_add_color_stop_rgb(p, 0, ((from >> 16) & 0xFF) / 255.0, ((from >> 8) & 0xFF) / 255.0,
                                     (from & 0xFF) / 255.0);
    cairo_pattern_add_color_stop_rgb(p, 1, ((to >> 16) & 0xFF) / 255.0, ((to >> 8) & 0xFF) / 255.0,
                                     (to & 0xFF) / 255.0);
    cairo_save(g);
    cairo_rectangle(g, r.left, r.top, r.Width(), r.Height());
    cairo_clip(g);
    cairo_set_source(g, p);
    cairo_paint_with_alpha(g, meanAlpha / 255.0);
    cairo_restore(g);
    cairo_pattern_destroy(p);
}

void MRender::DrawGradientBands(cairo_t* g, const RECT& rect, ARGB from, ARGB to, bool vertical, int steps) {
    const int meanAlpha = static_cast<int>(((from >> 24) + (to >> 24)) / 2);
    const CRect r(rect);
    if (!g || meanAlpha == 0 || r.IsRectEmpty()) return;
    const int bands = GradientBandCount(steps);
    const int length = vertical ? r.Height() : r.Width();
    cairo_push_group(g);
    for (int i = 0; i < bands; ++i) {
        const int a = length * i / bands, b = length * (i + 1) / bands;
        if (b <= a) continue;
        cairo_set_source_rgb(g, 0, 0, 0);
        const ARGB c = Lerp(from, to, bands > 1 ? static_cast<double>(i) / (bands - 1) : 0.0);
        cairo_set_source_rgb(g, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0);
        if (vertical)
            cairo_rectangle(g, r.left, r.top + a, r.Width(), b - a);
        else
            cairo_rectangle(g, r.left + a, r.top, b - a, r.Height());
        cairo_fill(g);
    }
    cairo_pop_group_to_source(g);
    cairo_paint_with_alpha(g, meanAlpha / 255.0);
}

namespace {

void RoundRectPath(cairo_t* g, double x, double y, double w, double h, double r) {
    r = std::max(0.0, std::min({r, w / 2, h / 2}));
    cairo_new_sub_path(g);
    cairo_arc(g, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(g, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(g, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(g, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(g);
}

}  // namespace

void MRender::DrawRoundRectange(cairo_t* g, float x, float y, float w, float h, float radius, ARGB fill) {
    if (!g || w <= 0 || h <= 0) return;
    cairo_save(g);
    RoundRectPath(g, x, y, w, h, radius);
    SetArgb(g, fill);
    cairo_fill(g);
    cairo_restore(g);
}

void MRender::DrawRoundRectange(cairo_t* g, float x, float y, float w, float h, float radius, ARGB border,
                                float borderWidth, ARGB fill, bool filled) {
    if (!g || w <= 0 || h <= 0) return;
    cairo_save(g);
    RoundRectPath(g, x, y, w, h, radius);
    if (filled) {
        SetArgb(g, fill);
        cairo_fill_preserve(g);
    }
    if (borderWidth > 0) {
        SetArgb(g, border);
        cairo_set_line_width(g, borderWidth);
        cairo_stroke(g);
    }
    cairo_new_path(g);
    cairo_restore(g);
}

// [SECTION] Layout

CPoint MRender::GetOriginPoint(int w, int h, int cw, int ch, UINT halign, UINT valign) {
    const int x = halign == 1 ? (w - cw) / 2 : halign == 2 ? w - cw : 0;
    const int y = valign == 4 ? (h - ch) / 2 : valign == 8 ? h - ch : 0;
    return {x, y};
}

CPoint MRender::GetOriginPoint(const CRect& rect, int cw, int ch, UINT halign, UINT valign) {
    CPoint p = GetOriginPoint(rect.Width(), rect.Height(), cw, ch, halign, valign);
    p.Offset(rect.left, rect.top + 2);
    return p;
}

// [SECTION] Bitmaps

std::unique_ptr<MBitmap> MRender::CreateARGB32Bitmap(int w, int h) {
    auto bmp = std::make_unique<MBitmap>(w, h);
    return bmp->IsValid() ? std::move(bmp) : nullptr;
}

void MRender::BitBlt(cairo_t* dst, int x, int y, int w, int h, cairo_surface_t* src, int sx, int sy,
                     BlitMode mode) {
    if (!dst || !src || w <= 0 || h <= 0) return;
    cairo_save(dst);
    cairo_set_operator(dst, mode == BlitMode::Copy ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER);
    cairo_rectangle(dst, x, y, w, h);
    cairo_clip(dst);
    cairo_set_source_surface(dst, src, x - sx, y - sy);
    cairo_paint(dst);
    cairo_restore(dst);
}

void MRender::CheckAlphaColor(COLORREF& color) {
    if ((color & 0xFFFFFF) == 0) color += 1;
}

bool MRender::SaveBitmapToFile(MBitmap& bitmap, const std::string& path) {
    if (!bitmap.IsValid()) return false;
    const int w = bitmap.Width(), h = bitmap.Height();
    const uint32_t imageSize = static_cast<uint32_t>(w) * h * 4;
    auto le32 = [](std::vector<unsigned char>& v, uint32_t x) {
        for (int i = 0; i < 4; ++i) v.push_back(static_cast<unsigned char>(x >> (8 * i)));
    };
    auto le16 = [](std::vector<unsigned char>& v, uint16_t x) {
        v.push_back(static_cast<unsigned char>(x));
        v.push_back(static_cast<unsigned char>(x >> 8));
    };
    std::vector<unsigned char> out{'B', 'M'};
    le32(out, 54 + imageSize);
    le32(out, 0);
    le32(out, 54);
    le32(out, 40);
    le32(out, static_cast<uint32_t>(w));
    le32(out, static_cast<uint32_t>(h));  // positive height: rows stored bottom-up
    le16(out, 1);
    le16(out, 32);
    le32(out, 0);
    le32(out, imageSize);
    le32(out, 2835);
    le32(out, 2835);
    le32(out, 0);
    le32(out, 0);
    for (int y = h - 1; y >= 0; --y) {
        const uint32_t* row = bitmap.Row(y);
        for (int x = 0; x < w; ++x) le32(out, row[x]);  // B, G, R, A in file order
    }
    FILE* f = std::fopen(NormalisePath(path).c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace TiluUI
