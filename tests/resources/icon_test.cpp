// The five icon groups: one 32 bpp image each, of the size and picture claimed.
#include "icon_image.h"
#include "resource_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

struct ExpectedIcon
{
    WORD group;
    int size;
};

const ExpectedIcon kIcons[] = {{130, 64}, {131, 32}, {132, 32}, {133, 32}, {134, 32}};

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

struct Probe
{
    WORD group;
    int x, y;
    Look look;
};

const Probe kProbes[] = {
    // Gauge: a dark face in a round bezel, flames above and beside it.
    {130, 32, 38, Look::Opaque},
    {130, 32, 50, Look::Dark},
    {130, 20, 40, Look::Dark},
    {130, 29, 4, Look::Fire},
    {130, 10, 20, Look::Fire},
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
    {131, 16, 10, Look::Clear},
    {131, 20, 26, Look::Clear},
    {132, 7, 18, Look::Dark},
    {132, 12, 23, Look::Dark},
    {132, 25, 9, Look::Dark},
    {132, 4, 4, Look::Clear},
    {132, 16, 10, Look::Clear},
    {132, 20, 26, Look::Clear},
    // Question mark: hook open in the middle, stem, a gap, the dot.
    {133, 15, 4, Look::Red},
    {133, 15, 17, Look::Red},
    {133, 15, 26, Look::Red},
    {133, 15, 10, Look::Clear},
    {133, 15, 22, Look::Clear},
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
    // The single image of `group`, checked against its directory entry.
    std::optional<IconImage> GroupImage(WORD group, GroupIconEntry* entryOut = nullptr)
    {
        ResourceView dir = FindResourceView(Module(), RT_GROUP_ICON, group, kLangChineseTraditional);
        GroupIconHeader header{};
        GroupIconEntry entry{};
        if (dir.size != sizeof header + sizeof entry) {
            ADD_FAILURE() << "group " << group << " is " << dir.size << " bytes";
            return std::nullopt;
        }
        std::memcpy(&header, dir.data, sizeof header);
        std::memcpy(&entry, dir.data + sizeof header, sizeof entry);
        EXPECT_EQ(header.reserved, 0);
        EXPECT_EQ(header.type, 1);
        EXPECT_EQ(header.count, 1);
        if (entryOut)
            *entryOut = entry;
        EXPECT_EQ(ResourceLanguages(Module(), RT_ICON, entry.id), std::vector<WORD>{kLangChineseTraditional});
        ResourceView bits = FindResourceView(Module(), RT_ICON, entry.id, kLangChineseTraditional);
        EXPECT_EQ(bits.size, entry.bytesInRes);
        return DecodeIconImage(bits.data, bits.size);
    }
};

TEST_P(IconResources, GroupsHoldOneImageOfTheirSize)
{
    static_assert(sizeof(GroupIconHeader) == 6 && sizeof(GroupIconEntry) == 14);
    for (const ExpectedIcon& want : kIcons) {
        SCOPED_TRACE(want.group);
        EXPECT_EQ(ResourceLanguages(Module(), RT_GROUP_ICON, want.group),
                  std::vector<WORD>{kLangChineseTraditional});
        GroupIconEntry entry{};
        std::optional<IconImage> image = GroupImage(want.group, &entry);
        EXPECT_EQ(entry.width, want.size);
        EXPECT_EQ(entry.height, want.size);
        EXPECT_EQ(entry.colorCount, 0);
        EXPECT_EQ(entry.planes, 1);
        EXPECT_EQ(entry.bitCount, 32);
        ASSERT_TRUE(image) << "not a 32 bpp icon image";
        EXPECT_EQ(image->size, want.size);
    }
}

// Edges are blended, and the legacy mask hides exactly the transparent pixels.
TEST_P(IconResources, ImagesHaveSmoothAlphaAndMatchingMask)
{
    for (const ExpectedIcon& want : kIcons) {
        SCOPED_TRACE(want.group);
        std::optional<IconImage> image = GroupImage(want.group);
        ASSERT_TRUE(image);
        int clear = 0, solid = 0, partial = 0, maskErrors = 0;
        for (std::size_t i = 0; i < image->pixels.size(); ++i) {
            const BYTE a = image->pixels[i].a;
            (a == 0 ? clear : a == 255 ? solid : partial)++;
            maskErrors += image->masked[i] != (a == 0);
        }
        EXPECT_GT(clear, 0);
        EXPECT_GT(solid, 0);
        EXPECT_GT(partial, image->size); // more than a few stray edge pixels
        EXPECT_EQ(maskErrors, 0);
    }
}

TEST_P(IconResources, PicturesShowWhatTheyClaim)
{
    for (const Probe& probe : kProbes) {
        std::optional<IconImage> image = GroupImage(probe.group);
        ASSERT_TRUE(image);
        const Rgba p = image->At(probe.x, probe.y);
        EXPECT_TRUE(Matches(p, probe.look))
            << "group " << probe.group << " at " << probe.x << "," << probe.y << ": rgba " << int(p.r) << ","
            << int(p.g) << "," << int(p.b) << "," << int(p.a);
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
        SCOPED_TRACE(glyph.group);
        std::optional<IconImage> image = GroupImage(glyph.group);
        ASSERT_TRUE(image);
        int solid = 0, inColour = 0;
        for (const Rgba& p : image->pixels) {
            solid += p.a == 255;
            inColour += Matches(p, glyph.look);
        }
        EXPECT_GT(solid, 32 * 32 / 10);
        EXPECT_GE(inColour * 10, solid * 9);
    }
}

TEST_P(IconResources, GaugeFillsARoundRegion)
{
    std::optional<IconImage> image = GroupImage(130);
    ASSERT_TRUE(image);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const double dx = x + 0.5 - 32, dy = y + 0.5 - 38;
            if (dx * dx + dy * dy <= 22.0 * 22.0) {
                EXPECT_EQ(image->At(x, y).a, 255) << x << "," << y;
            }
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

// As the system draws each icon over white, it shows the image's colours
// blended by their alpha.
TEST_P(IconResources, SystemDrawsTheImageBlendedByAlpha)
{
    for (const ExpectedIcon& want : kIcons) {
        SCOPED_TRACE(want.group);
        std::optional<IconImage> image = GroupImage(want.group);
        ASSERT_TRUE(image);
        HICON icon = static_cast<HICON>(
            LoadImageW(Module(), MAKEINTRESOURCEW(want.group), IMAGE_ICON, want.size, want.size, 0));
        ASSERT_NE(icon, nullptr) << GetLastError();
        WhiteSurface surface(want.size);
        ASSERT_TRUE(surface.Ready());
        EXPECT_TRUE(DrawIconEx(surface.Dc(), 0, 0, icon, want.size, want.size, 0, nullptr, DI_NORMAL));
        DestroyIcon(icon);
        int worst = 0;
        for (int y = 0; y < want.size; ++y) {
            for (int x = 0; x < want.size; ++x) {
                const Rgba p = image->At(x, y);
                const DWORD drawn = surface.At(x, y);
                const int got[3] = {int(drawn >> 16 & 0xFF), int(drawn >> 8 & 0xFF), int(drawn & 0xFF)};
                const int src[3] = {p.r, p.g, p.b};
                for (int c = 0; c < 3; ++c) {
                    const int blended = (src[c] * p.a + 255 * (255 - p.a) + 127) / 255;
                    worst = std::max(worst, std::abs(got[c] - blended));
                }
            }
        }
        EXPECT_LE(worst, 3);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, IconResources, testing::ValuesIn(kResourceFiles), ResourceFileLabel);

} // namespace
