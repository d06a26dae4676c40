#include "MenuTestSupport.h"

#include <algorithm>
#include <cstdio>

namespace menutest {

namespace {

DWORD ToPixel(COLORREF c)
{
    return (DWORD(GetRValue(c)) << 16) | (DWORD(GetGValue(c)) << 8) | GetBValue(c);
}

COLORREF FromPixel(DWORD p)
{
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

} // namespace

Canvas::Canvas(int width, int height, COLORREF fill) : m_width(width), m_height(height)
{
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    m_hdc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    m_hbm = CreateDIBSection(m_hdc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_bits = static_cast<DWORD*>(bits);
    m_hOld = SelectObject(m_hdc, m_hbm);
    Fill(fill);
}

Canvas::~Canvas()
{
    SelectObject(m_hdc, m_hOld);
    DeleteObject(m_hbm);
    DeleteDC(m_hdc);
}

void Canvas::Fill(COLORREF colour)
{
    GdiFlush();
    std::fill(m_bits, m_bits + m_width * m_height, ToPixel(colour));
}

COLORREF Canvas::At(int x, int y) const
{
    GdiFlush();
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return CLR_INVALID;
    return FromPixel(m_bits[y * m_width + x] & 0xFFFFFF);
}

int Canvas::Count(const RECT& rc, COLORREF colour) const
{
    int n = 0;
    for (int y = std::max<int>(rc.top, 0); y < std::min<int>(rc.bottom, m_height); ++y)
        for (int x = std::max<int>(rc.left, 0); x < std::min<int>(rc.right, m_width); ++x)
            n += At(x, y) == colour;
    return n;
}

int Canvas::CountOther(const RECT& rc, COLORREF colour) const
{
    int n = 0;
    for (int y = std::max<int>(rc.top, 0); y < std::min<int>(rc.bottom, m_height); ++y)
        for (int x = std::max<int>(rc.left, 0); x < std::min<int>(rc.right, m_width); ++x)
            n += At(x, y) != colour;
    return n;
}

RECT Canvas::Bounds(const RECT& rc, COLORREF colour, bool bOther) const
{
    RECT b{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = std::max<int>(rc.top, 0); y < std::min<int>(rc.bottom, m_height); ++y)
        for (int x = std::max<int>(rc.left, 0); x < std::min<int>(rc.right, m_width); ++x)
            if ((At(x, y) == colour) != bOther) {
                b.left = std::min<LONG>(b.left, x);
                b.top = std::min<LONG>(b.top, y);
                b.right = std::max<LONG>(b.right, x + 1);
                b.bottom = std::max<LONG>(b.bottom, y + 1);
            }
    if (b.left == INT_MAX)
        return RECT{0, 0, 0, 0};
    return b;
}

bool Canvas::Save(const std::wstring& path) const
{
    GdiFlush();
    BITMAPINFOHEADER bih{};
    bih.biSize = sizeof(bih);
    bih.biWidth = m_width;
    bih.biHeight = -m_height;
    bih.biPlanes = 1;
    bih.biBitCount = 32;
    bih.biCompression = BI_RGB;
    const DWORD imageSize = DWORD(m_width) * DWORD(m_height) * 4;
    BITMAPFILEHEADER bfh{};
    bfh.bfType = 0x4D42;
    bfh.bfOffBits = sizeof(bfh) + sizeof(bih);
    bfh.bfSize = bfh.bfOffBits + imageSize;
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return false;
    const bool ok = fwrite(&bfh, sizeof(bfh), 1, f) == 1 && fwrite(&bih, sizeof(bih), 1, f) == 1 &&
                    fwrite(m_bits, imageSize, 1, f) == 1;
    return fclose(f) == 0 && ok;
}

HICON MakeTestIcon()
{
    constexpr int kSize = 16;
    // Mask bits: 1 = transparent, 0 = opaque; two bytes a row, leftmost pixel
    // in the high bit.
    BYTE mask[kSize * 2];
    for (int y = 0; y < kSize; ++y) {
        const bool opaqueRow = y >= 4 && y < 12;
        mask[y * 2] = opaqueRow ? 0xF0 : 0xFF;
        mask[y * 2 + 1] = opaqueRow ? 0x0F : 0xFF;
    }
    DWORD colour[kSize * kSize];
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            colour[y * kSize + x] = (x >= 4 && x < 12 && y >= 4 && y < 12) ? ToPixel(kIconColour) : 0;

    HBITMAP hbmMask = CreateBitmap(kSize, kSize, 1, 1, mask);
    HBITMAP hbmColour = CreateBitmap(kSize, kSize, 1, 32, colour);
    ICONINFO ii{};
    ii.fIcon = TRUE;
    ii.hbmMask = hbmMask;
    ii.hbmColor = hbmColour;
    HICON hIcon = CreateIconIndirect(&ii);
    DeleteObject(hbmMask);
    DeleteObject(hbmColour);
    return hIcon;
}

std::unique_ptr<CMenuXP> MakeTestMenu(int style)
{
    auto menu = std::make_unique<CMenuXP>();
    menu->m_clrBackground = kBackground;
    menu->m_clrSelectedBar = kSelectedBar;
    menu->m_clrIconBar = kIconBar;
    menu->m_clrText = kText;
    menu->m_clrSelectedText = kSelectedText;
    menu->m_clrDisabledText = kDisabledText;
    menu->m_nStyle = style;
    return menu;
}

DRAWITEMSTRUCT DrawRequest(HDC hdc, const RECT& rc, const CMenuXPItem* pItem, UINT state)
{
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_MENU;
    dis.itemID = pItem ? pItem->m_nID : 0;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state;
    dis.hDC = hdc;
    dis.rcItem = rc;
    dis.itemData = reinterpret_cast<ULONG_PTR>(pItem);
    return dis;
}

MEASUREITEMSTRUCT MeasureRequest(const CMenuXPItem* pItem)
{
    MEASUREITEMSTRUCT mis{};
    mis.CtlType = ODT_MENU;
    mis.itemID = pItem ? pItem->m_nID : 0;
    mis.itemData = reinterpret_cast<ULONG_PTR>(pItem);
    return mis;
}

int CountGdiObjects()
{
    int n = 0;
    for (ULONG_PTR h = 1; h <= 0xFFFF; ++h)
        n += GetObjectType(reinterpret_cast<HGDIOBJ>(h)) != 0;
    return n;
}

int CountMenus()
{
    int n = 0;
    for (ULONG_PTR h = 1; h <= 0xFFFF; ++h)
        n += IsMenu(reinterpret_cast<HMENU>(h)) != FALSE;
    return n;
}

SIZE MeasureText(const CFont& font, int weight, const std::wstring& text)
{
    LOGFONTW lf{};
    font.GetLogFont(&lf);
    lf.lfWeight = weight;
    HFONT hFont = CreateFontIndirectW(&lf);
    HDC hdc = GetWindowDC(nullptr);
    HGDIOBJ hOld = SelectObject(hdc, hFont);
    RECT rc{0, 0, 0, 0};
    DrawTextW(hdc, text.c_str(), int(text.size()), &rc, DT_SINGLELINE | DT_VCENTER | DT_CALCRECT);
    SelectObject(hdc, hOld);
    ReleaseDC(nullptr, hdc);
    DeleteObject(hFont);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

} // namespace menutest
