// What the tray menu's palette is chosen from, as the system says it: the
// app theme, the high-contrast setting and the system colours. It is read
// at every opening of the menu, so a change of any of them (the shell's
// "ImmersiveColorSet" broadcast, WM_SYSCOLORCHANGE) shows at the next
// opening without a restart.
#pragma once
#include "MenuPalette.h"

// True when the user's app theme is dark: AppsUseLightTheme is the DWORD 0
// under HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize.
// Absent, or of another type, it means light.
bool AppsUseDarkTheme();

using HighContrastFn = bool (*)();
// True while high contrast is on (SPI_GETHIGHCONTRAST, HCF_HIGHCONTRASTON).
bool HighContrastOn();
// Replaces the question and returns the previous one (tests only: Wine
// cannot turn high contrast on).
HighContrastFn SetHighContrastForTesting(HighContrastFn fn);

MenuTheme ReadMenuTheme();
