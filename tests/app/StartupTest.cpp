// Start-up of the main dialog in process: the initial clock mode, the
// controls, the hidden window, the single-instance guard and the tray icon.
#include "AppScenario.h"

#include "AboutDlg.h"
#include "MainState.h"
#include "resource.h"

using namespace apptest;

namespace {

const wchar_t kMutexName[] = L"QEL Korvane";

struct StartRow
{
    const char* name;
    const char* system0;
    bool available;
    Steps steps;
};

class StartUp : public AppScenario
{
protected:
    void Check(const StartRow& row)
    {
        SCOPED_TRACE(row.name);
        firmware->system0 = row.system0;
        CKorvaneDlg& dlg = CreateMainDialog();
        ASSERT_TRUE(IsWindow(dlg.m_hWnd));
        EXPECT_EQ(Recorded(), row.steps);

        EXPECT_TRUE(dlg.m_bNvidia);
        EXPECT_FALSE(dlg.m_bAmd);
        EXPECT_EQ(dlg.m_bOCAvailable, row.available);
        EXPECT_TRUE(dlg.m_bOCEnabled);
        for (int id : {IDC_RADIO_OVERCLOCK, IDC_RADIO_DOWNCLOCK, IDOK})
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(dlg.m_hWnd, id)) != FALSE, row.available) << id;
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg.m_hWnd, IDCANCEL))) << "the Exit button is not bound";
        EXPECT_EQ(SendDlgItemMessageW(dlg.m_hWnd, IDC_RADIO_OVERCLOCK, BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_EQ(SendDlgItemMessageW(dlg.m_hWnd, IDC_RADIO_DOWNCLOCK, BM_GETCHECK, 0, 0), BST_UNCHECKED);

        EXPECT_EQ(g_pMainDlg, &dlg);
        EXPECT_NE(g_hInstanceMutex, nullptr);
        EXPECT_FALSE(MutexFreeForOtherThread(kMutexName)) << "this process owns the mutex";
        ASSERT_NE(g_pAboutDlg, nullptr);
        EXPECT_TRUE(IsWindow(g_pAboutDlg->m_hWnd));
        EXPECT_FALSE(IsWindowVisible(g_pAboutDlg->m_hWnd));
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(dlg.m_hWnd, WM_GETICON, ICON_BIG, 0)), dlg.m_hIcon);
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(dlg.m_hWnd, WM_GETICON, ICON_SMALL, 0)), dlg.m_hIcon);

#ifdef _WIN64
        EXPECT_EQ(dlg.m_nid.cbSize, sizeof(NOTIFYICONDATAW));
#else
        EXPECT_EQ(dlg.m_nid.cbSize, 956u);
#endif
        EXPECT_EQ(dlg.m_nid.hWnd, dlg.m_hWnd);
        EXPECT_EQ(dlg.m_nid.uID, 1u);
        EXPECT_EQ(dlg.m_nid.uCallbackMessage, WM_TRAYICON_NOTIFY);
        EXPECT_EQ(dlg.m_nid.uFlags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP));
        EXPECT_STREQ(dlg.m_nid.szTip, L"QEL Korvane");
        EXPECT_TRUE(TrayIconExists(dlg.m_nid));

        HMENU sysMenu = GetSystemMenu(dlg.m_hWnd, FALSE);
        ASSERT_NE(sysMenu, nullptr);
        const int count = GetMenuItemCount(sysMenu);
        ASSERT_GE(count, 2);
        EXPECT_EQ(GetMenuItemID(sysMenu, count - 1), IDM_ABOUTBOX);
        wchar_t text[64] = {};
        GetMenuStringW(sysMenu, count - 1, text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, L"&About Korvane...");
        EXPECT_EQ(GetMenuState(sysMenu, count - 2, MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));
    }
};

TEST_F(StartUp, FeatureAvailableAppliesTheOverclockAndEnablesTheControls)
{
    UseDrivers(Drivers::Nvidia);
    Check({"available", "2", true, Steps{Pipe(kSystem0)} + NvidiaApply(6)});
}

TEST_F(StartUp, FeatureUnavailableRestoresAndDisablesTheControlsButKeepsOverclockChecked)
{
    UseDrivers(Drivers::Nvidia);
    Check({"unavailable", "4", false, Steps{Pipe(kSystem0)} + NvidiaRestore(6)});
}

TEST_F(StartUp, BothBackendsStartAndOnlyNvidiaChangesClocks)
{
    UseDrivers(Drivers::NvidiaAndAdl);
    firmware->system0 = "2";
    CKorvaneDlg& dlg = CreateMainDialog();
    EXPECT_TRUE(dlg.m_bNvidia);
    EXPECT_TRUE(dlg.m_bAmd);
    EXPECT_EQ(Recorded(), Steps{Pipe(kSystem0)} + NvidiaApply(6)) << "no ADL clock call among them";

    Mark();
    SendMessageW(dlg.m_hWnd, WM_COMMAND, IDM_DISABLE, 0);
    EXPECT_EQ(Recorded(), NvidiaRestore(7));
}

