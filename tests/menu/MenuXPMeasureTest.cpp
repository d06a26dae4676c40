// Entry sizes: side bar, separator and bold-measured text entries.
#include <gtest/gtest.h>

#include "MenuTestSupport.h"

using namespace menutest;

namespace {

const UINT kCheckWidthCorrection = UINT(1 - GetSystemMetrics(SM_CXMENUCHECK));

} // namespace

TEST(MenuXPMeasure, SideBarIsItsSizeWideAndNoHigh)
{
    auto menu = MakeTestMenu();
    for (int size : {16, 30}) {
        CMenuXPSideBar bar;
        bar.m_nSize = size;
        MEASUREITEMSTRUCT mis = MeasureRequest(&bar);
        mis.itemWidth = 999;
        mis.itemHeight = 999;
        menu->MeasureItem(&mis);
        EXPECT_EQ(mis.itemWidth, UINT(size) + kCheckWidthCorrection) << size;
        EXPECT_EQ(mis.itemHeight, 0u) << size;
    }
}

TEST(MenuXPMeasure, SeparatorIsHalfACheckMarkHighWithANegativeWidth)
{
    auto menu = MakeTestMenu();
    CMenuXPSeparator separator;
    MEASUREITEMSTRUCT mis = MeasureRequest(&separator);
    mis.itemWidth = 999;
    menu->MeasureItem(&mis);
    EXPECT_EQ(mis.itemHeight, UINT(GetSystemMetrics(SM_CYMENUCHECK) / 2));
    EXPECT_EQ(mis.itemWidth, kCheckWidthCorrection);
    EXPECT_LT(int(mis.itemWidth), 0) << "the system adds the check-mark width back";
}

TEST(MenuXPMeasure, LowTextGetsTheMinimumHeightOfSizePlusFour)
{
    auto menu = MakeTestMenu();
    struct
    {
        int size;
        UINT height;
    } const cases[] = {{16, 20}, {30, 34}};
    for (const auto& c : cases) {
        CMenuXPText item(303, L"Exit", nullptr);
        item.m_nSize = c.size;
        ASSERT_LT(MeasureText(menu->m_fontMenu, FW_BOLD, item.m_strText).cy, int(c.height));
        MEASUREITEMSTRUCT mis = MeasureRequest(&item);
        menu->MeasureItem(&mis);
        EXPECT_EQ(mis.itemHeight, c.height) << c.size;
    }
}

TEST(MenuXPMeasure, WidthComesFromTheBoldTextTabPartIncluded)
{
    auto menu = MakeTestMenu();
    const wchar_t* const texts[] = {L"Exit", L"Open\tCtrl+O", L"&About", L"Enable"};
    for (const wchar_t* text : texts) {
        CMenuXPText item(300, text, nullptr);
        MEASUREITEMSTRUCT mis = MeasureRequest(&item);
        menu->MeasureItem(&mis);
        const SIZE bold = MeasureText(menu->m_fontMenu, FW_BOLD, text);
        EXPECT_EQ(mis.itemWidth, UINT(bold.cx + 2 * 16 + 12) + kCheckWidthCorrection) << text;
    }

    CMenuXPText withShortcut(300, L"Open\tCtrl+O", nullptr);
    CMenuXPText labelOnly(300, L"Open", nullptr);
    MEASUREITEMSTRUCT a = MeasureRequest(&withShortcut);
    MEASUREITEMSTRUCT b = MeasureRequest(&labelOnly);
    menu->MeasureItem(&a);
    menu->MeasureItem(&b);
    EXPECT_GT(int(a.itemWidth), int(b.itemWidth) + MeasureText(menu->m_fontMenu, FW_BOLD, L"Ctrl+O").cx / 2);
}

TEST(MenuXPMeasure, BoldWidthCountsEvenForARegularEntry)
{
    auto menu = MakeTestMenu();
    menu->m_fontMenu.DeleteObject();
    ASSERT_TRUE(menu->m_fontMenu.CreateFont(-24, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                                            L"Tahoma"));
    const wchar_t text[] = L"Overclock VGA\tCtrl+Shift+W";
    const SIZE regular = MeasureText(menu->m_fontMenu, FW_NORMAL, text);
    const SIZE bold = MeasureText(menu->m_fontMenu, FW_BOLD, text);
    ASSERT_GT(bold.cx, regular.cx) << "this font must have a wider bold face";

    CMenuXPText item(300, text, nullptr);
    MEASUREITEMSTRUCT mis = MeasureRequest(&item);
    menu->MeasureItem(&mis);
    EXPECT_EQ(mis.itemWidth, UINT(bold.cx + 44) + kCheckWidthCorrection);
}

TEST(MenuXPMeasure, TallFontSetsTheHeight)
{
    auto menu = MakeTestMenu();
    menu->m_fontMenu.DeleteObject();
    ASSERT_TRUE(menu->m_fontMenu.CreateFont(-40, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                                            L"Tahoma"));
    CMenuXPText item(303, L"Exit", nullptr);
    MEASUREITEMSTRUCT mis = MeasureRequest(&item);
    menu->MeasureItem(&mis);
    const SIZE bold = MeasureText(menu->m_fontMenu, FW_BOLD, L"Exit");
    ASSERT_GT(bold.cy, 20);
    EXPECT_EQ(mis.itemHeight, UINT(bold.cy));
}

TEST(MenuXPMeasure, RequestsItCannotAnswerAreLeftUnchanged)
{
    auto menu = MakeTestMenu();
    CMenuXPText item(300, L"Enable", nullptr);
    struct Impostor
    {
        virtual ~Impostor() = default;
        DWORD m_dwMagic = 0x0505A0A1;
    } impostor;
    struct
    {
        const char* name;
        UINT ctlType;
        ULONG_PTR data;
    } const cases[] = {
        {"button", ODT_BUTTON, reinterpret_cast<ULONG_PTR>(&item)},
        {"list box", ODT_LISTBOX, reinterpret_cast<ULONG_PTR>(&item)},
        {"no item data", ODT_MENU, 0},
        {"no signature", ODT_MENU, reinterpret_cast<ULONG_PTR>(&impostor)},
        {"small integer", ODT_MENU, 1},
        {"unmapped address", ODT_MENU, 0x00001000},
    };
    for (const auto& c : cases) {
        MEASUREITEMSTRUCT mis{};
        mis.CtlType = c.ctlType;
        mis.itemData = c.data;
        mis.itemWidth = 1234;
        mis.itemHeight = 5678;
        menu->MeasureItem(&mis);
        EXPECT_EQ(mis.itemWidth, 1234u) << c.name;
        EXPECT_EQ(mis.itemHeight, 5678u) << c.name;
    }
    menu->MeasureItem(nullptr);
}
