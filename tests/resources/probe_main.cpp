// A program that carries Korvane's resources and nothing else, so that the
// resource tests have a file to read before Korvane.exe exists.
// Run, it tells whether its manifest brought version 6 of the common
// controls: exit 0 when comctl32 comes from that side-by-side assembly,
// 1 when from elsewhere, 2 when it cannot be loaded.
#include <windows.h>

#include <cwctype>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    HMODULE comctl = LoadLibraryW(L"comctl32.dll");
    if (!comctl)
        return 2;
    wchar_t buffer[MAX_PATH] = L"";
    DWORD length = GetModuleFileNameW(comctl, buffer, MAX_PATH);
    FreeLibrary(comctl);
    std::wstring path(buffer, length < MAX_PATH ? length : 0);
    for (wchar_t& c : path)
        c = static_cast<wchar_t>(std::towlower(c));
    // The assembly's folder: x86_microsoft.windows.common-controls_<key>_6.0.<build>_...
    const std::wstring assembly = L"microsoft.windows.common-controls_6595b64144ccf1df_6.0.";
    return path.find(assembly) != std::wstring::npos ? 0 : 1;
}
