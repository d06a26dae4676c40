#include "gpu/AdlBackend.h"

#include "gpu/ProcCast.h"
#include "gpu/WarningBox.h"

#include "diag/DiagnosticLog.h"

#include <cstdlib>

namespace gpu {

namespace {

// ADL functions are plain __cdecl, as in ADL's published headers.
using AdlODClockInfoGetFn = int(__cdecl*)(int adapterIndex, ADLAdapterODClockInfo* pInfo);
using AdlODClockConfigSetFn = int(__cdecl*)(int adapterIndex, ADLAdapterODClockConfig* pConfig);
using AdlMainControlCreateFn = int(__cdecl*)(ADL_MAIN_MALLOC_CALLBACK callback, int connectedOnly);

// Looked up in this order. Only the first three are called; the rest are
// required so that a partial ADL is not used.
enum AdlFunction { kODClockInfoGet, kODClockConfigSet, kMainControlCreate, kAdlFunctionCount = 10 };
constexpr const char* kAdlFunctionNames[kAdlFunctionCount] = {
    "ADL_Display_ODClockInfo_Get", "ADL_Display_ODClockConfig_Set",    "ADL_Main_Control_Create",
    "ADL_Main_Control_Destroy",    "ADL_Adapter_NumberOfAdapters_Get", "ADL_Adapter_AdapterInfo_Get",
    "ADL_Display_DisplayInfo_Get", "ADL_Display_ColorCaps_Get",        "ADL_Display_Color_Get",
    "ADL_Display_Color_Set",
};

constexpr int kCountConnectedAdaptersOnly = 1;
constexpr int kFirstAdapter = 0;

FARPROC g_adlFunctions[kAdlFunctionCount] = {};
HMODULE g_hAdlLoaded = nullptr;

bool ResolveAdlFunctions(HMODULE hAdl)
{
    bool complete = true;
    for (int i = 0; i < kAdlFunctionCount; ++i) {
        g_adlFunctions[i] = GetProcAddress(hAdl, kAdlFunctionNames[i]);
        if (!g_adlFunctions[i]) {
            diag::Log("AMD: ADL has no %s", kAdlFunctionNames[i]);
            complete = false;
        }
    }
    return complete;
}

void ForgetAdlFunctions()
{
    for (FARPROC& function : g_adlFunctions)
        function = nullptr;
}

// After a failed start no entry point stays usable, as none has an ADL
// context to work in; the library itself stays loaded.
bool FailAdlStart(HWND owner, const wchar_t* text)
{
    ForgetAdlFunctions();
    ShowStartupWarning(owner, text);
    return false;
}

} // namespace

void* __stdcall AdlAllocCallback(int size)
{
    if (size < 0)
        return nullptr;
    return std::malloc(static_cast<size_t>(size));
}

bool InitAdlBackend(HWND owner, HMODULE* phAdl, ADLAdapterODClockInfo* pInfo)
{
    if (!phAdl || !pInfo)
        return false;

    *phAdl = LoadLibraryW(L"atiadlxx.dll");
    if (!*phAdl)
        *phAdl = LoadLibraryW(L"atiadlxy.dll");
    if (!*phAdl) {
        diag::Log("AMD: neither atiadlxx.dll nor atiadlxy.dll loads (error %lu)", GetLastError());
        return false;
    }
    g_hAdlLoaded = *phAdl;

    if (!ResolveAdlFunctions(*phAdl))
        return FailAdlStart(owner, L"ATI's overclock function is missing!");

    const auto create = detail::ProcAs<AdlMainControlCreateFn>(g_adlFunctions[kMainControlCreate]);
    const int created = create(AdlAllocCallback, kCountConnectedAdaptersOnly);
    if (created != ADL_OK) {
        diag::Log("AMD: ADL_Main_Control_Create failed (status %d)", created);
        return FailAdlStart(owner, L"ADL Initialization Error!");
    }

    // ADL records carry their own size; tell ADL how large ours is.
    pInfo->iSize = sizeof(ADLAdapterODClockInfo);
    const auto getInfo = detail::ProcAs<AdlODClockInfoGetFn>(g_adlFunctions[kODClockInfoGet]);
    const int read = getInfo(kFirstAdapter, pInfo);
    if (read != ADL_OK) {
        diag::Log("AMD: ADL_Display_ODClockInfo_Get failed (status %d)", read);
        return FailAdlStart(owner, L"ADL Initialization Error!");
    }
    return true;
}

int AdlSetODClockConfig(int adapterIndex, ADLAdapterODClockConfig* pConfig)
{
    const auto setConfig = detail::ProcAs<AdlODClockConfigSetFn>(g_adlFunctions[kODClockConfigSet]);
    if (!setConfig)
        return ADL_ERR;
    return setConfig(adapterIndex, pConfig);
}

void ResetAdlForTesting()
{
    ForgetAdlFunctions();
    if (g_hAdlLoaded) {
        FreeLibrary(g_hAdlLoaded);
        g_hAdlLoaded = nullptr;
    }
}

} // namespace gpu
