// Korvane's real inputs, given from another process: messages to its hidden
// main dialog, the tray menu chosen with the keyboard, and what can be seen of
// its windows from outside.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace drive {

// The main dialog's messages and commands (Korvane's own numbers).
constexpr UINT kTrayNotify = 0x401;
constexpr UINT kMenuEnable = 300;
constexpr UINT kMenuDisable = 301;
constexpr UINT kMenuAbout = 302;
constexpr UINT kMenuExit = 303;
constexpr UINT kMenuAcOnly = 310;
constexpr UINT kMenuNotices = 311;
constexpr UINT kSysCommandAbout = 16;

enum class MenuEntry {
    Enable,
    Disable,
    AcOnly,
    Notices,
    About,
    Exit,
};

const char* MenuEntryName(MenuEntry entry);

// Polls test() every few milliseconds until it holds or timeoutMs passes.
bool WaitUntil(const std::function<bool()>& test, DWORD timeoutMs);

// A top-level window of process pid with this class and (when not null) this
// caption; visibleOnly skips hidden ones.
HWND FindProcessWindow(DWORD pid, const wchar_t* windowClass, const wchar_t* caption, bool visibleOnly);
std::vector<HWND> ProcessWindows(DWORD pid, const wchar_t* windowClass, const wchar_t* caption,
                                 bool visibleOnly);

// Korvane's hidden main dialog ("#32770", "NVIDIA Korvane").
HWND WaitForMainWindow(DWORD pid, DWORD timeoutMs);
// The modeless or modal About box when it is visible.
HWND FindVisibleAbout(DWORD pid);
// The tray menu while it is open ("#32768").
HWND FindOpenMenu(DWORD pid);

// Returns when the main dialog's thread has handled everything sent before
// and is back in a message loop; false when it does not answer in time.
bool Settle(HWND mainWindow, DWORD timeoutMs = 15000);

// Right-click on the tray icon: the callback message with WM_RBUTTONUP, the
// cursor first moved to `at` (the menu opens at the cursor). Returns the
// menu's window once it is open and Korvane's thread is in the foreground
// (so that keys reach the menu), null otherwise.
HWND OpenTrayMenu(HWND mainWindow, POINT at, DWORD timeoutMs = 10000);

// One key pressed and released through SendInput.
bool PressKey(WORD virtualKey);

// Chooses an entry of the open menu with arrow keys and Enter, and waits
// until the menu has closed. The side bar and the separators are skipped by
// the menu itself: Down reaches Enable, Down Down Disable, three Downs "Only
// on AC power", four "Notices", Up Up About, Up Exit.
bool ChooseFromMenu(HWND menuWindow, MenuEntry entry, DWORD timeoutMs = 5000);
// Closes the open menu with Escape.
bool CloseMenu(HWND menuWindow, DWORD timeoutMs = 5000);

// Power and session broadcasts, sent: they return once handled.
bool SendPowerBroadcast(HWND mainWindow, WPARAM type, LPARAM data = 0, LRESULT* result = nullptr);
bool SendSessionChange(HWND mainWindow, WPARAM code);

// A power-source change as the system broadcasts it (PBT_POWERSETTINGCHANGE
// for GUID_ACDC_POWER_SOURCE): 0 AC power, 1 battery. The record is written
// into Korvane's process, where the system would pass it; returns once the
// broadcast was handled.
bool SendPowerSource(HWND mainWindow, DWORD source);

// The shell's "TaskbarCreated" broadcast, sent to Korvane's window only.
bool SendTaskbarCreated(HWND mainWindow);

} // namespace drive
