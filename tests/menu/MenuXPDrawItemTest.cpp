// Whole entries painted through DrawItem, as the menu loop asks for them.
#include <gtest/gtest.h>

#include "MenuTestSupport.h"

using namespace menutest;

namespace {

const COLORREF kBtnShadow = GetSysColor(COLOR_BTNSHADOW);
const COLORREF kBtnHighlight = GetSysColor(COLOR_BTNHIGHLIGHT);

// Entry rectangle (10, 5) - (160, 25): icon box (10, 5) - (30, 25), icon cell
// (12, 7) - (28, 23), the icon's opaque square (16, 11) - (24, 19), text from x = 32.
const RECT kEntry{10, 5, 160, 25};
const RECT kTextArea{32, 5, 144, 25};

class MenuXPDrawItem : public ::testing::Test
{
protected:
    Canvas canvas{200, 40};
    HICON hIcon = MakeTestIcon();
    void TearDown() override { DestroyIcon(hIcon); }

    void Draw(CMenuXP& menu, const CMenuXPItem& item, UINT state, const RECT& rc = kEntry)
    {
        DRAWITEMSTRUCT dis = DrawRequest(canvas.hdc(), rc, &item, state);
        menu.DrawItem(&dis);
    }
};

} // namespace

TEST_F(MenuXPDrawItem, XPGrayedEntryUnderTheCursorIsEmbossedOverTheIconBand)
{
    auto menu = MakeTestMenu();
    CMenuXPText item(300, L"Enable", CopyIcon(hIcon));
    Draw(*menu, item, ODS_SELECTED | ODS_GRAYED);

    EXPECT_EQ(canvas.At(10, 5), kIconBar) << "no frame, icon band";
    EXPECT_EQ(canvas.At(29, 24), kIconBar);
    EXPECT_EQ(canvas.At(100, 5), kBackground) << "background kept, no frame";
    EXPECT_EQ(canvas.At(159, 24), kBackground);
    EXPECT_EQ(canvas.Count(kEntry, kSelectedBar), 0);
    EXPECT_EQ(canvas.Count(kEntry, kBlack), 0);
    EXPECT_EQ(canvas.Count(kEntry, kIconColour), 0) << "the icon is embossed, not drawn";
    EXPECT_EQ(canvas.Bounds(kEntry, kBtnShadow), (RECT{16, 11, 24, 19}));
    EXPECT_EQ(canvas.Bounds(kEntry, kBtnHighlight), (RECT{17, 12, 25, 20}));
    EXPECT_GT(canvas.Count(kTextArea, kDisabledText), 0);
    EXPECT_GT(canvas.Count(kTextArea, kSelectedText), 0) << "relief copy";
    EXPECT_EQ(canvas.CountOther(RECT{0, 0, 200, 5}, kCanvas), 0);
    EXPECT_EQ(canvas.CountOther(RECT{0, 25, 200, 40}, kCanvas), 0);
}

TEST_F(MenuXPDrawItem, XPEnabledEntryUnderTheCursorIsFramedWithALiftedIcon)
{
    auto menu = MakeTestMenu();
    CMenuXPText item(300, L"Enable", CopyIcon(hIcon));
    Draw(*menu, item, ODS_SELECTED);

    for (POINT p : {POINT{10, 5}, POINT{159, 5}, POINT{10, 24}, POINT{159, 24}, POINT{80, 5}})
        EXPECT_EQ(canvas.At(p.x, p.y), kBlack) << p.x << "," << p.y;
    EXPECT_EQ(canvas.At(11, 6), kSelectedBar) << "no icon band";
    EXPECT_EQ(canvas.At(28, 23), kSelectedBar);
    EXPECT_EQ(canvas.At(100, 6), kSelectedBar);
    EXPECT_EQ(canvas.Count(kEntry, kIconBar), 0);
    EXPECT_EQ(canvas.Count(kEntry, kBackground), 0);
    EXPECT_EQ(canvas.Bounds(kEntry, kIconColour), (RECT{15, 10, 23, 18})) << "lifted by one";
    EXPECT_EQ(canvas.At(23, 18), kBtnShadow);
    EXPECT_EQ(canvas.At(24, 19), kBtnShadow);
    EXPECT_EQ(canvas.At(25, 20), kSelectedBar);
    EXPECT_GT(canvas.Count(kTextArea, kSelectedText), 0);
    EXPECT_EQ(canvas.Count(kTextArea, kText), 0);
    EXPECT_EQ(canvas.Count(kTextArea, kDisabledText), 0);
}

