// The painting steps and shared routines, one at a time, read back from a
// 32-bit canvas.
#include <gtest/gtest.h>

#include "MenuTestSupport.h"

using namespace menutest;

namespace {

const COLORREF kBtnShadow = GetSysColor(COLOR_BTNSHADOW);
const COLORREF kBtnHighlight = GetSysColor(COLOR_BTNHIGHLIGHT);

// Everything a step may leave changed is listed; the rest must be as before.
struct DcState
{
    HGDIOBJ pen, brush, font, bitmap;
    COLORREF bk;
    explicit DcState(HDC hdc)
        : pen(GetCurrentObject(hdc, OBJ_PEN)), brush(GetCurrentObject(hdc, OBJ_BRUSH)),
          font(GetCurrentObject(hdc, OBJ_FONT)), bitmap(GetCurrentObject(hdc, OBJ_BITMAP)),
          bk(GetBkColor(hdc))
    {}
    bool operator==(const DcState& o) const
    {
        return pen == o.pen && brush == o.brush && font == o.font && bitmap == o.bitmap && bk == o.bk;
    }
};

class MenuXPPaint : public ::testing::Test
{
protected:
    Canvas canvas{200, 40};
    CDC dc;
    void SetUp() override { ASSERT_TRUE(dc.Attach(canvas.hdc())); }
    void TearDown() override { dc.Detach(); }
};

} // namespace

TEST_F(MenuXPPaint, FillRectColorFillsExactlyTheRectangle)
{
    const DcState before(canvas.hdc());
    CMenuXP::FillRectColor(&dc, CRect(5, 6, 25, 16), kSelectedBar);
    EXPECT_EQ(canvas.Count(CRect(5, 6, 25, 16), kSelectedBar), 200);
    EXPECT_EQ(canvas.Count(CRect(0, 0, 200, 40), kSelectedBar), 200);
    EXPECT_TRUE(DcState(canvas.hdc()) == before);
}

TEST_F(MenuXPPaint, DrawBackgroundFillsAndFramesByStyle)
{
    struct
    {
        int style;
        BOOL selected, disabled;
        COLORREF fill;
        bool frame;
    } const cases[] = {
        {MENU_STYLE_XP, FALSE, FALSE, kBackground, false},
        {MENU_STYLE_XP, TRUE, FALSE, kSelectedBar, true},
        {MENU_STYLE_XP, FALSE, TRUE, kBackground, false},
        {MENU_STYLE_XP, TRUE, TRUE, kBackground, false},
        {MENU_STYLE_BUTTON, FALSE, FALSE, kBackground, false},
        {MENU_STYLE_BUTTON, TRUE, FALSE, kSelectedBar, false},
        {MENU_STYLE_BUTTON, TRUE, TRUE, kSelectedBar, false},
        {5, TRUE, FALSE, kSelectedBar, false},
        {5, TRUE, TRUE, kSelectedBar, false},
        {5, FALSE, TRUE, kBackground, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "style " << c.style << " sel " << c.selected << " dis " << c.disabled);
        canvas.Fill(kCanvas);
        auto menu = MakeTestMenu(c.style);
        const DcState before(canvas.hdc());
        menu->DrawBackground(&dc, CRect(10, 5, 110, 25), c.selected, c.disabled);
        EXPECT_TRUE(DcState(canvas.hdc()) == before);
        EXPECT_EQ(canvas.At(50, 15), c.fill);
        const COLORREF edge = c.frame ? kBlack : c.fill;
        for (POINT p : {POINT{10, 5}, POINT{109, 24}, POINT{50, 5}, POINT{10, 15}, POINT{109, 15}})
            EXPECT_EQ(canvas.At(p.x, p.y), edge) << p.x << "," << p.y;
        if (c.frame) {
            EXPECT_EQ(canvas.At(11, 6), c.fill);
        }
        EXPECT_EQ(canvas.At(9, 5), kCanvas);
        EXPECT_EQ(canvas.At(110, 24), kCanvas);
    }
}

