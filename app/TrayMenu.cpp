// The tray icon's menu and the user's commands.
#include <memory>
#include <new>

#include "AboutDlg.h"
#include "EventNames.h"
#include "KorvaneDlg.h"
#include "MainState.h"
#include "MenuTheme.h"
#include "MenuXP.h"
#include "TextMenu.h"
#include "TrayMenu.h"
#include "diag/DiagnosticLog.h"
#include "resource.h"

namespace {
// Icons owned by a menu entry: loaded unshared, since the entry destroys its
// icon, at `size`, the standard icon size of the menu's DPI.
HICON LoadEntryIcon(UINT id, int size)
{
    return static_cast<HICON>(
        ::LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

// Builds a text entry; the icon is released when the entry cannot be made.
std::unique_ptr<CMenuXPText> MakeEntry(UINT id, const wchar_t* text, UINT iconId, int iconSize)
{
    HICON icon = iconId ? LoadEntryIcon(iconId, iconSize) : nullptr;
    std::unique_ptr<CMenuXPText> entry;
    try {
        entry.reset(new CMenuXPText(id, text, icon));
    } catch (...) {
        if (icon)
            ::DestroyIcon(icon);
    }
    return entry;
}

// Builds the whole menu from the current state, laid out for dpi in the
// palette of the current theme; nullptr when any part of it cannot be
// created (that click then shows nothing and leaks nothing).
std::unique_ptr<CMenuXP> BuildTrayMenu(const TrayMenuState& state, UINT dpi)
{
    std::unique_ptr<CMenuXP> menu(new (std::nothrow) CMenuXP);
    if (!menu)
        return nullptr;
    HMENU hPopup = ::CreatePopupMenu();
    if (!hPopup)
        return nullptr;
    if (!menu->Attach(hPopup)) {
        ::DestroyMenu(hPopup);
        return nullptr;
    }
    menu->LayOutForDpi(dpi);
    menu->ApplyPalette(TrayMenuPalette(ReadMenuTheme()));
    menu->m_nStyle = MENU_STYLE_XP;

    const int iconSize = dpi::MetricForDpi(SM_CXICON, menu->GetDpi());
    const UINT marker = state.available ? IDI_MENU_CHECK_RED : IDI_MENU_CHECK_BLACK;
    std::unique_ptr<CMenuXPSideBar> sideBar(new (std::nothrow) CMenuXPSideBar);
    auto enable = MakeEntry(IDM_ENABLE, L"Enable", state.enabled ? marker : 0, iconSize);
    auto disable = MakeEntry(IDM_DISABLE, L"Disable", state.enabled ? 0 : marker, iconSize);
    auto acOnly = MakeEntry(IDM_AC_ONLY, L"Only on AC power", 0, iconSize);
    auto notices = MakeEntry(IDM_NOTICES, L"Notices", 0, iconSize);
    auto about = MakeEntry(IDM_ABOUT, L"About", IDI_MENU_ABOUT, iconSize);
    auto exitEntry = MakeEntry(IDM_EXIT, L"Exit", IDI_MENU_EXIT, iconSize);
    if (!sideBar || !enable || !disable || !acOnly || !notices || !about || !exitEntry)
        return nullptr;

    // Each append hands the item to the menu, which deletes it with itself.
    menu->AddSideBar(sideBar.release());
    menu->AppendODMenu(enable.release());
    menu->AppendODMenu(disable.release());
    if (!state.available) {
        ::EnableMenuItem(hPopup, IDM_ENABLE, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED);
        ::EnableMenuItem(hPopup, IDM_DISABLE, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED);
    }
    menu->AppendSeparator();
    // The options carry the menu's own check mark, drawn for a checked entry
    // without an icon.
    menu->AppendODMenu(acOnly.release());
    menu->AppendODMenu(notices.release());
    ::CheckMenuItem(hPopup, IDM_AC_ONLY, MF_BYCOMMAND | (state.acOnly ? MF_CHECKED : MF_UNCHECKED));
    ::CheckMenuItem(hPopup, IDM_NOTICES, MF_BYCOMMAND | (state.notices ? MF_CHECKED : MF_UNCHECKED));
    menu->AppendSeparator();
    menu->AppendODMenu(about.release());
    menu->AppendSeparator();
    menu->AppendODMenu(exitEntry.release());
    return menu;
}
} // namespace

// Owner-drawn entries carry no text a screen reader can read: while one runs,
// the same state is shown as a standard text menu.
std::unique_ptr<CMenu> BuildMenuForState(const TrayMenuState& state, UINT dpi)
{
    if (ScreenReaderRunning())
        return BuildTextTrayMenu(state);
    return BuildTrayMenu(state, dpi);
}

LRESULT CKorvaneDlg::OnTrayNotify(WPARAM, LPARAM lParam)
{
    if (lParam != WM_RBUTTONUP)
        return 1;
    POINT pt;
    ::GetCursorPos(&pt);
    SetForegroundWindow();

    // Laid out for the monitor the menu opens on, the one under the cursor.
    if (std::unique_ptr<CMenu> menu =
            BuildMenuForState({m_bOCAvailable, m_bOCEnabled, m_bAcOnly, m_bNotices}, dpi::MonitorDpiAt(pt))) {
        menu->TrackPopupMenu(0, pt.x, pt.y, m_hWnd, nullptr);
        PostMessage(WM_NULL, 0, 0);
    }
    return 1;
}

BOOL CKorvaneDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (const char* name = MenuCommandName(wParam))
        diag::Log("menu command %s", name);
    switch (wParam) {
    case IDM_ENABLE:
    case IDM_DISABLE:
        ChooseClocks(wParam == IDM_ENABLE);
        UpdateTrayTip();
        break;
    case IDM_AC_ONLY:
        SetAcOnly(!m_bAcOnly);
        UpdateTrayTip();
        break;
    case IDM_NOTICES:
        SetNotices(!m_bNotices);
        break;
    case IDM_ABOUT:
        if (g_pAboutDlg) {
            g_pAboutDlg->ShowWindow(SW_SHOW);
            // OK hid the box with the focus on the box itself, which showing
            // does not undo: the keyboard and a screen reader start at OK.
            g_pAboutDlg->SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(g_pAboutDlg->GetDlgItem(IDOK)),
                                     TRUE);
        }
        CenterAboutBox();
        break;
    case IDM_EXIT:
        m_bOCEnabled = false;
        RestoreDefaultClocks();
        OnCancel();
        break;
    default:
        break;
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CKorvaneDlg::OnOkButton()
{
    diag::Log("OK button");
    ChooseClocks(m_radioOverclock.GetCheck() == BST_CHECKED);
    UpdateTrayTip();
}

void CKorvaneDlg::OnExitButton()
{
    diag::Log("Exit button");
    m_bOCEnabled = false;
    RestoreDefaultClocks();
    OnCancel();
}
