// The program at the system DPI of the session, whatever it is: the tray
// menu's entries, the tray icon and the About box's icon at their sizes for
// it. These cases run in the ordinary test session (96 DPI) and again, by
// scripts/at-dpi, at 120, 144 and 192 DPI, each told its DPI in KORVANE_DPI.
#include "AppScenario.h"
#include "Canvas.h"
#include "MenuWatch.h"

#include <cstdlib>

#include "AboutDlg.h"
#include "Dpi.h"
#include "MainState.h"
#include "MenuXP.h"
#include "SeamScope.h"
#include "resource.h"

using namespace apptest;

namespace {

UINT ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return UINT(dpi);
}

// Every monitor answers with this DPI while it is set.
UINT g_monitorDpi = 0;
HRESULT WINAPI MonitorAt(HMONITOR, int, UINT* dpiX, UINT* dpiY)
{
    *dpiX = *dpiY = g_monitorDpi;
    return S_OK;
}

int Width(const RECT& r)
{
    return r.right - r.left;
}

int Height(const RECT& r)
{
    return r.bottom - r.top;
}

class AtSystemDpi : public AppScenario
{
protected:
    void SetUp() override
    {
        AppScenario::SetUp();
        UseDrivers(Drivers::Nvidia);
        dpi = ScreenDpi();
    }

    UINT dpi = 0;
};

// Wine takes the DPI from the prefix when a process starts: a run meant for
// another DPI that got this one would prove nothing.
TEST_F(AtSystemDpi, TheSessionHasTheDpiItWasStartedFor)
{
    const char* asked = std::getenv("KORVANE_DPI");
    if (!asked)
        GTEST_SKIP() << "not started by scripts/at-dpi";
    EXPECT_EQ(dpi, UINT(std::atoi(asked)));
    EXPECT_EQ(dpi::SystemDpi(), dpi);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), MulDiv(16, int(dpi), 96));
}

// Opened on a monitor of this DPI, each text entry is 20 pixels high at
// 96 DPI and grows with the DPI, a separator is half the check mark of the
// DPI, the entries' icons are the icon size of the DPI, and the column is as
// much wider than the same menu laid out at 96 DPI.
TEST_F(AtSystemDpi, TrayMenuEntriesScaleWithTheDpi)
{
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    dlg.m_bOCAvailable = true;
    dlg.m_bOCEnabled = true;

    const SeenMenu seen = RightClick(dlg);
    ASSERT_GE(seen.idle, 1) << "the menu was open";
    ASSERT_TRUE(seen.isMenuXP);
    EXPECT_EQ(seen.dpi, dpi);
    ASSERT_GE(seen.entries.size(), 2u);

    // The same menu laid out for a monitor of 96 DPI.
    dpi::Api api = dpi::SystemApi();
    api.getDpiForMonitor = &MonitorAt;
    g_monitorDpi = 96;
    SeenMenu at96;
    {
        const SeamScope<&dpi::SetApiForTesting> monitorAt96{api};
        at96 = RightClick(dlg);
    }
    ASSERT_EQ(at96.dpi, 96u);
    ASSERT_EQ(at96.entries.size(), seen.entries.size());

    // Wine's menus know only the system DPI: it widened the entries laid out
    // for 96 DPI by its own check-mark width, not that of 96 DPI.
    const int widened = GetSystemMetrics(SM_CXMENUCHECK) - dpi::MetricForDpi(SM_CXMENUCHECK, 96);
    const int separator = GetSystemMetrics(SM_CYMENUCHECK) / 2;
    for (size_t i = 1; i < seen.entries.size(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        const SeenEntry& entry = seen.entries[i];
        EXPECT_EQ(Height(entry.rect), entry.separator ? separator : MulDiv(20, int(dpi), 96));
        const int width96 = Width(at96.entries[i].rect) - widened;
        EXPECT_NEAR(Width(entry.rect), MulDiv(width96, int(dpi), 96), 1 + Width(entry.rect) / 50)
            << "at 96 DPI " << width96;
        if (entry.icon) {
            EXPECT_EQ(entry.iconSize, GetSystemMetrics(SM_CXICON));
            EXPECT_NE(entry.iconGroup, 0u) << "the icon of its group";
        }
    }
}

// The tray shows the application icon's image made for the small-icon size
// of this DPI, not the large image shrunk.
TEST_F(AtSystemDpi, TrayIconIsTheImageOfTheSmallIconSize)
{
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    ASSERT_TRUE(TrayIconExists(dlg.m_nid));
    const int size = GetSystemMetrics(SM_CXSMICON);
    EXPECT_EQ(IconSize(dlg.m_nid.hIcon), size);
    const std::vector<DWORD> shown = IconPixelsAt(dlg.m_nid.hIcon, size);
    EXPECT_EQ(shown, GroupImagePixels(IDR_MAINFRAME, size));

    HICON large = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 64, 64, 0));
    ASSERT_NE(large, nullptr);
    EXPECT_NE(shown, IconPixelsAt(large, size)) << "the 64 px image shrunk";
    DestroyIcon(large);
}

// The About box shows the image made for the icon size of this DPI, left of
// its texts and inside the box.
TEST_F(AtSystemDpi, AboutBoxIconIsTheImageOfTheIconSize)
{
    CreateMainDialog();
    ASSERT_NE(g_pAboutDlg, nullptr);
    const HWND box = g_pAboutDlg->m_hWnd;
    const HWND iconControl = GetDlgItem(box, IDC_STATIC);
    ASSERT_NE(iconControl, nullptr);
    const HICON icon = reinterpret_cast<HICON>(SendMessageW(iconControl, STM_GETICON, 0, 0));
    const int size = GetSystemMetrics(SM_CXICON);
    EXPECT_EQ(IconSize(icon), size);
    EXPECT_EQ(IconPixelsAt(icon, size), GroupImagePixels(IDR_MAINFRAME, size));

    RECT client, iconRect, text;
    GetClientRect(box, &client);
    MapWindowPoints(box, nullptr, reinterpret_cast<POINT*>(&client), 2);
    GetWindowRect(iconControl, &iconRect);
    GetWindowRect(GetDlgItem(box, IDC_VERSION_TEXT), &text);
    EXPECT_EQ(Width(iconRect), size);
    EXPECT_LE(iconRect.right, text.left);
    EXPECT_GE(iconRect.left, client.left);
    EXPECT_LE(iconRect.bottom, client.bottom);
}

} // namespace
