// Switching the store to a keyboard's file.
#include "app/store/KeyboardStore.h"

#include "app/store/Paths.h"

namespace KeyForge {

bool OpenKeyboardStore(DataStore& store, const std::string& keyboardName) {
    if (store.IsOpened()) store.CloseStore();
    return store.OpenDeviceStore(GetDataFolder(), keyboardName);
}

void DataStoreKeyboardSwitch::SwitchToKeyboard(const std::string& keyboardName) {
    // Failures stay silent, like every store failure: the store is then closed and
    // its operations return their failure values.
    OpenKeyboardStore(m_store, keyboardName);
}

}  // namespace KeyForge