TEST_F(MenuXPPaint, DrawIconBarOnlyInXPAndNotUnderAnEnabledHighlight)
{
    struct
    {
        int style;
        BOOL selected, disabled, checked;
        bool painted;
    } const cases[] = {
        {MENU_STYLE_XP, FALSE, FALSE, FALSE, true},      {MENU_STYLE_XP, FALSE, FALSE, TRUE, true},
        {MENU_STYLE_XP, TRUE, FALSE, FALSE, false},      {MENU_STYLE_XP, TRUE, FALSE, TRUE, false},
        {MENU_STYLE_XP, TRUE, TRUE, FALSE, true},        {MENU_STYLE_XP, FALSE, TRUE, FALSE, true},
        {MENU_STYLE_BUTTON, FALSE, FALSE, FALSE, false}, {7, FALSE, FALSE, FALSE, false},
    };
    for (const auto& c : cases) {
        canvas.Fill(kCanvas);
        auto menu = MakeTestMenu(c.style);
        menu->DrawIconBar(&dc, CRect(0, 0, 20, 20), c.selected, c.disabled, c.checked);
        EXPECT_EQ(canvas.Count(CRect(0, 0, 200, 40), kIconBar), c.painted ? 400 : 0)
            << "style " << c.style << " sel " << c.selected << " dis " << c.disabled << " chk " << c.checked;
    }
}

TEST_F(MenuXPPaint, DrawButtonFillsAndEdgesTheBox)
{
    enum Edge { None, Sunken, Raised, Frame, Untouched };
    struct
    {
        int style;
        BOOL selected, disabled, checked;
        COLORREF fill;
        Edge edge;
    } const cases[] = {
        {MENU_STYLE_BUTTON, FALSE, FALSE, TRUE, kBtnHighlight, Sunken},
        {MENU_STYLE_BUTTON, TRUE, FALSE, FALSE, kBackground, Raised},
        {MENU_STYLE_BUTTON, TRUE, FALSE, TRUE, kBackground, Sunken},
        {MENU_STYLE_BUTTON, FALSE, FALSE, FALSE, kBackground, None},
        {MENU_STYLE_BUTTON, TRUE, TRUE, FALSE, kBackground, None},
        {MENU_STYLE_BUTTON, FALSE, TRUE, TRUE, kBtnHighlight, None},
        {MENU_STYLE_XP, FALSE, FALSE, TRUE, kSelectedBar, Frame},
        {MENU_STYLE_XP, TRUE, FALSE, TRUE, kCanvas, Untouched},
        {MENU_STYLE_XP, FALSE, TRUE, TRUE, kCanvas, Untouched},
        {MENU_STYLE_XP, TRUE, FALSE, FALSE, kCanvas, Untouched},
        {3, FALSE, FALSE, TRUE, kCanvas, Untouched},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << c.style << " sel " << c.selected << " dis "
                                        << c.disabled << " chk " << c.checked);
        canvas.Fill(kCanvas);
        auto menu = MakeTestMenu(c.style);
        const DcState before(canvas.hdc());
        menu->DrawButton(&dc, CRect(5, 5, 25, 25), c.selected, c.disabled, c.checked);
        EXPECT_TRUE(DcState(canvas.hdc()) == before);
        EXPECT_EQ(canvas.At(15, 15), c.fill);
        COLORREF topLeft = c.fill, bottomRight = c.fill;
        if (c.edge == Sunken) {
            topLeft = kBtnShadow;
            bottomRight = kBtnHighlight;
        } else if (c.edge == Raised) {
            topLeft = kBtnHighlight;
            bottomRight = kBtnShadow;
        } else if (c.edge == Frame) {
            topLeft = bottomRight = kBlack;
        }
        EXPECT_EQ(canvas.At(5, 15), topLeft);
        EXPECT_EQ(canvas.At(15, 5), topLeft);
        EXPECT_EQ(canvas.At(24, 15), bottomRight);
        EXPECT_EQ(canvas.At(15, 24), bottomRight);
        EXPECT_EQ(canvas.At(25, 15), kCanvas);
    }
}

