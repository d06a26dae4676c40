#include "MenuPalette.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
// The light look's highlight bar; the dark look frames its bar with it.
constexpr COLORREF kLightBar = RGB(120, 160, 220);

MenuPalette Light(const MenuTheme& t)
{
    MenuPalette p{};
    p.clrBackground = t.clrMenu;
    p.clrText = t.clrMenuText;
    p.clrSelectedBar = kLightBar;
    p.clrSelectedText = t.clrHighlightText;
    p.clrDisabledText = t.clrGrayText;
    p.clrDisabledRelief = t.clrHighlightText;
    p.clrIconBar = t.clrMenu;
    p.clrFrame = kBlack;
    p.clrCheck = kBlack;
    p.clrSeparatorShadow = t.clrBtnShadow;
    p.clrSeparatorLight = t.clrBtnHighlight;
    p.clrIconShadow = t.clrBtnShadow;
    p.clrIconLight = t.clrBtnHighlight;
    p.clrSideBarStart = RGB(225, 225, 225);
    p.clrSideBarEnd = kBlack;
    p.clrSideBarText = kWhite;
    return p;
}

// The light design on a dark ground: a deeper blue bar that white text reads
// on, framed in the light look's bar colour; a side bar fading from dark gray.
MenuPalette Dark()
{
    constexpr COLORREF kGround = RGB(43, 43, 43);
    constexpr COLORREF kGray = RGB(122, 122, 122);
    constexpr COLORREF kDeep = RGB(30, 30, 30);
    MenuPalette p{};
    p.clrBackground = kGround;
    p.clrText = RGB(242, 242, 242);
    p.clrSelectedBar = RGB(58, 110, 165);
    p.clrSelectedText = kWhite;
    p.clrDisabledText = kGray;
    p.clrDisabledRelief = kDeep;
    p.clrIconBar = kGround;
    p.clrFrame = kLightBar;
    p.clrCheck = kWhite;
    p.clrSeparatorShadow = kDeep;
    p.clrSeparatorLight = RGB(68, 68, 68);
    p.clrIconShadow = kGray;
    p.clrIconLight = kDeep;
    p.clrSideBarStart = RGB(90, 90, 90);
    p.clrSideBarEnd = kBlack;
    p.clrSideBarText = kWhite;
    return p;
}

// Only the colours the user's high-contrast scheme gives menus; the side bar
// is one flat colour.
MenuPalette HighContrast(const MenuTheme& t)
{
    MenuPalette p{};
    p.clrBackground = t.clrMenu;
    p.clrText = t.clrMenuText;
    p.clrSelectedBar = t.clrHighlight;
    p.clrSelectedText = t.clrHighlightText;
    p.clrDisabledText = t.clrGrayText;
    p.clrDisabledRelief = t.clrMenu;
    p.clrIconBar = t.clrMenu;
    p.clrFrame = t.clrHighlightText;
    p.clrCheck = t.clrHighlightText;
    p.clrSeparatorShadow = t.clrGrayText;
    p.clrSeparatorLight = t.clrMenu;
    p.clrIconShadow = t.clrGrayText;
    p.clrIconLight = t.clrMenu;
    p.clrSideBarStart = t.clrHighlight;
    p.clrSideBarEnd = t.clrHighlight;
    p.clrSideBarText = t.clrHighlightText;
    return p;
}

} // namespace

MenuPalette TrayMenuPalette(const MenuTheme& theme)
{
    if (theme.bHighContrast)
        return HighContrast(theme);
    return theme.bDark ? Dark() : Light(theme);
}
