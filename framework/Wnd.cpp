#include "Wnd.h"

#include "CaughtException.h"
#include "Menu.h"

namespace {
const wchar_t kObjectProp[] = L"Korvane.CWnd";
}

CWnd::~CWnd()
{
    if (m_hWnd && m_pfnSuper)
        UnsubclassWindow();
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd)
{
    return hwnd ? static_cast<CWnd*>(::GetPropW(hwnd, kObjectProp)) : nullptr;
}

bool CWnd::SubclassWindow(HWND hwnd)
{
    if (!hwnd || m_pfnSuper || FromHandlePermanent(hwnd))
        return false;
    if (!::SetPropW(hwnd, kObjectProp, this))
        return false;
    m_hWnd = hwnd;
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StdWndProc)));
    return true;
}

void CWnd::UnsubclassWindow()
{
    ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    ::RemovePropW(m_hWnd, kObjectProp);
    m_pfnSuper = nullptr;
    m_hWnd = nullptr;
}

std::wstring CWnd::GetWindowText() const
{
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(m_hWnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(m_hWnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

LRESULT CALLBACK CWnd::StdWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = FromHandlePermanent(hwnd);
    if (!wnd)
        return ::DefWindowProcW(hwnd, message, wParam, lParam);

    const CurrentMessage saved = wnd->m_current;
    wnd->m_current = {message, wParam, lParam};
    LRESULT result = 0;
    try {
        result = wnd->WindowProc(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the system's window procedure.
        ReportCaughtException(L"window procedure");
        result = 0;
    }
    wnd->m_current = saved;

    if (message == WM_NCDESTROY) {
        wnd->UnsubclassWindow();
        wnd->PostNcDestroy();
    }
    return result;
}

LRESULT CWnd::Default()
{
    const WNDPROC super = m_pfnSuper ? m_pfnSuper : ::DefWindowProcW;
    return ::CallWindowProcW(super, m_hWnd, m_current.message, m_current.wParam, m_current.lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM)
{
    if (HIWORD(wParam) != 0)
        return FALSE;
    const MessageMapEntry* e = FindEntry(WM_COMMAND, LOWORD(wParam));
    if (!e)
        return FALSE;
    e->thunk(this, wParam, 0);
    return TRUE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        return OnCommand(wParam, lParam) ? 0 : Default();

    if (const MessageMapEntry* e = FindEntry(message, 0))
        return e->thunk(this, wParam, lParam);

    // Owner-drawn menu entries are measured and drawn by their menu object.
    if (message == WM_MEASUREITEM && lParam) {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (mis->CtlType == ODT_MENU && CMenu::RouteMeasureItem(m_hWnd, mis))
            return TRUE;
    } else if (message == WM_DRAWITEM && lParam) {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (dis->CtlType == ODT_MENU && CMenu::RouteDrawItem(dis))
            return TRUE;
    }
    return Default();
}