TEST_F(MenuXPPaint, DrawItemIconPaintsPlainLiftedOrEmbossed)
{
    // The icon's opaque square is [4, 12) of its 16 x 16 cell, drawn at (20, 10).
    enum Look { Plain, Lifted, Embossed };
    struct
    {
        int style;
        BOOL selected, disabled, checked;
        Look look;
    } const cases[] = {
        {MENU_STYLE_XP, FALSE, FALSE, FALSE, Plain},
        {MENU_STYLE_XP, FALSE, FALSE, TRUE, Plain},
        {MENU_STYLE_XP, TRUE, FALSE, FALSE, Lifted},
        {MENU_STYLE_XP, TRUE, FALSE, TRUE, Plain},
        {MENU_STYLE_XP, TRUE, TRUE, FALSE, Embossed},
        {MENU_STYLE_XP, FALSE, TRUE, TRUE, Embossed},
        {MENU_STYLE_BUTTON, TRUE, FALSE, FALSE, Plain},
        {MENU_STYLE_BUTTON, FALSE, TRUE, FALSE, Embossed},
        {4, TRUE, FALSE, FALSE, Plain},
    };
    HICON hIcon = MakeTestIcon();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << c.style << " sel " << c.selected << " dis "
                                        << c.disabled << " chk " << c.checked);
        canvas.Fill(kCanvas);
        auto menu = MakeTestMenu(c.style);
        const DcState before(canvas.hdc());
        menu->DrawItemIcon(&dc, CRect(20, 10, 36, 26), hIcon, c.selected, c.disabled, c.checked);
        EXPECT_TRUE(DcState(canvas.hdc()) == before);
        const RECT all{0, 0, 200, 40};
        switch (c.look) {
        case Plain:
            EXPECT_EQ(canvas.Bounds(all, kIconColour), (RECT{24, 14, 32, 22}));
            EXPECT_EQ(canvas.CountOther(all, kCanvas), 64) << "nothing but the icon";
            break;
        case Lifted:
            EXPECT_EQ(canvas.Bounds(all, kIconColour), (RECT{23, 13, 31, 21}));
            // The shadow shows right of and below the lifted icon, two pixels deep.
            EXPECT_EQ(canvas.Bounds(all, kBtnShadow), (RECT{24, 14, 33, 23}));
            EXPECT_EQ(canvas.At(32, 22), kBtnShadow);
            EXPECT_EQ(canvas.At(31, 21), kBtnShadow);
            break;
        case Embossed:
            EXPECT_EQ(canvas.Count(all, kIconColour), 0);
            EXPECT_EQ(canvas.Bounds(all, kBtnShadow), (RECT{24, 14, 32, 22}));
            EXPECT_EQ(canvas.Count(all, kBtnShadow), 64);
            // The light copy shows one pixel down and right of the dark one.
            EXPECT_EQ(canvas.Bounds(all, kBtnHighlight), (RECT{25, 15, 33, 23}));
            EXPECT_EQ(canvas.Count(all, kBtnHighlight), 15);
            break;
        }
    }
    DestroyIcon(hIcon);
}

TEST_F(MenuXPPaint, DrawMonoIconIgnoresAndKeepsALeftoverTextColour)
{
    HICON hIcon = MakeTestIcon();
    for (BOOL shadow : {FALSE, TRUE}) {
        canvas.Fill(kCanvas);
        SetTextColor(canvas.hdc(), kWhite);
        SetBkColor(canvas.hdc(), RGB(1, 2, 3));
        const DcState before(canvas.hdc());
        CMenuXP::DrawMonoIcon(&dc, hIcon, shadow, CRect(20, 10, 36, 26));
        EXPECT_TRUE(DcState(canvas.hdc()) == before);
        EXPECT_EQ(GetTextColor(canvas.hdc()), kWhite);
        // Two copies of the 8 x 8 silhouette, one pixel apart, cover 79 pixels.
        EXPECT_EQ(canvas.Count(CRect(0, 0, 200, 40), kBtnShadow), shadow ? 79 : 64) << shadow;
        EXPECT_EQ(canvas.Count(CRect(0, 0, 200, 40), kCanvas), 200 * 40 - 79) << shadow;
    }
    DestroyIcon(hIcon);
}

