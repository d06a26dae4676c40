// The floor Korvane is measured against: a hidden window, a tray icon and a
// message loop, built with the same toolchain and resources.
//   floor-tray.exe [--wmi] [--platform] [--menu-icons]
// --wmi        also does what start-up must do that costs memory: COM joined
//              and the WMI brightness subscription registered.
// --platform   everything Korvane's start-up obliges the platform to load,
//              in Korvane's order: the common controls initialised before the
//              window (version 6, by the manifest); after the icon, COM and
//              the WMI subscription, then the GPU driver library loaded and
//              initialised (by the name Korvane of this architecture loads,
//              which the build gives the fake NVIDIA library). Both libraries
//              are loaded by name, so that without the option this program
//              does not load them.
// --menu-icons each tray menu opening loads the three entry icons and
//              destroys them afterwards, as Korvane's menu entries do;
//              without it the menu is plain.
// The window answers the same tray callback as Korvane's main dialog, so the
// benchmark drives both alike.
#include "BrightnessEvents.h"
#include "resource.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

namespace {

constexpr UINT kTrayNotify = WM_USER + 1;
constexpr UINT kIconId = 1;
constexpr wchar_t kClassName[] = L"KorvaneFloor";

bool g_menuIcons = false;

typedef BOOL(WINAPI* InitCommonControlsExFn)(const INITCOMMONCONTROLSEX*);
typedef void*(__cdecl* NvQueryInterfaceFn)(unsigned int);
typedef int(__cdecl* NvInitializeFn)();
constexpr unsigned int kNvapiInitializeId = 0x0150E828;

// Loaded for the whole life of the process, as Korvane keeps them.
void InitCommonControlsByName()
{
    if (HMODULE comctl = LoadLibraryW(L"comctl32.dll")) {
        INITCOMMONCONTROLSEX icc = {sizeof icc, 0xFF};
        if (auto init = reinterpret_cast<InitCommonControlsExFn>(
                reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx"))))
            init(&icc);
    }
}

void InitGpuLibrary()
{
    if (HMODULE nvapi = LoadLibraryW(BENCH_GPU_LIBRARY)) {
        auto query = reinterpret_cast<NvQueryInterfaceFn>(
            reinterpret_cast<void*>(GetProcAddress(nvapi, "nvapi_QueryInterface")));
        if (auto initialize = query ? reinterpret_cast<NvInitializeFn>(query(kNvapiInitializeId)) : nullptr)
            initialize();
    }
}

HICON LoadEntryIcon(UINT id)
{
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                         LR_DEFAULTCOLOR));
}

void ShowMenu(HWND hwnd)
{
    HICON icons[3] = {};
    if (g_menuIcons) {
        const UINT ids[3] = {IDI_MENU_CHECK_RED, IDI_MENU_ABOUT, IDI_MENU_EXIT};
        for (int i = 0; i < 3; ++i)
            icons[i] = LoadEntryIcon(ids[i]);
    }
    if (HMENU menu = CreatePopupMenu()) {
        AppendMenuW(menu, MF_STRING, 300, L"Enable");
        AppendMenuW(menu, MF_STRING, 301, L"Disable");
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, 302, L"About");
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, 303, L"Exit");
        POINT pt;
        GetCursorPos(&pt);
        SetForegroundWindow(hwnd);
        TrackPopupMenu(menu, 0, pt.x, pt.y, 0, hwnd, nullptr);
        PostMessageW(hwnd, WM_NULL, 0, 0);
        DestroyMenu(menu);
    }
    for (HICON icon : icons) {
        if (icon)
            DestroyIcon(icon);
    }
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kTrayNotify:
        if (lParam == WM_RBUTTONUP)
            ShowMenu(hwnd);
        return 1;
    case WM_COMMAND:
        if (LOWORD(wParam) == 303)
            DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool HasArgument(const wchar_t* commandLine, const wchar_t* name)
{
    int count = 0;
    wchar_t** args = CommandLineToArgvW(commandLine, &count);
    bool found = false;
    for (int i = 1; args && i < count; ++i)
        found = found || lstrcmpW(args[i], name) == 0;
    LocalFree(args);
    return found;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    const wchar_t* commandLine = GetCommandLineW();
    g_menuIcons = HasArgument(commandLine, L"--menu-icons");
    const bool platform = HasArgument(commandLine, L"--platform");
    // A refused subscription costs what it costs Korvane: its result is not
    // the floor's business.
    if (HasArgument(commandLine, L"--wmi"))
        SubscribeBrightnessEvents();
    if (platform)
        InitCommonControlsByName();

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc))
        return 1;
    HWND hwnd = CreateWindowExW(0, kClassName, L"Korvane floor", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                instance, nullptr);
    if (!hwnd)
        return 1;

    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = hwnd;
    nid.uID = kIconId;
    nid.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    nid.uCallbackMessage = kTrayNotify;
    nid.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
    lstrcpynW(nid.szTip, L"Korvane floor", ARRAYSIZE(nid.szTip));
    Shell_NotifyIconW(NIM_ADD, &nid);
    if (platform) {
        SubscribeBrightnessEvents();
        InitGpuLibrary();
    }

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    Shell_NotifyIconW(NIM_DELETE, &nid);
    return 0;
}
