// Finds the X11 visual with an alpha channel that per-pixel-alpha windows are created with.
#pragma once

#include <string>

namespace TiluUI {

/// The id of a 32-bit TrueColor visual on the default screen of $DISPLAY, as text for
/// SDL's visual hint; "" when there is none or no X display.
std::string FindArgbVisualId();

}  // namespace TiluUI
