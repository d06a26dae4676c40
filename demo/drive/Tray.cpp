#include "Tray.h"

#include <commctrl.h>
#include <shellapi.h>

namespace drive {

namespace {

struct TooltipCount
{
    DWORD shellPid;
    int tools;
};

BOOL CALLBACK AddTooltipTools(HWND hwnd, LPARAM param)
{
    auto* count = reinterpret_cast<TooltipCount*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t name[64];
    if (pid != count->shellPid || !GetClassNameW(hwnd, name, ARRAYSIZE(name)) ||
        lstrcmpW(name, TOOLTIPS_CLASSW) != 0)
        return TRUE;
    DWORD_PTR tools = 0;
    if (SendMessageTimeoutW(hwnd, TTM_GETTOOLCOUNT, 0, 0, SMTO_ABORTIFHUNG, 3000, &tools))
        count->tools += static_cast<int>(tools);
    return TRUE;
}

NOTIFYICONDATAW IconRecord(HWND owner, UINT id)
{
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = owner;
    nid.uID = id;
    return nid;
}

constexpr UINT kOwnIconId = 77;

} // namespace

bool TrayIconExists(HWND owner, UINT id)
{
    NOTIFYICONDATAW nid = IconRecord(owner, id);
    return Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
}

bool DeleteTrayIcon(HWND owner, UINT id)
{
    NOTIFYICONDATAW nid = IconRecord(owner, id);
    return Shell_NotifyIconW(NIM_DELETE, &nid) != FALSE;
}

int TrayIconCount()
{
    HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!tray)
        return -1;
    TooltipCount count{0, 0};
    GetWindowThreadProcessId(tray, &count.shellPid);
    EnumWindows(AddTooltipTools, reinterpret_cast<LPARAM>(&count));
    return count.tools;
}

OwnTrayIcon::OwnTrayIcon()
{
    m_window = CreateWindowExW(0, L"STATIC", L"tray observer check", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               nullptr, nullptr);
    if (!m_window)
        return;
    NOTIFYICONDATAW nid = IconRecord(m_window, kOwnIconId);
    nid.uFlags = NIF_ICON | NIF_TIP;
    nid.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    lstrcpynW(nid.szTip, L"tray observer check", ARRAYSIZE(nid.szTip));
    m_added = Shell_NotifyIconW(NIM_ADD, &nid) != FALSE;
}

OwnTrayIcon::~OwnTrayIcon()
{
    if (m_added) {
        NOTIFYICONDATAW nid = IconRecord(m_window, kOwnIconId);
        Shell_NotifyIconW(NIM_DELETE, &nid);
    }
    if (m_window)
        DestroyWindow(m_window);
}

} // namespace drive
