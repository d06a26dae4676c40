#include "icon_image.h"

#include <cstring>

std::optional<IconImage> DecodeIconImage(const BYTE* data, std::size_t size)
{
    BITMAPINFOHEADER header{};
    if (!data || size < sizeof header)
        return std::nullopt;
    std::memcpy(&header, data, sizeof header);
    const LONG side = header.biWidth;
    if (header.biSize != sizeof header || side <= 0 || side > 256 || header.biHeight != 2 * side ||
        header.biPlanes != 1 || header.biBitCount != 32 || header.biCompression != BI_RGB)
        return std::nullopt;
    const std::size_t count = static_cast<std::size_t>(side) * side;
    const std::size_t maskStride = ((side + 31) / 32) * 4;
    const std::size_t needed = sizeof header + count * 4 + maskStride * side;
    if (size < needed)
        return std::nullopt;

    IconImage image;
    image.size = side;
    image.pixels.resize(count);
    image.masked.resize(count);
    const BYTE* colour = data + sizeof header;
    const BYTE* mask = colour + count * 4;
    for (LONG row = 0; row < side; ++row) {
        const LONG y = side - 1 - row; // stored bottom-up
        for (LONG x = 0; x < side; ++x) {
            const BYTE* p = colour + (static_cast<std::size_t>(row) * side + x) * 4;
            const std::size_t at = static_cast<std::size_t>(y) * side + x;
            image.pixels[at] = Rgba{p[2], p[1], p[0], p[3]};
            image.masked[at] = (mask[row * maskStride + x / 8] & (0x80 >> (x % 8))) != 0;
        }
    }
    return image;
}

bool IsPng(const BYTE* data, std::size_t size)
{
    static const BYTE kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return data && size >= sizeof kSignature && std::memcmp(data, kSignature, sizeof kSignature) == 0;
}

std::optional<IconImage> DecodePngIconImage(const BYTE* data, std::size_t size)
{
    if (!IsPng(data, size))
        return std::nullopt;
    HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(data), static_cast<DWORD>(size), TRUE, 0x00030000,
                                          0, 0, LR_DEFAULTCOLOR);
    if (!icon)
        return std::nullopt;
    ICONINFO info{};
    const bool got = GetIconInfo(icon, &info);
    DestroyIcon(icon);
    if (!got)
        return std::nullopt;
    BITMAP bitmap{};
    std::optional<IconImage> image;
    if (info.hbmColor && GetObjectW(info.hbmColor, sizeof bitmap, &bitmap) &&
        bitmap.bmWidth == bitmap.bmHeight) {
        BITMAPINFO bmi{};
        bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
        bmi.bmiHeader.biWidth = bitmap.bmWidth;
        bmi.bmiHeader.biHeight = -bitmap.bmHeight;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        std::vector<BYTE> bgra(static_cast<std::size_t>(bitmap.bmWidth) * bitmap.bmHeight * 4);
        HDC screen = GetDC(nullptr);
        if (GetDIBits(screen, info.hbmColor, 0, bitmap.bmHeight, bgra.data(), &bmi, DIB_RGB_COLORS) ==
            bitmap.bmHeight) {
            image.emplace();
            image->size = bitmap.bmWidth;
            for (std::size_t i = 0; i < bgra.size(); i += 4)
                image->pixels.push_back(Rgba{bgra[i + 2], bgra[i + 1], bgra[i], bgra[i + 3]});
        }
        ReleaseDC(nullptr, screen);
    }
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return image;
}
