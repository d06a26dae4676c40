// The hidden main window, the tray icon after a shell restart and the system
// menu's About command, seen from another process.
#include "KorvaneTest.h"

#include "Tray.h"

#include <functional>

namespace e2e {
namespace {

class Window : public KorvaneTest
{};

TEST_F(Window, MainWindowStaysHiddenWhateverAsksToShowIt)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    struct Request
    {
        const char* name;
        std::function<void()> ask;
    };
    const Request requests[] = {
        {"ShowWindow SW_SHOW", [&] { ShowWindow(main, SW_SHOW); }},
        {"ShowWindow SW_SHOWNORMAL", [&] { ShowWindow(main, SW_SHOWNORMAL); }},
        {"ShowWindowAsync SW_RESTORE", [&] { ShowWindowAsync(main, SW_RESTORE); }},
        {"SetWindowPos SWP_SHOWWINDOW",
         [&] { SetWindowPos(main, HWND_TOP, 10, 10, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW); }},
    };
    for (const Request& request : requests) {
        SCOPED_TRACE(request.name);
        request.ask();
        ASSERT_TRUE(drive::Settle(main));
        EXPECT_FALSE(IsWindowVisible(main));
    }
    EXPECT_TRUE(korvane.IsRunning());
}

TEST_F(Window, TrayObserverTellsPresentFromAbsent)
{
    // The observers the tray tests rely on, checked with an icon of the test's own.
    const int before = drive::TrayIconCount();
    ASSERT_GE(before, 0) << "the shell's tray window is missing";
    {
        drive::OwnTrayIcon icon;
        ASSERT_TRUE(icon.Added());
        EXPECT_TRUE(drive::TrayIconExists(icon.Window(), 77));
        EXPECT_FALSE(drive::TrayIconExists(icon.Window(), 78));
        EXPECT_EQ(drive::TrayIconCount(), before + 1);
        drive::OwnTrayIcon another;
        ASSERT_TRUE(another.Added());
        EXPECT_EQ(drive::TrayIconCount(), before + 2);
    }
    EXPECT_EQ(drive::TrayIconCount(), before);
}

TEST_F(Window, TaskbarCreatedAddsTheIconAgainButNeverTwice)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    ASSERT_TRUE(drive::TrayIconExists(main, 1));
    const int withIcon = drive::TrayIconCount();

    // The shell restarts while the icon is there: still one icon.
    ASSERT_TRUE(drive::SendTaskbarCreated(main));
    EXPECT_TRUE(drive::TrayIconExists(main, 1));
    EXPECT_EQ(drive::TrayIconCount(), withIcon);

    // The shell lost the icon (as a restarted shell has): it comes back once.
    ASSERT_TRUE(drive::DeleteTrayIcon(main, 1));
    ASSERT_FALSE(drive::TrayIconExists(main, 1));
    ASSERT_EQ(drive::TrayIconCount(), withIcon - 1);
    ASSERT_TRUE(drive::SendTaskbarCreated(main));
    EXPECT_TRUE(drive::TrayIconExists(main, 1));
    EXPECT_EQ(drive::TrayIconCount(), withIcon);

    // And it still works: its right-click opens the menu.
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(drive::CloseMenu(menu));
}

TEST_F(Window, SystemCommandAboutOpensAModalAboutBox)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    // The low four bits of a system command are the system's own.
    for (WPARAM command : {WPARAM{drive::kSysCommandAbout}, WPARAM{drive::kSysCommandAbout + 15}}) {
        SCOPED_TRACE(command);
        Mark();
        ASSERT_TRUE(PostMessageW(main, WM_SYSCOMMAND, command, 0));
        HWND about = nullptr;
        ASSERT_TRUE(drive::WaitUntil(
            [&] { return (about = drive::FindVisibleAbout(korvane.ProcessId())) != nullptr; }, 5000))
            << "no About box";
        EXPECT_FALSE(IsWindowVisible(main));
        PostMessageW(about, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(drive::WaitUntil([&] { return !IsWindow(about); }, 5000))
            << "the modal box is destroyed when it ends";
        ASSERT_TRUE(drive::Settle(main));
        EXPECT_EQ(CommandsSinceMark(), Commands());
    }
}

} // namespace
} // namespace e2e
