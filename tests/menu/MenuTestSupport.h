// Helpers for the menu tests: a memory canvas that can be read back pixel by
// pixel, test icons, a menu with fixed colours, and object counts.
#pragma once
#include <memory>
#include <ostream>
#include <string>
#include <windows.h>

#include "MenuXP.h"

// Rectangles compared and printed in test assertions.
inline bool operator==(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline void PrintTo(const RECT& r, std::ostream* os)
{
    *os << "(" << r.left << ", " << r.top << ") - (" << r.right << ", " << r.bottom << ")";
}

namespace menutest {

// Fixed colours, distinct from each other and from the system colours the
// painting steps use, so that every pixel tells which step painted it.
constexpr COLORREF kCanvas = RGB(10, 100, 10);
constexpr COLORREF kBackground = RGB(200, 210, 220);
constexpr COLORREF kSelectedBar = RGB(120, 160, 220);
constexpr COLORREF kIconBar = RGB(230, 200, 170);
constexpr COLORREF kText = RGB(0, 0, 200);
constexpr COLORREF kSelectedText = RGB(255, 255, 0);
constexpr COLORREF kDisabledText = RGB(128, 0, 128);
constexpr COLORREF kIconColour = RGB(255, 0, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// A 32-bit top-down DIB section selected into a memory DC.
class Canvas
{
public:
    Canvas(int width, int height, COLORREF fill = kCanvas);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC hdc() const { return m_hdc; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    void Fill(COLORREF colour);
    COLORREF At(int x, int y) const;
    // Pixels of exactly this colour inside rc.
    int Count(const RECT& rc, COLORREF colour) const;
    // Pixels inside rc that differ from colour.
    int CountOther(const RECT& rc, COLORREF colour) const;
    // Bounding box of the pixels inside rc that have (or, with bOther, lack)
    // the colour; empty when there are none.
    RECT Bounds(const RECT& rc, COLORREF colour, bool bOther = false) const;
    // Writes the canvas as a .bmp file.
    bool Save(const std::wstring& path) const;

private:
    int m_width;
    int m_height;
    HDC m_hdc = nullptr;
    HBITMAP m_hbm = nullptr;
    HGDIOBJ m_hOld = nullptr;
    DWORD* m_bits = nullptr;
};

// A 16 x 16 icon, transparent except for an opaque square [4, 12) x [4, 12)
// in kIconColour. The caller owns it.
HICON MakeTestIcon();

// A CMenuXP with the fixed colours above and the given style; no menu attached.
std::unique_ptr<CMenuXP> MakeTestMenu(int style = MENU_STYLE_XP);

// An ODT_MENU draw request for one entry painted into hdc.
DRAWITEMSTRUCT DrawRequest(HDC hdc, const RECT& rc, const CMenuXPItem* pItem, UINT state);
// An ODT_MENU measure request for one entry.
MEASUREITEMSTRUCT MeasureRequest(const CMenuXPItem* pItem);

// Live GDI objects of this process, found by probing every 16-bit handle value.
int CountGdiObjects();
// Live menus, found by probing every user handle value.
int CountMenus();

// Size of text drawn with DT_SINGLELINE | DT_CALCRECT on the screen in a copy
// of font with the given weight.
SIZE MeasureText(const CFont& font, int weight, const std::wstring& text);

} // namespace menutest
