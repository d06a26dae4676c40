// A thousand build, measure, paint and delete cycles leave no GDI object and
// no menu behind.
#include <gtest/gtest.h>

#include "MenuTestSupport.h"

using namespace menutest;

namespace {

void BuildPaintAndDelete(Canvas& canvas)
{
    auto* menu = MakeTestMenu(MENU_STYLE_XP).release();
    menu->Attach(CreatePopupMenu());
    menu->AddSideBar(new CMenuXPSideBar);
    menu->AppendODMenu(new CMenuXPText(300, L"Enable", MakeTestIcon()));
    menu->AppendODMenu(new CMenuXPText(301, L"Disable\tCtrl+D", nullptr));
    menu->AppendSeparator();
    menu->AppendODMenu(new CMenuXPText(302, L"About", MakeTestIcon()));
    menu->AppendSeparator();
    menu->AppendODMenu(new CMenuXPText(303, L"Exit", MakeTestIcon()));

    static const UINT states[] = {0,
                                  ODS_SELECTED,
                                  ODS_GRAYED,
                                  ODS_SELECTED | ODS_GRAYED,
                                  ODS_CHECKED,
                                  ODS_DEFAULT,
                                  ODS_CHECKED | ODS_SELECTED};
    int top = 0;
    for (int i = 0; i < menu->GetMenuItemCount(); ++i) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_DATA;
        GetMenuItemInfoW(menu->GetSafeHmenu(), UINT(i), TRUE, &mii);
        const auto* item = reinterpret_cast<const CMenuXPItem*>(mii.dwItemData);
        MEASUREITEMSTRUCT mis = MeasureRequest(item);
        menu->MeasureItem(&mis);
        const UINT state = states[i % 7];
        DRAWITEMSTRUCT dis =
            DrawRequest(canvas.hdc(), RECT{19, top, 150, top + int(mis.itemHeight)}, item, state);
        menu->DrawItem(&dis);
        top += int(mis.itemHeight);
    }
    for (int style : {MENU_STYLE_BUTTON, 9}) {
        menu->m_nStyle = style;
        CMenuXPText item(0, L"Styled", nullptr);
        DRAWITEMSTRUCT dis = DrawRequest(canvas.hdc(), RECT{19, 0, 150, 20}, &item, ODS_CHECKED);
        menu->DrawItem(&dis);
    }
    delete menu;
}

} // namespace

TEST(MenuXPResources, ThousandCyclesLeaveNoGdiObjectOrMenuBehind)
{
    Canvas canvas(160, 140);
    BuildPaintAndDelete(canvas); // warm-up: fonts and caches the system keeps
    const int gdiBefore = CountGdiObjects();
    const int menusBefore = CountMenus();
    for (int i = 0; i < 1000; ++i)
        BuildPaintAndDelete(canvas);
    EXPECT_EQ(CountGdiObjects(), gdiBefore);
    EXPECT_EQ(CountMenus(), menusBefore);
    EXPECT_NE(canvas.CountOther(RECT{0, 0, 160, 140}, kCanvas), 0) << "the cycles painted";
}
