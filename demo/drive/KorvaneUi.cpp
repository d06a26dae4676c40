#include "KorvaneUi.h"

#include "PipeIo.h"
#include "UniqueHandle.h"

namespace drive {

namespace {

constexpr DWORD kPollMs = 20;
// Between two keys, so that the menu's loop handles each before the next.
constexpr DWORD kKeyGapMs = 60;
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kMenuClass[] = L"#32768";
// GUID_ACDC_POWER_SOURCE
constexpr GUID kPowerSourceSetting = {
    0x5D3E9A59, 0xE9D5, 0x4B00, {0xA6, 0xBD, 0xFF, 0x34, 0xFF, 0x51, 0x65, 0x48}};

struct WindowQuery
{
    DWORD pid;
    const wchar_t* windowClass;
    const wchar_t* caption;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param)
{
    auto* query = reinterpret_cast<WindowQuery*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != query->pid || (query->visibleOnly && !IsWindowVisible(hwnd)))
        return TRUE;
    wchar_t text[256];
    if (!GetClassNameW(hwnd, text, ARRAYSIZE(text)) || lstrcmpW(text, query->windowClass) != 0)
        return TRUE;
    if (query->caption) {
        GetWindowTextW(hwnd, text, ARRAYSIZE(text));
        if (lstrcmpW(text, query->caption) != 0)
            return TRUE;
    }
    query->found.push_back(hwnd);
    return TRUE;
}

DWORD WindowThread(HWND hwnd)
{
    return GetWindowThreadProcessId(hwnd, nullptr);
}

bool KorvaneInForeground(HWND menuWindow)
{
    HWND foreground = GetForegroundWindow();
    return foreground && WindowThread(foreground) == WindowThread(menuWindow);
}

std::vector<WORD> KeysFor(MenuEntry entry)
{
    switch (entry) {
    case MenuEntry::Enable:
        return {VK_DOWN};
    case MenuEntry::Disable:
        return {VK_DOWN, VK_DOWN};
    case MenuEntry::AcOnly:
        return {VK_DOWN, VK_DOWN, VK_DOWN};
    case MenuEntry::Notices:
        return {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN};
    case MenuEntry::About:
        return {VK_UP, VK_UP};
    case MenuEntry::Exit:
        return {VK_UP};
    }
    return {};
}

bool PressAndWaitClosed(HWND menuWindow, const std::vector<WORD>& keys, DWORD timeoutMs)
{
    // Keys go to the foreground thread: each is sent only while that is
    // Korvane's, so that none lands in another program's window.
    for (WORD key : keys) {
        if (!IsWindow(menuWindow) || !WaitUntil([&] { return KorvaneInForeground(menuWindow); }, timeoutMs) ||
            !PressKey(key))
            return false;
        Sleep(kKeyGapMs);
    }
    return WaitUntil([&] { return !IsWindow(menuWindow) || !IsWindowVisible(menuWindow); }, timeoutMs);
}

} // namespace

const char* MenuEntryName(MenuEntry entry)
{
    switch (entry) {
    case MenuEntry::Enable:
        return "Enable";
    case MenuEntry::Disable:
        return "Disable";
    case MenuEntry::AcOnly:
        return "Only on AC power";
    case MenuEntry::Notices:
        return "Notices";
    case MenuEntry::About:
        return "About";
    case MenuEntry::Exit:
        return "Exit";
    }
    return "?";
}

bool WaitUntil(const std::function<bool()>& test, DWORD timeoutMs)
{
    pipeio::Deadline deadline(timeoutMs);
    for (;;) {
        if (test())
            return true;
        if (deadline.Remaining() == 0)
            return false;
        Sleep(kPollMs);
    }
}

