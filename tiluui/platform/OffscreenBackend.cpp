// The offscreen backend: memory surfaces, injected input, frames kept for read-back.
#include "tiluui/platform/OffscreenBackend.h"

#include <cstring>

#include "tiluui/platform/WinConstants.h"

namespace TiluUI {

OffscreenBackend::OffscreenBackend() = default;
OffscreenBackend::~OffscreenBackend() = default;

// [SECTION] Test controls

void OffscreenBackend::Inject(const NativeEvent& ev) {
    {
        std::lock_guard lock(m_mu);
        m_events.push_back(ev);
        if (ev.kind == NativeEvent::Kind::MouseMove || ev.kind == NativeEvent::Kind::MouseDown ||
            ev.kind == NativeEvent::Kind::MouseUp)
            m_cursor = ev.screen;
    }
    Wake();
}

void OffscreenBackend::InjectMouseMove(int x, int y) {
    NativeEvent ev;
    ev.kind = NativeEvent::Kind::MouseMove;
    ev.screen = {x, y};
    Inject(ev);
}

void OffscreenBackend::InjectClick(int x, int y, int button) {
    NativeEvent ev;
    ev.screen = {x, y};
    ev.button = button;
    ev.kind = NativeEvent::Kind::MouseDown;
    Inject(ev);
    ev.kind = NativeEvent::Kind::MouseUp;
    Inject(ev);
}

void OffscreenBackend::InjectKey(UINT vk) {
    NativeEvent ev;
    ev.vk = vk;
    ev.kind = NativeEvent::Kind::KeyDown;
    Inject(ev);
    ev.kind = NativeEvent::Kind::KeyUp;
    Inject(ev);
}

OffscreenBackend::Frame OffscreenBackend::GetFrame(HWND hwnd) const {
    std::lock_guard lock(m_mu);
    auto it = m_surfaces.find(hwnd);
    return it == m_surfaces.end() ? Frame{} : it->second.frame;
}

bool OffscreenBackend::IsShown(HWND hwnd) const {
    std::lock_guard lock(m_mu);
    auto it = m_surfaces.find(hwnd);
    return it != m_surfaces.end() && it->second.shown;
}

RECT OffscreenBackend::GetBounds(HWND hwnd) const {
    std::lock_guard lock(m_mu);
    auto it = m_surfaces.find(hwnd);
    return it == m_surfaces.end() ? RECT{} : it->second.desc.rect;
}

std::string OffscreenBackend::GetTitle(HWND hwnd) const {
    std::lock_guard lock(m_mu);
    auto it = m_surfaces.find(hwnd);
    return it == m_surfaces.end() ? std::string() : it->second.desc.title;
}

uint8_t OffscreenBackend::GetOpacity(HWND hwnd) const {
    std::lock_guard lock(m_mu);
    auto it = m_surfaces.find(hwnd);
    return it == m_surfaces.end() ? 0 : it->second.opacity;
}

bool OffscreenBackend::IsBordered(HWND hwnd) const {
    std::lock_guard lock(m_mu);
    auto it = m_surfaces.find(hwnd);
    return it != m_surfaces.end() && it->second.desc.bordered;
}

HCURSOR OffscreenBackend::GetShownCursor() const {
    std::lock_guard lock(m_mu);
    return m_cursorShape;
}

void OffscreenBackend::SetWorkArea(const RECT& area) {
    std::lock_guard lock(m_mu);
    m_workArea = area;
}

int OffscreenBackend::GetSleepCount() const {
    std::lock_guard lock(m_mu);
    return m_sleeps;
}

// [SECTION] Backend

bool OffscreenBackend::CreateNativeWindow(HWND hwnd, const NativeWindowDesc& desc) {
    std::lock_guard lock(m_mu);
    m_surfaces[hwnd].desc = desc;
    return true;
}

void OffscreenBackend::DestroyNativeWindow(HWND hwnd) {
    std::lock_guard lock(m_mu);
    m_surfaces.erase(hwnd);
}

void OffscreenBackend::SetVisible(HWND hwnd, bool visible, bool /*activate*/) {
    std::lock_guard lock(m_mu);
    auto it = m_surfaces.find(hwnd);
    if (it != m_surfaces.end()) it->second.shown = visible;
}

void OffscreenBackend::SetBounds(HWND hwnd, const RECT& rect) {
    std::lock_guard lock(m_mu);
    auto it = m_surfaces.find(hwnd);
    if (it != m_surfaces.end()) it->second.desc.rect = rect;
}

void OffscreenBackend::SetTitle(HWND hwnd, const std::string& title) {
    std::lock_guard lock(m_mu);
    auto it = m_surfaces.find(hwnd);
    if (it != m_surfaces.end()) it->second.desc.title = title;
}

void OffscreenBackend::SetBordered(HWND hwnd, bool bordered) {
    std::lock_guard lock(m_mu);
    auto it = m_surfaces.find(hwnd);
    if (it != m_surfaces.end()) it->second.desc.bordered = bordered;
}

void OffscreenBackend::SetOpacity(HWND hwnd, uint8_t alpha) {
    std::lock_guard lock(m_mu);
    auto it = m_surfaces.find(hwnd);
    if (it != m_surfaces.end()) it->second.opacity = alpha;
}

void OffscreenBackend::SetLayered(HWND hwnd, bool layered) {
    std::lock_guard lock(m_mu);
    auto it = m_surfaces.find(hwnd);
    if (it != m_surfaces.end()) it->second.desc.layered = layered;
}

bool OffscreenBackend::IsLayered(HWND hwnd) const {
    std::lock_guard lock(m_mu);
    auto it = m_surfaces.find(hwnd);
    return it != m_surfaces.end() && it->second.desc.layered;
}

void OffscreenBackend::Raise(HWND /*hwnd*/) {}
void OffscreenBackend::Minimize(HWND /*hwnd*/) {}

void OffscreenBackend::Present(HWND hwnd, const uint32_t* pixels, int width, int height, int stride,
                               const RECT& dirty, bool perPixelAlpha) {
    std::lock_guard lock(m_mu);
    auto it = m_surfaces.find(hwnd);
    if (it == m_surfaces.end()) return;
    Frame& f = it->second.frame;
    if (f.width != width || f.height != height) {
        f.width = width;
        f.height = height;
        f.pixels.assign(static_cast<size_t>(width) * height, 0);
    }
    const int x0 = std::max(0, dirty.left), y0 = std::max(0, dirty.top);
    const int x1 = std::min(width, dirty.right), y1 = std::min(height, dirty.bottom);
    for (int y = y0; y < y1; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(pixels) +
                                                            static_cast<size_t>(y) * stride);
        std::memcpy(&f.pixels[static_cast<size_t>(y) * width + x0], row + x0,
                    static_cast<size_t>(std::max(0, x1 - x0)) * 4);
    }
    f.perPixelAlpha = perPixelAlpha;
    ++f.presents;
}

