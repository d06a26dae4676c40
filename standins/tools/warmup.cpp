// Creates and destroys one window, so that Wine's desktop process is running
// before the first test starts (a process started inside a test would hold
// CTest's output pipe open).
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    HWND hwnd = CreateWindowExW(0, L"STATIC", L"warmup", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
    if (hwnd)
        DestroyWindow(hwnd);
    return 0;
}