TEST_F(MenuXPPaint, CheckMarkSitsCentredInItsBox)
{
    for (BOOL selected : {FALSE, TRUE}) {
        canvas.Fill(kWhite);
        auto menu = MakeTestMenu();
        const DcState before(canvas.hdc());
        menu->DrawCheck(&dc, CRect(4, 4, 20, 20), selected);
        EXPECT_TRUE(DcState(canvas.hdc()) == before);
        // Reference point (8, 8): three strokes (x, y+3+k) -> (x+2, y+5+k) -> (x+7, y+k),
        // the last pixel of each stroke left out.
        const RECT all{0, 0, 200, 40};
        EXPECT_EQ(canvas.Bounds(all, kBlack), (RECT{8, 9, 15, 16})) << selected;
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(canvas.At(8, 11 + k), kBlack);
            EXPECT_EQ(canvas.At(10, 13 + k), kBlack);
            EXPECT_EQ(canvas.At(14, 9 + k), kBlack);
        }
        EXPECT_EQ(canvas.At(15, 8), kWhite);
        EXPECT_EQ(canvas.CountOther(all, kWhite), canvas.Count(all, kBlack));
    }
}

TEST_F(MenuXPPaint, MenuTextSplitsAtTheFirstTab)
{
    struct
    {
        const wchar_t* text;
        bool left, right;
    } const cases[] = {
        {L"Open\tCtrl+O", true, true},
        {L"\tCtrl+O", false, false},
        {L"Open", true, false},
        {L"Open\tCtrl\t+O", true, true},
    };
    auto menu = MakeTestMenu();
    const DcState before(canvas.hdc());
    CSelectGuard font(dc, menu->m_fontMenu);
    SetBkMode(canvas.hdc(), TRANSPARENT);
    for (const auto& c : cases) {
        canvas.Fill(kCanvas);
        menu->DrawMenuText(&dc, CRect(0, 0, 200, 20), c.text, kText);
        EXPECT_EQ(GetTextColor(canvas.hdc()), kText);
        EXPECT_EQ(canvas.CountOther(CRect(0, 0, 60, 20), kCanvas) > 0, c.left) << c.text;
        EXPECT_EQ(canvas.CountOther(CRect(140, 0, 200, 20), kCanvas) > 0, c.right) << c.text;
        EXPECT_EQ(canvas.CountOther(CRect(70, 0, 130, 20), kCanvas), 0) << c.text;
        EXPECT_EQ(canvas.CountOther(CRect(0, 20, 200, 40), kCanvas), 0) << c.text;
        if (c.left || c.right) {
            EXPECT_GT(canvas.Count(CRect(0, 0, 200, 20), kText), 0) << c.text;
        }
        // The right part ends at the rectangle's right edge.
        if (c.right) {
            EXPECT_GE(canvas.Bounds(CRect(0, 0, 200, 20), kCanvas, true).right, 195) << c.text;
        }
    }
    font.Restore();
    EXPECT_TRUE(DcState(canvas.hdc()) == before);
}