TEST_F(MenuXPDrawItem, XPCheckedEntryWithIconGetsAFramedBoxAndAPlainIcon)
{
    auto menu = MakeTestMenu();
    CMenuXPText item(300, L"Enable", CopyIcon(hIcon));
    Draw(*menu, item, ODS_CHECKED);

    for (POINT p : {POINT{10, 5}, POINT{29, 5}, POINT{10, 24}, POINT{29, 24}})
        EXPECT_EQ(canvas.At(p.x, p.y), kBlack) << p.x << "," << p.y;
    EXPECT_EQ(canvas.At(11, 6), kSelectedBar);
    EXPECT_EQ(canvas.At(28, 23), kSelectedBar);
    EXPECT_EQ(canvas.At(30, 6), kBackground) << "the box ends with the icon band";
    EXPECT_EQ(canvas.At(159, 24), kBackground);
    EXPECT_EQ(canvas.Bounds(kEntry, kIconColour), (RECT{16, 11, 24, 19}));
    EXPECT_EQ(canvas.Count(kEntry, kBtnShadow), 0);
    EXPECT_EQ(canvas.Count(RECT{12, 7, 28, 23}, kBlack), 0) << "icon, not check mark";
    EXPECT_GT(canvas.Count(kTextArea, kText), 0);
}

TEST_F(MenuXPDrawItem, EntryWithoutIconOrCheckGetsNoIconBox)
{
    for (int style : {MENU_STYLE_XP, MENU_STYLE_BUTTON}) {
        canvas.Fill(kCanvas);
        auto menu = MakeTestMenu(style);
        CMenuXPText item(302, L"About", nullptr);
        Draw(*menu, item, 0);
        const COLORREF band = style == MENU_STYLE_XP ? kIconBar : kBackground;
        EXPECT_EQ(canvas.Count(RECT{10, 5, 30, 25}, band), 400) << style;
        EXPECT_EQ(canvas.CountOther(RECT{30, 5, 160, 25}, kBackground),
                  canvas.CountOther(kTextArea, kBackground))
            << "only text on the background right of the band, style " << style;
        EXPECT_GT(canvas.Count(kTextArea, kText), 0) << style;
    }
}

TEST_F(MenuXPDrawItem, CheckedEntryWithoutIconShowsTheCheckMark)
{
    auto menu = MakeTestMenu(MENU_STYLE_BUTTON);
    CMenuXPText item(301, L"Disable", nullptr);
    Draw(*menu, item, ODS_CHECKED);
    EXPECT_EQ(canvas.At(26, 21), kBtnHighlight) << "button style box";
    EXPECT_EQ(canvas.At(10, 15), kBtnShadow) << "sunken";
    // Cell (12, 7) - (28, 23): reference point (16, 11).
    EXPECT_EQ(canvas.Bounds(RECT{11, 6, 29, 24}, kBlack), (RECT{16, 12, 23, 19}));
}

TEST_F(MenuXPDrawItem, DisabledWithoutGrayedIsPaintedLikeEnabled)
{
    auto menu = MakeTestMenu();
    CMenuXPText item(300, L"Enable", CopyIcon(hIcon));
    Draw(*menu, item, ODS_SELECTED | ODS_DISABLED);
    Canvas enabled(200, 40);
    DRAWITEMSTRUCT dis = DrawRequest(enabled.hdc(), kEntry, &item, ODS_SELECTED);
    menu->DrawItem(&dis);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(canvas.At(x, y), enabled.At(x, y)) << x << "," << y;
}

TEST_F(MenuXPDrawItem, DefaultEntryIsPaintedBold)
{
    auto menu = MakeTestMenu();
    CMenuXPText item(300, L"Overclock the graphics", nullptr);
    Draw(*menu, item, 0);
    const int regular = canvas.Count(kTextArea, kText);
    canvas.Fill(kCanvas);
    Draw(*menu, item, ODS_DEFAULT);
    EXPECT_GT(canvas.Count(kTextArea, kText), regular);
}

TEST_F(MenuXPDrawItem, TallEntryGrowsASquareIconBox)
{
    auto menu = MakeTestMenu();
    menu->m_fontMenu.DeleteObject();
    ASSERT_TRUE(menu->m_fontMenu.CreateFont(-40, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                                            L"Tahoma"));
    CMenuXPText item(301, L"Exit", nullptr);
    MEASUREITEMSTRUCT mis = MeasureRequest(&item);
    menu->MeasureItem(&mis);
    const int h = int(mis.itemHeight);
    ASSERT_GT(h, 20);

    Canvas tall(300, h + 10);
    DRAWITEMSTRUCT dis = DrawRequest(tall.hdc(), RECT{0, 0, 300, h}, &item, ODS_CHECKED);
    menu->DrawItem(&dis);
    EXPECT_EQ(tall.At(h - 1, 1), kBlack) << "box frame at the entry height";
    EXPECT_EQ(tall.At(1, h - 1), kBlack);
    EXPECT_EQ(tall.At(h - 2, h - 2), kSelectedBar);
    EXPECT_EQ(tall.At(h, 1), kBackground);
    const int x = 2 + (h - 4 - 8) / 2;
    EXPECT_EQ(tall.Bounds(RECT{2, 2, h - 2, h - 2}, kBlack), (RECT{x, x + 1, x + 7, x + 8}));
}

