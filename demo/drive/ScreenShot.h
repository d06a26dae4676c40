// Pictures of Korvane's windows, taken from the screen.
#pragma once

#include <windows.h>

#include <string>

namespace drive {

// Copies the window's screen rectangle, frame included and widened by margin
// pixels on each side (within the screen), into a 24-bit BMP file once two
// captures in a row agree (the window has finished painting), or when
// timeoutMs has passed. False when nothing could be captured or written.
bool SaveWindowPicture(HWND window, const std::wstring& bmpPath, DWORD timeoutMs = 3000, int margin = 0);

} // namespace drive
