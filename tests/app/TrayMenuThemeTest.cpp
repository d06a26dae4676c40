// The tray menu in the theme of the moment and on the monitor under the
// cursor: the palette is chosen at each opening from the app theme, high
// contrast and the system colours, and the layout from that monitor's DPI.
#include "AppScenario.h"
#include "AppThemeScope.h"
#include "MenuWatch.h"

#include "Dpi.h"
#include "MenuTheme.h"
#include "MenuXP.h"
#include "SeamScope.h"

using namespace apptest;

namespace {

// As the Settings app does: the value, then the shell's broadcast.
void SetAppTheme(AppThemeScope& theme, bool light, HWND hwnd)
{
    ASSERT_TRUE(theme.SetLight(light));
    SendMessageW(hwnd, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
}

// The system colours of the menu, changed for the test and put back.
class MenuColours
{
public:
    MenuColours()
    {
        for (int i = 0; i < kCount; ++i)
            m_before[i] = GetSysColor(kElements[i]);
    }
    ~MenuColours() { SetSysColors(kCount, kElements, m_before); }
    MenuColours(const MenuColours&) = delete;
    MenuColours& operator=(const MenuColours&) = delete;

    bool Set(const COLORREF (&colours)[5]) { return SetSysColors(kCount, kElements, colours) != FALSE; }

private:
    static constexpr int kCount = 5;
    static constexpr INT kElements[kCount] = {COLOR_MENU, COLOR_MENUTEXT, COLOR_HIGHLIGHT,
                                              COLOR_HIGHLIGHTTEXT, COLOR_GRAYTEXT};
    COLORREF m_before[kCount] = {};
};

bool HighContrastOnForTest()
{
    return true;
}

class TrayMenuTheme : public AppScenario
{
protected:
    void SetUp() override
    {
        AppScenario::SetUp();
        UseDrivers(Drivers::Nvidia);
    }

    SeenMenu Open(CKorvaneDlg& dlg)
    {
        SeenMenu seen = RightClick(dlg);
        EXPECT_GE(seen.idle, 1) << "the menu was open";
        EXPECT_TRUE(seen.isMenuXP);
        return seen;
    }
};

TEST_F(TrayMenuTheme, AChangedAppThemeShowsAtTheNextOpening)
{
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    AppThemeScope theme;
    for (bool light : {false, true, false}) {
        SCOPED_TRACE(light ? "light" : "dark");
        SetAppTheme(theme, light, dlg.m_hWnd);
        MenuTheme expected = ReadMenuTheme();
        expected.bDark = !light;
        const MenuPalette want = TrayMenuPalette(expected);
        const SeenMenu seen = Open(dlg);
        EXPECT_EQ(seen.palette.clrBackground, want.clrBackground);
        EXPECT_EQ(seen.palette.clrText, want.clrText);
        EXPECT_EQ(seen.palette.clrSelectedBar, want.clrSelectedBar);
        EXPECT_EQ(seen.palette.clrSideBarStart, want.clrSideBarStart);
        EXPECT_EQ(seen.palette.clrSeparatorShadow, want.clrSeparatorShadow);
        EXPECT_EQ(light, seen.palette.clrBackground == GetSysColor(COLOR_MENU)) << "dark ground when dark";
    }
}

// High contrast paints with the system's colours as they are at each
// opening; a scheme changed while Korvane runs shows at the next one.
TEST_F(TrayMenuTheme, HighContrastTakesTheSystemColoursOfEachOpening)
{
    const SeamScope<&SetHighContrastForTesting> highContrast{&HighContrastOnForTest};
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    AppThemeScope theme;
    SetAppTheme(theme, false, dlg.m_hWnd);
    MenuColours colours;
    const COLORREF schemes[2][5] = {
        {RGB(0, 0, 0), RGB(255, 255, 255), RGB(26, 235, 255), RGB(0, 0, 0), RGB(63, 242, 63)},
        {RGB(255, 255, 255), RGB(0, 0, 0), RGB(55, 0, 110), RGB(255, 255, 255), RGB(96, 0, 0)},
    };
    for (const auto& scheme : schemes) {
        ASSERT_TRUE(colours.Set(scheme));
        const SeenMenu seen = Open(dlg);
        EXPECT_EQ(seen.palette.clrBackground, scheme[0]);
        EXPECT_EQ(seen.palette.clrText, scheme[1]);
        EXPECT_EQ(seen.palette.clrSelectedBar, scheme[2]);
        EXPECT_EQ(seen.palette.clrSelectedText, scheme[3]);
        EXPECT_EQ(seen.palette.clrDisabledText, scheme[4]);
        EXPECT_EQ(seen.palette.clrSideBarStart, seen.palette.clrSideBarEnd) << "no gradient";
    }
}

// Wherever the hidden window is, the menu is laid out for the monitor under
// the cursor: its DPI, asked of that monitor, sets the entries' heights and
// their icons' size.
HMONITOR g_asked = nullptr;
HRESULT WINAPI Monitor144(HMONITOR monitor, int, UINT* dpiX, UINT* dpiY)
{
    g_asked = monitor;
    *dpiX = *dpiY = 144;
    return S_OK;
}

TEST_F(TrayMenuTheme, TheMenuIsLaidOutForTheMonitorUnderTheCursor)
{
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    dpi::Api api = dpi::SystemApi();
    api.getDpiForMonitor = &Monitor144;
    const SeamScope<&dpi::SetApiForTesting> monitorAt144{api};
    g_asked = nullptr;
    POINT cursor{};
    GetCursorPos(&cursor);

    const SeenMenu seen = Open(dlg);
    EXPECT_EQ(g_asked, MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST));
    EXPECT_EQ(seen.dpi, 144u);
    int checked = 0;
    for (const SeenEntry& entry : seen.entries) {
        if (entry.sideBar || entry.separator)
            continue;
        SCOPED_TRACE(entry.itemId);
        EXPECT_EQ(entry.rect.bottom - entry.rect.top, 30) << "20 at 96 DPI";
        if (entry.icon) {
            EXPECT_EQ(entry.iconSize, dpi::MetricForDpi(SM_CXICON, 144));
            ++checked;
        }
    }
    EXPECT_GE(checked, 3) << "a mode entry, About and Exit";
}

} // namespace
