// What the tray icon tells about the clocks: its tip, kept up to date, and a
// notice when they changed for a reason other than the user's own click.
// Changes that come within the notice delay of each other give one notice,
// with the state they end in.
#pragma once
#include <windows.h>
#include <shellapi.h>

// The window timer that ends the notice delay.
constexpr UINT_PTR kNoticeTimer = 0x4B4E;

using NotifyIconFn = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAW data);
// Replaces the shell call of the tip and the notices and returns the
// previous one (tests only).
NotifyIconFn SetNotifyIconForTesting(NotifyIconFn fn);

UINT NoticeDelay();
// Replaces the notice delay and returns the previous one (tests only).
UINT SetNoticeDelayForTesting(UINT milliseconds);

// Sends icon with tip as its tip: NIM_MODIFY changes the tip alone, NIM_ADD
// adds the whole icon again.
bool SendTrayTip(DWORD message, const NOTIFYICONDATAW& icon, const wchar_t* tip);
// A notification from icon: quiet hours and full-screen programs respected,
// no sound.
bool ShowTrayNotice(const NOTIFYICONDATAW& icon, const wchar_t* text);
