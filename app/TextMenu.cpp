#include "TextMenu.h"

#include <new>

#include "KorvaneDlg.h"

namespace {
bool AskSystem()
{
    BOOL on = FALSE;
    return ::SystemParametersInfoW(SPI_GETSCREENREADER, 0, &on, 0) && on;
}
ScreenReaderFn g_screenReader = &AskSystem;
} // namespace

bool ScreenReaderRunning()
{
    return g_screenReader();
}

ScreenReaderFn SetScreenReaderForTesting(ScreenReaderFn fn)
{
    ScreenReaderFn previous = g_screenReader;
    g_screenReader = fn ? fn : &AskSystem;
    return previous;
}

std::unique_ptr<CMenu> BuildTextTrayMenu(const TrayMenuState& state)
{
    std::unique_ptr<CMenu> menu(new (std::nothrow) CMenu);
    if (!menu || !menu->CreatePopupMenu())
        return nullptr;
    const UINT modeState = state.available ? MF_ENABLED : MF_GRAYED | MF_DISABLED;
    if (!menu->AppendMenu(MF_STRING | modeState, IDM_ENABLE, L"Enable") ||
        !menu->AppendMenu(MF_STRING | modeState, IDM_DISABLE, L"Disable") ||
        !menu->AppendMenu(MF_SEPARATOR) ||
        !menu->AppendMenu(MF_STRING | (state.acOnly ? MF_CHECKED : 0), IDM_AC_ONLY, L"Only on AC power") ||
        !menu->AppendMenu(MF_STRING | (state.notices ? MF_CHECKED : 0), IDM_NOTICES, L"Notices") ||
        !menu->AppendMenu(MF_SEPARATOR) || !menu->AppendMenu(MF_STRING, IDM_ABOUT, L"About") ||
        !menu->AppendMenu(MF_SEPARATOR) || !menu->AppendMenu(MF_STRING, IDM_EXIT, L"Exit"))
        return nullptr;
    // The radio mark is the standard check a screen reader announces.
    if (!::CheckMenuRadioItem(menu->GetSafeHmenu(), IDM_ENABLE, IDM_DISABLE,
                              state.enabled ? IDM_ENABLE : IDM_DISABLE, MF_BYCOMMAND))
        return nullptr;
    return menu;
}
