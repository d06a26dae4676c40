#include "MenuTheme.h"

namespace {

const wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

bool AskSystem()
{
    HIGHCONTRASTW hc{};
    hc.cbSize = sizeof(hc);
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, hc.cbSize, &hc, 0) &&
           (hc.dwFlags & HCF_HIGHCONTRASTON);
}
HighContrastFn g_highContrast = &AskSystem;

} // namespace

bool AppsUseDarkTheme()
{
    DWORD value = 1;
    DWORD size = sizeof(value);
    return ::RegGetValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr,
                          &value, &size) == ERROR_SUCCESS &&
           value == 0;
}

bool HighContrastOn()
{
    return g_highContrast();
}

HighContrastFn SetHighContrastForTesting(HighContrastFn fn)
{
    HighContrastFn previous = g_highContrast;
    g_highContrast = fn ? fn : &AskSystem;
    return previous;
}

MenuTheme ReadMenuTheme()
{
    MenuTheme theme;
    theme.bDark = AppsUseDarkTheme();
    theme.bHighContrast = HighContrastOn();
    theme.clrMenu = ::GetSysColor(COLOR_MENU);
    theme.clrMenuText = ::GetSysColor(COLOR_MENUTEXT);
    theme.clrHighlight = ::GetSysColor(COLOR_HIGHLIGHT);
    theme.clrHighlightText = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    theme.clrGrayText = ::GetSysColor(COLOR_GRAYTEXT);
    theme.clrBtnShadow = ::GetSysColor(COLOR_BTNSHADOW);
    theme.clrBtnHighlight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    return theme;
}
