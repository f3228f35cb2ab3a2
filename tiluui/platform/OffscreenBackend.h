// The offscreen backend: windows are memory surfaces, input is injected by tests and
// the last presented frame of each window can be read back as pixels.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "tiluui/platform/Backend.h"

namespace TiluUI {

/// A window system without a display, for tests and headless runs.
class OffscreenBackend : public Backend {
public:
    /// The pixels a window last put on screen.
    struct Frame {
        int width = 0;
        int height = 0;
        std::vector<uint32_t> pixels;  // premultiplied ARGB32, rows top to bottom
        bool perPixelAlpha = false;
        int presents = 0;  // how many frames the window has presented
        /// The pixel at (x, y); 0 outside the frame.
        uint32_t Pixel(int x, int y) const {
            if (x < 0 || y < 0 || x >= width || y >= height) return 0;
            return pixels[static_cast<size_t>(y) * width + x];
        }
    };

    OffscreenBackend();
    ~OffscreenBackend() override;

    // [SECTION] Test controls (any thread)
    /// Queues a native event as if the user had caused it; wakes the window thread.
    void Inject(const NativeEvent& ev);
    /// Convenience: pointer moved to a screen point.
    void InjectMouseMove(int x, int y);
    /// Convenience: button 1 (left), 2 (right) or 3 pressed and released at a screen point.
    void InjectClick(int x, int y, int button = 1);
    /// Convenience: a key pressed and released.
    void InjectKey(UINT vk);
    /// The last frame presented by the window (empty when none).
    Frame GetFrame(HWND hwnd) const;
    /// Whether the window is shown, its bounds, title, opacity and frame as the backend sees them.
    bool IsShown(HWND hwnd) const;
    RECT GetBounds(HWND hwnd) const;
    std::string GetTitle(HWND hwnd) const;
    uint8_t GetOpacity(HWND hwnd) const;
    bool IsBordered(HWND hwnd) const;
    bool IsLayered(HWND hwnd) const;
    /// The cursor last shown.
    HCURSOR GetShownCursor() const;
    /// Sets the work area reported for every monitor (default 0,0,1920,1040).
    void SetWorkArea(const RECT& area);
    /// Number of Wait() calls that actually slept (lets tests see that idle loops block).
    int GetSleepCount() const;

    // [SECTION] Backend
    const char* Name() const override { return "offscreen"; }
    bool CreateNativeWindow(HWND hwnd, const NativeWindowDesc& desc) override;
    void DestroyNativeWindow(HWND hwnd) override;
    void SetVisible(HWND hwnd, bool visible, bool activate) override;
    void SetBounds(HWND hwnd, const RECT& rect) override;
    void SetTitle(HWND hwnd, const std::string& title) override;
    void SetBordered(HWND hwnd, bool bordered) override;
    void SetOpacity(HWND hwnd, uint8_t alpha) override;
    void SetLayered(HWND hwnd, bool layered) override;
    void Raise(HWND hwnd) override;
    void Minimize(HWND hwnd) override;
    void Present(HWND hwnd, const uint32_t* pixels, int width, int height, int stride, const RECT& dirty,
                 bool perPixelAlpha) override;
    RECT GetWorkArea(const RECT& near) override;
    POINT GetCursorPos() override;
    void SetCursor(HCURSOR cursor) override;
    void CaptureMouse(bool capture) override;
    bool SetClipboardText(const std::string& text) override;
    std::string GetClipboardText() override;
    void Poll(std::vector<NativeEvent>& out) override;
    void Wait(std::optional<PlatformClock::time_point> deadline) override;
    void Wake() override;

private:
    struct Surface {
        NativeWindowDesc desc;
        bool shown = false;
        uint8_t opacity = 255;
        Frame frame;
    };

    mutable std::mutex m_mu;
    std::condition_variable m_cv;
    bool m_woken = false;
    std::deque<NativeEvent> m_events;
    std::map<HWND, Surface> m_surfaces;
    RECT m_workArea{0, 0, 1920, 1040};
    POINT m_cursor;
    HCURSOR m_cursorShape = 0;
    std::string m_clipboard;
    int m_sleeps = 0;
};

}  // namespace TiluUI
