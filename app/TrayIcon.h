// The notification-area icon's image.
#pragma once
#include <windows.h>

// The application icon at the small-icon size of the current DPI, drawn for
// that size; the caller owns it. nullptr when it cannot be loaded.
HICON LoadTrayIcon();
