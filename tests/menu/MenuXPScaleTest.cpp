// The menu laid out for a DPI: its sizes, its font and every painted length
// grow from their 96-DPI values; a DPI no display has changes nothing; and
// a system without the newer DPI functions gets its own values scaled.
#include <gtest/gtest.h>

#include "Dpi.h"
#include "MenuTestSupport.h"
#include "SeamScope.h"

using namespace menutest;

namespace {

struct Sizes
{
    UINT sideBar;
    UINT separator;
    UINT textHeight;
    UINT textWidth;
};

// The sizes one menu gives its side bar, a separator and the entry "Exit".
Sizes Measure(CMenuXP& menu)
{
    CMenuXPSideBar bar;
    CMenuXPSeparator separator;
    CMenuXPText text(303, L"Exit", nullptr);
    MEASUREITEMSTRUCT b = MeasureRequest(&bar);
    MEASUREITEMSTRUCT s = MeasureRequest(&separator);
    MEASUREITEMSTRUCT t = MeasureRequest(&text);
    menu.MeasureItem(&b);
    menu.MeasureItem(&s);
    menu.MeasureItem(&t);
    return {b.itemWidth, s.itemHeight, t.itemHeight, t.itemWidth};
}

LOGFONTW SystemMenuFontAt(UINT dpi)
{
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    const auto forDpi = dpi::SystemApi().systemParametersInfoForDpi;
    EXPECT_NE(forDpi, nullptr) << "Wine has SystemParametersInfoForDpi";
    if (forDpi)
        forDpi(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0, dpi);
    return ncm.lfMenuFont;
}

// The system's own metric at a DPI.
int MetricAt(int index, UINT dpi)
{
    const auto forDpi = dpi::SystemApi().getSystemMetricsForDpi;
    EXPECT_NE(forDpi, nullptr) << "Wine has GetSystemMetricsForDpi";
    return forDpi ? forDpi(index, dpi) : 0;
}

UINT ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return UINT(dpi);
}

LONG FontHeight(const CFont& font)
{
    LOGFONTW lf{};
    font.GetLogFont(&lf);
    return lf.lfHeight;
}

} // namespace

TEST(MenuXPScale, EverySizeGrowsFromItsValueAt96Dpi)
{
    struct
    {
        UINT dpi;
        UINT sideBar;    // 16 at 96 DPI
        UINT minHeight;  // 20
        UINT widthExtra; // 2 * 16 + 12
    } const rows[] = {{96, 16, 20, 44}, {120, 20, 25, 55}, {144, 24, 30, 66}, {192, 32, 40, 88}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.dpi);
        auto menu = MakeTestMenu();
        ASSERT_TRUE(menu->LayOutForDpi(row.dpi));
        EXPECT_EQ(menu->GetDpi(), row.dpi);
        EXPECT_EQ(FontHeight(menu->m_fontMenu), SystemMenuFontAt(row.dpi).lfHeight)
            << "the menu font of the DPI";

        const int checkWidth = MetricAt(SM_CXMENUCHECK, row.dpi);
        const Sizes sizes = Measure(*menu);
        EXPECT_EQ(sizes.sideBar, row.sideBar + 1 - checkWidth);
        EXPECT_EQ(sizes.separator, UINT(MetricAt(SM_CYMENUCHECK, row.dpi) / 2));
        const SIZE bold = MeasureText(menu->m_fontMenu, FW_BOLD, L"Exit");
        ASSERT_LT(bold.cy, int(row.minHeight));
        EXPECT_EQ(sizes.textHeight, row.minHeight);
        EXPECT_EQ(sizes.textWidth, bold.cx + row.widthExtra + 1 - checkWidth);
    }
}

