// MRender: the static drawing helpers every control uses (image loading, nine-grid
// frames, transitions, fills, gradients, rounded rectangles, text, bitmaps).
//
// Drawing targets are cairo contexts (`cairo_t*`), the counterpart of both a device
// context and a drawing-engine graphics object. Colours: COLORREF (0x00BBGGRR) where the
// platform's plain fills and text take it, ARGB (0xAARRGGBB) elsewhere.
//
// Error convention: loaders return null on any failure and never raise; drawing calls
// with a null target, a null image or an empty area draw nothing.
#pragma once

#include <cairo.h>

#include <memory>
#include <string>

#include "tiluui/core/MBitmap.h"
#include "tiluui/core/MFont.h"
#include "tiluui/core/MImage.h"
#include "tiluui/platform/Geometry.h"
#include "tiluui/platform/WinConstants.h"

namespace TiluUI {

/// How BitBlt combines the source with the target.
enum class BlitMode {
    Copy,        // replace the target pixels (SRCCOPY)
    AlphaBlend,  // draw the source over the target with its per-pixel alpha
};

/// Static drawing helpers.
class MRender {
public:
    MRender() = delete;

    // [SECTION] Images
    /// Loads a PNG or GIF file; `\` and `//` in the path are read as `/`. Null on failure.
    static std::unique_ptr<MImage> LoadImageFromFile(const std::string& path);
    /// Decodes PNG or GIF bytes held in memory (embedded resources). Null on failure.
    static std::unique_ptr<MImage> LoadImageFromMemory(const void* data, size_t size);
    /// Copies the source rectangle of an image frame onto `dst`, stretched to its size.
    static void DrawImage(cairo_t* g, const MImage* image, const CRect& dst, int sx, int sy, int sw, int sh,
                          int frame = 0);
    /// Nine-grid copy of the source rectangle (sx, sy, sw, sh) onto `dst`: corners of size
    /// `border` unscaled, edges stretched along one axis, the centre stretched both ways.
    static void DrawImageFrame(cairo_t* g, const MImage* image, const CRect& dst, int sx, int sy, int sw,
                               int sh, int border);
    /// The same with separate left, top, right and bottom border widths.
    static void DrawImageFrameMID(cairo_t* g, const MImage* image, const CRect& dst, int sx, int sy, int sw,
                                  int sh, int left, int top, int right, int bottom);

    // [SECTION] Transitions
    /// Copies `src` onto `dst` row by row with a constant alpha changing linearly from
    /// percentage a to b across the rectangle; returns the alpha of the last row.
    static int DrawVerticalTransition(cairo_t* dst, cairo_surface_t* src, const CRect& dstRect,
                                      const CRect& srcRect, int a, int b);
    /// The same column by column.
    static int DrawHorizontalTransition(cairo_t* dst, cairo_surface_t* src, const CRect& dstRect,
                                        const CRect& srcRect, int a, int b);
    /// Corner fade in the bottom-right size x size corner of `rect`: each pixel of `src` is
    /// copied with alpha 255 - 255 * min(size, distance from the corner) / size.
    static void DrawRightBottomTransition(cairo_t* dst, cairo_surface_t* src, const CRect& rect, int size,
                                          COLORREF color);

    // [SECTION] Fills
    /// Opaque fill with a COLORREF.
    static void FillSolidRect(cairo_t* g, const RECT* rect, COLORREF color);
    static void FillSolidRect(cairo_t* g, int x, int y, int w, int h, COLORREF color);
    /// Fills with an ARGB colour over what is there; nothing when its alpha is 0.
    static void DrawColor(cairo_t* g, const RECT& rect, ARGB color);
    /// Linear gradient from `from` to `to` (top to bottom when vertical, else left to right),
    /// blended with the mean of the two alphas; nothing when that mean is 0.
    static void DrawGradient(cairo_t* g, const RECT& rect, ARGB from, ARGB to, bool vertical, int steps);
    /// The gradient as 2^k solid bands (the form for targets without smooth gradients).
    static void DrawGradientBands(cairo_t* g, const RECT& rect, ARGB from, ARGB to, bool vertical, int steps);
    /// Bands used for `steps`: 2 below 4, 4 below 8, 8 below 16, 16 below 32, 32 below 64, else 64.
    static int GradientBandCount(int steps);
    /// Filled rounded rectangle: straight edges joined by quarter arcs of `radius`.
    static void DrawRoundRectange(cairo_t* g, float x, float y, float w, float h, float radius, ARGB fill);
    /// Rounded rectangle with a border of `borderWidth` in `border`, filled with `fill` when `filled`.
    static void DrawRoundRectange(cairo_t* g, float x, float y, float w, float h, float radius, ARGB border,
                                  float borderWidth, ARGB fill, bool filled);

    // [SECTION] Text
    /// Draws text in `rect` with the DT_* format flags (alignment, DT_SINGLELINE with
    /// DT_VCENTER/DT_BOTTOM, DT_WORDBREAK, DT_END_ELLIPSIS/DT_WORD_ELLIPSIS/DT_PATH_ELLIPSIS,
    /// DT_NOCLIP, DT_NOPREFIX, DT_CALCRECT which only measures into `rect`). Null text: nothing.
    static void DrawTextW(cairo_t* g, CRect& rect, const char* text, COLORREF color, const MFont& font,
                          UINT format);
    /// Draws text with an ARGB colour, aligned like the controls align it (h: 0 left, 1 centre,
    /// 2 right; v: 0 top, 4 centre, 8 bottom), single line, ellipsis when it does not fit.
    static void DrawString(cairo_t* g, const CRect& rect, const std::string& text, ARGB color,
                           const MFont& font, UINT halign, UINT valign);
    /// Size of the text: width = outline width rounded up; height = the line height plus 1,
    /// or plus 4 when the line height has a fractional part, truncated (per line).
    static CSize GetTextBounds(const MFont& font, const MStringFormat& format, const std::string& text);
    /// The same with lines wrapped at `maxWidth` pixels.
    static CSize GetTextBounds(const MFont& font, const MStringFormat& format, const std::string& text,
                               int maxWidth);
    /// The same with the default format.
    static CSize GetTextBounds(const MFont& font, const std::string& text);

    // [SECTION] Layout
    /// Top-left of a cw x ch item in a w x h area: halign 1 centre, 2 right; valign 4 centre, 8 bottom.
    static CPoint GetOriginPoint(int w, int h, int cw, int ch, UINT halign, UINT valign);
    /// The same inside `rect`, offset by its top-left corner and 2 more pixels down.
    static CPoint GetOriginPoint(const CRect& rect, int cw, int ch, UINT halign, UINT valign);

    // [SECTION] Bitmaps
    /// A transparent 32-bit ARGB bitmap with direct pixel access (rows top to bottom).
    static std::unique_ptr<MBitmap> CreateARGB32Bitmap(int w, int h);
    /// Copies (or blends) the source rectangle at (sx, sy) to (x, y) of the target.
    static void BitBlt(cairo_t* dst, int x, int y, int w, int h, cairo_surface_t* src, int sx, int sy,
                       BlitMode mode = BlitMode::Copy);
    /// Pure black becomes 0x000001: black drawn by plain fills would turn transparent in the
    /// layered alpha pass.
    static void CheckAlphaColor(COLORREF& color);
    /// Writes the bitmap as a 32-bit .bmp file; false on failure.
    static bool SaveBitmapToFile(MBitmap& bitmap, const std::string& path);
};

}  // namespace TiluUI