RECT OffscreenBackend::GetWorkArea(const RECT& /*near*/) {
    std::lock_guard lock(m_mu);
    return m_workArea;
}

POINT OffscreenBackend::GetCursorPos() {
    std::lock_guard lock(m_mu);
    return m_cursor;
}

void OffscreenBackend::SetCursor(HCURSOR cursor) {
    std::lock_guard lock(m_mu);
    m_cursorShape = cursor;
}

void OffscreenBackend::CaptureMouse(bool /*capture*/) {}

bool OffscreenBackend::SetClipboardText(const std::string& text) {
    std::lock_guard lock(m_mu);
    m_clipboard = text;
    return true;
}

std::string OffscreenBackend::GetClipboardText() {
    std::lock_guard lock(m_mu);
    return m_clipboard;
}

void OffscreenBackend::Poll(std::vector<NativeEvent>& out) {
    std::lock_guard lock(m_mu);
    while (!m_events.empty()) {
        out.push_back(std::move(m_events.front()));
        m_events.pop_front();
    }
}

void OffscreenBackend::Wait(std::optional<PlatformClock::time_point> deadline) {
    std::unique_lock lock(m_mu);
    auto ready = [&] { return m_woken || !m_events.empty(); };
    if (!ready()) {
        ++m_sleeps;
        if (deadline)
            m_cv.wait_until(lock, *deadline, ready);
        else
            m_cv.wait(lock, ready);
    }
    m_woken = false;
}

void OffscreenBackend::Wake() {
    {
        std::lock_guard lock(m_mu);
        m_woken = true;
    }
    m_cv.notify_all();
}

}  // namespace TiluUI
