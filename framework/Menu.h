// A popup menu object. Owner-drawn entries reach their menu object through
// the handle: the owner window's default processing of WM_MEASUREITEM and
// WM_DRAWITEM calls RouteMeasureItem and RouteDrawItem.
#pragma once
#include <windows.h>

#include "Object.h"

class CMenu : public CObject
{
    DECLARE_DYNAMIC(CMenu)
public:
    CMenu() = default;
    // Destroys the attached menu, if any.
    ~CMenu() override;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu = nullptr;
    HMENU GetSafeHmenu() const { return m_hMenu; }

    // Attaches hMenu: from now on this object owns it and FromHandle finds it.
    // Fails when this object already holds a menu or hMenu is attached to
    // another object.
    BOOL Attach(HMENU hMenu);
    // Gives up the menu without destroying it.
    HMENU Detach();
    // The object hMenu is attached to; nullptr for a handle no object holds
    // (no temporary object is made). User-interface thread only.
    static CMenu* FromHandle(HMENU hMenu);

    BOOL CreatePopupMenu();
    BOOL DestroyMenu();
    // For MF_OWNERDRAW the last argument carries the item data.
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCWSTR lpszNewItem = nullptr);
    // The previous state of the entry, or (UINT)-1 when it does not exist.
    UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable);
    int GetMenuItemCount() const;
    // Shows the menu at (x, y) for hWndOwner and returns when it closes. While
    // it is open, RouteMeasureItem sends hWndOwner's requests to this object.
    BOOL TrackPopupMenu(UINT nFlags, int x, int y, HWND hWndOwner, LPCRECT lpRect = nullptr);

    // Owner-drawn entries; the base does nothing.
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
    virtual void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct);

    // WM_MEASUREITEM carries no menu handle: the request goes to the menu that
    // TrackPopupMenu is showing for hWndOwner. False when not an ODT_MENU
    // request or no menu is being tracked for that window. Neither routing
    // function lets an exception out.
    static bool RouteMeasureItem(HWND hWndOwner, MEASUREITEMSTRUCT* lpMeasureItemStruct);
    // For ODT_MENU, hwndItem holds the menu handle. False when not an ODT_MENU
    // request or no object holds that menu.
    static bool RouteDrawItem(DRAWITEMSTRUCT* lpDrawItemStruct);
};
