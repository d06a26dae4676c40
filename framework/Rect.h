// A RECT with the few helpers drawing code needs; passed by value.
#pragma once
#include <windows.h>

struct CRect : RECT
{
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    CRect(const RECT& rc) : RECT(rc) {}

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }

    void OffsetRect(int dx, int dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    // Moves every side inwards by d pixels.
    void DeflateRect(int d)
    {
        left += d;
        top += d;
        right -= d;
        bottom -= d;
    }

    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
};
