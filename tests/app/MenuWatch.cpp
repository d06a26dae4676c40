#include "MenuWatch.h"

#include <gtest/gtest.h>

#include "Canvas.h"
#include "MenuXP.h"
#include "ThreadTimer.h"
#include "resource.h"

namespace apptest {

namespace {

MenuPalette PaletteOf(const CMenuXP& xp)
{
    MenuPalette p{};
    p.clrBackground = xp.m_clrBackground;
    p.clrText = xp.m_clrText;
    p.clrSelectedBar = xp.m_clrSelectedBar;
    p.clrSelectedText = xp.m_clrSelectedText;
    p.clrDisabledText = xp.m_clrDisabledText;
    p.clrDisabledRelief = xp.m_clrDisabledRelief;
    p.clrIconBar = xp.m_clrIconBar;
    p.clrFrame = xp.m_clrFrame;
    p.clrCheck = xp.m_clrCheck;
    p.clrSeparatorShadow = xp.m_clrSeparatorShadow;
    p.clrSeparatorLight = xp.m_clrSeparatorLight;
    p.clrIconShadow = xp.m_clrIconShadow;
    p.clrIconLight = xp.m_clrIconLight;
    p.clrSideBarStart = xp.m_clrSideBarStart;
    p.clrSideBarEnd = xp.m_clrSideBarEnd;
    p.clrSideBarText = xp.m_clrSideBarText;
    return p;
}

} // namespace

std::vector<DWORD> Pixels(HICON icon)
{
    return IconPixels(icon, GetSystemMetrics(SM_CXICON), RGB(255, 255, 255));
}

UINT IconGroupOf(HICON icon)
{
    if (!icon)
        return 0;
    const std::vector<DWORD> pixels = Pixels(icon);
    for (UINT group = IDI_MENU_CHECK_RED; group <= IDI_MENU_EXIT; ++group) {
        HICON reference = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(group),
                                                        IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                        GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
        const bool same = reference && Pixels(reference) == pixels;
        if (reference)
            DestroyIcon(reference);
        if (same)
            return group;
    }
    return 0;
}

bool IconAlive(HICON icon)
{
    return IconSize(icon) > 0;
}

int IconSize(HICON icon)
{
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info))
        return 0;
    BITMAP bitmap{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    return bitmap.bmWidth;
}

MenuWatch* MenuWatch::s_current = nullptr;

MenuWatch::MenuWatch(HWND owner) : m_owner(owner)
{
    s_current = this;
    m_previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(owner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MenuWatch::Proc)));
}

MenuWatch::~MenuWatch()
{
    SetWindowLongPtrW(m_owner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previous));
    s_current = nullptr;
}

LRESULT CALLBACK MenuWatch::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    MenuWatch* self = s_current;
    if (message == WM_ENTERIDLE && wParam == MSGF_MENU && self->seen.idle++ == 0) {
        HWND window = lParam ? reinterpret_cast<HWND>(lParam) : FindWindowW(L"#32768", nullptr);
        self->Read(window);
        for (WPARAM key : self->keys)
            PostMessageW(window, WM_KEYDOWN, key, 0);
        if (self->keys.empty())
            EndMenu();
    }
    return CallWindowProcW(self->m_previous, hwnd, message, wParam, lParam);
}

void MenuWatch::Read(HWND window)
{
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    seen.windowClass = name;
    seen.menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
    CMenu* object = seen.menu ? CMenu::FromHandle(seen.menu) : nullptr;
    if (object && object->IsKindOf(RUNTIME_CLASS(CMenuXP))) {
        const auto* xp = static_cast<const CMenuXP*>(object);
        seen.isMenuXP = true;
        seen.selectedBar = xp->m_clrSelectedBar;
        seen.style = xp->m_nStyle;
        seen.dpi = xp->GetDpi();
        seen.palette = PaletteOf(*xp);
    }
    for (int i = 0; i < GetMenuItemCount(seen.menu); ++i) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA;
        SeenEntry entry;
        if (GetMenuItemInfoW(seen.menu, static_cast<UINT>(i), TRUE, &mii)) {
            entry.type = mii.fType;
            entry.state = mii.fState;
            entry.id = mii.wID;
            entry.data = mii.dwItemData;
            if (const CMenuXPItem* item = MenuXPItemFromData(mii.dwItemData)) {
                entry.hasItem = true;
                entry.itemId = item->m_nID;
                entry.text = item->m_strText;
                entry.sideBar = item->m_bSideBar;
                entry.separator = item->m_bSeparator;
                entry.icon = item->m_hIcon;
                entry.iconGroup = IconGroupOf(item->m_hIcon);
                entry.iconSize = IconSize(item->m_hIcon);
            }
        }
        GetMenuItemRect(nullptr, seen.menu, static_cast<UINT>(i), &entry.rect);
        wchar_t text[32] = {};
        GetMenuStringW(seen.menu, static_cast<UINT>(i), text, 32, MF_BYPOSITION);
        entry.menuString = text;
        seen.entries.push_back(entry);
    }
}

SeenMenu RightClick(CKorvaneDlg& dlg, std::vector<WPARAM> keys)
{
    bool timedOut = false;
    SeenMenu seen;
    {
        MenuWatch watch(dlg.m_hWnd);
        watch.keys = std::move(keys);
        OneShotTimer safety(kSafetyMs, [&] {
            timedOut = true;
            EndMenu();
        });
        EXPECT_EQ(SendMessageW(dlg.m_hWnd, WM_TRAYICON_NOTIFY, 1, WM_RBUTTONUP), 1);
        seen = watch.seen;
    }
    EXPECT_FALSE(timedOut);
    return seen;
}

} // namespace apptest