TEST(MenuXPScale, ADpiNoDisplayHasChangesNothing)
{
    auto menu = MakeTestMenu();
    ASSERT_TRUE(menu->LayOutForDpi(144));
    const Sizes before = Measure(*menu);
    const LONG fontBefore = FontHeight(menu->m_fontMenu);
    for (UINT bad : {0u, 5000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(menu->LayOutForDpi(bad));
        EXPECT_EQ(menu->GetDpi(), 144u);
        const Sizes after = Measure(*menu);
        EXPECT_EQ(after.sideBar, before.sideBar);
        EXPECT_EQ(after.textHeight, before.textHeight);
        EXPECT_EQ(after.textWidth, before.textWidth);
        EXPECT_EQ(FontHeight(menu->m_fontMenu), fontBefore);
    }
}

// An older system lacks the ...ForDpi functions and GetDpiForMonitor: the
// font and the metrics of the system DPI are scaled instead, and every
// monitor counts as having the system DPI.
TEST(MenuXPScale, WithoutTheNewerFunctionsTheSystemDpiValuesAreScaled)
{
    const SeamScope<&dpi::SetApiForTesting> older{dpi::Api{}};
    const UINT system = dpi::SystemDpi();
    EXPECT_EQ(system, ScreenDpi());
    EXPECT_EQ(dpi::MonitorDpiAt(POINT{10, 10}), system);

    auto menu = MakeTestMenu();
    ASSERT_TRUE(menu->LayOutForDpi(2 * system));
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0));
    EXPECT_EQ(FontHeight(menu->m_fontMenu), 2 * ncm.lfMenuFont.lfHeight);
    EXPECT_EQ(Measure(*menu).separator, UINT(2 * GetSystemMetrics(SM_CYMENUCHECK) / 2));
}

namespace {
POINT g_askedAbout{};
HRESULT g_answer = S_OK;
UINT g_monitorDpi = 0;
HRESULT WINAPI FakeDpiForMonitor(HMONITOR monitor, int type, UINT* dpiX, UINT* dpiY)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(monitor, &info);
    g_askedAbout = POINT{info.rcMonitor.left, info.rcMonitor.top};
    EXPECT_EQ(type, 0) << "the effective DPI";
    *dpiX = *dpiY = g_monitorDpi;
    return g_answer;
}
} // namespace

TEST(MenuXPScale, MonitorDpiIsTheEffectiveDpiOfTheMonitorOrElseTheSystemDpi)
{
    dpi::Api api = dpi::SystemApi();
    api.getDpiForMonitor = &FakeDpiForMonitor;
    const SeamScope<&dpi::SetApiForTesting> fakeMonitor{api};
    const UINT system = dpi::SystemDpi();
    struct
    {
        HRESULT answer;
        UINT dpi;
        UINT expected;
    } const rows[] = {{S_OK, 144, 144}, {S_OK, 192, 192}, {E_FAIL, 144, system}, {S_OK, 0, system}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.dpi);
        g_answer = row.answer;
        g_monitorDpi = row.dpi;
        EXPECT_EQ(dpi::MonitorDpiAt(POINT{20, 30}), row.expected);
        EXPECT_EQ(g_askedAbout.x, 0) << "the monitor holding the point";
        EXPECT_EQ(g_askedAbout.y, 0);
    }
}

// At 200 % every length of an entry is doubled: the frame, the icon cell and
// its lift, the check mark and its stroke, the separator's lines and the
// icon band under them, and the side bar's caption.
class MenuXPScaledPaint : public ::testing::Test
{
protected:
    void SetUp() override
    {
        menu = MakeTestMenu();
        ASSERT_TRUE(menu->LayOutForDpi(192));
    }
    void Draw(const CMenuXPItem& item, UINT state, const RECT& rc)
    {
        DRAWITEMSTRUCT dis = DrawRequest(canvas.hdc(), rc, &item, state);
        menu->DrawItem(&dis);
    }

    std::unique_ptr<CMenuXP> menu;
    Canvas canvas{260, 80};
};

