// The tray menu read while it is open: its entries, their item objects,
// icons and rectangles, and the DPI and colours the menu object was given.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "KorvaneDlg.h"
#include "MenuPalette.h"

namespace apptest {

// The pixels of an icon drawn at the standard icon size on white.
std::vector<DWORD> Pixels(HICON icon);
// The icon group whose picture an entry's icon shows (131 to 134), or 0.
UINT IconGroupOf(HICON icon);
// True while the icon handle is alive.
bool IconAlive(HICON icon);
// The width of the icon's image; 0 when it has none.
int IconSize(HICON icon);

struct SeenEntry
{
    UINT type = 0;
    UINT state = 0;
    UINT id = 0;
    ULONG_PTR data = 0;
    std::wstring menuString;
    RECT rect{}; // on the screen
    bool hasItem = false;
    UINT itemId = 0;
    std::wstring text;
    bool sideBar = false;
    bool separator = false;
    HICON icon = nullptr;
    UINT iconGroup = 0;
    int iconSize = 0;
};

struct SeenMenu
{
    int idle = 0;
    std::wstring windowClass;
    HMENU menu = nullptr;
    bool isMenuXP = false;
    COLORREF selectedBar = 0;
    int style = -1;
    UINT dpi = 0;
    MenuPalette palette{};
    std::vector<SeenEntry> entries;
};

// Watches the owner window for the menu loop's first idle moment, reads the
// open menu through its window and closes it, or, given keys, presses them in
// the menu instead.
class MenuWatch
{
public:
    explicit MenuWatch(HWND owner);
    ~MenuWatch();
    MenuWatch(const MenuWatch&) = delete;
    MenuWatch& operator=(const MenuWatch&) = delete;

    SeenMenu seen;
    std::vector<WPARAM> keys;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Read(HWND window);

    static MenuWatch* s_current;
    HWND m_owner;
    WNDPROC m_previous;
};

// A right-click on the dialog's tray icon; returns the menu as it was while
// open (seen.idle is 0 when none opened). With keys, they are pressed in the
// open menu. A menu still open after kSafetyMs is closed and reported.
SeenMenu RightClick(CKorvaneDlg& dlg, std::vector<WPARAM> keys = {});

} // namespace apptest
