#include "Dpi.h"

namespace dpi {

namespace {

// MONITOR_DPI_TYPE's MDT_EFFECTIVE_DPI: the DPI the user's scaling gives.
constexpr int kEffectiveDpi = 0;
// Beyond 2000 % scaling no display goes; a larger value is garbage.
constexpr UINT kMaxDpi = 20 * kDesign;

template <class Fn>
Fn Lookup(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

Api LookUpSystemApi()
{
    Api api{};
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    api.getDpiForSystem = Lookup<decltype(api.getDpiForSystem)>(user32, "GetDpiForSystem");
    api.getSystemMetricsForDpi =
        Lookup<decltype(api.getSystemMetricsForDpi)>(user32, "GetSystemMetricsForDpi");
    api.systemParametersInfoForDpi =
        Lookup<decltype(api.systemParametersInfoForDpi)>(user32, "SystemParametersInfoForDpi");
    // Loaded once and kept, as every system library the program uses.
    HMODULE shcore = ::LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    api.getDpiForMonitor = Lookup<decltype(api.getDpiForMonitor)>(shcore, "GetDpiForMonitor");
    return api;
}

const Api& LookedUp()
{
    static const Api api = LookUpSystemApi();
    return api;
}

Api& CurrentApi()
{
    static Api api = LookedUp();
    return api;
}

} // namespace

Api SystemApi()
{
    return LookedUp();
}

Api SetApiForTesting(const Api& api)
{
    const Api previous = CurrentApi();
    CurrentApi() = api;
    return previous;
}

bool IsUsable(UINT dpi)
{
    return dpi > 0 && dpi <= kMaxDpi;
}

UINT SystemDpi()
{
    const Api& api = CurrentApi();
    if (api.getDpiForSystem) {
        const UINT dpi = api.getDpiForSystem();
        if (IsUsable(dpi))
            return dpi;
    }
    UINT dpi = 0;
    if (HDC screen = ::GetDC(nullptr)) {
        dpi = static_cast<UINT>(::GetDeviceCaps(screen, LOGPIXELSY));
        ::ReleaseDC(nullptr, screen);
    }
    return IsUsable(dpi) ? dpi : kDesign;
}

UINT MonitorDpiAt(POINT pt)
{
    const Api& api = CurrentApi();
    UINT dpiX = 0;
    UINT dpiY = 0;
    if (api.getDpiForMonitor &&
        SUCCEEDED(api.getDpiForMonitor(::MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &dpiX,
                                       &dpiY)) &&
        IsUsable(dpiY))
        return dpiY;
    return SystemDpi();
}

int MetricForDpi(int index, UINT dpi)
{
    const Api& api = CurrentApi();
    if (api.getSystemMetricsForDpi)
        return api.getSystemMetricsForDpi(index, dpi);
    return ::MulDiv(::GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

bool MenuFontForDpi(UINT dpi, LOGFONTW* pLogFont)
{
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    const Api& api = CurrentApi();
    if (api.systemParametersInfoForDpi &&
        api.systemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0, dpi)) {
        *pLogFont = ncm.lfMenuFont;
        return true;
    }
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0))
        return false;
    *pLogFont = ncm.lfMenuFont;
    pLogFont->lfHeight = ::MulDiv(pLogFont->lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
    return true;
}

} // namespace dpi
