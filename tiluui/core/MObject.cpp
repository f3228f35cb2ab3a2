// MObject: class-name identity and the default notification handlers.
#include "tiluui/core/MObject.h"

#include <cstring>

namespace TiluUI {

bool MObject::IsClass(const char* name) const {
    const char* own = GetClassNameW();
    return own && name && std::strcmp(own, name) == 0;
}

const char* MObject::GetClassNameW() const {
    return nullptr;
}
const char* MObject::GetObjectClass() const {
    return nullptr;
}
const char* MObject::BaseObjectClassName() const {
    return nullptr;
}
LRESULT MObject::OnBaseMessage(unsigned, unsigned, WPARAM, LPARAM) {
    return 0;
}
int MObject::OnControlUpdate(CRect, int, MControl*) {
    return 0;
}

}  // namespace TiluUI
