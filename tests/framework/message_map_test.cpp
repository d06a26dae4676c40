// Message tables: lookup order, commands, registered messages, defaults.
#include <gtest/gtest.h>

#include <vector>

#include "Wnd.h"

namespace {

UINT g_msgCustom = ::RegisterWindowMessageW(L"Korvane.FrameworkTest");

class BaseWnd : public CWnd
{
public:
    std::vector<int> calls;
    LRESULT OnUser(WPARAM, LPARAM)
    {
        calls.push_back(1);
        return 11;
    }
    void OnBaseCommand() { calls.push_back(2); }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BaseWnd, CWnd)
    ON_MESSAGE(WM_USER + 1, OnUser)
    ON_MESSAGE(WM_USER + 2, OnUser)
    ON_COMMAND(100, OnBaseCommand)
END_MESSAGE_MAP()

class DerivedWnd : public BaseWnd
{
public:
    LRESULT OnUserDerived(WPARAM wParam, LPARAM lParam)
    {
        calls.push_back(3);
        return static_cast<LRESULT>(wParam + lParam);
    }
    LRESULT OnCustom(WPARAM, LPARAM)
    {
        calls.push_back(4);
        return 44;
    }
    void OnDerivedCommand() { calls.push_back(5); }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        commands.push_back(wParam);
        return BaseWnd::OnCommand(wParam, lParam);
    }
    std::vector<WPARAM> commands;
    LRESULT Send(UINT m, WPARAM w = 0, LPARAM l = 0) { return SendMessage(m, w, l); }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedWnd, BaseWnd)
    ON_MESSAGE(WM_USER + 1, OnUserDerived)
    ON_REGISTERED_MESSAGE(g_msgCustom, OnCustom)
    ON_COMMAND(101, OnDerivedCommand)
END_MESSAGE_MAP()

struct WindowFixture : ::testing::Test
{
    DerivedWnd wnd;
    void SetUp() override
    {
        HWND hwnd =
            ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(hwnd, nullptr);
        ASSERT_TRUE(wnd.SubclassWindow(hwnd));
    }
    void TearDown() override
    {
        if (wnd.m_hWnd)
            ::DestroyWindow(wnd.m_hWnd);
    }
};

TEST_F(WindowFixture, DerivedEntryHidesBaseEntryAndBaseTableIsStillSearched)
{
    EXPECT_EQ(wnd.Send(WM_USER + 1, 5, 6), 11);
    EXPECT_EQ(wnd.Send(WM_USER + 2), 11);
    EXPECT_EQ(wnd.calls, (std::vector<int>{3, 1}));
}

TEST_F(WindowFixture, RegisteredMessageReachesItsHandler)
{
    ASSERT_NE(g_msgCustom, 0u);
    EXPECT_EQ(wnd.Send(g_msgCustom), 44);
    EXPECT_EQ(wnd.calls, (std::vector<int>{4}));
}

TEST_F(WindowFixture, CommandsRunOnCommandFirstAndMatchOnlyNotificationZero)
{
    wnd.Send(WM_COMMAND, 100, 0);
    wnd.Send(WM_COMMAND, 101, 0);
    wnd.Send(WM_COMMAND, MAKEWPARAM(101, 1), 0);
    EXPECT_EQ(wnd.commands, (std::vector<WPARAM>{100, 101, MAKEWPARAM(101, 1)}));
    EXPECT_EQ(wnd.calls, (std::vector<int>{2, 5}));
}

TEST_F(WindowFixture, UnlistedMessagesGetTheWindowsOwnProcessing)
{
    ::SetWindowTextW(wnd.m_hWnd, L"abc");
    EXPECT_EQ(wnd.GetWindowText(), L"abc");
    EXPECT_TRUE(wnd.calls.empty());
}

TEST_F(WindowFixture, DestroyDetachesTheObject)
{
    HWND hwnd = wnd.m_hWnd;
    ::DestroyWindow(hwnd);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
}

TEST(WindowSubclass, SecondObjectCannotTakeAnAttachedWindow)
{
    HWND hwnd =
        ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    CWnd first, second;
    EXPECT_TRUE(first.SubclassWindow(hwnd));
    EXPECT_FALSE(second.SubclassWindow(hwnd));
    EXPECT_FALSE(second.SubclassWindow(nullptr));
    ::DestroyWindow(hwnd);
}

} // namespace
