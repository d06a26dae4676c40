// The tray icon's menu, read while it is open: its entries, their item
// objects and icons, which are grayed; and what is left once it closes.
#include "AppScenario.h"
#include "Canvas.h"
#include "MenuWatch.h"

#include <algorithm>

#include "MenuXP.h"
#include "SeamScope.h"
#include "Settings.h"
#include "TextMenu.h"
#include "ThreadTimer.h"
#include "resource.h"

using namespace apptest;

namespace {

// The messages waiting in the queue for hwnd, taken out.
std::vector<UINT> TakePosted(HWND hwnd)
{
    std::vector<UINT> messages;
    MSG msg;
    while (messages.size() < 100 && PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE))
        messages.push_back(msg.message);
    return messages;
}

bool Contains(const std::vector<UINT>& messages, UINT message)
{
    return std::find(messages.begin(), messages.end(), message) != messages.end();
}

// The screen reader's answer for the next right-clicks, and how often the
// program asked.
bool g_screenReader = false;
int g_asked = 0;
bool FakeScreenReader()
{
    ++g_asked;
    return g_screenReader;
}

class TrayMenu : public AppScenario
{
protected:
    void SetUp() override
    {
        AppScenario::SetUp();
        UseDrivers(Drivers::Nvidia);
        g_screenReader = false;
        g_asked = 0;
    }

    // A right-click on the icon; returns the menu as it was while open. With
    // keys, they are pressed in the open menu.
    SeenMenu RightClick(CKorvaneDlg& dlg, std::vector<WPARAM> keys = {})
    {
        SeenMenu seen = apptest::RightClick(dlg, std::move(keys));
        EXPECT_GE(seen.idle, 1) << "the menu was open";
        return seen;
    }
};

struct MenuRow
{
    bool available;
    bool enabled;
    UINT enableIcon;
    UINT disableIcon;
};

TEST_F(TrayMenu, RightButtonReleaseShowsTheEntriesForTheState)
{
    ASSERT_NE(Pixels(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_MENU_CHECK_RED))),
              Pixels(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_MENU_CHECK_BLACK))))
        << "the two check marks can be told apart";
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    TakePosted(dlg.m_hWnd);

    const MenuRow rows[] = {
        {true, true, IDI_MENU_CHECK_RED, 0},
        {true, false, 0, IDI_MENU_CHECK_RED},
        {false, true, IDI_MENU_CHECK_BLACK, 0},
        {false, false, 0, IDI_MENU_CHECK_BLACK},
    };
    for (const MenuRow& row : rows) {
        SCOPED_TRACE(std::string("available ") + (row.available ? "yes" : "no") + ", enabled " +
                     (row.enabled ? "yes" : "no"));
        dlg.m_bOCAvailable = row.available;
        dlg.m_bOCEnabled = row.enabled;
        Mark();
        const SeenMenu seen = RightClick(dlg);
        ASSERT_FALSE(HasFailure()) << "the menu was open and closed";
        EXPECT_EQ(seen.windowClass, L"#32768");
        ASSERT_TRUE(seen.isMenuXP);
        EXPECT_EQ(seen.selectedBar, 0x00DCA078u);
        EXPECT_EQ(seen.style, MENU_STYLE_XP);
        ASSERT_EQ(seen.entries.size(), 10u);

        struct Expected
        {
            UINT id;
            const wchar_t* text;
            bool sideBar;
            bool separator;
            UINT iconGroup;
            bool grayed;
        };
        const bool grayed = !row.available;
        const Expected expected[10] = {
            {0, L"Korvane", true, false, 0, false},
            {IDM_ENABLE, L"Enable", false, false, row.enableIcon, grayed},
            {IDM_DISABLE, L"Disable", false, false, row.disableIcon, grayed},
            {0, L"", false, true, 0, false},
            {IDM_AC_ONLY, L"Only on AC power", false, false, 0, false},
            {IDM_NOTICES, L"Notices", false, false, 0, false},
            {0, L"", false, true, 0, false},
            {IDM_ABOUT, L"About", false, false, IDI_MENU_ABOUT, false},
            {0, L"", false, true, 0, false},
            {IDM_EXIT, L"Exit", false, false, IDI_MENU_EXIT, false},
        };
        for (size_t i = 0; i < 10; ++i) {
            SCOPED_TRACE("entry " + std::to_string(i));
            const SeenEntry& entry = seen.entries[i];
            ASSERT_TRUE(entry.hasItem) << "an item object of the menu";
            EXPECT_TRUE(entry.type & MFT_OWNERDRAW);
            EXPECT_EQ(entry.id, expected[i].id);
            EXPECT_EQ(entry.itemId, expected[i].id);
            EXPECT_EQ(entry.text, expected[i].text);
            EXPECT_EQ(entry.sideBar, expected[i].sideBar);
            EXPECT_EQ(entry.separator, expected[i].separator);
            EXPECT_EQ((entry.type & MFT_SEPARATOR) != 0, expected[i].sideBar || expected[i].separator);
            EXPECT_EQ(entry.iconGroup, expected[i].iconGroup);
            EXPECT_EQ(entry.icon != nullptr, expected[i].iconGroup != 0);
            // The system grays separator entries itself; only text entries tell.
            if (!(entry.type & MFT_SEPARATOR)) {
                EXPECT_EQ((entry.state & MFS_GRAYED) == MFS_GRAYED, expected[i].grayed);
            }
            EXPECT_EQ((entry.type & MFT_MENUBREAK) != 0, i == 1) << "the second column starts at Enable";
            EXPECT_EQ(entry.type & MFT_MENUBARBREAK, 0u);
        }

        // Closed: the menu, its items and their icons are gone, WM_NULL follows.
        EXPECT_FALSE(IsMenu(seen.menu));
        for (const SeenEntry& entry : seen.entries) {
            if (entry.icon) {
                EXPECT_FALSE(IconAlive(entry.icon)) << entry.iconGroup;
            }
        }
        EXPECT_TRUE(Contains(TakePosted(dlg.m_hWnd), WM_NULL));
        EXPECT_EQ(Recorded(), Steps{}) << "closing the menu chose nothing";
        EXPECT_EQ(dlg.m_bOCEnabled, row.enabled);
    }
}

