// The small queries of the keyboard model.
#include "app/store/KeyboardModel.h"

namespace KeyForge {

KeyGrid KeyboardModel::EmptyKeyGrid() {
    KeyGrid grid;
    for (auto& row : grid) row.fill(kNoKeyCell);
    return grid;
}

bool KeyboardModel::ShowsTab(int tabItem) const {
    switch (tabItem) {
        case 1: return (pageFlags & kPageKeys) != 0;
        case 2: return (pageFlags & kPageMacros) != 0;
        case 3: return (pageFlags & kPageLighting) != 0;
        case 7: return (pageFlags & kPageThirdView) != 0;
        default: return false;
    }
}

const LightModeInfo* KeyboardModel::FindLightMode(int mode) const {
    for (const LightModeInfo& m : lightModes)
        if (m.mode == mode) return &m;
    return nullptr;
}

const KeyItem* KeyboardModel::FindKey(unsigned code) const {
    for (const KeyItem& k : keyItems)
        if (k.code == code) return &k;
    return nullptr;
}

}  // namespace KeyForge
