// Test programs that run the program's code keep its diagnostic log in the
// build folder (build/test-logs), away from the Wine prefix's LOCALAPPDATA.
#include "diag/DiagnosticLog.h"

#include <windows.h>

#include <string>

namespace {

bool PointLogAtBuildFolder()
{
    wchar_t exe[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    std::wstring folder(exe, length);
    folder.erase(folder.find_last_of(L'\\') + 1);
    diag::SetLogFolderForTesting((folder + L"..\\test-logs").c_str());
    return true;
}

const bool g_pointed = PointLogAtBuildFolder();

} // namespace