std::vector<HWND> ProcessWindows(DWORD pid, const wchar_t* windowClass, const wchar_t* caption,
                                 bool visibleOnly)
{
    WindowQuery query{pid, windowClass, caption, visibleOnly, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

HWND FindProcessWindow(DWORD pid, const wchar_t* windowClass, const wchar_t* caption, bool visibleOnly)
{
    std::vector<HWND> found = ProcessWindows(pid, windowClass, caption, visibleOnly);
    return found.empty() ? nullptr : found.front();
}

HWND WaitForMainWindow(DWORD pid, DWORD timeoutMs)
{
    HWND main = nullptr;
    WaitUntil(
        [&] { return (main = FindProcessWindow(pid, kDialogClass, L"NVIDIA Korvane", false)) != nullptr; },
        timeoutMs);
    return main;
}

HWND FindVisibleAbout(DWORD pid)
{
    return FindProcessWindow(pid, kDialogClass, L"About Korvane", true);
}

HWND FindOpenMenu(DWORD pid)
{
    return FindProcessWindow(pid, kMenuClass, nullptr, true);
}

bool Settle(HWND mainWindow, DWORD timeoutMs)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(mainWindow, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

HWND OpenTrayMenu(HWND mainWindow, POINT at, DWORD timeoutMs)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(mainWindow, &pid);
    SetCursorPos(at.x, at.y);
    // What the shell does before a tray callback: let the icon's owner take
    // the foreground for its menu.
    AllowSetForegroundWindow(pid);
    if (!PostMessageW(mainWindow, kTrayNotify, 1, WM_RBUTTONUP))
        return nullptr;
    HWND menu = nullptr;
    if (!WaitUntil([&] { return (menu = FindOpenMenu(pid)) != nullptr; }, timeoutMs))
        return nullptr;
    if (!WaitUntil([&] { return KorvaneInForeground(menu); }, timeoutMs))
        return nullptr;
    return menu;
}

bool PressKey(WORD virtualKey)
{
    INPUT input[2] = {};
    input[0].type = INPUT_KEYBOARD;
    input[0].ki.wVk = virtualKey;
    input[1] = input[0];
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, input, sizeof(INPUT)) == 2;
}

bool ChooseFromMenu(HWND menuWindow, MenuEntry entry, DWORD timeoutMs)
{
    std::vector<WORD> keys = KeysFor(entry);
    keys.push_back(VK_RETURN);
    return PressAndWaitClosed(menuWindow, keys, timeoutMs);
}

bool CloseMenu(HWND menuWindow, DWORD timeoutMs)
{
    return PressAndWaitClosed(menuWindow, {VK_ESCAPE}, timeoutMs);
}

bool SendPowerBroadcast(HWND mainWindow, WPARAM type, LPARAM data, LRESULT* result)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(mainWindow, WM_POWERBROADCAST, type, data, SMTO_NORMAL, 15000, &answer))
        return false;
    if (result)
        *result = static_cast<LRESULT>(answer);
    return true;
}

bool SendPowerSource(HWND mainWindow, DWORD source)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(mainWindow, &pid);
    pipeio::UniqueHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid));
    if (!process.Get())
        return false;
    // POWERBROADCAST_SETTING with its one 32-bit value.
    struct
    {
        GUID setting;
        DWORD length;
        DWORD value;
    } record{kPowerSourceSetting, sizeof(DWORD), source};
    void* remote =
        VirtualAllocEx(process.Get(), nullptr, sizeof record, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote)
        return false;
    LRESULT result = 0;
    const bool sent =
        WriteProcessMemory(process.Get(), remote, &record, sizeof record, nullptr) &&
        SendPowerBroadcast(mainWindow, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(remote), &result) &&
        result == 1;
    VirtualFreeEx(process.Get(), remote, 0, MEM_RELEASE);
    return sent;
}

bool SendSessionChange(HWND mainWindow, WPARAM code)
{
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(mainWindow, WM_WTSSESSION_CHANGE, code, 1, SMTO_NORMAL, 15000, &answer) != 0;
}

bool SendTaskbarCreated(HWND mainWindow)
{
    DWORD_PTR answer = 0;
    UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message && SendMessageTimeoutW(mainWindow, message, 0, 0, SMTO_NORMAL, 15000, &answer) != 0;
}

} // namespace drive
