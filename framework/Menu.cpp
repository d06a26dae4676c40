#include "Menu.h"

#include "CaughtException.h"

#include <map>

IMPLEMENT_DYNAMIC(CMenu, CObject)

namespace {

// Menu objects by handle; used on the user-interface thread only.
std::map<HMENU, CMenu*>& AttachedMenus()
{
    static std::map<HMENU, CMenu*> menus;
    return menus;
}

// The menu TrackPopupMenu is showing and the window it reports to.
struct TrackedMenu
{
    CMenu* pMenu;
    HWND hWndOwner;
};
TrackedMenu g_tracked{nullptr, nullptr};

} // namespace

CMenu::~CMenu()
{
    DestroyMenu();
}

BOOL CMenu::Attach(HMENU hMenu)
{
    if (m_hMenu || !hMenu)
        return FALSE;
    try {
        if (!AttachedMenus().emplace(hMenu, this).second)
            return FALSE;
    } catch (...) {
        return FALSE;
    }
    m_hMenu = hMenu;
    return TRUE;
}

HMENU CMenu::Detach()
{
    HMENU h = m_hMenu;
    if (h)
        AttachedMenus().erase(h);
    m_hMenu = nullptr;
    return h;
}

CMenu* CMenu::FromHandle(HMENU hMenu)
{
    auto& menus = AttachedMenus();
    auto it = menus.find(hMenu);
    return it == menus.end() ? nullptr : it->second;
}

BOOL CMenu::CreatePopupMenu()
{
    if (m_hMenu)
        return FALSE;
    HMENU h = ::CreatePopupMenu();
    if (!h)
        return FALSE;
    if (!Attach(h)) {
        ::DestroyMenu(h);
        return FALSE;
    }
    return TRUE;
}

BOOL CMenu::DestroyMenu()
{
    HMENU h = Detach();
    return h ? ::DestroyMenu(h) : FALSE;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCWSTR lpszNewItem)
{
    return ::AppendMenuW(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
}

UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable)
{
    return static_cast<UINT>(::EnableMenuItem(m_hMenu, nIDEnableItem, nEnable));
}

int CMenu::GetMenuItemCount() const
{
    return ::GetMenuItemCount(m_hMenu);
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, HWND hWndOwner, LPCRECT lpRect)
{
    // Restores the outer record when menus are tracked from within a menu.
    struct TrackScope
    {
        TrackedMenu saved;
        explicit TrackScope(TrackedMenu now) : saved(g_tracked) { g_tracked = now; }
        ~TrackScope() { g_tracked = saved; }
        TrackScope(const TrackScope&) = delete;
        TrackScope& operator=(const TrackScope&) = delete;
    } scope({this, hWndOwner});
    return ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, hWndOwner, lpRect);
}

void CMenu::DrawItem(LPDRAWITEMSTRUCT) {}

void CMenu::MeasureItem(LPMEASUREITEMSTRUCT) {}

bool CMenu::RouteMeasureItem(HWND hWndOwner, MEASUREITEMSTRUCT* lpMeasureItemStruct)
{
    if (!lpMeasureItemStruct || lpMeasureItemStruct->CtlType != ODT_MENU)
        return false;
    if (!g_tracked.pMenu || !hWndOwner || g_tracked.hWndOwner != hWndOwner)
        return false;
    // Called from window procedures: nothing may be thrown through them.
    try {
        g_tracked.pMenu->MeasureItem(lpMeasureItemStruct);
    } catch (...) {
        ReportCaughtException(L"menu item measure");
    }
    return true;
}

bool CMenu::RouteDrawItem(DRAWITEMSTRUCT* lpDrawItemStruct)
{
    if (!lpDrawItemStruct || lpDrawItemStruct->CtlType != ODT_MENU)
        return false;
    CMenu* pMenu = FromHandle(reinterpret_cast<HMENU>(lpDrawItemStruct->hwndItem));
    if (!pMenu)
        return false;
    try {
        pMenu->DrawItem(lpDrawItemStruct);
    } catch (...) {
        ReportCaughtException(L"menu item draw");
    }
    return true;
}
