// A small 32-bit top-down bitmap in a memory DC, for comparing pixels.
#pragma once
#include <windows.h>

#include <vector>

namespace apptest {

class Canvas
{
public:
    // size x size pixels, filled with background.
    Canvas(int size, COLORREF background);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return m_dc; }
    // The pixels as 0x00RRGGBB, row by row.
    std::vector<DWORD> Pixels() const;

private:
    int m_size;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    void* m_bits = nullptr;
};

// icon drawn at x, y (at its own size) on a size x size background.
std::vector<DWORD> IconPixels(HICON icon, int size, COLORREF background, int x = 0, int y = 0);
// icon drawn filling a size x size square of white.
std::vector<DWORD> IconPixelsAt(HICON icon, int size);
// The image of the icon group `group` of exactly `size` pixels, drawn as
// above; empty when the program has no such icon.
std::vector<DWORD> GroupImagePixels(UINT group, int size);

} // namespace apptest
