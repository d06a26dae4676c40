#include "Tray.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

namespace drive {

namespace {

struct ShellTooltips
{
    DWORD shellPid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTooltip(HWND hwnd, LPARAM param)
{
    auto* tooltips = reinterpret_cast<ShellTooltips*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t name[64];
    if (pid == tooltips->shellPid && GetClassNameW(hwnd, name, ARRAYSIZE(name)) &&
        lstrcmpW(name, TOOLTIPS_CLASSW) == 0)
        tooltips->found.push_back(hwnd);
    return TRUE;
}

// The tooltip windows of the shell's process, and whether it was found.
bool FindShellTooltips(std::vector<HWND>* found)
{
    HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!tray)
        return false;
    ShellTooltips tooltips{0, {}};
    GetWindowThreadProcessId(tray, &tooltips.shellPid);
    EnumWindows(CollectTooltip, reinterpret_cast<LPARAM>(&tooltips));
    *found = std::move(tooltips.found);
    return true;
}

bool IsBalloon(HWND tooltip)
{
    return (GetWindowLongW(tooltip, GWL_STYLE) & TTS_BALLOON) != 0;
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
    std::vector<HWND> tooltips;
    if (!FindShellTooltips(&tooltips))
        return -1;
    int tools = 0;
    for (HWND tooltip : tooltips) {
        // A notice's balloon is a tooltip of its own, with one tool: no icon.
        DWORD_PTR count = 0;
        if (!IsBalloon(tooltip) &&
            SendMessageTimeoutW(tooltip, TTM_GETTOOLCOUNT, 0, 0, SMTO_ABORTIFHUNG, 3000, &count))
            tools += static_cast<int>(count);
    }
    return tools;
}

HWND FindNoticeBalloon()
{
    std::vector<HWND> tooltips;
    FindShellTooltips(&tooltips);
    for (HWND tooltip : tooltips)
        if (IsBalloon(tooltip) && IsWindowVisible(tooltip))
            return tooltip;
    return nullptr;
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