TEST_F(TrayMenu, OtherMouseMessagesOpenNothing)
{
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    TakePosted(dlg.m_hWnd);
    for (UINT mouse : {WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONDBLCLK,
                       WM_MOUSEMOVE, WM_MBUTTONUP}) {
        SCOPED_TRACE("mouse message " + std::to_string(mouse));
        bool timedOut = false;
        int idle = 0;
        {
            MenuWatch watch(dlg.m_hWnd);
            OneShotTimer safety(kSafetyMs, [&] {
                timedOut = true;
                EndMenu();
            });
            EXPECT_EQ(SendMessageW(dlg.m_hWnd, WM_TRAYICON_NOTIFY, 1, mouse), 1);
            idle = watch.seen.idle;
        }
        EXPECT_EQ(idle, 0);
        EXPECT_FALSE(timedOut);
        EXPECT_FALSE(Contains(TakePosted(dlg.m_hWnd), WM_NULL));
    }
}

bool Grayed(const SeenEntry& entry)
{
    return (entry.state & MFS_GRAYED) == MFS_GRAYED;
}

const SeenEntry* EntryWithId(const SeenMenu& menu, UINT id)
{
    for (const SeenEntry& entry : menu.entries) {
        if (entry.id == id && !(entry.type & MFT_SEPARATOR))
            return &entry;
    }
    return nullptr;
}

