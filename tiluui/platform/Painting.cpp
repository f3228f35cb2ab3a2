// The platform layer's painting: update regions, presenting frames and layered windows.
//
// Index
//   [SECTION] Painting and layered windows
#include "tiluui/platform/WindowSystem.h"

#include <algorithm>
#include <vector>

namespace TiluUI {

using Detail::SentMessage;
using Detail::TimerRecord;
using Detail::WindowRecord;
using Detail::WindowSystem;

// [SECTION] Painting and layered windows

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL /*erase*/) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws) return FALSE;
    {
        std::lock_guard lock(ws->mu);
        WindowRecord* rec = ws->Find(hwnd);
        if (!rec) return FALSE;
        const CRect client(0, 0, rec->rect.Width(), rec->rect.Height());
        CRect area = rect ? CRect(*rect) : client;
        if (!area.IntersectRect(area, client)) return TRUE;
        rec->invalid.UnionRect(rec->invalid, area);
    }
    if (!ws->OnWindowThread()) ws->backend->Wake();
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws) return FALSE;
    std::lock_guard lock(ws->mu);
    WindowRecord* rec = ws->Find(hwnd);
    if (!rec) return FALSE;
    // The update region is kept as a bounding box, so only a covering rectangle empties it.
    CRect covered;
    if (!rect || (covered.IntersectRect(*rect, rec->invalid) && covered == rec->invalid))
        rec->invalid.SetRectEmpty();
    if (!rect || (covered.IntersectRect(*rect, rec->painting) && covered == rec->painting))
        rec->painting.SetRectEmpty();
    return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL /*erase*/) {
    WindowSystem* ws = WindowSystem::Get();
    if (!ws) return FALSE;
    std::lock_guard lock(ws->mu);
    WindowRecord* rec = ws->Find(hwnd);
    if (!rec) return FALSE;
    CRect area;
    area.UnionRect(rec->invalid, rec->painting);
    if (rect) *rect = area;
    return area.IsRectEmpty() ? FALSE : TRUE;
}

BOOL PresentFrame(HWND hwnd, const uint32_t* pixels, int width, int height, int stride, const RECT& dirty) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws || !pixels || width <= 0 || height <= 0) return FALSE;
    COLORREF key = 0;
    bool keyed = false;
    {
        std::lock_guard lock(ws->mu);
        WindowRecord* rec = ws->Find(hwnd);
        if (!rec || !rec->native) return FALSE;
        keyed = (rec->exStyle & WS_EX_LAYERED) && (rec->layeredFlags & LWA_COLORKEY);
        key = rec->colorKey;
    }
    if (!keyed) {
        ws->backend->Present(hwnd, pixels, width, height, stride, dirty, false);
        return TRUE;
    }
    // A colour-keyed window: pixels of the key colour are holes, the rest is opaque.
    const uint32_t keyRgb = (GetRValue(key) << 16) | (GetGValue(key) << 8) | GetBValue(key);
    std::vector<uint32_t> shaped(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(pixels) +
                                                            static_cast<size_t>(y) * stride);
        for (int x = 0; x < width; ++x)
            shaped[static_cast<size_t>(y) * width + x] =
                (row[x] & 0xFFFFFF) == keyRgb ? 0 : (row[x] | 0xFF000000u);
    }
    ws->backend->Present(hwnd, shaped.data(), width, height, width * 4, RECT{0, 0, width, height}, true);
    return TRUE;
}

BOOL UpdateLayeredWindow(HWND hwnd, const uint32_t* pixels, int width, int height, int stride,
                         uint8_t constantAlpha) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws || !pixels || width <= 0 || height <= 0) return FALSE;
    {
        std::lock_guard lock(ws->mu);
        WindowRecord* rec = ws->Find(hwnd);
        if (!rec || !rec->native || !(rec->exStyle & WS_EX_LAYERED)) return FALSE;
    }
    const RECT all{0, 0, width, height};
    if (constantAlpha == 255) {
        ws->backend->Present(hwnd, pixels, width, height, stride, all, true);
        return TRUE;
    }
    // Premultiplied pixels scale as a whole by the constant alpha.
    std::vector<uint32_t> scaled(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(pixels) +
                                                                static_cast<size_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            uint32_t p = row[x], q = 0;
            for (int s = 0; s < 32; s += 8) q |= (((p >> s) & 0xFF) * constantAlpha / 255) << s;
            scaled[static_cast<size_t>(y) * width + x] = q;
        }
    }
    ws->backend->Present(hwnd, scaled.data(), width, height, width * 4, all, true);
    return TRUE;
}

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, uint8_t alpha, DWORD flags) {
    WindowSystem* ws = WindowSystem::GetOnWindowThread();
    if (!ws) return FALSE;
    {
        std::lock_guard lock(ws->mu);
        WindowRecord* rec = ws->Find(hwnd);
        if (!rec || !(rec->exStyle & WS_EX_LAYERED) || !rec->native) return FALSE;
        rec->colorKey = key;
        rec->layeredAlpha = (flags & LWA_ALPHA) ? alpha : 255;
        rec->layeredFlags = flags;
    }
    ws->backend->SetOpacity(hwnd, (flags & LWA_ALPHA) ? alpha : 255);
    return TRUE;
}

}  // namespace TiluUI