TEST_F(MenuXPScaledPaint, HighlightedEntryHasATwoPixelFrameAndAnIconLiftedByTwo)
{
    // Entry (10, 5) - (210, 45): icon box 40 x 40, icon cell (14, 9) - (46, 41);
    // the test icon's opaque square is its middle half: (22, 17) - (38, 33).
    CMenuXPText item(300, L"Enable", MakeTestIcon());
    Draw(item, ODS_SELECTED, RECT{10, 5, 210, 45});
    for (POINT p : {POINT{10, 5}, POINT{11, 6}, POINT{209, 44}, POINT{208, 43}, POINT{100, 6}})
        EXPECT_EQ(canvas.At(p.x, p.y), kBlack) << p.x << "," << p.y;
    EXPECT_EQ(canvas.At(12, 7), kSelectedBar);
    EXPECT_EQ(canvas.At(207, 42), kSelectedBar);
    EXPECT_EQ(canvas.Bounds(RECT{10, 5, 210, 45}, kIconColour), (RECT{20, 15, 36, 31}));
    // The shadow fills what the lifted icon left, two pixels deep.
    EXPECT_EQ(canvas.Bounds(RECT{10, 5, 210, 45}, GetSysColor(COLOR_BTNSHADOW)), (RECT{22, 17, 40, 35}));
    const LONG textLeft = canvas.Bounds(RECT{46, 5, 210, 45}, kSelectedText).left;
    EXPECT_GE(textLeft, 54) << "text four pixels after the box";
    EXPECT_LE(textLeft, 58);
}

TEST_F(MenuXPScaledPaint, CheckMarkIsTwiceAsLargeAndAsThick)
{
    // Without icon: the mark of a 16 x 16 design in the 32 x 32 cell.
    CMenuXPText item(301, L"Disable", nullptr);
    Draw(item, ODS_CHECKED, RECT{10, 5, 210, 45});
    EXPECT_EQ(canvas.Bounds(RECT{12, 7, 48, 43}, kBlack), (RECT{22, 18, 36, 33}));
    int thickness = 0;
    for (int y = 7; y < 43; ++y)
        thickness += canvas.At(22, y) == kBlack;
    EXPECT_EQ(thickness, 6) << "three rows at 96 DPI";
}

TEST_F(MenuXPScaledPaint, SeparatorLinesAreTwoPixelsEachOverAFortyPixelBand)
{
    CMenuXPSeparator item;
    Draw(item, 0, RECT{10, 5, 210, 17});
    for (int y : {11, 12})
        EXPECT_EQ(canvas.At(100, y), GetSysColor(COLOR_BTNSHADOW)) << y;
    for (int y : {13, 14})
        EXPECT_EQ(canvas.At(100, y), GetSysColor(COLOR_BTNHIGHLIGHT)) << y;
    EXPECT_EQ(canvas.At(100, 15), kBackground);
    EXPECT_EQ(canvas.Count(RECT{10, 5, 50, 45}, kIconBar), 40 * 40);
}

TEST_F(MenuXPScaledPaint, SideBarCaptionIsTwiceAsLarge)
{
    CMenuXPSideBar bar;
    Canvas at96(40, 150);
    Canvas at192(80, 300);
    auto small = MakeTestMenu();
    ASSERT_TRUE(small->LayOutForDpi(96));
    DRAWITEMSTRUCT dis = DrawRequest(at96.hdc(), RECT{0, 0, 16, 0}, &bar, 0);
    small->DrawItem(&dis);
    dis = DrawRequest(at192.hdc(), RECT{0, 0, 32, 0}, &bar, 0);
    menu->DrawItem(&dis);

    EXPECT_EQ(at192.At(37, 299), COLORREF(0x00E1E1E1)) << "the bar reaches six pixels past its entry";
    EXPECT_EQ(at192.At(38, 299), kCanvas);
    const RECT caption96 = at96.Bounds(RECT{0, 0, 40, 150}, kWhite);
    const RECT caption192 = at192.Bounds(RECT{0, 0, 80, 300}, kWhite);
    EXPECT_NEAR(caption192.right - caption192.left, 2 * (caption96.right - caption96.left), 2);
    EXPECT_NEAR(caption192.bottom - caption192.top, 2 * (caption96.bottom - caption96.top), 4);
    EXPECT_NEAR(300 - caption192.bottom, 2 * (150 - caption96.bottom), 2) << "its distance from the bottom";
}