TEST_F(TrayMenu, WithAScreenReaderTheSameStateIsShownAsATextMenu)
{
    SeamScope<&SetScreenReaderForTesting> fakeReader{&FakeScreenReader};
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    TakePosted(dlg.m_hWnd);

    const MenuRow rows[] = {
        {true, true, 0, 0}, {true, false, 0, 0}, {false, true, 0, 0}, {false, false, 0, 0}};
    for (const MenuRow& row : rows) {
        SCOPED_TRACE(std::string("available ") + (row.available ? "yes" : "no") + ", enabled " +
                     (row.enabled ? "yes" : "no"));
        dlg.m_bOCAvailable = row.available;
        dlg.m_bOCEnabled = row.enabled;
        Mark();

        g_screenReader = false;
        const SeenMenu drawn = RightClick(dlg);
        EXPECT_TRUE(drawn.isMenuXP) << "without a screen reader the menu is owner-drawn";
        ASSERT_EQ(drawn.entries.size(), 10u);
        EXPECT_TRUE(drawn.entries[1].type & MFT_OWNERDRAW);
        TakePosted(dlg.m_hWnd);

        g_screenReader = true;
        const SeenMenu text = RightClick(dlg);
        EXPECT_EQ(text.windowClass, L"#32768");
        EXPECT_FALSE(text.isMenuXP);
        ASSERT_EQ(text.entries.size(), 9u) << "no side bar";

        struct Expected
        {
            UINT id;
            const wchar_t* text;
            bool separator;
        };
        const Expected expected[9] = {
            {IDM_ENABLE, L"Enable", false},
            {IDM_DISABLE, L"Disable", false},
            {0, L"", true},
            {IDM_AC_ONLY, L"Only on AC power", false},
            {IDM_NOTICES, L"Notices", false},
            {0, L"", true},
            {IDM_ABOUT, L"About", false},
            {0, L"", true},
            {IDM_EXIT, L"Exit", false},
        };
        const UINT chosen = row.enabled ? IDM_ENABLE : IDM_DISABLE;
        for (size_t i = 0; i < 9; ++i) {
            SCOPED_TRACE("entry " + std::to_string(i));
            const SeenEntry& entry = text.entries[i];
            EXPECT_EQ(entry.type & MFT_OWNERDRAW, 0u);
            EXPECT_EQ(entry.data, 0u) << "no item object behind the entry";
            EXPECT_EQ((entry.type & MFT_SEPARATOR) != 0, expected[i].separator);
            EXPECT_EQ(entry.type & (MFT_MENUBREAK | MFT_MENUBARBREAK), 0u) << "one column";
            if (expected[i].separator)
                continue;
            EXPECT_EQ(entry.id, expected[i].id);
            EXPECT_EQ(entry.menuString, expected[i].text);
            // The chosen mode alone carries the radio mark; "Notices", on
            // by default, its check.
            EXPECT_EQ((entry.state & MFS_CHECKED) != 0, entry.id == chosen || entry.id == IDM_NOTICES);
            EXPECT_EQ((entry.type & MFT_RADIOCHECK) != 0, entry.id == chosen);
            const bool mode = entry.id == IDM_ENABLE || entry.id == IDM_DISABLE;
            const SeenEntry* same = EntryWithId(drawn, entry.id);
            ASSERT_NE(same, nullptr);
            EXPECT_EQ(Grayed(entry), Grayed(*same)) << "grayed as in the owner-drawn menu";
            EXPECT_EQ(Grayed(entry), mode && !row.available);
        }

        EXPECT_FALSE(IsMenu(text.menu)) << "the text menu is destroyed once closed";
        EXPECT_TRUE(Contains(TakePosted(dlg.m_hWnd), WM_NULL));
        EXPECT_EQ(Recorded(), Steps{}) << "closing the menu chose nothing";
        EXPECT_EQ(dlg.m_bOCEnabled, row.enabled);
    }
    EXPECT_EQ(g_asked, 8) << "asked at every right-click";
}

TEST_F(TrayMenu, DisableChosenWithTheKeyboardSwitchesTheClocksFromEitherMenu)
{
    SeamScope<&SetScreenReaderForTesting> fakeReader{&FakeScreenReader};
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    for (bool screenReader : {false, true}) {
        SCOPED_TRACE(screenReader ? "text menu" : "owner-drawn menu");
        g_screenReader = screenReader;
        dlg.m_bOCAvailable = true;
        dlg.m_bOCEnabled = true;
        firmware->ap = "7";
        PumpMessages();
        Mark();

        const SeenMenu seen = RightClick(dlg, {VK_DOWN, VK_DOWN, VK_RETURN});
        EXPECT_EQ(seen.isMenuXP, !screenReader);
        EXPECT_FALSE(IsMenu(seen.menu));
        PumpMessages(); // the chosen command arrives as a posted WM_COMMAND
        EXPECT_EQ(Recorded(), NvidiaRestore(7));
        EXPECT_FALSE(dlg.m_bOCEnabled);
    }
}

