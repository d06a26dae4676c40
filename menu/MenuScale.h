// The menu's lengths at the DPI it is laid out for. The menu is designed in
// pixels at 96 DPI; every measure and paint takes its lengths from here, so
// at 96 DPI nothing moves and at any other DPI everything grows alike.
#pragma once
#include <windows.h>

#include "Dpi.h"

class MenuScale
{
public:
    explicit MenuScale(UINT nDpi = dpi::kDesign) : m_nDpi(nDpi) {}

    UINT Dpi() const { return m_nDpi; }
    // A length of the 96-DPI design, in pixels at this DPI (rounded).
    int operator()(int n96) const { return ::MulDiv(n96, static_cast<int>(m_nDpi), dpi::kDesign); }
    // A system metric as it is at this DPI.
    int Metric(int index) const { return dpi::MetricForDpi(index, m_nDpi); }

private:
    UINT m_nDpi;
};
