// Points the store at a keyboard's own file when a keyboard's description is loaded
// (start-up, another keyboard chosen, after a factory reset).
#pragma once

#include <string>

#include "app/store/DataStore.h"
#include "app/store/KeyboardLayout.h"

namespace KeyForge {

/// Closes the store's current file and opens (creating it on first use) the file of
/// the keyboard named `keyboardName` in the store folder; false when it cannot be opened.
bool OpenKeyboardStore(DataStore& store, const std::string& keyboardName);

/// The layout load's switch: every loaded keyboard gets its own store file.
class DataStoreKeyboardSwitch : public KeyboardStoreSwitch {
public:
    /// Switches `store` (the process-wide one unless another is given).
    explicit DataStoreKeyboardSwitch(DataStore& store = DataStore::Instance()) : m_store(store) {}
    /// Opens the keyboard's file; an empty name (no such keyboard) leaves the store closed.
    void SwitchToKeyboard(const std::string& keyboardName) override;

private:
    DataStore& m_store;
};

}  // namespace KeyForge
