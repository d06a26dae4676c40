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
