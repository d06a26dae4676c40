// A real popup menu tracked for a hidden window: the system's measure and draw
// requests reach the CMenuXP through the framework's routing, and the open
// menu can be captured from the screen.
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <set>

#include "MenuTestSupport.h"

using namespace menutest;

namespace {

class RecordingMenuXP : public CMenuXP
{
public:
    std::set<ULONG_PTR> measured;
    std::set<ULONG_PTR> drawn;
    void MeasureItem(LPMEASUREITEMSTRUCT mis) override
    {
        measured.insert(mis->itemData);
        CMenuXP::MeasureItem(mis);
    }
    void DrawItem(LPDRAWITEMSTRUCT dis) override
    {
        drawn.insert(dis->itemData);
        CMenuXP::DrawItem(dis);
    }
};

// What the test window saw while the menu was open.
struct Session
{
    int enterIdle = 0;
    bool routedForeignOwner = false;
    bool captured = false;
    RECT menuRect{};
    Canvas* shot = nullptr;
};
Session* g_session = nullptr;

constexpr UINT_PTR kSafetyTimer = 1;
constexpr UINT kSafetyTimeoutMs = 5000;

void CaptureMenuWindow(HWND hwndMenu)
{
    if (!hwndMenu || g_session->captured)
        return;
    RECT rc{};
    GetWindowRect(hwndMenu, &rc);
    g_session->menuRect = rc;
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0 || w > 1000 || h > 1000)
        return;
    g_session->shot = new Canvas(w, h);
    HDC hdc = GetWindowDC(hwndMenu);
    BitBlt(g_session->shot->hdc(), 0, 0, w, h, hdc, 0, 0, SRCCOPY);
    ReleaseDC(hwndMenu, hdc);
    g_session->captured = true;
}

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_MEASUREITEM:
        if (CMenu::RouteMeasureItem(hwnd, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)))
            return TRUE;
        break;
    case WM_DRAWITEM:
        if (CMenu::RouteDrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam)))
            return TRUE;
        break;
    case WM_ENTERIDLE:
        if (g_session && wParam == MSGF_MENU) {
            ++g_session->enterIdle;
            MEASUREITEMSTRUCT probe{};
            probe.CtlType = ODT_MENU;
            g_session->routedForeignOwner |= CMenu::RouteMeasureItem(GetDesktopWindow(), &probe);
            CaptureMenuWindow(reinterpret_cast<HWND>(lParam));
            PostMessageW(hwnd, WM_CANCELMODE, 0, 0);
        }
        return 0;
    case WM_TIMER:
        if (wParam == kSafetyTimer) {
            KillTimer(hwnd, kSafetyTimer);
            EndMenu();
            return 0;
        }
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND CreateOwnerWindow()
{
    static const wchar_t kClass[] = L"KorvaneMenuTestOwner";
    WNDCLASSW wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    RegisterClassW(&wc);
    return CreateWindowExW(0, kClass, L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                           nullptr);
}

} // namespace

TEST(MenuXPTracking, SystemRequestsReachTheMenuThroughTheFramework)
{
    HWND hwnd = CreateOwnerWindow();
    ASSERT_NE(hwnd, nullptr);
    Session session;
    g_session = &session;

    auto* menu = new RecordingMenuXP;
    ASSERT_TRUE(menu->Attach(CreatePopupMenu()));
    menu->m_clrBackground = kBackground;
    menu->m_clrIconBar = kIconBar;
    menu->m_clrText = kText;
    menu->m_clrSelectedBar = 0x00DCA078;
    auto* bar = new CMenuXPSideBar;
    auto* enable = new CMenuXPText(300, L"Enable", MakeTestIcon());
    auto* disable = new CMenuXPText(301, L"Disable", nullptr);
    auto* about = new CMenuXPText(302, L"About", MakeTestIcon());
    auto* exitItem = new CMenuXPText(303, L"Exit", MakeTestIcon());
    menu->AddSideBar(bar);
    menu->AppendODMenu(enable);
    menu->AppendODMenu(disable);
    menu->AppendSeparator();
    menu->AppendODMenu(about);
    menu->AppendSeparator();
    menu->AppendODMenu(exitItem);
    menu->EnableMenuItem(301, MF_GRAYED | MF_DISABLED);

    SetTimer(hwnd, kSafetyTimer, kSafetyTimeoutMs, nullptr);
    const DWORD started = GetTickCount();
    menu->TrackPopupMenu(0, 100, 100, hwnd);
    KillTimer(hwnd, kSafetyTimer);
    EXPECT_LT(GetTickCount() - started, kSafetyTimeoutMs) << "ended by WM_CANCELMODE";

    EXPECT_GE(session.enterIdle, 1);
    EXPECT_FALSE(session.routedForeignOwner);
    for (const CMenuXPItem* item : {static_cast<CMenuXPItem*>(bar), static_cast<CMenuXPItem*>(enable),
                                    static_cast<CMenuXPItem*>(disable), static_cast<CMenuXPItem*>(about),
                                    static_cast<CMenuXPItem*>(exitItem)})
        EXPECT_EQ(menu->measured.count(reinterpret_cast<ULONG_PTR>(item)), 1u) << item->m_nID;
    // The side bar is measured 0 high; Wine's menu loop skips owner-drawn
    // entries with an empty rectangle, so only the text entries are sure to
    // be drawn here.
    for (const CMenuXPItem* item : {static_cast<CMenuXPItem*>(enable), static_cast<CMenuXPItem*>(disable),
                                    static_cast<CMenuXPItem*>(about), static_cast<CMenuXPItem*>(exitItem)})
        EXPECT_EQ(menu->drawn.count(reinterpret_cast<ULONG_PTR>(item)), 1u) << item->m_nID;
    EXPECT_EQ(menu->measured.size(), 7u) << "every entry, separators included";

    MEASUREITEMSTRUCT late{};
    late.CtlType = ODT_MENU;
    EXPECT_FALSE(CMenu::RouteMeasureItem(hwnd, &late)) << "nothing tracked any more";

    ASSERT_TRUE(session.captured);
    Canvas& shot = *session.shot;
    if (const char* path = std::getenv("KORVANE_MENU_SCREENSHOT")) {
        std::wstring wpath(path, path + std::strlen(path));
        EXPECT_TRUE(shot.Save(wpath));
    }
    const RECT all{0, 0, shot.width(), shot.height()};
    EXPECT_GT(shot.Count(all, kIconBar), 0) << "icon band";
    EXPECT_GT(shot.Count(all, kText), 0) << "entry text";
    EXPECT_GT(shot.Count(all, kIconColour), 0) << "entry icons";
    EXPECT_GT(shot.Count(all, GetSysColor(COLOR_BTNSHADOW)), 0) << "grayed entry or separator";
    delete session.shot;

    delete menu;
    g_session = nullptr;
    DestroyWindow(hwnd);
}
