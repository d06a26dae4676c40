// The five icon groups: their original image kept as it was, and one 32 bpp
// image for each size Windows asks for between 100 % and 250 % scaling (PNG,
// the original a DIB as before), each showing the picture claimed.
#include "icon_image.h"
#include "resource_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

struct ExpectedIcon
{
    WORD group;
    int size;            // the original image's
    std::uint32_t crc32; // of its bytes as first shipped
};

const ExpectedIcon kIcons[] = {{130, 64, 0xEC248BB9},
                               {131, 32, 0x01D447CE},
                               {132, 32, 0xAB846796},
                               {133, 32, 0x86192D97},
                               {134, 32, 0x79395AAC}};

// Every group's images, smallest first.
const int kSizes[] = {16, 20, 24, 32, 40, 48, 64};

int OriginalSize(WORD group)
{
    for (const ExpectedIcon& icon : kIcons)
        if (icon.group == group)
            return icon.size;
    return 0;
}

std::uint32_t Crc32(const BYTE* data, std::size_t size)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// What a pixel of a picture must look like.
enum class Look { Clear, Opaque, Red, Dark, Fire };

bool Matches(Rgba p, Look look)
{
    switch (look) {
    case Look::Clear:
        return p.a == 0;
    case Look::Opaque:
        return p.a == 255;
    case Look::Red:
        return p.a == 255 && p.r >= 100 && 2 * p.g < p.r && 2 * p.b < p.r;
    case Look::Dark:
        return p.a == 255 && std::max({p.r, p.g, p.b}) <= 100;
    case Look::Fire:
        return p.a == 255 && p.r >= 200 && p.b <= 100;
    }
    return false;
}

// A pixel of the original image; in an image of another size, the pixel
// under the same point of the picture. Fine details are checked only from
// the size on where the picture has room for them.
struct Probe
{
    WORD group;
    int x, y;
    Look look;
    int fromSize = 16;
};

const Probe kProbes[] = {
    // Gauge: a dark face in a round bezel, flames above and beside it.
    {130, 32, 38, Look::Opaque},
    {130, 32, 50, Look::Dark},
    {130, 20, 40, Look::Dark},
    {130, 29, 4, Look::Fire, 32},
    {130, 10, 20, Look::Fire, 48},
    {130, 54, 20, Look::Fire},
    {130, 0, 0, Look::Clear},
    {130, 63, 0, Look::Clear},
    {130, 0, 63, Look::Clear},
    {130, 63, 63, Look::Clear},
    // Check marks: short arm down to the left, long arm up to the right.
    {131, 7, 18, Look::Red},
    {131, 12, 23, Look::Red},
    {131, 25, 9, Look::Red},
    {131, 4, 4, Look::Clear},
    {131, 16, 10, Look::Clear, 20},
    {131, 20, 26, Look::Clear},
    {132, 7, 18, Look::Dark},
    {132, 12, 23, Look::Dark},
    {132, 25, 9, Look::Dark},
    {132, 4, 4, Look::Clear},
    {132, 16, 10, Look::Clear, 20},
    {132, 20, 26, Look::Clear},
    // Question mark: hook open in the middle, stem, a gap, the dot.
    {133, 15, 4, Look::Red},
    {133, 15, 17, Look::Red},
    {133, 15, 26, Look::Red},
    {133, 15, 10, Look::Clear, 32},
    {133, 15, 22, Look::Clear, 32},
    {133, 2, 29, Look::Clear},
    // Cross: filled centre and ends, empty between the arms.
    {134, 15, 15, Look::Red},
    {134, 16, 16, Look::Red},
    {134, 8, 8, Look::Red},
    {134, 23, 23, Look::Red},
    {134, 23, 8, Look::Red},
    {134, 8, 23, Look::Red},
    {134, 15, 4, Look::Clear},
    {134, 4, 15, Look::Clear},
    {134, 27, 15, Look::Clear},
    {134, 15, 27, Look::Clear},
};

