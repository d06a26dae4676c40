// The tray icon's image follows the display: each message that may change
// the small-icon size makes it anew, the shell gets the new one, and the one
// it replaces is destroyed.
#include "AppScenario.h"
#include "MenuWatch.h"

#include <cstring>

#include "MainState.h"

using namespace apptest;

namespace {

class TrayIcon : public AppScenario
{
protected:
    void SetUp() override
    {
        AppScenario::SetUp();
        UseDrivers(Drivers::Nvidia);
    }
};

// The record apart from its image.
bool SameRecordButTheImage(NOTIFYICONDATAW a, NOTIFYICONDATAW b)
{
    a.hIcon = b.hIcon = nullptr;
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST_F(TrayIcon, EachChangeOfDisplayOrSettingsMakesTheIconAnew)
{
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    ASSERT_TRUE(TrayIconExists(dlg.m_nid));
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    const WPARAM dpi = MAKEWPARAM(96, 96);
    RECT suggested{0, 0, 100, 100};
    const struct
    {
        const char* name;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        bool shellLostTheIcon;
    } triggers[] = {
        {"WM_DPICHANGED", WM_DPICHANGED, dpi, reinterpret_cast<LPARAM>(&suggested), false},
        {"WM_DISPLAYCHANGE", WM_DISPLAYCHANGE, 32, MAKELPARAM(1920, 1080), false},
        {"WM_SETTINGCHANGE", WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0, false},
        {"WM_SETTINGCHANGE ImmersiveColorSet", WM_SETTINGCHANGE, 0,
         reinterpret_cast<LPARAM>(L"ImmersiveColorSet"), false},
        {"TaskbarCreated", taskbarCreated, 0, 0, true},
    };
    for (const auto& trigger : triggers) {
        SCOPED_TRACE(trigger.name);
        const NOTIFYICONDATAW before = dlg.m_nid;
        ASSERT_TRUE(IconAlive(before.hIcon));
        if (trigger.shellLostTheIcon) {
            NOTIFYICONDATAW lost = before;
            ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &lost));
        }
        SendMessageW(dlg.m_hWnd, trigger.message, trigger.wParam, trigger.lParam);
        EXPECT_NE(dlg.m_nid.hIcon, before.hIcon);
        EXPECT_TRUE(IconAlive(dlg.m_nid.hIcon));
        EXPECT_EQ(IconSize(dlg.m_nid.hIcon), GetSystemMetrics(SM_CXSMICON));
        EXPECT_FALSE(IconAlive(before.hIcon)) << "the replaced icon is destroyed";
        EXPECT_TRUE(SameRecordButTheImage(before, dlg.m_nid)) << "tip, flags and callback stay";
        EXPECT_TRUE(TrayIconExists(dlg.m_nid));
    }
    // One icon: a single deletion removes it.
    NOTIFYICONDATAW again = dlg.m_nid;
    EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &again));
    EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &again));
}

// While the shell holds no icon of Korvane's, a change adds none: the new
// image waits in the record for the next TaskbarCreated.
TEST_F(TrayIcon, AChangeWhileTheShellLacksTheIconAddsNone)
{
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    NOTIFYICONDATAW lost = dlg.m_nid;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &lost));
    const HICON before = dlg.m_nid.hIcon;

    SendMessageW(dlg.m_hWnd, WM_DISPLAYCHANGE, 32, MAKELPARAM(1920, 1080));
    EXPECT_FALSE(TrayIconExists(dlg.m_nid));
    EXPECT_TRUE(IconAlive(dlg.m_nid.hIcon));
    EXPECT_FALSE(IconAlive(before));

    SendMessageW(dlg.m_hWnd, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(TrayIconExists(dlg.m_nid));
}

// A dialog that never added its icon (a second instance, refused) adds none
// when the display changes.
TEST_F(TrayIcon, ADialogWithoutAnIconGetsNoneFromAChange)
{
    CKorvaneDlg& first = CreateMainDialog();
    ASSERT_TRUE(IsWindow(first.m_hWnd));
    // Constructing a dialog forgets the running one's About box.
    CAboutDlg* const firstAbout = g_pAboutDlg;
    CKorvaneDlg& second = CreateMainDialog();
    g_pAboutDlg = firstAbout;
    ASSERT_TRUE(IsWindow(second.m_hWnd)) << "refused, but its window is there until destroyed";
    ASSERT_EQ(second.m_nid.cbSize, 0u);
    for (UINT message : {UINT(WM_DPICHANGED), UINT(WM_DISPLAYCHANGE), UINT(WM_SETTINGCHANGE)}) {
        SendMessageW(second.m_hWnd, message, 0, 0);
        EXPECT_EQ(second.m_nid.hIcon, nullptr) << message;
    }
    NOTIFYICONDATAW probe{};
    probe.cbSize = sizeof probe;
    probe.hWnd = second.m_hWnd;
    probe.uID = 1;
    EXPECT_FALSE(TrayIconExists(probe));
    EXPECT_TRUE(TrayIconExists(first.m_nid));
}

TEST_F(TrayIcon, TeardownDestroysTheIcon)
{
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    const HICON icon = dlg.m_nid.hIcon;
    ASSERT_TRUE(IconAlive(icon));
    DestroyWindow(dlg.m_hWnd);
    EXPECT_FALSE(IconAlive(icon));
}

} // namespace
