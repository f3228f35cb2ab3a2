// Points the store at a keyboard's own file when a keyboard's description is loaded
// (start-up, another keyboard chosen, after a factory reset).
#pragma once

#include <string>

#include "app/store/DataStore.h"

namespace KeyForge {

/// Closes the store's current file and opens (creating it on first use) the file of
/// the keyboard named `keyboardName` in the store folder; false when it cannot be opened.
bool OpenKeyboardStore(DataStore& store, const std::string& keyboardName);

}  // namespace KeyForge
