// CPoint, CSize and CRect: the rectangle and point helpers every TiluUI layer uses.
#pragma once

#include <algorithm>

#include "tiluui/platform/WinTypes.h"

namespace TiluUI {

/// A point with value semantics and a few helpers.
class CPoint : public POINT {
public:
    CPoint() = default;
    CPoint(int px, int py) { x = px, y = py; }
    CPoint(const POINT& p) : POINT(p) {}  // NOLINT: implicit like the platform type

    bool operator==(const CPoint& o) const { return x == o.x && y == o.y; }
    /// Moves the point.
    void Offset(int dx, int dy) { x += dx, y += dy; }
};

/// A size with value semantics.
class CSize : public SIZE {
public:
    CSize() = default;
    CSize(int w, int h) { cx = w, cy = h; }
    bool operator==(const CSize& o) const { return cx == o.cx && cy == o.cy; }
};

/// A rectangle (right and bottom exclusive) with the usual operations.
class CRect : public RECT {
public:
    CRect() = default;
    CRect(int l, int t, int r, int b) { left = l, top = t, right = r, bottom = b; }
    CRect(const RECT& r) : RECT(r) {}  // NOLINT: implicit like the platform type

    bool operator==(const CRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const CRect& o) const { return !(*this == o); }

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return {Width(), Height()}; }
    CPoint TopLeft() const { return {left, top}; }
    CPoint BottomRight() const { return {right, bottom}; }
    CPoint CenterPoint() const { return {(left + right) / 2, (top + bottom) / 2}; }

    /// True when the rectangle has no area (width or height not above 0).
    bool IsRectEmpty() const { return right <= left || bottom <= top; }
    /// True when every coordinate is 0.
    bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    /// True when the point lies inside (left and top inclusive, right and bottom exclusive).
    bool PtInRect(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }

    void SetRect(int l, int t, int r, int b) { left = l, top = t, right = r, bottom = b; }
    void SetRectEmpty() { left = top = right = bottom = 0; }
    void OffsetRect(int dx, int dy) { left += dx, right += dx, top += dy, bottom += dy; }
    void MoveToXY(int x, int y) { OffsetRect(x - left, y - top); }
    void InflateRect(int dx, int dy) { left -= dx, right += dx, top -= dy, bottom += dy; }
    void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }

    /// Sets this to the overlap of a and b; returns false (and empties this) when they do not overlap.
    bool IntersectRect(const RECT& a, const RECT& b) {
        CRect r(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom));
        if (r.IsRectEmpty()) {
            SetRectEmpty();
            return false;
        }
        *this = r;
        return true;
    }
    /// Sets this to the bounding box of a and b; an empty rectangle does not count.
    bool UnionRect(const RECT& a, const RECT& b) {
        const CRect ca(a), cb(b);
        if (ca.IsRectEmpty()) {
            *this = cb;
        } else if (cb.IsRectEmpty()) {
            *this = ca;
        } else {
            SetRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                    std::max(a.bottom, b.bottom));
        }
        return !IsRectEmpty();
    }
    /// True when the two rectangles overlap.
    bool Intersects(const RECT& o) const {
        CRect r;
        return r.IntersectRect(*this, o);
    }
};

}  // namespace TiluUI
