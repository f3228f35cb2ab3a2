// Maps SDL2 scancodes to the platform's virtual-key codes (the codes macros store).
#pragma once

#include <SDL2/SDL_scancode.h>

#include "tiluui/platform/WinTypes.h"

namespace TiluUI {

/// The virtual-key code of a physical key (0 when it has none).
UINT VirtualKeyFromScancode(SDL_Scancode sc);

}  // namespace TiluUI
