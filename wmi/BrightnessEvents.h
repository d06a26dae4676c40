// Monitor brightness events: the WMI subscription and where its events go.
#pragma once

#include <windows.h>
#include <objbase.h>

// Sent to the target window for each delivered batch of brightness events:
// wParam the brightness (0 to 255), lParam 0.
constexpr UINT WM_BRIGHTNESS_EVENT = WM_USER + 109; // 0x46D

// Results of SubscribeBrightnessEvents (2 is never returned).
constexpr int kBrightnessSubscribed = 0;
// The service refused the query, or it was not made for want of an
// unsecured-apartment stub to receive the events.
constexpr int kBrightnessQueryRefused = 1;
constexpr int kBrightnessLocatorFailed = 3;
constexpr int kBrightnessConnectFailed = 4;
constexpr int kBrightnessProxyBlanketFailed = 5;

// The window that receives WM_BRIGHTNESS_EVENT, or null for none. The main
// dialog sets its window during start-up and null when the window is
// destroyed; events then arriving are dropped. Safe from any thread.
void SetBrightnessEventTarget(HWND hwnd);
HWND GetBrightnessEventTarget();

// Registers "SELECT * FROM WmiMonitorBrightnessEvent" in "ROOT\WMI" with an
// EventSink behind an unsecured-apartment stub. Call once, on the
// user-interface thread. Returns one of the statuses above; on any failure
// everything acquired is released and COM is left as the thread had it.
int SubscribeBrightnessEvents();

// The COM object creation the subscription goes through. It is
// CoCreateInstance unless a test has put a fake in its place.
using CoCreateInstanceFn = HRESULT(WINAPI*)(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid,
                                            LPVOID* object);

// Replaces the object creation and returns the previous one (tests only).
// Null restores CoCreateInstance.
CoCreateInstanceFn SetCoCreateInstanceForTesting(CoCreateInstanceFn fn);