class IconResources : public ResourceFileTest
{
protected:
    // The directory of `group`; empty when it is not a well-formed icon group.
    std::vector<GroupIconEntry> GroupEntries(WORD group)
    {
        ResourceView dir = FindResourceView(Module(), RT_GROUP_ICON, group, kLangChineseTraditional);
        GroupIconHeader header{};
        if (dir.size < sizeof header) {
            ADD_FAILURE() << "group " << group << " is " << dir.size << " bytes";
            return {};
        }
        std::memcpy(&header, dir.data, sizeof header);
        EXPECT_EQ(header.reserved, 0);
        EXPECT_EQ(header.type, 1);
        if (dir.size != sizeof header + header.count * sizeof(GroupIconEntry)) {
            ADD_FAILURE() << "group " << group << " is " << dir.size << " bytes for " << header.count
                          << " images";
            return {};
        }
        std::vector<GroupIconEntry> entries(header.count);
        std::memcpy(entries.data(), dir.data + sizeof header, entries.size() * sizeof(GroupIconEntry));
        return entries;
    }

    // The bytes of the image of `size` in `group`; empty when there is none.
    ResourceView ImageBytes(WORD group, int size)
    {
        for (const GroupIconEntry& entry : GroupEntries(group)) {
            if (entry.width != size % 256)
                continue;
            EXPECT_EQ(ResourceLanguages(Module(), RT_ICON, entry.id),
                      std::vector<WORD>{kLangChineseTraditional});
            ResourceView bits = FindResourceView(Module(), RT_ICON, entry.id, kLangChineseTraditional);
            EXPECT_EQ(bits.size, entry.bytesInRes);
            return bits;
        }
        ADD_FAILURE() << "group " << group << " has no " << size << " px image";
        return {};
    }

    // The original is a DIB with its mask, every other image a PNG.
    std::optional<IconImage> GroupImage(WORD group, int size)
    {
        ResourceView bits = ImageBytes(group, size);
        if (size == OriginalSize(group))
            return DecodeIconImage(bits.data, bits.size);
        std::optional<IconImage> image = DecodePngIconImage(bits.data, bits.size);
        EXPECT_TRUE(image) << "group " << group << " at " << size << " px: a PNG the system reads";
        return image;
    }
};

TEST_P(IconResources, GroupsHoldAnImageOfEverySize)
{
    static_assert(sizeof(GroupIconHeader) == 6 && sizeof(GroupIconEntry) == 14);
    for (const ExpectedIcon& want : kIcons) {
        SCOPED_TRACE(want.group);
        EXPECT_EQ(ResourceLanguages(Module(), RT_GROUP_ICON, want.group),
                  std::vector<WORD>{kLangChineseTraditional});
        const std::vector<GroupIconEntry> entries = GroupEntries(want.group);
        ASSERT_EQ(entries.size(), std::size(kSizes));
        for (std::size_t i = 0; i < entries.size(); ++i) {
            SCOPED_TRACE(kSizes[i]);
            EXPECT_EQ(entries[i].width, kSizes[i]);
            EXPECT_EQ(entries[i].height, kSizes[i]);
            EXPECT_EQ(entries[i].colorCount, 0);
            EXPECT_EQ(entries[i].planes, 1);
            EXPECT_EQ(entries[i].bitCount, 32);
            std::optional<IconImage> image = GroupImage(want.group, kSizes[i]);
            ASSERT_TRUE(image) << "not a 32 bpp icon image";
            EXPECT_EQ(image->size, kSizes[i]);
        }
    }
}

TEST_P(IconResources, OriginalImagesAreKeptByteForByte)
{
    for (const ExpectedIcon& want : kIcons) {
        SCOPED_TRACE(want.group);
        ResourceView bits = ImageBytes(want.group, want.size);
        ASSERT_FALSE(bits.Empty());
        EXPECT_EQ(Crc32(bits.data, bits.size), want.crc32);
    }
}

