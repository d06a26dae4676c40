// A window that looks like Korvane's main dialog to a search by class and
// caption ("#32770", "NVIDIA Korvane") but is not Korvane: the dialog
// manager's default processing answers the command line's message with 0.
//   korvane-lookalike.exe answering   keeps retrieving its messages
//   korvane-lookalike.exe hung        never retrieves one: after 5 s the
//                                     system takes its thread for hung
// It puts its window on top, where a search meets it before Korvane's, and
// runs until it is ended.
#include <windows.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int)
{
    HWND window = CreateWindowExW(0, L"#32770", L"NVIDIA Korvane", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  instance, nullptr);
    if (!window)
        return 1;
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (std::wcscmp(arguments, L"hung") == 0) {
        Sleep(INFINITE);
        return 0;
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}