TEST_F(MenuXPDrawItem, SeparatorIsAnEtchedLineWithTheIconBandReachingBelow)
{
    struct
    {
        int style;
        bool band;
    } const cases[] = {{MENU_STYLE_XP, true}, {MENU_STYLE_BUTTON, false}};
    for (const auto& c : cases) {
        canvas.Fill(kCanvas);
        auto menu = MakeTestMenu(c.style);
        CMenuXPSeparator item;
        Draw(*menu, item, ODS_SELECTED, RECT{10, 5, 160, 12});
        EXPECT_EQ(canvas.At(100, 6), kBackground) << "never highlighted";
        EXPECT_EQ(canvas.At(100, 8), kBtnShadow) << "line along the lower half's top";
        EXPECT_EQ(canvas.At(100, 9), kBtnHighlight);
        EXPECT_EQ(canvas.At(100, 11), kBackground);
        EXPECT_EQ(canvas.At(100, 12), kCanvas);
        EXPECT_EQ(canvas.Count(RECT{10, 5, 30, 25}, kIconBar), c.band ? 400 : 0) << c.style;
        EXPECT_EQ(canvas.At(30, 20), kCanvas);
    }
}

TEST_F(MenuXPDrawItem, SideBarFillsTheClipBoxHeight)
{
    auto menu = MakeTestMenu();
    CMenuXPSideBar item;
    Canvas bar(40, 150);
    DRAWITEMSTRUCT dis = DrawRequest(bar.hdc(), RECT{0, 0, 16, 0}, &item, 0);
    menu->DrawItem(&dis);
    EXPECT_EQ(bar.At(18, 149), COLORREF(0x00E1E1E1));
    EXPECT_EQ(bar.At(18, 0), RGB(1, 1, 1));
    EXPECT_GT(bar.Count(RECT{0, 0, 19, 150}, kWhite), 0);

    bar.Fill(kCanvas);
    IntersectClipRect(bar.hdc(), 0, 50, 40, 100);
    menu->DrawItem(&dis);
    SelectClipRgn(bar.hdc(), nullptr);
    EXPECT_EQ(bar.At(18, 99), COLORREF(0x00E1E1E1)) << "bottom of the clip box";
    EXPECT_EQ(bar.At(18, 100), kCanvas);
    EXPECT_EQ(bar.At(18, 49), kCanvas);
    EXPECT_NE(bar.At(18, 50), kCanvas);
}

TEST_F(MenuXPDrawItem, RequestsWithoutAMenuItemPaintNothing)
{
    auto menu = MakeTestMenu();
    CMenuXPText item(300, L"Enable", nullptr);
    struct Impostor
    {
        virtual ~Impostor() = default;
        DWORD m_dwMagic = 0;
        bool m_bSeparator = true;
    } impostor;
    struct
    {
        const char* name;
        UINT ctlType;
        ULONG_PTR data;
    } const cases[] = {
        {"button", ODT_BUTTON, reinterpret_cast<ULONG_PTR>(&item)},
        {"no item data", ODT_MENU, 0},
        {"no signature", ODT_MENU, reinterpret_cast<ULONG_PTR>(&impostor)},
        {"small integer", ODT_MENU, 3},
    };
    for (const auto& c : cases) {
        DRAWITEMSTRUCT dis = DrawRequest(canvas.hdc(), kEntry, &item, ODS_SELECTED);
        dis.CtlType = c.ctlType;
        dis.itemData = c.data;
        menu->DrawItem(&dis);
        EXPECT_EQ(canvas.CountOther(RECT{0, 0, 200, 40}, kCanvas), 0) << c.name;
    }
    menu->DrawItem(nullptr);
}

TEST_F(MenuXPDrawItem, PaintingStepsAreCalledThroughTheirOverrides)
{
    struct Recorder : CMenuXP
    {
        std::string calls;
        void DrawBackground(CDC*, CRect, BOOL, BOOL) override { calls += "G"; }
        void DrawIconBar(CDC*, CRect, BOOL, BOOL, BOOL) override { calls += "I"; }
        void DrawItemIcon(CDC*, CRect, HICON, BOOL, BOOL, BOOL) override { calls += "O"; }
        void DrawCheck(CDC*, CRect, BOOL) override { calls += "C"; }
        void DrawMenuText(CDC*, CRect, std::wstring, COLORREF) override { calls += "M"; }
        void DrawSideBar(CDC*, CRect, HICON, std::wstring) override { calls += "S"; }
    } menu;
    menu.m_nStyle = MENU_STYLE_XP;
    CMenuXPText withIcon(300, L"Enable", CopyIcon(hIcon));
    CMenuXPText plain(300, L"Enable", nullptr);
    CMenuXPSeparator separator;
    CMenuXPSideBar bar;
    struct
    {
        const CMenuXPItem& item;
        UINT state;
        const char* calls;
    } const cases[] = {
        // DrawButton (not overridden) calls the overridden DrawBackground;
        // DrawItemText calls the overridden DrawMenuText, twice for the relief.
        {withIcon, ODS_CHECKED, "GIGOM"},
        {withIcon, ODS_SELECTED, "GIOM"},
        {plain, ODS_CHECKED, "GIGCM"},
        {plain, ODS_GRAYED, "GIMM"},
        {separator, 0, "GI"},
        {bar, 0, "S"},
    };
    for (const auto& c : cases) {
        menu.calls.clear();
        Draw(menu, c.item, c.state);
        EXPECT_EQ(menu.calls, c.calls);
    }
}
