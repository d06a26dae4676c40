// The AMD backend's start-up warnings: modal, owned by the main window,
// captioned "QEL Korvane". Tests put their own box in place of MessageBoxW.
#pragma once
#include <windows.h>

namespace gpu {

using MessageBoxFn = int(WINAPI*)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style);

// Replaces the message box call and returns the previous one; null puts
// MessageBoxW back (tests only).
MessageBoxFn SetMessageBoxForTesting(MessageBoxFn fn);

// Shows text with an OK button and the exclamation icon, owned by owner.
void ShowStartupWarning(HWND owner, const wchar_t* text);

} // namespace gpu
