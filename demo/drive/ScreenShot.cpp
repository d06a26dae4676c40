#include "ScreenShot.h"

#include "Files.h"
#include "PipeIo.h"

#include <vector>

namespace drive {

namespace {

constexpr DWORD kRecaptureMs = 150;

// Device context of the whole screen, released on every path.
class ScreenDc
{
public:
    ScreenDc() : m_dc(GetDC(nullptr)) {}
    ~ScreenDc()
    {
        if (m_dc)
            ReleaseDC(nullptr, m_dc);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC Get() const { return m_dc; }

private:
    HDC m_dc;
};

size_t RowBytes(int width)
{
    return (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
}

// The rectangle's pixels as a bottom-up 24-bit DIB; empty on failure.
std::vector<unsigned char> Capture(const RECT& rect)
{
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return {};
    ScreenDc screen;
    if (!screen.Get())
        return {};
    HDC memory = CreateCompatibleDC(screen.Get());
    HBITMAP bitmap = CreateCompatibleBitmap(screen.Get(), width, height);
    std::vector<unsigned char> pixels;
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BOOL copied =
            BitBlt(memory, 0, 0, width, height, screen.Get(), rect.left, rect.top, SRCCOPY | CAPTUREBLT);
        SelectObject(memory, old);
        BITMAPINFOHEADER header{};
        header.biSize = sizeof header;
        header.biWidth = width;
        header.biHeight = height;
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biCompression = BI_RGB;
        pixels.resize(RowBytes(width) * static_cast<size_t>(height));
        if (!copied || GetDIBits(screen.Get(), bitmap, 0, static_cast<UINT>(height), pixels.data(),
                                 reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS) != height)
            pixels.clear();
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
    return pixels;
}

bool WriteBmp(const std::wstring& path, int width, int height, const std::vector<unsigned char>& pixels)
{
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(pixels.size());
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::string data(reinterpret_cast<const char*>(&file), sizeof file);
    data.append(reinterpret_cast<const char*>(&info), sizeof info);
    data.append(reinterpret_cast<const char*>(pixels.data()), pixels.size());
    return WriteTextFile(path, data);
}

} // namespace

bool SaveWindowPicture(HWND window, const std::wstring& bmpPath, DWORD timeoutMs, int margin)
{
    RECT rect;
    if (!GetWindowRect(window, &rect))
        return false;
    InflateRect(&rect, margin, margin);
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&rect, &rect, &screen);
    pipeio::Deadline deadline(timeoutMs);
    std::vector<unsigned char> last = Capture(rect);
    for (;;) {
        Sleep(kRecaptureMs);
        std::vector<unsigned char> next = Capture(rect);
        bool stable = !next.empty() && next == last;
        last = std::move(next);
        if (stable || deadline.Remaining() == 0)
            break;
    }
    return !last.empty() && WriteBmp(bmpPath, rect.right - rect.left, rect.bottom - rect.top, last);
}

} // namespace drive
