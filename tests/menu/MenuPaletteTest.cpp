// The tray menu's palettes: which theme gets which, the contrast of every
// text on its ground, high contrast in the scheme's colours alone, and the
// painting taking every colour from the palette it was given.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include "MenuPalette.h"
#include "MenuTestSupport.h"
#include "MenuTheme.h"

using namespace menutest;

namespace {

// WCAG 2: relative luminance and the contrast ratio of two colours.
double Linear(BYTE channel)
{
    const double v = channel / 255.0;
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double Luminance(COLORREF c)
{
    return 0.2126 * Linear(GetRValue(c)) + 0.7152 * Linear(GetGValue(c)) + 0.0722 * Linear(GetBValue(c));
}

double Contrast(COLORREF a, COLORREF b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

MenuTheme SystemLight()
{
    MenuTheme t;
    t.clrMenu = GetSysColor(COLOR_MENU);
    t.clrMenuText = GetSysColor(COLOR_MENUTEXT);
    t.clrHighlight = GetSysColor(COLOR_HIGHLIGHT);
    t.clrHighlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    t.clrGrayText = GetSysColor(COLOR_GRAYTEXT);
    t.clrBtnShadow = GetSysColor(COLOR_BTNSHADOW);
    t.clrBtnHighlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    return t;
}

MenuTheme SystemDark()
{
    MenuTheme t = SystemLight();
    t.bDark = true;
    return t;
}

// The menu colours of a high-contrast scheme as Windows ships it; the button
// colours are odd ones, which no part of the menu may take.
MenuTheme Scheme(COLORREF menu, COLORREF text, COLORREF highlight, COLORREF highlightText, COLORREF gray,
                 bool dark = false)
{
    MenuTheme t;
    t.bHighContrast = true;
    t.bDark = dark;
    t.clrMenu = menu;
    t.clrMenuText = text;
    t.clrHighlight = highlight;
    t.clrHighlightText = highlightText;
    t.clrGrayText = gray;
    t.clrBtnShadow = RGB(1, 2, 3);
    t.clrBtnHighlight = RGB(4, 5, 6);
    return t;
}

const MenuTheme kHighContrastBlack =
    Scheme(RGB(0, 0, 0), RGB(255, 255, 255), RGB(26, 235, 255), RGB(0, 0, 0), RGB(63, 242, 63));
const MenuTheme kHighContrastWhite =
    Scheme(RGB(255, 255, 255), RGB(0, 0, 0), RGB(55, 0, 110), RGB(255, 255, 255), RGB(96, 0, 0));
// Neither black nor white among its colours.
const MenuTheme kAquatic =
    Scheme(RGB(32, 32, 32), RGB(255, 255, 255), RGB(142, 227, 240), RGB(38, 59, 80), RGB(166, 166, 166));

struct Theme
{
    const char* name;
    MenuTheme theme;
};

const Theme kThemes[] = {
    {"light", SystemLight()},
    {"dark", SystemDark()},
    {"high contrast black", kHighContrastBlack},
    {"high contrast white", kHighContrastWhite},
    {"aquatic", kAquatic},
    {"high contrast over a dark app theme",
     Scheme(RGB(0, 0, 0), RGB(255, 255, 255), RGB(26, 235, 255), RGB(0, 0, 0), RGB(63, 242, 63), true)},
};

using Colour = COLORREF MenuPalette::*;

const Colour kAllColours[] = {
    &MenuPalette::clrBackground,      &MenuPalette::clrText,           &MenuPalette::clrSelectedBar,
    &MenuPalette::clrSelectedText,    &MenuPalette::clrDisabledText,   &MenuPalette::clrDisabledRelief,
    &MenuPalette::clrIconBar,         &MenuPalette::clrFrame,          &MenuPalette::clrCheck,
    &MenuPalette::clrSeparatorShadow, &MenuPalette::clrSeparatorLight, &MenuPalette::clrIconShadow,
    &MenuPalette::clrIconLight,       &MenuPalette::clrSideBarStart,   &MenuPalette::clrSideBarEnd,
    &MenuPalette::clrSideBarText,
};

// Every text (and the check mark) on the ground it is painted on; grayed
// entries are left out.
struct Pair
{
    const char* name;
    Colour text;
    Colour ground;
};

const Pair kPairs[] = {
    {"text", &MenuPalette::clrText, &MenuPalette::clrBackground},
    {"highlighted text", &MenuPalette::clrSelectedText, &MenuPalette::clrSelectedBar},
    {"check mark", &MenuPalette::clrCheck, &MenuPalette::clrSelectedBar},
    {"side-bar caption at the bar's bottom", &MenuPalette::clrSideBarText, &MenuPalette::clrSideBarStart},
    {"side-bar caption at the bar's top", &MenuPalette::clrSideBarText, &MenuPalette::clrSideBarEnd},
};

} // namespace

TEST(MenuPalette, EveryTextHasAContrastOfAtLeastFourAndAHalf)
{
    for (const Theme& theme : kThemes) {
        const MenuPalette palette = TrayMenuPalette(theme.theme);
        for (const Pair& pair : kPairs) {
            SCOPED_TRACE(std::string(theme.name) + ": " + pair.name);
            const double ratio = Contrast(palette.*pair.text, palette.*pair.ground);
            // The light look stays as it has always been, pixel for pixel:
            // white on its light blue bar (2.7:1) and the white caption over
            // the gradient's light end (1.3:1) are its own.
            const bool lightDesign =
                !theme.theme.bDark && !theme.theme.bHighContrast &&
                (pair.text == &MenuPalette::clrSelectedText || pair.ground == &MenuPalette::clrSideBarStart);
            if (lightDesign) {
                EXPECT_EQ(palette.clrSelectedBar, RGB(120, 160, 220));
                EXPECT_EQ(palette.clrSideBarStart, RGB(225, 225, 225));
                continue;
            }
            EXPECT_GE(ratio, 4.5);
        }
    }
}

TEST(MenuPalette, HighContrastTakesOnlyTheSchemesMenuColoursAndNoGradient)
{
    for (const MenuTheme& scheme : {kHighContrastBlack, kHighContrastWhite, kAquatic}) {
        const std::set<COLORREF> allowed = {scheme.clrMenu, scheme.clrMenuText, scheme.clrHighlight,
                                            scheme.clrHighlightText, scheme.clrGrayText};
        const MenuPalette palette = TrayMenuPalette(scheme);
        for (Colour colour : kAllColours)
            EXPECT_EQ(allowed.count(palette.*colour), 1u) << std::hex << palette.*colour;
        EXPECT_EQ(palette.clrBackground, scheme.clrMenu);
        EXPECT_EQ(palette.clrText, scheme.clrMenuText);
        EXPECT_EQ(palette.clrSelectedBar, scheme.clrHighlight);
        EXPECT_EQ(palette.clrSelectedText, scheme.clrHighlightText);
        EXPECT_EQ(palette.clrDisabledText, scheme.clrGrayText);
        EXPECT_EQ(palette.clrSideBarStart, palette.clrSideBarEnd);
    }
}

// The light palette is the menu as the system colours make it, with the
// tray menu's own highlight bar: applying it moves nothing else.
TEST(MenuPalette, LightPaletteIsTheMenusOwnLook)
{
    auto fresh = std::make_unique<CMenuXP>();
    auto light = std::make_unique<CMenuXP>();
    light->ApplyPalette(TrayMenuPalette(SystemLight()));
    EXPECT_EQ(light->m_clrSelectedBar, RGB(120, 160, 220));
    light->m_clrSelectedBar = fresh->m_clrSelectedBar;
    const COLORREF CMenuXP::*members[] = {
        &CMenuXP::m_clrBackground,      &CMenuXP::m_clrText,           &CMenuXP::m_clrSelectedText,
        &CMenuXP::m_clrDisabledText,    &CMenuXP::m_clrSideBarStart,   &CMenuXP::m_clrSideBarEnd,
        &CMenuXP::m_clrIconBar,         &CMenuXP::m_clrFrame,          &CMenuXP::m_clrCheck,
        &CMenuXP::m_clrSeparatorShadow, &CMenuXP::m_clrSeparatorLight, &CMenuXP::m_clrIconShadow,
        &CMenuXP::m_clrIconLight,       &CMenuXP::m_clrSideBarText,    &CMenuXP::m_clrSelectedBar,
    };
    for (auto member : members)
        EXPECT_EQ((*light).*member, (*fresh).*member);
    EXPECT_EQ(light->m_clrDisabledRelief, GetSysColor(COLOR_HIGHLIGHTTEXT)) << "as m_clrSelectedText";
}

TEST(MenuPalette, HighContrastComesBeforeTheAppTheme)
{
    const MenuTheme overDark = kThemes[5].theme;
    ASSERT_TRUE(overDark.bDark);
    EXPECT_EQ(TrayMenuPalette(overDark).clrBackground, RGB(0, 0, 0));
    EXPECT_EQ(TrayMenuPalette(overDark).clrSelectedBar, RGB(26, 235, 255));
    EXPECT_LT(Luminance(TrayMenuPalette(SystemDark()).clrBackground), 0.05) << "dark ground";
    EXPECT_GT(Luminance(TrayMenuPalette(SystemDark()).clrText), 0.7) << "light text";
}

// Entries of every kind painted with a palette show no colour the palette
// lacks (texts are left empty: their smoothed edges blend colours). A flat
// side bar is all one colour; a gradient runs from start to end.
TEST(MenuPalette, PaintingTakesEveryColourFromThePalette)
{
    for (const Theme& theme : kThemes) {
        SCOPED_TRACE(theme.name);
        const MenuPalette palette = TrayMenuPalette(theme.theme);
        auto menu = MakeTestMenu();
        menu->ApplyPalette(palette);
        std::set<COLORREF> allowed = {kCanvas, kIconColour};
        for (Colour colour : kAllColours)
            allowed.insert(palette.*colour);

        Canvas canvas(200, 140);
        CMenuXPText withIcon(300, L"", MakeTestIcon());
        CMenuXPText plain(301, L"", nullptr);
        CMenuXPSeparator separator;
        const struct
        {
            const CMenuXPItem& item;
            UINT state;
        } entries[] = {{withIcon, ODS_SELECTED},
                       {withIcon, ODS_GRAYED},
                       {withIcon, ODS_SELECTED | ODS_GRAYED},
                       {plain, ODS_CHECKED},
                       {plain, ODS_SELECTED | ODS_CHECKED},
                       {separator, 0}};
        int top = 0;
        for (const auto& entry : entries) {
            DRAWITEMSTRUCT dis =
                DrawRequest(canvas.hdc(), RECT{40, top, 200, top + 20}, &entry.item, entry.state);
            menu->DrawItem(&dis);
            top += 22;
        }
        CMenuXPSideBar bar;
        bar.m_strText.clear();
        DRAWITEMSTRUCT dis = DrawRequest(canvas.hdc(), RECT{0, 0, 16, 0}, &bar, 0);
        menu->DrawItem(&dis);

        int strays = 0;
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 19; x < canvas.width(); ++x)
                strays += allowed.count(canvas.At(x, y)) == 0;
        EXPECT_EQ(strays, 0);
        EXPECT_EQ(canvas.At(0, 139), palette.clrSideBarStart);
        if (palette.clrSideBarStart == palette.clrSideBarEnd) {
            EXPECT_EQ(canvas.Count(RECT{0, 0, 19, 140}, palette.clrSideBarStart), 19 * 140) << "flat";
        } else {
            EXPECT_LT(Contrast(canvas.At(0, 0), palette.clrSideBarEnd), 1.1) << "the top near the end colour";
        }
    }
}
