// The colours the tray menu is painted with in each theme: the light look it
// has always had, a dark look of the same design, and high contrast, which
// uses only the system's own colours and no gradient. A palette is chosen
// once per menu from what the system says at that moment and handed to the
// menu (CMenuXP::ApplyPalette); the painting steps never ask the system.
#pragma once
#include <windows.h>

// What a palette is chosen from (MenuTheme.h reads it from the system).
struct MenuTheme
{
    bool bDark = false;
    bool bHighContrast = false;
    // The system colours of that moment.
    COLORREF clrMenu = 0;
    COLORREF clrMenuText = 0;
    COLORREF clrHighlight = 0;
    COLORREF clrHighlightText = 0;
    COLORREF clrGrayText = 0;
    COLORREF clrBtnShadow = 0;
    COLORREF clrBtnHighlight = 0;
};

struct MenuPalette
{
    COLORREF clrBackground;
    COLORREF clrText;
    COLORREF clrSelectedBar;
    COLORREF clrSelectedText;
    COLORREF clrDisabledText;
    COLORREF clrDisabledRelief; // the copy under grayed text
    COLORREF clrIconBar;
    COLORREF clrFrame; // around the highlighted entry and a checked icon box
    COLORREF clrCheck;
    COLORREF clrSeparatorShadow; // the etched separator's upper line
    COLORREF clrSeparatorLight;  // and its lower line
    COLORREF clrIconShadow;      // a grayed icon, and the shadow of a lifted one
    COLORREF clrIconLight;       // the relief under a grayed icon
    COLORREF clrSideBarStart;    // the side bar at its bottom edge
    COLORREF clrSideBarEnd;      // and at its top edge
    COLORREF clrSideBarText;
};

// The tray menu's palette: high contrast when it is on, else dark or light
// as the app theme is.
MenuPalette TrayMenuPalette(const MenuTheme& theme);
