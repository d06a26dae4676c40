// The tray menu, opened with the icon's callback message and chosen with the
// keyboard, and the dialog's OK and Exit buttons.
#include "KorvaneTest.h"

#include "Tray.h"

#include <cstdlib>

namespace e2e {
namespace {

class Menu : public KorvaneTest
{};

using drive::MenuEntry;

TEST_F(Menu, MenuDisableRestoresAndEnableAppliesAgain)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    struct Choice
    {
        MenuEntry entry;
        int ap;
        Commands clockCalls;
        const char* mode;
    };
    const Choice choices[] = {
        {MenuEntry::Disable, 0, NvRestoreCalls(), "default"},
        {MenuEntry::Enable, 1, NvApplyCalls(), "overclocked"},
        {MenuEntry::Enable, 1, NvApplyCalls(), "overclocked"}, // again, in full
    };
    for (const Choice& choice : choices) {
        SCOPED_TRACE(drive::MenuEntryName(choice.entry));
        HWND menu = OpenMenu();
        ASSERT_NE(menu, nullptr) << "the tray menu does not open";
        Mark();
        ASSERT_TRUE(drive::ChooseFromMenu(menu, choice.entry));
        ASSERT_TRUE(WaitForCommands(3));
        ASSERT_TRUE(drive::Settle(main));
        EXPECT_EQ(CommandsSinceMark(), drive::ClockOperation(choice.ap));
        EXPECT_EQ(ClockCallsSinceMark(), choice.clockCalls);
        EXPECT_EQ(notebook->ClockMode(), choice.mode);
        EXPECT_EQ(ApState(), choice.ap);
    }
}

TEST_F(Menu, GrayedModeEntriesDoNothingWhileTheFeatureIsUnavailable)
{
    setup.firmware.system0 = 0;
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    for (MenuEntry entry : {MenuEntry::Enable, MenuEntry::Disable}) {
        SCOPED_TRACE(drive::MenuEntryName(entry));
        HWND menu = OpenMenu();
        ASSERT_NE(menu, nullptr);
        Mark();
        ASSERT_TRUE(drive::ChooseFromMenu(menu, entry));
        ASSERT_NO_FATAL_FAILURE(FlushPostedMessages());
        EXPECT_EQ(CommandsSinceMark(), Commands());
        EXPECT_EQ(ClockCallsSinceMark(), Commands());
        EXPECT_EQ(notebook->ClockMode(), "default");
    }
}

TEST_F(Menu, LeftClicksAndTheRightPressOpenNoMenu)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    for (LPARAM mouse :
         {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_MOUSEMOVE, WM_RBUTTONDBLCLK})
        ASSERT_TRUE(PostMessageW(main, drive::kTrayNotify, 1, mouse));
    // Only the right button's release below may open a menu.
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(drive::CloseMenu(menu));
    EXPECT_FALSE(drive::WaitUntil([&] { return drive::FindOpenMenu(korvane.ProcessId()) != nullptr; }, 500))
        << "a second menu opened";
}

