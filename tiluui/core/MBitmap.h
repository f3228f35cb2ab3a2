// An off-screen 32-bit ARGB bitmap with a cairo context and direct pixel access.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>

namespace TiluUI {

/// A premultiplied ARGB32 pixel buffer (rows top to bottom) that cairo draws into.
/// Error convention: a bitmap that could not be made reports IsValid() false and draws nothing.
class MBitmap {
public:
    /// A transparent bitmap of the given size (sizes below 1 become 1).
    MBitmap(int width, int height);
    ~MBitmap();
    MBitmap(const MBitmap&) = delete;
    MBitmap& operator=(const MBitmap&) = delete;

    /// True when the pixel buffer exists.
    bool IsValid() const;
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    /// Bytes from one row to the next.
    int Stride() const;
    /// Row `y` of the pixels (flushes pending drawing first).
    uint32_t* Row(int y);
    /// The pixel at (x, y), premultiplied ARGB; 0 outside.
    uint32_t Pixel(int x, int y);
    /// The first pixel, after pending drawing is flushed.
    uint32_t* Bits();
    /// Tells cairo that the pixels were changed directly.
    void MarkDirty();
    /// The cairo surface (owned by the bitmap).
    cairo_surface_t* Surface() const { return m_surface; }
    /// The cairo context drawing into the bitmap (owned by the bitmap).
    cairo_t* Graphics() const { return m_cr; }
    /// Sets every pixel to transparent black.
    void Clear();
    /// Writes the bitmap as a PNG file; false on failure.
    bool SaveAsPng(const std::string& path);

private:
    int m_width;
    int m_height;
    cairo_surface_t* m_surface = nullptr;
    cairo_t* m_cr = nullptr;
};

}  // namespace TiluUI