// Asked for any of the sizes, Windows takes the image of exactly that size.
TEST_P(IconResources, WindowsPicksTheImageOfTheAskedSize)
{
    for (const ExpectedIcon& want : kIcons) {
        ResourceView dir = FindResourceView(Module(), RT_GROUP_ICON, want.group, kLangChineseTraditional);
        ASSERT_FALSE(dir.Empty());
        for (const GroupIconEntry& entry : GroupEntries(want.group)) {
            SCOPED_TRACE(std::to_string(want.group) + " at " + std::to_string(entry.width));
            EXPECT_EQ(LookupIconIdFromDirectoryEx(const_cast<BYTE*>(dir.data), TRUE, entry.width,
                                                  entry.height, LR_DEFAULTCOLOR),
                      entry.id);
        }
    }
}

// Edges are blended, and the legacy mask hides exactly the transparent pixels.
TEST_P(IconResources, ImagesHaveSmoothAlphaAndMatchingMask)
{
    for (const ExpectedIcon& want : kIcons) {
        for (int size : kSizes) {
            SCOPED_TRACE(std::to_string(want.group) + " at " + std::to_string(size));
            std::optional<IconImage> image = GroupImage(want.group, size);
            ASSERT_TRUE(image);
            int clear = 0, solid = 0, partial = 0, maskErrors = 0;
            for (std::size_t i = 0; i < image->pixels.size(); ++i) {
                const BYTE a = image->pixels[i].a;
                (a == 0 ? clear : a == 255 ? solid : partial)++;
                if (!image->masked.empty())
                    maskErrors += image->masked[i] != (a == 0);
            }
            EXPECT_GT(clear, 0);
            EXPECT_GT(solid, 0);
            EXPECT_GT(partial, image->size); // more than a few stray edge pixels
            EXPECT_EQ(maskErrors, 0);
        }
    }
}

TEST_P(IconResources, PicturesShowWhatTheyClaim)
{
    for (const Probe& probe : kProbes) {
        const int original = OriginalSize(probe.group);
        for (int size : kSizes) {
            if (size < probe.fromSize)
                continue;
            std::optional<IconImage> image = GroupImage(probe.group, size);
            ASSERT_TRUE(image);
            const int x = (2 * probe.x + 1) * size / (2 * original);
            const int y = (2 * probe.y + 1) * size / (2 * original);
            const Rgba p = image->At(x, y);
            EXPECT_TRUE(Matches(p, probe.look))
                << "group " << probe.group << " at " << size << " px, " << x << "," << y << ": rgba "
                << int(p.r) << "," << int(p.g) << "," << int(p.b) << "," << int(p.a);
        }
    }
}

TEST_P(IconResources, MenuGlyphsAreInTheirColour)
{
    const struct
    {
        WORD group;
        Look look;
    } glyphs[] = {{131, Look::Red}, {132, Look::Dark}, {133, Look::Red}, {134, Look::Red}};
    for (const auto& glyph : glyphs) {
        for (int size : kSizes) {
            SCOPED_TRACE(std::to_string(glyph.group) + " at " + std::to_string(size));
            std::optional<IconImage> image = GroupImage(glyph.group, size);
            ASSERT_TRUE(image);
            int solid = 0, inColour = 0;
            for (const Rgba& p : image->pixels) {
                solid += p.a == 255;
                inColour += Matches(p, glyph.look);
            }
            EXPECT_GT(solid, size * size / 10);
            EXPECT_GE(inColour * 10, solid * 9);
        }
    }
}

TEST_P(IconResources, GaugeFillsARoundRegion)
{
    for (int size : kSizes) {
        SCOPED_TRACE(size);
        std::optional<IconImage> image = GroupImage(130, size);
        ASSERT_TRUE(image);
        const double unit = size / 64.0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const double dx = (x + 0.5) / unit - 32, dy = (y + 0.5) / unit - 38;
                // One pixel of blended edge at any size.
                if (std::hypot(dx, dy) <= 22.0 - 1.0 / unit) {
                    EXPECT_EQ(image->At(x, y).a, 255) << x << "," << y;
                }
            }
        }
    }
}

