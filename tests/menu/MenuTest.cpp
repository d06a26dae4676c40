// The framework's menu object: ownership of the handle and the lookup that
// routes owner-drawn requests.
#include <gtest/gtest.h>
#include <stdexcept>

#include "Menu.h"
#include "MenuXP.h"

namespace {

class RecordingMenu : public CMenu
{
public:
    int measured = 0;
    int drawn = 0;
    void MeasureItem(LPMEASUREITEMSTRUCT) override { ++measured; }
    void DrawItem(LPDRAWITEMSTRUCT) override { ++drawn; }
};

DRAWITEMSTRUCT MenuDrawRequest(HMENU hMenu)
{
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_MENU;
    dis.hwndItem = reinterpret_cast<HWND>(hMenu);
    return dis;
}

} // namespace

TEST(Menu, DestroysTheAttachedMenuWhenItEnds)
{
    HMENU h = CreatePopupMenu();
    {
        CMenu menu;
        ASSERT_TRUE(menu.Attach(h));
        EXPECT_EQ(menu.GetSafeHmenu(), h);
        EXPECT_EQ(CMenu::FromHandle(h), &menu);
    }
    EXPECT_FALSE(IsMenu(h));
    EXPECT_EQ(CMenu::FromHandle(h), nullptr);
}

TEST(Menu, DetachedMenuSurvivesAndIsNoLongerFound)
{
    HMENU h = nullptr;
    {
        CMenu menu;
        ASSERT_TRUE(menu.CreatePopupMenu());
        h = menu.GetSafeHmenu();
        EXPECT_EQ(CMenu::FromHandle(h), &menu);
        EXPECT_EQ(menu.Detach(), h);
        EXPECT_EQ(CMenu::FromHandle(h), nullptr);
    }
    EXPECT_TRUE(IsMenu(h));
    DestroyMenu(h);
}

TEST(Menu, OneHandleHasOneOwner)
{
    CMenu a;
    CMenu b;
    ASSERT_TRUE(a.CreatePopupMenu());
    EXPECT_FALSE(b.Attach(a.GetSafeHmenu()));
    EXPECT_FALSE(a.CreatePopupMenu()) << "already holds a menu";
    EXPECT_FALSE(b.Attach(nullptr));
    EXPECT_EQ(CMenu::FromHandle(a.GetSafeHmenu()), &a);
    EXPECT_EQ(CMenu::FromHandle(nullptr), nullptr);
}

TEST(Menu, UnattachedHandleHasNoObject)
{
    HMENU h = CreatePopupMenu();
    EXPECT_EQ(CMenu::FromHandle(h), nullptr);
    DestroyMenu(h);
}

TEST(Menu, AppendsEnablesAndCounts)
{
    CMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    EXPECT_EQ(menu.GetMenuItemCount(), 0);
    ASSERT_TRUE(menu.AppendMenu(MF_STRING, 300, L"Enable"));
    ASSERT_TRUE(menu.AppendMenu(MF_STRING, 301, L"Disable"));
    EXPECT_EQ(menu.GetMenuItemCount(), 2);
    EXPECT_EQ(menu.EnableMenuItem(301, MF_GRAYED | MF_DISABLED), UINT(MF_ENABLED));
    EXPECT_EQ(GetMenuState(menu.GetSafeHmenu(), 301, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED),
              UINT(MF_GRAYED | MF_DISABLED));
    EXPECT_EQ(menu.EnableMenuItem(999, MF_GRAYED), UINT(-1));
}

TEST(Menu, RuntimeClassTellsAMenuXPFromAPlainMenu)
{
    CMenu plain;
    CMenuXP xp;
    EXPECT_TRUE(xp.IsKindOf(RUNTIME_CLASS(CMenuXP)));
    EXPECT_TRUE(xp.IsKindOf(RUNTIME_CLASS(CMenu)));
    EXPECT_TRUE(xp.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(plain.IsKindOf(RUNTIME_CLASS(CMenuXP)));
    EXPECT_STREQ(xp.GetRuntimeClass()->m_lpszClassName, "CMenuXP");
    EXPECT_EQ(xp.GetRuntimeClass()->m_pBaseClass, RUNTIME_CLASS(CMenu));
}

TEST(MenuRouting, DrawRequestReachesTheObjectHoldingTheMenu)
{
    RecordingMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    DRAWITEMSTRUCT dis = MenuDrawRequest(menu.GetSafeHmenu());
    EXPECT_TRUE(CMenu::RouteDrawItem(&dis));
    EXPECT_EQ(menu.drawn, 1);

    dis.CtlType = ODT_BUTTON;
    EXPECT_FALSE(CMenu::RouteDrawItem(&dis));
    EXPECT_EQ(menu.drawn, 1);
    EXPECT_FALSE(CMenu::RouteDrawItem(nullptr));

    HMENU stray = CreatePopupMenu();
    DRAWITEMSTRUCT strayRequest = MenuDrawRequest(stray);
    EXPECT_FALSE(CMenu::RouteDrawItem(&strayRequest));
    DestroyMenu(stray);
    EXPECT_EQ(menu.drawn, 1);
}

TEST(MenuRouting, MeasureRequestOutsideTrackingIsNotHandled)
{
    RecordingMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    MEASUREITEMSTRUCT mis{};
    mis.CtlType = ODT_MENU;
    HWND hwnd = GetDesktopWindow();
    EXPECT_FALSE(CMenu::RouteMeasureItem(hwnd, &mis));
    EXPECT_FALSE(CMenu::RouteMeasureItem(hwnd, nullptr));
    EXPECT_EQ(menu.measured, 0);
}

TEST(MenuRouting, NoExceptionLeavesTheRouting)
{
    struct ThrowingMenu : CMenu
    {
        void DrawItem(LPDRAWITEMSTRUCT) override { throw std::runtime_error("paint failed"); }
    } menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    DRAWITEMSTRUCT dis = MenuDrawRequest(menu.GetSafeHmenu());
    bool handled = false;
    EXPECT_NO_THROW(handled = CMenu::RouteDrawItem(&dis));
    EXPECT_TRUE(handled);
}
