// X11 specifics of the SDL backend: the visual with alpha for per-pixel-alpha windows and
// an error handler that survives windows vanishing under a request.
#pragma once

#include <string>

namespace TiluUI {

/// The id of a 32-bit TrueColor visual on the default screen of $DISPLAY, as text for
/// SDL's visual hint; "" when there is none or no X display.
std::string FindArgbVisualId();

/// Installs an Xlib error handler that ignores a BadWindow from sending an event to a window
/// that was destroyed meanwhile, and hands every other error to the handler before it. Call it
/// before SDL starts: SDL puts back the handler it found when it shuts down.
void InstallX11ErrorFilter();

}  // namespace TiluUI
