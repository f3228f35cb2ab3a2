// MObject: the root of everything that receives control notifications (a window's
// control host and every control); it carries the class-name identity and the two
// upward channels from a control to its parent.
#pragma once

#include "tiluui/platform/Geometry.h"
#include "tiluui/platform/WinTypes.h"

namespace TiluUI {

class MControl;

/// Root of the notification tree. Error convention: the root's handlers return 0.
class MObject {
public:
    MObject() = default;
    /// 0
    virtual ~MObject() = default;
    /// 1: true when `name` equals GetClassNameW() exactly; an object without a name matches nothing.
    virtual bool IsClass(const char* name) const;
    /// 2: the identity string; null for the root.
    virtual const char* GetClassNameW() const;
    /// 3: reserved for subclasses; null.
    virtual const char* GetObjectClass() const;
    /// 4: reserved for subclasses; null.
    virtual const char* BaseObjectClassName() const;
    /// 5: a notification from child control `controlId`; the root returns 0.
    virtual LRESULT OnBaseMessage(unsigned controlId, unsigned code, WPARAM wParam, LPARAM lParam);
    /// 6: a child asks for `rect` to be repainted (its cache stale when `fullUpdate`); the root returns 0.
    virtual int OnControlUpdate(CRect rect, int fullUpdate, MControl* control);
};

}  // namespace TiluUI