TEST_F(MenuXPPaint, ItemTextColoursAndReliefByStateAndStyle)
{
    struct
    {
        int style;
        BOOL selected, disabled;
        COLORREF text;
        bool relief;
    } const cases[] = {
        {MENU_STYLE_XP, FALSE, FALSE, kText, false},
        {MENU_STYLE_XP, TRUE, FALSE, kSelectedText, false},
        {MENU_STYLE_XP, FALSE, TRUE, kDisabledText, true},
        {MENU_STYLE_XP, TRUE, TRUE, kDisabledText, true},
        {MENU_STYLE_BUTTON, FALSE, TRUE, kDisabledText, true},
        {MENU_STYLE_BUTTON, TRUE, TRUE, kDisabledText, false},
        {6, TRUE, TRUE, kDisabledText, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "style " << c.style << " sel " << c.selected << " dis " << c.disabled);
        canvas.Fill(kCanvas);
        auto menu = MakeTestMenu(c.style);
        SetBkMode(canvas.hdc(), OPAQUE);
        const DcState before(canvas.hdc());
        menu->DrawItemText(&dc, CRect(10, 0, 190, 20), L"Disable", c.selected, c.disabled, FALSE);
        EXPECT_TRUE(DcState(canvas.hdc()) == before);
        EXPECT_EQ(GetBkMode(canvas.hdc()), TRANSPARENT);
        const RECT all{0, 0, 200, 40};
        EXPECT_GT(canvas.Count(all, c.text), 0);
        const COLORREF others[] = {kText, kSelectedText, kDisabledText};
        for (COLORREF other : others) {
            if (other != c.text && !(c.relief && other == kSelectedText)) {
                EXPECT_EQ(canvas.Count(all, other), 0) << std::hex << other;
            }
        }
        if (c.text != kSelectedText) {
            EXPECT_EQ(canvas.Count(all, kSelectedText) > 0, c.relief);
        }
        if (c.relief) {
            // The relief copy lies one pixel right of and below the text.
            const RECT text = canvas.Bounds(all, kDisabledText);
            const RECT relief = canvas.Bounds(all, kSelectedText);
            EXPECT_EQ(relief.right, text.right + 1);
            EXPECT_EQ(relief.bottom, text.bottom + 1);
        }
    }
}

TEST_F(MenuXPPaint, BoldTextUsesATemporaryBoldFont)
{
    auto menu = MakeTestMenu();
    menu->m_fontMenu.DeleteObject();
    ASSERT_TRUE(menu->m_fontMenu.CreateFont(-24, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                                            L"Tahoma"));
    const RECT all{0, 0, 200, 40};
    menu->DrawItemText(&dc, CRect(0, 0, 200, 40), L"Overclock", FALSE, FALSE, FALSE);
    const int regularInk = canvas.Count(all, kText);
    canvas.Fill(kCanvas);
    const int objects = CountGdiObjects();
    menu->DrawItemText(&dc, CRect(0, 0, 200, 40), L"Overclock", FALSE, FALSE, TRUE);
    const int boldInk = canvas.Count(all, kText);
    EXPECT_EQ(CountGdiObjects(), objects);
    EXPECT_GT(boldInk, regularInk + regularInk / 5);
}

