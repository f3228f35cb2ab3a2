// The light records a profile starts with: one per light mode of the keyboard's layout,
// with the layout's defaults, as the lighting page creates them when the store has none.
#pragma once

#include "app/store/DataStore.h"
#include "app/store/KeyboardModel.h"

namespace KeyForge {

/// The colour of a new light record: red (red in the low byte).
inline constexpr int kDefaultLightColour = 255;

/// When the store holds no light record for `profile`, adds one per light mode of the
/// model in layout order (name, mode, config_func and reserved from the layout;
/// brightness and speed the layout defaults; direction 0, colourful, colour index 0,
/// red) and marks the layout's default mode active. True when the profile has light
/// records afterwards.
bool EnsureLightRecords(DataStore& store, int profile, const KeyboardModel& model);

}  // namespace KeyForge
