// CMenuXP as a container: entry flags, one-shot breaks and the release of
// every item, icon and menu it owns.
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "MenuTestSupport.h"

using namespace menutest;

namespace {

int g_destroyedItems = 0;

class CountedText : public CMenuXPText
{
public:
    CountedText(UINT nID, const wchar_t* text, HICON hIcon = nullptr) : CMenuXPText(nID, text, hIcon) {}
    ~CountedText() override { ++g_destroyedItems; }
};

class CountedSideBar : public CMenuXPSideBar
{
public:
    ~CountedSideBar() override { ++g_destroyedItems; }
};

struct Entry
{
    UINT fType;
    UINT wID;
    ULONG_PTR data;
};

std::vector<Entry> Entries(HMENU hMenu)
{
    std::vector<Entry> entries;
    for (int i = 0; i < GetMenuItemCount(hMenu); ++i) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA;
        EXPECT_TRUE(GetMenuItemInfoW(hMenu, UINT(i), TRUE, &mii));
        entries.push_back({mii.fType, mii.wID, mii.dwItemData});
    }
    return entries;
}

bool IconAlive(HICON hIcon)
{
    ICONINFO ii{};
    if (!GetIconInfo(hIcon, &ii))
        return false;
    DeleteObject(ii.hbmMask);
    DeleteObject(ii.hbmColor);
    return true;
}

class MenuXPContainer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_destroyedItems = 0;
        menu = MakeTestMenu().release();
        ASSERT_TRUE(menu->Attach(CreatePopupMenu()));
    }
    void TearDown() override { delete menu; }
    CMenuXP* menu = nullptr;
};

} // namespace

TEST(MenuXPConstruction, StartsFromTheSystemMenuFontAndColours)
{
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0));
    CMenuXP menu;
    EXPECT_EQ(menu.GetSafeHmenu(), nullptr);
    LOGFONTW lf{};
    ASSERT_TRUE(menu.m_fontMenu.GetLogFont(&lf));
    EXPECT_EQ(lf.lfHeight, ncm.lfMenuFont.lfHeight);
    EXPECT_EQ(lf.lfWeight, ncm.lfMenuFont.lfWeight);
    EXPECT_STREQ(lf.lfFaceName, ncm.lfMenuFont.lfFaceName);

    EXPECT_EQ(menu.m_clrBackground, GetSysColor(COLOR_MENU));
    EXPECT_EQ(menu.m_clrSelectedBar, GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(menu.m_clrText, GetSysColor(COLOR_MENUTEXT));
    EXPECT_EQ(menu.m_clrSelectedText, GetSysColor(COLOR_HIGHLIGHTTEXT));
    EXPECT_EQ(menu.m_clrDisabledText, GetSysColor(COLOR_GRAYTEXT));
    EXPECT_EQ(menu.m_clrIconBar, menu.m_clrBackground);
    EXPECT_EQ(menu.m_clrSideBarStart, COLORREF(0x00E1E1E1));
    EXPECT_EQ(menu.m_clrSideBarEnd, COLORREF(0));
    EXPECT_FALSE(menu.m_bBreak);
    EXPECT_FALSE(menu.m_bBreakBar);
    EXPECT_EQ(menu.m_nStyle, MENU_STYLE_XP);
    EXPECT_EQ(MENU_STYLE_XP, 2);
    EXPECT_EQ(MENU_STYLE_BUTTON, 0);
}

TEST(MenuXPItems, ConstructorsSetKindTextAndSize)
{
    CMenuXPSideBar bar;
    CMenuXPSeparator separator;
    CMenuXPText text(302, L"About", nullptr);
    struct
    {
        const CMenuXPItem& item;
        UINT id;
        bool sideBar;
        bool separator;
        const wchar_t* text;
    } const cases[] = {
        {bar, 0, true, false, L"Korvane"},
        {separator, 0, false, true, L""},
        {text, 302, false, false, L"About"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.item.m_dwMagic, 0x0505A0A0u);
        EXPECT_EQ(c.item.m_nID, c.id);
        EXPECT_EQ(c.item.m_bSideBar, c.sideBar);
        EXPECT_EQ(c.item.m_bSeparator, c.separator);
        EXPECT_EQ(c.item.m_strText, c.text);
        EXPECT_EQ(c.item.m_hIcon, nullptr);
        EXPECT_EQ(c.item.m_nSize, 16);
    }
}

