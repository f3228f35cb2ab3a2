// Switching the store to a keyboard's file.
#include "app/store/KeyboardStore.h"

#include "app/store/Paths.h"

namespace KeyForge {

bool OpenKeyboardStore(DataStore& store, const std::string& keyboardName) {
    if (store.IsOpened()) store.CloseStore();
    return store.OpenDeviceStore(GetDataFolder(), keyboardName);
}

}  // namespace KeyForge
