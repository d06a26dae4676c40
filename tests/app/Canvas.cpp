#include "Canvas.h"

namespace apptest {

Canvas::Canvas(int size, COLORREF background) : m_size(size)
{
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = size;
    bmi.bmiHeader.biHeight = -size;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    m_dc = CreateCompatibleDC(nullptr);
    m_bitmap = CreateDIBSection(m_dc, &bmi, DIB_RGB_COLORS, &m_bits, nullptr, 0);
    if (m_dc && m_bitmap) {
        m_old = SelectObject(m_dc, m_bitmap);
        RECT all = {0, 0, size, size};
        HBRUSH brush = CreateSolidBrush(background);
        FillRect(m_dc, &all, brush);
        DeleteObject(brush);
    }
}

Canvas::~Canvas()
{
    if (m_old)
        SelectObject(m_dc, m_old);
    if (m_bitmap)
        DeleteObject(m_bitmap);
    if (m_dc)
        DeleteDC(m_dc);
}

std::vector<DWORD> Canvas::Pixels() const
{
    if (!m_bits)
        return {};
    GdiFlush();
    const auto* first = static_cast<const DWORD*>(m_bits);
    std::vector<DWORD> pixels(first, first + m_size * m_size);
    for (DWORD& pixel : pixels)
        pixel &= 0x00FFFFFF;
    return pixels;
}

std::vector<DWORD> IconPixels(HICON icon, int size, COLORREF background, int x, int y)
{
    Canvas canvas(size, background);
    DrawIcon(canvas.dc(), x, y, icon);
    return canvas.Pixels();
}

std::vector<DWORD> IconPixelsAt(HICON icon, int size)
{
    Canvas canvas(size, RGB(255, 255, 255));
    DrawIconEx(canvas.dc(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    return canvas.Pixels();
}

std::vector<DWORD> GroupImagePixels(UINT group, int size)
{
    HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(group), IMAGE_ICON,
                                               size, size, LR_DEFAULTCOLOR));
    if (!icon)
        return {};
    std::vector<DWORD> pixels = IconPixelsAt(icon, size);
    DestroyIcon(icon);
    return pixels;
}

} // namespace apptest
