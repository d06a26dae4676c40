// Decodes the images that icon resources hold.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <vector>

struct Rgba
{
    BYTE r, g, b, a;
};

// A square 32 bpp icon image, rows top to bottom.
struct IconImage
{
    int size = 0;
    std::vector<Rgba> pixels;
    std::vector<bool> masked; // AND mask: set where the legacy mask hides the pixel (DIB images only)

    Rgba At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * size + x]; }
};

// Nothing unless the bytes are a square, uncompressed 32 bpp DIB with its mask,
// the form of an RT_ICON resource.
std::optional<IconImage> DecodeIconImage(const BYTE* data, std::size_t size);

// True when the bytes start as a PNG file does.
bool IsPng(const BYTE* data, std::size_t size);
// A PNG-compressed RT_ICON image as the system decodes it; nothing when the
// system cannot read it.
std::optional<IconImage> DecodePngIconImage(const BYTE* data, std::size_t size);

// One entry of an RT_GROUP_ICON directory.
#pragma pack(push, 2)
struct GroupIconEntry
{
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes;
    WORD id;
};
struct GroupIconHeader
{
    WORD reserved, type, count;
};
#pragma pack(pop)
