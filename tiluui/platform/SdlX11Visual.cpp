// X11 visual lookup for per-pixel-alpha windows. Kept apart: Xlib's macros (None, Bool,
// Window, Status) must not meet the rest of the platform layer.
#include "tiluui/platform/SdlX11Visual.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace TiluUI {

std::string FindArgbVisualId() {
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) return {};
    XVisualInfo info{};
    std::string id;
    if (XMatchVisualInfo(dpy, DefaultScreen(dpy), 32, TrueColor, &info))
        id = std::to_string(static_cast<unsigned long>(info.visualid));
    XCloseDisplay(dpy);
    return id;
}

}  // namespace TiluUI
