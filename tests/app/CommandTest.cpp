// The tray menu's commands and the dialog's OK button.
#include "AppScenario.h"

#include "AboutDlg.h"
#include "MainState.h"
#include "resource.h"

using namespace apptest;

namespace {

class Commands : public AppScenario
{
protected:
    void SetUp() override
    {
        AppScenario::SetUp();
        UseDrivers(Drivers::Nvidia);
    }
};

struct CommandRow
{
    const char* name;
    WPARAM wParam;
    BOOL session;
    bool available;
    bool enabledBefore;
    bool enabledAfter;
    Steps steps;
};

TEST_F(Commands, EachCommandSetsTheChoiceAndSwitchesTheClocks)
{
    const CommandRow rows[] = {
        {"Enable", IDM_ENABLE, TRUE, true, false, true, NvidiaApply(6)},
        {"Enable while overclocked runs again in full", IDM_ENABLE, TRUE, true, true, true, NvidiaApply(6)},
        {"Enable while unavailable still applies", IDM_ENABLE, TRUE, false, false, true, NvidiaApply(6)},
        {"Disable", IDM_DISABLE, TRUE, true, true, false, NvidiaRestore(6)},
        {"Exit", IDM_EXIT, TRUE, true, true, false, NvidiaRestore(6)},
        {"About without an About box", IDM_ABOUT, TRUE, true, true, true, {}},
        {"Enable with notification code 1", MAKEWPARAM(IDM_ENABLE, 1), TRUE, true, false, false, {}},
        {"Disable with notification code 1", MAKEWPARAM(IDM_DISABLE, 1), TRUE, true, true, true, {}},
        {"Exit with notification code 1", MAKEWPARAM(IDM_EXIT, 1), TRUE, true, true, true, {}},
        {"another command", 304, TRUE, true, false, false, {}},
        {"Disable while the session is inactive", IDM_DISABLE, FALSE, true, true, false, {}},
        {"Enable while the session is inactive", IDM_ENABLE, FALSE, false, false, true, {}},
    };
    for (const CommandRow& row : rows) {
        SCOPED_TRACE(row.name);
        CKorvaneDlg dlg;
        StartNvidia(dlg);
        ASSERT_FALSE(HasFatalFailure());
        dlg.m_bOCAvailable = row.available;
        dlg.m_bOCEnabled = row.enabledBefore;
        firmware->ap = "6";
        g_bSessionActive = row.session;
        Mark();

        dlg.OnCommand(row.wParam, 0);
        EXPECT_EQ(Recorded(), row.steps);
        EXPECT_EQ(dlg.m_bOCEnabled, row.enabledAfter);
        EXPECT_EQ(dlg.m_bOCAvailable, row.available);
    }
}

// The About box's window rectangle expected after centring on the desktop.
RECT CentredOnDesktop(const RECT& box)
{
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    const int w = box.right - box.left;
    const int h = box.bottom - box.top;
    const int x = (desktop.right - desktop.left) / 2 - w / 2;
    const int y = (desktop.bottom - desktop.top) / 2 - h / 2;
    return {x, y, x + w, y + h};
}

bool SameRect(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

TEST_F(Commands, AboutShowsTheSameModelessBoxCentredEachTime)
{
    CKorvaneDlg dlg;
    StartNvidia(dlg);
    g_pAboutDlg = new CAboutDlg;
    ASSERT_TRUE(g_pAboutDlg->Create(IDD_ABOUTBOX));
    const HWND box = g_pAboutDlg->m_hWnd;
    ASSERT_FALSE(IsWindowVisible(box)) << "created hidden";
    RECT before;
    GetWindowRect(box, &before);
    Mark();

    for (int showing = 1; showing <= 2; ++showing) {
        SCOPED_TRACE("showing " + std::to_string(showing));
        dlg.OnCommand(IDM_ABOUT, 0);
        EXPECT_EQ(g_pAboutDlg->m_hWnd, box);
        EXPECT_TRUE(IsWindowVisible(box));
        RECT now;
        GetWindowRect(box, &now);
        EXPECT_TRUE(SameRect(now, CentredOnDesktop(before)))
            << now.left << "," << now.top << " " << now.right << "," << now.bottom;

        // OK hides the box without destroying it; then it is moved away.
        SendMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(IsWindow(box));
        EXPECT_FALSE(IsWindowVisible(box));
        MoveWindow(box, 3, 4, before.right - before.left, before.bottom - before.top, TRUE);
    }
    EXPECT_EQ(Recorded(), Steps{}) << "About changes no clock";
    EXPECT_TRUE(dlg.m_bOCEnabled);
}

struct OkRow
{
    const char* name;
    int overclock;
    int downclock;
    bool enabledAfter;
    Steps steps;
};

TEST_F(Commands, OkButtonFollowsTheOverclockRadioButton)
{
    firmware->system0 = "2";
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    const HWND ok = GetDlgItem(dlg.m_hWnd, IDOK);
    const OkRow rows[] = {
        {"Overclock VGA checked", BST_CHECKED, BST_UNCHECKED, true, NvidiaApply(6)},
        {"Downclock VGA checked", BST_UNCHECKED, BST_CHECKED, false, NvidiaRestore(6)},
        {"neither checked", BST_UNCHECKED, BST_UNCHECKED, false, NvidiaRestore(6)},
    };
    for (const OkRow& row : rows) {
        SCOPED_TRACE(row.name);
        SendDlgItemMessageW(dlg.m_hWnd, IDC_RADIO_OVERCLOCK, BM_SETCHECK, row.overclock, 0);
        SendDlgItemMessageW(dlg.m_hWnd, IDC_RADIO_DOWNCLOCK, BM_SETCHECK, row.downclock, 0);
        dlg.m_bOCEnabled = !row.enabledAfter;
        firmware->ap = "6";
        Mark();

        SendMessageW(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
        EXPECT_EQ(Recorded(), row.steps);
        EXPECT_EQ(dlg.m_bOCEnabled, row.enabledAfter);
        EXPECT_EQ(SendDlgItemMessageW(dlg.m_hWnd, IDC_RADIO_OVERCLOCK, BM_GETCHECK, 0, 0), row.overclock)
            << "the radio buttons are left as they were";
    }
}

} // namespace
