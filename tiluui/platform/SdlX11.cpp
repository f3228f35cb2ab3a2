// X11 specifics of the SDL backend. Kept apart: Xlib's macros (None, Bool, Window, Status)
// must not meet the rest of the platform layer.
#include "tiluui/platform/SdlX11.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/Xutil.h>

namespace TiluUI {

namespace {

XErrorHandler g_previous = nullptr;

// SDL wakes its event wait by sending an event to a window over a second connection. When the
// window is destroyed on the main connection first (a dialog closing right after a click), the
// server answers BadWindow, which Xlib's default handler turns into exit(1) - typically when
// SDL closes that connection at shutdown.
int FilterXError(Display* dpy, XErrorEvent* e) {
    if (e->error_code == BadWindow && e->request_code == X_SendEvent) return 0;
    return g_previous ? g_previous(dpy, e) : 0;
}

}  // namespace

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

void InstallX11ErrorFilter() {
    XErrorHandler current = XSetErrorHandler(FilterXError);
    if (current != FilterXError) g_previous = current;
}

}  // namespace TiluUI
