// Off-screen ARGB32 bitmaps on cairo image surfaces.
#include "tiluui/core/MBitmap.h"

#include <algorithm>

namespace TiluUI {

MBitmap::MBitmap(int width, int height) : m_width(std::max(width, 1)), m_height(std::max(height, 1)) {
    m_surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, m_width, m_height);
    if (cairo_surface_status(m_surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(m_surface);
        m_surface = nullptr;
        return;
    }
    m_cr = cairo_create(m_surface);
}

MBitmap::~MBitmap() {
    if (m_cr) cairo_destroy(m_cr);
    if (m_surface) cairo_surface_destroy(m_surface);
}

bool MBitmap::IsValid() const {
    return m_surface != nullptr;
}

int MBitmap::Stride() const {
    return m_surface ? cairo_image_surface_get_stride(m_surface) : 0;
}

uint32_t* MBitmap::Bits() {
    if (!m_surface) return nullptr;
    cairo_surface_flush(m_surface);
    return reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(m_surface));
}

uint32_t* MBitmap::Row(int y) {
    uint8_t* base = reinterpret_cast<uint8_t*>(Bits());
    return base ? reinterpret_cast<uint32_t*>(base + static_cast<size_t>(y) * Stride()) : nullptr;
}

uint32_t MBitmap::Pixel(int x, int y) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height || !m_surface) return 0;
    return Row(y)[x];
}

void MBitmap::MarkDirty() {
    if (m_surface) cairo_surface_mark_dirty(m_surface);
}

void MBitmap::Clear() {
    if (!m_cr) return;
    cairo_save(m_cr);
    cairo_set_operator(m_cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(m_cr);
    cairo_restore(m_cr);
}

bool MBitmap::SaveAsPng(const std::string& path) {
    return m_surface && cairo_surface_write_to_png(m_surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

}  // namespace TiluUI
