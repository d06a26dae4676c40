// korvane-menu-picture: a picture of Korvane's tray menu as a right-click
// opens it (feature available, overclocked clocks chosen, the options as at
// first, the first entry highlighted), built and painted by Korvane's own
// menu code in this process, at the DPI and in the theme of this Wine session.
//   --dark           the app theme is dark for the picture: the registry
//                    value the menu reads, put back afterwards
//   --high-contrast  Wine cannot turn high contrast on: the menu's question
//                    is answered yes, and the system colours are those of the
//                    High Contrast Black scheme until the picture is taken
//
//   korvane-menu-picture --out FILE.bmp [--dark] [--high-contrast]
#include "Files.h"
#include "ScreenShot.h"

#include "Dpi.h"
#include "Menu.h"
#include "MenuTheme.h"
#include "TrayMenu.h"
#include "Wnd.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

namespace {

constexpr char kUsage[] = "usage: korvane-menu-picture --out FILE.bmp [--dark] [--high-contrast]\n";
const wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

struct Options
{
    std::wstring out;
    bool dark = false;
    bool highContrast = false;
};

bool ParseOptions(int argc, wchar_t** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--out" && i + 1 < argc)
            options->out = argv[++i];
        else if (arg == L"--dark")
            options->dark = true;
        else if (arg == L"--high-contrast")
            options->highContrast = true;
        else
            return false;
    }
    return !options->out.empty();
}

// The app theme dark for as long as this lives; the value it replaced (or
// its absence) is put back.
class DarkAppTheme
{
public:
    DarkAppTheme()
    {
        m_hadValue = ::RegGetValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"AppsUseLightTheme",
                                    RRF_RT_REG_DWORD, nullptr, &m_before, &m_size) == ERROR_SUCCESS;
        const DWORD dark = 0;
        m_set = ::RegSetKeyValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"AppsUseLightTheme", REG_DWORD, &dark,
                                  sizeof(dark)) == ERROR_SUCCESS;
    }
    ~DarkAppTheme()
    {
        if (!m_set)
            return;
        if (m_hadValue)
            ::RegSetKeyValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"AppsUseLightTheme", REG_DWORD, &m_before,
                              sizeof(m_before));
        else
            ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"AppsUseLightTheme");
    }
    DarkAppTheme(const DarkAppTheme&) = delete;
    DarkAppTheme& operator=(const DarkAppTheme&) = delete;
    bool Set() const { return m_set; }

private:
    DWORD m_before = 1;
    DWORD m_size = sizeof(DWORD);
    bool m_hadValue = false;
    bool m_set = false;
};

bool Yes()
{
    return true;
}

// High contrast as the menu sees it, with the High Contrast Black scheme's
// menu colours; the colours and the question are put back at the end.
class HighContrastBlack
{
public:
    HighContrastBlack()
    {
        const COLORREF scheme[kCount] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(26, 235, 255), RGB(0, 0, 0),
                                         RGB(63, 242, 63)};
        for (int i = 0; i < kCount; ++i)
            m_before[i] = ::GetSysColor(kElements[i]);
        m_set = ::SetSysColors(kCount, kElements, scheme) != FALSE;
        m_previous = SetHighContrastForTesting(&Yes);
    }
    ~HighContrastBlack()
    {
        SetHighContrastForTesting(m_previous);
        if (m_set)
            ::SetSysColors(kCount, kElements, m_before);
    }
    HighContrastBlack(const HighContrastBlack&) = delete;
    HighContrastBlack& operator=(const HighContrastBlack&) = delete;
    bool Set() const { return m_set; }

private:
    static constexpr int kCount = 5;
    static constexpr INT kElements[kCount] = {COLOR_MENU, COLOR_MENUTEXT, COLOR_HIGHLIGHT,
                                              COLOR_HIGHLIGHTTEXT, COLOR_GRAYTEXT};
    COLORREF m_before[kCount] = {};
    HighContrastFn m_previous = nullptr;
    bool m_set = false;
};

// The menu's owner: the framework routes the menu's measure and draw
// requests as for Korvane's own dialog; while the menu is open, the first
// entry is highlighted, then the picture taken and the menu closed.
class PictureOwner : public CWnd
{
public:
    explicit PictureOwner(std::wstring out) : m_out(std::move(out)) {}
    bool Saved() const { return m_saved; }
    LRESULT OnEnterIdle(WPARAM wParam, LPARAM lParam)
    {
        if (wParam != MSGF_MENU)
            return 0;
        HWND menuWindow = reinterpret_cast<HWND>(lParam);
        if (m_idle++ == 0) {
            ::PostMessageW(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
        } else if (!m_saved) {
            m_saved = drive::SaveWindowPicture(menuWindow, m_out);
            ::EndMenu();
        }
        return 0;
    }

protected:
    DECLARE_MESSAGE_MAP()

private:
    std::wstring m_out;
    int m_idle = 0;
    bool m_saved = false;
};

BEGIN_MESSAGE_MAP(PictureOwner, CWnd)
    ON_MESSAGE(WM_ENTERIDLE, OnEnterIdle)
END_MESSAGE_MAP()

// As the tour's first picture: feature available, overclocked clocks chosen,
// the options as they are at first.
const TrayMenuState kState = {true, true, false, true};

bool TakePicture(const std::wstring& out)
{
    HWND hwnd = CreateWindowExW(0, L"STATIC", L"Korvane menu picture", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (!hwnd)
        return false;
    PictureOwner owner(out);
    const POINT at = {GetSystemMetrics(SM_CXSCREEN) / 2 - 60, GetSystemMetrics(SM_CYSCREEN) / 2 - 60};
    SetCursorPos(at.x, at.y);
    if (owner.SubclassWindow(hwnd)) {
        if (std::unique_ptr<CMenu> menu = BuildMenuForState(kState, dpi::MonitorDpiAt(at))) {
            SetForegroundWindow(hwnd);
            menu->TrackPopupMenu(0, at.x, at.y, hwnd);
        }
    }
    DestroyWindow(hwnd);
    return owner.Saved();
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::unique_ptr<DarkAppTheme> dark;
    if (options.dark) {
        dark = std::make_unique<DarkAppTheme>();
        if (!dark->Set()) {
            std::fputs("korvane-menu-picture: the app theme cannot be set\n", stderr);
            return 1;
        }
    }
    std::unique_ptr<HighContrastBlack> highContrast;
    if (options.highContrast) {
        highContrast = std::make_unique<HighContrastBlack>();
        if (!highContrast->Set()) {
            std::fputs("korvane-menu-picture: the system colours cannot be set\n", stderr);
            return 1;
        }
    }
    if (!TakePicture(options.out)) {
        std::fprintf(stderr, "korvane-menu-picture: no picture saved as %s\n",
                     drive::Narrow(options.out).c_str());
        return 1;
    }
    return 0;
}
