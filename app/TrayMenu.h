// The menu a right-click on the tray icon opens.
#pragma once
#include <windows.h>

#include <memory>

#include "Menu.h"
#include "TextMenu.h"

// The menu for the state: owner-drawn, laid out for dpi in the palette of
// the current theme, or the text menu while a screen reader runs. nullptr
// when any part of it cannot be made.
std::unique_ptr<CMenu> BuildMenuForState(const TrayMenuState& state, UINT dpi);
