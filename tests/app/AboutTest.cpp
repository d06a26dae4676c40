// The About box: centring the modeless one, the legal notice line, the
// modal one opened by the system-menu command, and the box with the keyboard.
#include "AppScenario.h"
#include "Canvas.h"
#include "MenuWatch.h"

#include "AboutDlg.h"
#include "MainState.h"
#include "ThreadTimer.h"
#include "resource.h"

using namespace apptest;

namespace {

class About : public AppScenario
{};

std::wstring ControlText(HWND dialog, int id)
{
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, id, text, 256);
    return text;
}

// The dialog manager alone: the template's controls as stored.
INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

TEST_F(About, CenterAboutBoxMovesTheBoxToTheMiddleOfTheDesktop)
{
    // Whatever display the tests run on: the box's centre is the desktop's,
    // the halves of odd sizes truncated.
    RECT desktop;
    ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &desktop));
    const int centreX = desktop.left + (desktop.right - desktop.left) / 2;
    const int centreY = desktop.top + (desktop.bottom - desktop.top) / 2;

    g_pAboutDlg = new CAboutDlg;
    ASSERT_TRUE(g_pAboutDlg->Create(IDD_ABOUTBOX));
    const HWND box = g_pAboutDlg->m_hWnd;
    for (const SIZE size : {SIZE{317, 125}, SIZE{318, 126}}) {
        SCOPED_TRACE(std::to_string(size.cx) + " x " + std::to_string(size.cy));
        SetWindowPos(box, nullptr, 7, 9, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        CenterAboutBox();
        RECT now;
        GetWindowRect(box, &now);
        EXPECT_EQ(now.left, centreX - size.cx / 2);
        EXPECT_EQ(now.top, centreY - size.cy / 2);
        EXPECT_EQ(now.right - now.left, size.cx);
        EXPECT_EQ(now.bottom - now.top, size.cy);
    }
}

TEST_F(About, CenterAboutBoxWithoutTheBoxMovesNothing)
{
    ASSERT_EQ(g_pAboutDlg, nullptr);
    CAboutDlg other;
    ASSERT_TRUE(other.Create(IDD_ABOUTBOX));
    SetWindowPos(other.m_hWnd, nullptr, 7, 9, 317, 125, SWP_NOZORDER | SWP_NOACTIVATE);

    CenterAboutBox();
    RECT now;
    GetWindowRect(other.m_hWnd, &now);
    EXPECT_EQ(now.left, 7);
    EXPECT_EQ(now.top, 9);
    DestroyWindow(other.m_hWnd);
}

TEST_F(About, LegalNoticeComesFromTheStringTable)
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dll(path, length);
    dll = dll.substr(0, dll.find_last_of(L'\\')) + L"\\test_app_notice.dll";
    HMODULE notice = LoadLibraryW(dll.c_str());
    ASSERT_NE(notice, nullptr);

    // That module's template stores one line and its string 102 another.
    HWND plain = CreateDialogParamW(notice, MAKEINTRESOURCEW(IDD_ABOUTBOX), nullptr, &PlainDialogProc, 0);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(ControlText(plain, IDC_LEGAL_NOTICE), L"Notice stored in the template");
    DestroyWindow(plain);

    AfxSetResourceHandle(notice);
    {
        CAboutDlg about;
        ASSERT_TRUE(about.Create(IDD_ABOUTBOX));
        EXPECT_EQ(ControlText(about.m_hWnd, IDC_LEGAL_NOTICE), L"Notice from the string table");

        // OK exchanges the data again and writes the line once more.
        SetDlgItemTextW(about.m_hWnd, IDC_LEGAL_NOTICE, L"changed");
        SendMessageW(about.m_hWnd, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(ControlText(about.m_hWnd, IDC_LEGAL_NOTICE), L"Notice from the string table");
        DestroyWindow(about.m_hWnd);
    }
    AfxSetResourceHandle(nullptr);
    FreeLibrary(notice);

    // The program's own resources: the line is its string 102.
    CAboutDlg own;
    ASSERT_TRUE(own.Create(IDD_ABOUTBOX));
    wchar_t expected[256] = {};
    ASSERT_GT(LoadStringW(GetModuleHandleW(nullptr), IDS_LEGAL_NOTICE, expected, 256), 0);
    EXPECT_EQ(ControlText(own.m_hWnd, IDC_LEGAL_NOTICE), expected);
    DestroyWindow(own.m_hWnd);
}

struct SysCommandRow
{
    UINT command;
    bool opensAbout;
};