TEST(MenuXPItems, TextItemOwnsItsIconOnly)
{
    HICON owned = MakeTestIcon();
    HICON other = MakeTestIcon();
    delete static_cast<CMenuXPItem*>(new CMenuXPText(300, L"Enable", owned));
    delete static_cast<CMenuXPItem*>(new CMenuXPText(301, L"Disable", nullptr));
    EXPECT_FALSE(IconAlive(owned));
    EXPECT_TRUE(IconAlive(other));
    DestroyIcon(other);
}

TEST_F(MenuXPContainer, SideBarOpensASecondColumnForTheNextTextEntryOnly)
{
    auto* bar = new CMenuXPSideBar;
    auto* enable = new CMenuXPText(300, L"Enable", nullptr);
    auto* disable = new CMenuXPText(301, L"Disable", nullptr);
    ASSERT_TRUE(menu->AddSideBar(bar));
    EXPECT_TRUE(menu->m_bBreak);
    ASSERT_TRUE(menu->AppendODMenu(enable));
    EXPECT_FALSE(menu->m_bBreak);
    ASSERT_TRUE(menu->AppendODMenu(disable));

    const auto entries = Entries(menu->GetSafeHmenu());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].fType, UINT(MFT_OWNERDRAW | MFT_SEPARATOR));
    EXPECT_EQ(entries[0].data, reinterpret_cast<ULONG_PTR>(bar));
    EXPECT_EQ(entries[1].fType, UINT(MFT_OWNERDRAW | MFT_MENUBREAK)); // flags 0x140
    EXPECT_EQ(entries[1].wID, 300u);
    EXPECT_EQ(entries[1].data, reinterpret_cast<ULONG_PTR>(enable));
    EXPECT_EQ(entries[2].fType, UINT(MFT_OWNERDRAW)); // flags 0x100
    EXPECT_EQ(entries[2].wID, 301u);
}

TEST_F(MenuXPContainer, ArmedBarBreakAddsTheDividingLineOnce)
{
    menu->m_bBreakBar = TRUE;
    ASSERT_TRUE(menu->AppendODMenu(new CMenuXPText(300, L"A", nullptr)));
    EXPECT_FALSE(menu->m_bBreakBar);
    ASSERT_TRUE(menu->AppendODMenu(new CMenuXPText(301, L"B", nullptr)));
    const auto entries = Entries(menu->GetSafeHmenu());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].fType, UINT(MFT_OWNERDRAW | MFT_MENUBARBREAK));
    EXPECT_EQ(entries[1].fType, UINT(MFT_OWNERDRAW));
}

TEST_F(MenuXPContainer, SeparatorDropsAnArmedBreak)
{
    ASSERT_TRUE(menu->AddSideBar(new CMenuXPSideBar));
    menu->m_bBreakBar = TRUE;
    ASSERT_TRUE(menu->AppendSeparator());
    EXPECT_FALSE(menu->m_bBreak);
    EXPECT_FALSE(menu->m_bBreakBar);
    ASSERT_TRUE(menu->AppendODMenu(new CMenuXPText(302, L"About", nullptr)));

    const auto entries = Entries(menu->GetSafeHmenu());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].fType, UINT(MFT_OWNERDRAW | MFT_SEPARATOR));
    EXPECT_EQ(entries[1].wID, 0u);
    const auto* separator = MenuXPItemFromData(entries[1].data);
    ASSERT_NE(separator, nullptr);
    EXPECT_TRUE(separator->m_bSeparator);
    EXPECT_EQ(entries[2].fType, UINT(MFT_OWNERDRAW));
}

TEST_F(MenuXPContainer, NullItemIsRefusedAndAppendsNothing)
{
    EXPECT_FALSE(menu->AppendODMenu(nullptr));
    EXPECT_FALSE(menu->AddSideBar(nullptr));
    EXPECT_EQ(menu->GetMenuItemCount(), 0);
}

TEST(MenuXPOwnership, ItemThatCannotBeAppendedIsDeletedAtOnce)
{
    g_destroyedItems = 0;
    CMenuXP menu; // no menu attached: every append fails
    EXPECT_FALSE(menu.AppendODMenu(new CountedText(300, L"Enable")));
    EXPECT_FALSE(menu.AddSideBar(new CountedSideBar));
    EXPECT_FALSE(menu.AppendSeparator());
    EXPECT_EQ(g_destroyedItems, 2);
}

