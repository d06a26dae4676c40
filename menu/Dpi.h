// Display scaling: the DPI the menu and the tray icon are made for, and the
// system's metrics and menu font at a DPI. The functions newer systems offer
// for this are looked up once by name; where one is missing, a fallback
// scales the system-DPI value instead.
#pragma once
#include <windows.h>

namespace dpi {

// The DPI at which the 96-DPI design is drawn unscaled (100 %).
constexpr UINT kDesign = 96;

// Functions of Windows 8.1 (shcore) and Windows 10 (user32); any may be null.
struct Api
{
    UINT(WINAPI* getDpiForSystem)();
    HRESULT(WINAPI* getDpiForMonitor)(HMONITOR monitor, int type, UINT* dpiX, UINT* dpiY);
    int(WINAPI* getSystemMetricsForDpi)(int index, UINT dpi);
    BOOL(WINAPI* systemParametersInfoForDpi)(UINT action, UINT param, void* value, UINT flags, UINT dpi);
};

// The functions this system has.
Api SystemApi();
// Replaces the functions used and returns the previous set (tests only).
Api SetApiForTesting(const Api& api);

// True for a DPI a display can have; 0 and absurd values are not.
bool IsUsable(UINT dpi);
// The system DPI (that of the primary monitor at sign-in).
UINT SystemDpi();
// The effective DPI of the monitor nearest to pt (screen coordinates).
UINT MonitorDpiAt(POINT pt);
// GetSystemMetrics(index) as it is at dpi.
int MetricForDpi(int index, UINT dpi);
// The system's menu font for dpi; false when the system gives none.
bool MenuFontForDpi(UINT dpi, LOGFONTW* pLogFont);

} // namespace dpi