TEST_F(About, SystemCommandsFrom16To31OpenTheModalAboutBox)
{
    UseDrivers(Drivers::Nvidia);
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    ASSERT_NE(g_pAboutDlg, nullptr);
    const HWND modeless = g_pAboutDlg->m_hWnd;
    Mark();

    const SysCommandRow rows[] = {{IDM_ABOUTBOX, true}, {31, true}, {32, false}};
    for (const SysCommandRow& row : rows) {
        SCOPED_TRACE("system command " + std::to_string(row.command));
        std::vector<std::wstring> captions;
        std::vector<std::wstring> notices;
        std::vector<HWND> opened;
        {
            // Runs inside the About box's modal loop, if one is entered.
            OneShotTimer close(1, [&] {
                for (HWND box : DialogsOfThisThread({dlg.m_hWnd, modeless})) {
                    wchar_t caption[64] = {};
                    GetWindowTextW(box, caption, 64);
                    captions.push_back(caption);
                    notices.push_back(ControlText(box, IDC_LEGAL_NOTICE));
                    opened.push_back(box);
                    EndDialog(box, IDOK);
                }
            });
            SendMessageW(dlg.m_hWnd, WM_SYSCOMMAND, row.command, 0);
            EXPECT_EQ(close.Fired(), row.opensAbout) << "a modal loop ran";
        }
        if (row.opensAbout) {
            ASSERT_EQ(captions.size(), 1u);
            EXPECT_EQ(captions[0], L"About Korvane");
            EXPECT_FALSE(notices[0].empty());
            EXPECT_FALSE(IsWindow(opened[0])) << "the modal box is gone when the command returns";
        } else {
            EXPECT_TRUE(captions.empty());
        }
        EXPECT_TRUE(IsWindow(dlg.m_hWnd));
        EXPECT_FALSE(IsWindowVisible(modeless)) << "the modeless box is not the one shown";
    }
    EXPECT_EQ(Recorded(), Steps{});
}

struct ControlRow
{
    int id;
    const wchar_t* windowClass;
    bool tabStop;
};

std::wstring ClassOf(HWND window)
{
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    return name;
}

// What a screen reader user meets: the box shown from the tray menu holds the
// focus on OK, its texts are static text outside the tab order (read with
// the box), and Enter or Esc closes it.
TEST_F(About, TheShownBoxIsReadAndClosedWithTheKeyboard)
{
    UseDrivers(Drivers::Nvidia);
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    ASSERT_NE(g_pAboutDlg, nullptr);
    const HWND box = g_pAboutDlg->m_hWnd;
    const HWND ok = GetDlgItem(box, IDOK);

    const ControlRow rows[] = {
        {IDC_STATIC, L"Static", false},
        {IDC_VERSION_TEXT, L"Static", false},
        {IDC_LEGAL_NOTICE, L"Static", false},
        {IDOK, L"Button", true},
    };
    HWND child = GetWindow(box, GW_CHILD);
    for (const ControlRow& row : rows) {
        SCOPED_TRACE("control " + std::to_string(row.id));
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(GetDlgCtrlID(child), row.id);
        EXPECT_EQ(ClassOf(child), row.windowClass);
        EXPECT_EQ((GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP) != 0, row.tabStop);
        if (row.id == IDC_VERSION_TEXT || row.id == IDC_LEGAL_NOTICE) {
            EXPECT_FALSE(ControlText(box, row.id).empty());
        }
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "no other control";

    // Each closing leaves the focus on the box itself; the next showing
    // brings it back to OK.
    for (WPARAM key : {VK_RETURN, VK_ESCAPE, VK_RETURN}) {
        SCOPED_TRACE("key " + std::to_string(key));
        dlg.OnCommand(IDM_ABOUT, 0);
        PumpMessages();
        ASSERT_TRUE(IsWindowVisible(box));
        EXPECT_EQ(GetFocus(), ok) << "the focus is on OK";
        EXPECT_EQ(GetNextDlgTabItem(box, ok, FALSE), ok) << "Tab stays on OK";
        MSG msg{GetFocus(), WM_KEYDOWN, key, 0, 0, {}};
        EXPECT_TRUE(IsDialogMessageW(box, &msg));
        PumpMessages();
        EXPECT_FALSE(IsWindowVisible(box));
    }
}

// Moved to a monitor of another DPI, the box shows the icon image made for
// the icon size of that DPI; the image it replaces goes, and a DPI no display
// has changes nothing.
TEST_F(About, AtAnotherDpiTheIconIsTheImageOfItsSize)
{
    CAboutDlg about;
    ASSERT_TRUE(about.Create(IDD_ABOUTBOX));
    const HWND iconControl = GetDlgItem(about.m_hWnd, IDC_STATIC);
    ASSERT_NE(iconControl, nullptr);
    const auto shown = [&] { return reinterpret_cast<HICON>(SendMessageW(iconControl, STM_GETICON, 0, 0)); };
    const HICON fromTemplate = shown();
    ASSERT_EQ(IconSize(fromTemplate), GetSystemMetrics(SM_CXICON));

    RECT suggested{0, 0, 400, 200};
    HICON previous = nullptr;
    for (UINT dpi : {144u, 192u, 120u}) {
        SCOPED_TRACE(dpi);
        SendMessageW(about.m_hWnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        const int size = MulDiv(32, int(dpi), 96);
        EXPECT_EQ(IconSize(shown()), size);
        EXPECT_EQ(IconPixelsAt(shown(), size), GroupImagePixels(IDR_MAINFRAME, size));
        if (previous) {
            EXPECT_FALSE(IconAlive(previous)) << "the image replaced";
        }
        previous = shown();
    }
    EXPECT_TRUE(IconAlive(fromTemplate)) << "the control's own shared icon stays";

    SendMessageW(about.m_hWnd, WM_DPICHANGED, 0, reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(shown(), previous);
    DestroyWindow(about.m_hWnd);
}

} // namespace
