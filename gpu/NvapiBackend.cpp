// Loading and initialising the NVIDIA driver library.
#include "gpu/NvapiBackend.h"

#include "gpu/NvapiLibrary.h"
#include "gpu/NvapiModule.h"
#include "gpu/ProcCast.h"

#include "diag/DiagnosticLog.h"

#include <windows.h>

namespace gpu {

namespace {

constexpr NvU32 kNvapiInitializeId = 0x0150E828;
using NvInitializeFn = NvAPI_Status(__cdecl*)();

HMODULE g_hNvapi = nullptr;
detail::NvQueryInterfaceFn g_queryInterface = nullptr;

// The cached entry addresses point into the library, so they go with it.
void UnloadNvapi()
{
    g_queryInterface = nullptr;
    detail::ForgetNvapiEntries();
    if (g_hNvapi) {
        FreeLibrary(g_hNvapi);
        g_hNvapi = nullptr;
    }
}

} // namespace

namespace detail {

NvQueryInterfaceFn NvapiQueryFunction()
{
    return g_queryInterface;
}

} // namespace detail

int LoadNvapi()
{
    if (!g_hNvapi) {
        g_hNvapi = LoadLibraryW(kNvapiLibrary);
        if (!g_hNvapi) {
            diag::Log("NVIDIA: " KORVANE_NVAPI_LIBRARY " does not load (error %lu)", GetLastError());
            return NVAPI_LIBRARY_NOT_FOUND;
        }
    }

    g_queryInterface =
        detail::ProcAs<detail::NvQueryInterfaceFn>(GetProcAddress(g_hNvapi, "nvapi_QueryInterface"));
    if (!g_queryInterface) {
        diag::Log("NVIDIA: " KORVANE_NVAPI_LIBRARY " has no nvapi_QueryInterface");
        UnloadNvapi();
        return NVAPI_ERROR;
    }

    const auto initialize = detail::EntryAs<NvInitializeFn>(g_queryInterface(kNvapiInitializeId));
    const NvAPI_Status status = initialize ? initialize() : NVAPI_NO_IMPLEMENTATION;
    if (status != NVAPI_OK) {
        diag::Log("NVIDIA: NvAPI_Initialize failed (status %d)", status);
        UnloadNvapi();
        return NVAPI_ERROR;
    }
    return NVAPI_OK;
}

void ResetNvapiForTesting()
{
    UnloadNvapi();
    detail::ForgetNvidiaTables();
}

} // namespace gpu