RECT WindowRect(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

TEST_F(Menu, MenuAboutShowsTheSameCentredBoxEveryTime)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    Mark();
    HWND first = nullptr;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        HWND menu = OpenMenu();
        ASSERT_NE(menu, nullptr);
        ASSERT_TRUE(drive::ChooseFromMenu(menu, MenuEntry::About));
        // Korvane shows the box and then centres it: wait for both, since the
        // box may be seen in between on a busy machine.
        HWND about = nullptr;
        const auto centred = [&] {
            about = drive::FindVisibleAbout(korvane.ProcessId());
            if (!about)
                return false;
            const RECT r = WindowRect(about);
            return std::abs((r.left + r.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2) <= 1 &&
                   std::abs((r.top + r.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2) <= 1;
        };
        drive::WaitUntil(centred, 10000);
        ASSERT_NE(about, nullptr) << "no visible About box";
        if (round == 0)
            first = about;
        EXPECT_EQ(about, first) << "the one modeless About box";
        RECT box = WindowRect(about);
        EXPECT_NEAR((box.left + box.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
        EXPECT_NEAR((box.top + box.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
        EXPECT_FALSE(IsWindowVisible(main));

        // Its OK button hides it again.
        HWND ok = GetDlgItem(about, IDOK);
        ASSERT_NE(ok, nullptr);
        PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
        ASSERT_TRUE(drive::WaitUntil([&] { return !IsWindowVisible(about); }, 5000));
        // Moved away, so that the next showing has to centre it again.
        SetWindowPos(about, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ASSERT_TRUE(drive::Settle(main));
    EXPECT_EQ(CommandsSinceMark(), Commands());
    EXPECT_EQ(ClockCallsSinceMark(), Commands());
}

TEST_F(Menu, MenuExitRestoresTwiceEndsAndReleasesTheSingleInstance)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    const int iconsBefore = drive::TrayIconCount();
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    Mark();
    ASSERT_TRUE(drive::ChooseFromMenu(menu, MenuEntry::Exit));
    DWORD status = 0;
    ASSERT_TRUE(korvane.WaitForExit(15000, &status));
    EXPECT_EQ(status, 0u);
    ExpectExitRestoredTwiceAndIconGone(iconsBefore);

    // The mutex went with it: a new instance starts in full.
    Mark();
    ASSERT_NO_FATAL_FAILURE(Launch(*notebook, &korvane));
    main = drive::WaitForMainWindow(korvane.ProcessId(), 20000);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitForCommands(4));
    ASSERT_TRUE(drive::Settle(main));
    EXPECT_EQ(CommandsSinceMark(), StartupCommands(1));
    EXPECT_TRUE(korvane.IsRunning());
}

TEST_F(Menu, OkButtonFollowsTheOverclockRadioButton)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    HWND overclock = GetDlgItem(main, 1000);
    HWND downclock = GetDlgItem(main, 1001);
    ASSERT_NE(overclock, nullptr);
    ASSERT_NE(downclock, nullptr);
    struct Radios
    {
        WPARAM overclock;
        WPARAM downclock;
        int ap;
        const char* mode;
    };
    const Radios cases[] = {
        {BST_CHECKED, BST_UNCHECKED, 1, "overclocked"}, // as set at start-up
        {BST_UNCHECKED, BST_CHECKED, 0, "default"},
        {BST_UNCHECKED, BST_UNCHECKED, 0, "default"},
        {BST_CHECKED, BST_UNCHECKED, 1, "overclocked"},
    };
    for (const Radios& c : cases) {
        SCOPED_TRACE(c.mode);
        DWORD_PTR result = 0;
        ASSERT_TRUE(SendMessageTimeoutW(overclock, BM_SETCHECK, c.overclock, 0, SMTO_NORMAL, 5000, &result));
        ASSERT_TRUE(SendMessageTimeoutW(downclock, BM_SETCHECK, c.downclock, 0, SMTO_NORMAL, 5000, &result));
        Mark();
        ASSERT_TRUE(SendCommand(IDOK));
        EXPECT_EQ(CommandsSinceMark(), drive::ClockOperation(c.ap));
        EXPECT_EQ(notebook->ClockMode(), c.mode);
        EXPECT_TRUE(korvane.IsRunning()) << "OK keeps the program running";
    }
}

TEST_F(Menu, ExitButtonRestoresAndEnds)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    Mark();
    ASSERT_TRUE(PostMessageW(main, WM_COMMAND, IDCANCEL, 0));
    DWORD status = 0;
    ASSERT_TRUE(korvane.WaitForExit(15000, &status));
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(CommandsSinceMark(), drive::Concat({drive::ClockOperation(0), drive::ClockOperation(0)}));
    EXPECT_EQ(notebook->ClockMode(), "default");
}

} // namespace
} // namespace e2e