// Each size is drawn for itself, not shrunk from the large image: below
// 32 px the gauge's scale has no ticks, which would only blur there.
TEST_P(IconResources, SmallGaugesLeaveOutTheScaleTicks)
{
    for (int size : kSizes) {
        SCOPED_TRACE(size);
        std::optional<IconImage> image = GroupImage(130, size);
        ASSERT_TRUE(image);
        const double unit = size / 64.0;
        int light = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const double r = std::hypot((x + 0.5) / unit - 32, (y + 0.5) / unit - 38);
                const Rgba p = image->At(x, y);
                light += r >= 13.5 && r <= 18.5 && p.a == 255 && std::min({p.r, p.g, p.b}) >= 160;
            }
        }
        if (size < 32) {
            EXPECT_EQ(light, 0);
        } else {
            EXPECT_GT(light, size / 4) << "the ticks";
        }
    }
}

// A white 32 bpp surface to draw icons on; rows top to bottom.
class WhiteSurface
{
public:
    explicit WhiteSurface(int size) : m_size(size), m_dc(CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = size;
        info.bmiHeader.biHeight = -size;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<DWORD*>(bits);
        if (m_dc && m_bitmap) {
            m_old = SelectObject(m_dc, m_bitmap);
            std::fill(m_bits, m_bits + size * size, 0x00FFFFFFu);
        }
    }
    ~WhiteSurface()
    {
        if (m_old)
            SelectObject(m_dc, m_old);
        if (m_bitmap)
            DeleteObject(m_bitmap);
        if (m_dc)
            DeleteDC(m_dc);
    }
    WhiteSurface(const WhiteSurface&) = delete;
    WhiteSurface& operator=(const WhiteSurface&) = delete;

    bool Ready() const { return m_old != nullptr; }
    HDC Dc() const { return m_dc; }
    DWORD At(int x, int y) const { return m_bits[y * m_size + x]; }

private:
    int m_size;
    HDC m_dc;
    HBITMAP m_bitmap = nullptr;
    DWORD* m_bits = nullptr;
    HGDIOBJ m_old = nullptr;
};

// How far the icon `group`, loaded at the image's size and drawn over white,
// is from the image's colours blended by their alpha (the largest channel
// difference); -1 when it cannot be drawn.
int WorstDrawnDifference(HMODULE module, WORD group, const IconImage& image)
{
    const int size = image.size;
    HICON icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(group), IMAGE_ICON, size, size, 0));
    if (!icon)
        return -1;
    WhiteSurface surface(size);
    const bool drawn =
        surface.Ready() && DrawIconEx(surface.Dc(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    DestroyIcon(icon);
    if (!drawn)
        return -1;
    int worst = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const Rgba p = image.At(x, y);
            const DWORD got = surface.At(x, y);
            const int channels[3] = {int(got >> 16 & 0xFF), int(got >> 8 & 0xFF), int(got & 0xFF)};
            const int src[3] = {p.r, p.g, p.b};
            for (int c = 0; c < 3; ++c) {
                const int blended = (src[c] * p.a + 255 * (255 - p.a) + 127) / 255;
                worst = std::max(worst, std::abs(channels[c] - blended));
            }
        }
    }
    return worst;
}

// Loaded at any of the sizes and drawn over white, each icon shows the image
// of that size, its colours blended by their alpha.
TEST_P(IconResources, SystemDrawsTheImageBlendedByAlpha)
{
    for (const ExpectedIcon& want : kIcons) {
        for (int size : kSizes) {
            SCOPED_TRACE(std::to_string(want.group) + " at " + std::to_string(size));
            std::optional<IconImage> image = GroupImage(want.group, size);
            ASSERT_TRUE(image);
            const int worst = WorstDrawnDifference(Module(), want.group, *image);
            EXPECT_GE(worst, 0) << "drawn";
            EXPECT_LE(worst, 3);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, IconResources, testing::ValuesIn(kResourceFiles), ResourceFileLabel);

} // namespace