TEST_F(StartUp, TheWindowNeverBecomesVisible)
{
    UseDrivers(Drivers::Nvidia);
    CKorvaneDlg& dlg = CreateMainDialog();
    HWND hwnd = dlg.m_hWnd;
    ASSERT_TRUE(IsWindow(hwnd));
    EXPECT_TRUE(GetWindowLongW(hwnd, GWL_STYLE) & WS_CAPTION) << "the real template";
    EXPECT_FALSE(IsWindowVisible(hwnd)) << "after creation";

    struct Request
    {
        const char* name;
        void (*show)(HWND);
    };
    const Request requests[] = {
        {"ShowWindow SW_SHOW", [](HWND h) { ShowWindow(h, SW_SHOW); }},
        {"ShowWindow SW_SHOWNORMAL", [](HWND h) { ShowWindow(h, SW_SHOWNORMAL); }},
        {"SetWindowPos SWP_SHOWWINDOW",
         [](HWND h) { SetWindowPos(h, nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW); }},
        {"SetWindowPos HWND_TOPMOST SWP_SHOWWINDOW",
         [](HWND h) { SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW); }},
    };
    for (const Request& request : requests) {
        request.show(hwnd);
        PumpMessages();
        EXPECT_FALSE(IsWindowVisible(hwnd)) << request.name;
    }
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    EXPECT_EQ(rc.left, 10) << "the move itself still happens";
}

TEST_F(StartUp, ASecondDialogWhileTheFirstHoldsTheMutexEndsSilently)
{
    UseDrivers(Drivers::Nvidia);
    firmware->system0 = "2";
    CKorvaneDlg& first = CreateMainDialog();
    const HANDLE firstMutex = g_hInstanceMutex;
    ASSERT_NE(firstMutex, nullptr);
    CAboutDlg* const firstAbout = g_pAboutDlg;
    Mark();

    CKorvaneDlg& second = CreateMainDialog();
    EXPECT_EQ(Recorded(), Steps{}) << "no firmware command, no driver call";
    EXPECT_FALSE(second.m_bNvidia);
    EXPECT_FALSE(second.m_bAmd);
    EXPECT_EQ(second.m_nid.cbSize, 0u) << "no icon of its own";
    EXPECT_EQ(g_hInstanceMutex, firstMutex);
    EXPECT_EQ(g_pMainDlg, &first);
    EXPECT_EQ(g_pAboutDlg, nullptr) << "constructing it cleared the reference";
    EXPECT_FALSE(IsWindowVisible(second.m_hWnd));
    // Nor does a shell restart give it one.
    SendMessageW(second.m_hWnd, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    NOTIFYICONDATAW probe{};
    probe.cbSize = sizeof probe;
    probe.hWnd = second.m_hWnd;
    probe.uID = 1;
    EXPECT_FALSE(TrayIconExists(probe));

    // The refused dialog's teardown touches nothing of the running one.
    DestroyWindow(second.m_hWnd);
    EXPECT_EQ(Recorded(), Steps{});
    EXPECT_FALSE(MutexFreeForOtherThread(kMutexName)) << "the first dialog still holds the mutex";
    EXPECT_TRUE(TrayIconExists(first.m_nid));
    g_pAboutDlg = firstAbout;
}

TEST_F(StartUp, TaskbarCreatedAddsTheSameIconAgainOnce)
{
    UseDrivers(Drivers::Nvidia);
    CKorvaneDlg& dlg = CreateMainDialog();
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    ASSERT_NE(taskbarCreated, 0u);
    ASSERT_TRUE(TrayIconExists(dlg.m_nid));
    const NOTIFYICONDATAW before = dlg.m_nid;

    // The shell restarted and lost the icon.
    NOTIFYICONDATAW lost = dlg.m_nid;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &lost));
    ASSERT_FALSE(TrayIconExists(dlg.m_nid));

    SendMessageW(dlg.m_hWnd, taskbarCreated, 0, 0);
    EXPECT_TRUE(TrayIconExists(dlg.m_nid));
    NOTIFYICONDATAW now = dlg.m_nid;
    now.hIcon = before.hIcon;
    EXPECT_EQ(memcmp(&before, &now, sizeof before), 0) << "the same record, its image made anew";

    // One icon: a single deletion removes it.
    NOTIFYICONDATAW again = dlg.m_nid;
    EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &again));
    EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &again));
}

} // namespace