TEST(MenuXPOwnership, DeletingTheMenuReleasesEveryItemAndIconOnce)
{
    g_destroyedItems = 0;
    HICON icons[] = {MakeTestIcon(), MakeTestIcon(), MakeTestIcon()};
    auto* menu = MakeTestMenu().release();
    ASSERT_TRUE(menu->Attach(CreatePopupMenu()));
    HMENU hMenu = menu->GetSafeHmenu();
    menu->AddSideBar(new CountedSideBar);
    menu->AppendODMenu(new CountedText(300, L"Enable", icons[0]));
    menu->AppendODMenu(new CountedText(301, L"Disable"));
    menu->AppendSeparator();
    menu->AppendODMenu(new CountedText(302, L"About", icons[1]));
    menu->AppendSeparator();
    menu->AppendODMenu(new CountedText(303, L"Exit", icons[2]));
    ASSERT_EQ(menu->GetMenuItemCount(), 7);
    for (HICON h : icons)
        ASSERT_TRUE(IconAlive(h));

    delete menu;
    EXPECT_EQ(g_destroyedItems, 5);
    for (HICON h : icons)
        EXPECT_FALSE(IconAlive(h));
    EXPECT_FALSE(IsMenu(hMenu));
    EXPECT_EQ(CMenu::FromHandle(hMenu), nullptr);
}

TEST(MenuXPOwnership, EmptyMenuDeletesNoItemAndDestroysTheMenu)
{
    g_destroyedItems = 0;
    auto* menu = new CMenuXP;
    ASSERT_TRUE(menu->Attach(CreatePopupMenu()));
    HMENU hMenu = menu->GetSafeHmenu();
    delete menu;
    EXPECT_EQ(g_destroyedItems, 0);
    EXPECT_FALSE(IsMenu(hMenu));
}

TEST(MenuXPOwnership, ItemDataWithoutTheSignatureIsLeftAlone)
{
    struct Impostor
    {
        virtual ~Impostor() { ++g_destroyedItems; }
        DWORD m_dwMagic = 0x0505A0A1;
    };
    g_destroyedItems = 0;
    auto impostor = std::make_unique<Impostor>();
    auto* menu = new CMenuXP;
    ASSERT_TRUE(menu->Attach(CreatePopupMenu()));
    HMENU hMenu = menu->GetSafeHmenu();
    AppendMenuW(hMenu, MF_OWNERDRAW, 1, reinterpret_cast<LPCWSTR>(impostor.get()));
    AppendMenuW(hMenu, MF_OWNERDRAW, 2, reinterpret_cast<LPCWSTR>(ULONG_PTR(1)));
    AppendMenuW(hMenu, MF_OWNERDRAW, 3, reinterpret_cast<LPCWSTR>(ULONG_PTR(0x7FFE0003)));
    // A real item behind a plain string entry is not the menu's either.
    auto* notOwnerDrawn = new CountedText(4, L"x");
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_STRING | MIIM_ID | MIIM_DATA;
    mii.wID = 4;
    mii.dwTypeData = const_cast<wchar_t*>(L"plain");
    mii.dwItemData = reinterpret_cast<ULONG_PTR>(notOwnerDrawn);
    InsertMenuItemW(hMenu, 3, TRUE, &mii);
    ASSERT_EQ(menu->GetMenuItemCount(), 4);

    delete menu;
    EXPECT_EQ(g_destroyedItems, 0);
    EXPECT_EQ(impostor->m_dwMagic, 0x0505A0A1u);
    EXPECT_FALSE(IsMenu(hMenu));
    delete notOwnerDrawn;
}

TEST(MenuXPOwnership, MenuXPSubmenusGoWithTheirParentPlainMenusDoNot)
{
    g_destroyedItems = 0;
    auto* parent = new CMenuXP;
    ASSERT_TRUE(parent->Attach(CreatePopupMenu()));
    auto* child = new CMenuXP;
    ASSERT_TRUE(child->Attach(CreatePopupMenu()));
    child->AppendODMenu(new CountedText(310, L"Inner"));
    child->AppendODMenu(new CountedText(311, L"Inner 2"));
    HMENU hChild = child->GetSafeHmenu();
    auto plain = std::make_unique<CMenu>();
    ASSERT_TRUE(plain->CreatePopupMenu());
    HMENU hPlain = plain->GetSafeHmenu();

    parent->AppendODMenu(new CountedText(300, L"Outer"));
    AppendMenuW(parent->GetSafeHmenu(), MF_POPUP, reinterpret_cast<UINT_PTR>(hChild), L"XP");
    AppendMenuW(parent->GetSafeHmenu(), MF_POPUP, reinterpret_cast<UINT_PTR>(hPlain), L"Plain");

    delete parent;
    EXPECT_EQ(g_destroyedItems, 3);
    EXPECT_EQ(CMenu::FromHandle(hChild), nullptr) << "the CMenuXP submenu object was deleted";
    EXPECT_EQ(CMenu::FromHandle(hPlain), plain.get()) << "a plain CMenu submenu is not the menu's";
    plain->Detach(); // its handle went with the parent menu
}
