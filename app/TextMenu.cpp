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

std::unique_ptr<CMenu> BuildTextTrayMenu(bool bAvailable, bool bEnabled)
{
    std::unique_ptr<CMenu> menu(new (std::nothrow) CMenu);
    if (!menu || !menu->CreatePopupMenu())
        return nullptr;
    const UINT modeState = bAvailable ? MF_ENABLED : MF_GRAYED | MF_DISABLED;
    if (!menu->AppendMenu(MF_STRING | modeState, IDM_ENABLE, L"Enable") ||
        !menu->AppendMenu(MF_STRING | modeState, IDM_DISABLE, L"Disable") ||
        !menu->AppendMenu(MF_SEPARATOR) || !menu->AppendMenu(MF_STRING, IDM_ABOUT, L"About") ||
        !menu->AppendMenu(MF_SEPARATOR) || !menu->AppendMenu(MF_STRING, IDM_EXIT, L"Exit"))
        return nullptr;
    // The radio mark is the standard check a screen reader announces.
    if (!::CheckMenuRadioItem(menu->GetSafeHmenu(), IDM_ENABLE, IDM_DISABLE,
                              bEnabled ? IDM_ENABLE : IDM_DISABLE, MF_BYCOMMAND))
        return nullptr;
    return menu;
}