TEST_F(MenuXPPaint, GradientRowsRunFromTheStartColourAtTheBottomToBlackAtTheTop)
{
    struct
    {
        int height;
        COLORREF top;
        int blackRows;
    } const cases[] = {{150, RGB(1, 1, 1), 0}, {600, kBlack, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.height);
        Canvas tall(30, c.height);
        HBITMAP hbm = CMenuXP::CreateGradientBitmap(tall.hdc(), 0x00E1E1E1, 0, 7, c.height);
        ASSERT_NE(hbm, nullptr);
        BITMAP bm{};
        GetObjectW(hbm, sizeof(bm), &bm);
        EXPECT_EQ(bm.bmWidth, 7);
        EXPECT_EQ(bm.bmHeight, c.height);
        HDC mem = CreateCompatibleDC(tall.hdc());
        HGDIOBJ old = SelectObject(mem, hbm);
        BitBlt(tall.hdc(), 0, 0, 7, c.height, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
        DeleteObject(hbm);

        EXPECT_EQ(tall.At(3, c.height - 1), COLORREF(0x00E1E1E1));
        EXPECT_EQ(tall.At(3, 0), c.top);
        for (int y = 0; y < c.blackRows; ++y)
            EXPECT_EQ(tall.At(3, y), kBlack) << y;
        EXPECT_EQ(tall.At(3, c.blackRows), RGB(1, 1, 1));
        for (int y = 1; y < c.height; ++y) {
            EXPECT_LE(GetRValue(tall.At(3, y - 1)), GetRValue(tall.At(3, y))) << y;
            EXPECT_EQ(tall.At(0, y), tall.At(6, y)) << "a row is one colour";
            const COLORREF px = tall.At(3, y);
            EXPECT_TRUE(GetRValue(px) == GetGValue(px) && GetGValue(px) == GetBValue(px)) << y;
        }
        EXPECT_EQ(tall.At(7, 0), kCanvas);
    }
}

TEST(MenuXPGradient, ChannelsFollowTheirOwnRampsUpToTheLastEntry)
{
    // From (0, 100, 255) to (255, 0, 55). In 256 rows, row 128 from the bottom
    // uses entry 128: 0 + 128, 100 - 50, 255 - 100 (rounded to nearest). In
    // 600 rows the top three rows would ask for entry 256: they get entry 255,
    // the end colour.
    const COLORREF from = RGB(0, 100, 255);
    const COLORREF to = RGB(255, 0, 55);
    struct
    {
        int height;
        int row;
        COLORREF expected;
    } const cases[] = {
        {256, 0, from}, {256, 128, RGB(128, 50, 155)},
        {256, 255, to}, {600, 0, from},
        {600, 597, to}, {600, 598, to},
        {600, 599, to},
    };
    for (const auto& c : cases) {
        Canvas canvas(4, c.height);
        HBITMAP hbm = CMenuXP::CreateGradientBitmap(canvas.hdc(), from, to, 4, c.height);
        ASSERT_NE(hbm, nullptr);
        HDC mem = CreateCompatibleDC(canvas.hdc());
        HGDIOBJ old = SelectObject(mem, hbm);
        BitBlt(canvas.hdc(), 0, 0, 4, c.height, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
        DeleteObject(hbm);
        EXPECT_EQ(canvas.At(2, c.height - 1 - c.row), c.expected) << c.height << " row " << c.row;
    }
}

TEST(MenuXPGradient, ImpossibleSizesGiveNoBitmap)
{
    Canvas canvas(4, 4);
    const int before = CountGdiObjects();
    struct
    {
        int w, h;
    } const cases[] = {{0, 10}, {10, 0}, {-5, 10}, {10, -5}, {65536, 65536}, {0x7FFFFFFF, 3}};
    for (const auto& c : cases)
        EXPECT_EQ(CMenuXP::CreateGradientBitmap(canvas.hdc(), 0xE1E1E1, 0, c.w, c.h), nullptr)
            << c.w << "x" << c.h;
    EXPECT_EQ(CountGdiObjects(), before);
}

TEST(MenuXPSideBar, GradientWidenedByThreeAndAnUpwardWhiteCaption)
{
    for (int height : {150, 600}) {
        SCOPED_TRACE(height);
        Canvas canvas(40, height + 10);
        CDC dc;
        dc.Attach(canvas.hdc());
        auto menu = MakeTestMenu();
        const COLORREF textColour = RGB(9, 8, 7);
        SetTextColor(canvas.hdc(), textColour);
        const DcState before(canvas.hdc());
        const int objects = CountGdiObjects();
        menu->DrawSideBar(&dc, CRect(0, 0, 16, height), nullptr, L"Korvane");
        EXPECT_EQ(CountGdiObjects(), objects);
        EXPECT_TRUE(DcState(canvas.hdc()) == before);
        EXPECT_EQ(GetTextColor(canvas.hdc()), textColour);
        dc.Detach();

        EXPECT_EQ(canvas.At(18, height - 1), COLORREF(0x00E1E1E1));
        EXPECT_EQ(canvas.At(18, 0), height == 150 ? RGB(1, 1, 1) : kBlack);
        EXPECT_EQ(canvas.At(19, 0), kCanvas);
        EXPECT_EQ(canvas.At(19, height - 1), kCanvas);
        EXPECT_EQ(canvas.At(0, height), kCanvas);

        const RECT white = canvas.Bounds(CRect(0, 0, 40, height + 10), kWhite);
        ASSERT_GT(white.right, white.left) << "caption painted";
        EXPECT_GE(white.left, 2);
        EXPECT_LE(white.right, 19);
        EXPECT_LE(white.bottom, height - 2);
        EXPECT_GT(white.top, height - 4 - 80) << "a short caption starts near the bottom";
        EXPECT_GT(white.bottom - white.top, 2 * (white.right - white.left)) << "runs upwards";
    }
}
