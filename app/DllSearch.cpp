#include "DllSearch.h"

#include <windows.h>

#include "gpu/ProcCast.h"

namespace {
// Windows 7 has the function only with its loader update: looked up, not imported.
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD flags);
} // namespace

bool RestrictDllSearchToTrustedFolders()
{
    HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    if (!kernel32)
        return false;
    const auto setDefault = gpu::detail::ProcAs<SetDefaultDllDirectoriesFn>(
        ::GetProcAddress(kernel32, "SetDefaultDllDirectories"));
    return setDefault && setDefault(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}