TEST_F(TrayMenu, TheOptionsAreCheckEntriesInBothMenus)
{
    SeamScope<&SetScreenReaderForTesting> fakeReader{&FakeScreenReader};
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    for (bool screenReader : {false, true}) {
        for (int options = 0; options < 4; ++options) {
            const bool acOnly = options & 1;
            const bool notices = options & 2;
            SCOPED_TRACE(std::string(screenReader ? "text menu" : "owner-drawn menu") +
                         ", only on AC power " + (acOnly ? "on" : "off") + ", notices " +
                         (notices ? "on" : "off"));
            g_screenReader = screenReader;
            dlg.m_bAcOnly = acOnly;
            dlg.m_bNotices = notices;
            const SeenMenu seen = RightClick(dlg);
            TakePosted(dlg.m_hWnd);
            for (const auto& [id, on] :
                 {std::make_pair(IDM_AC_ONLY, acOnly), std::make_pair(IDM_NOTICES, notices)}) {
                const SeenEntry* entry = EntryWithId(seen, id);
                ASSERT_NE(entry, nullptr) << id;
                EXPECT_EQ((entry->state & MFS_CHECKED) != 0, on) << id;
                EXPECT_EQ(entry->type & MFT_RADIOCHECK, 0u) << "a check mark, not a radio mark";
                EXPECT_FALSE(Grayed(*entry)) << "selectable whether or not the feature is available";
                EXPECT_EQ(entry->icon, nullptr) << "the owner-drawn menu draws its own check";
            }
        }
    }
}

TEST_F(TrayMenu, TheOptionsChosenWithTheKeyboardFromEitherMenuAreStored)
{
    SeamScope<&SetScreenReaderForTesting> fakeReader{&FakeScreenReader};
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    dlg.m_bOCAvailable = true;
    for (bool screenReader : {false, true}) {
        SCOPED_TRACE(screenReader ? "text menu" : "owner-drawn menu");
        g_screenReader = screenReader;
        dlg.m_bAcOnly = false;
        dlg.m_bNotices = true;
        PumpMessages();
        Mark();

        RightClick(dlg, {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
        PumpMessages();
        EXPECT_TRUE(dlg.m_bAcOnly);
        EXPECT_TRUE(LoadSettings().acOnly);
        RightClick(dlg, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
        PumpMessages();
        EXPECT_FALSE(dlg.m_bNotices);
        EXPECT_FALSE(LoadSettings().notices);
        EXPECT_EQ(Recorded(), Steps{}) << "on AC power neither option changes the clocks";
        EXPECT_TRUE(dlg.m_bOCEnabled);
    }
}
// The session's screen-reader setting, put back as it was on every road out:
// other programs of the session (the end-to-end tests' Korvane) read it.
class ScreenReaderSettingKept
{
public:
    ScreenReaderSettingKept() : m_read(SystemParametersInfoW(SPI_GETSCREENREADER, 0, &m_before, 0) != FALSE)
    {}
    ~ScreenReaderSettingKept()
    {
        if (m_read)
            SystemParametersInfoW(SPI_SETSCREENREADER, m_before, nullptr, 0);
    }
    ScreenReaderSettingKept(const ScreenReaderSettingKept&) = delete;
    ScreenReaderSettingKept& operator=(const ScreenReaderSettingKept&) = delete;
    bool Read() const { return m_read; }

private:
    BOOL m_before = FALSE;
    bool m_read;
};

// The program's own question, answered by the system setting.
TEST(ScreenReader, RunningFollowsTheSystemSetting)
{
    SeamScope<&SetScreenReaderForTesting> question{nullptr};
    ScreenReaderSettingKept setting;
    ASSERT_TRUE(setting.Read());
    for (BOOL on : {TRUE, FALSE, TRUE}) {
        ASSERT_TRUE(SystemParametersInfoW(SPI_SETSCREENREADER, on, nullptr, 0));
        EXPECT_EQ(ScreenReaderRunning(), on == TRUE);
    }
}

} // namespace
