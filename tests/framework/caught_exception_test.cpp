// Exceptions caught at the system's boundary (window procedure, dialog
// initialisation) are stopped there and reported to the debugger.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "CaughtException.h"
#include "Dialog.h"
#include "Wnd.h"
#include "framework_test_ids.h"

namespace {

std::vector<std::wstring> g_reports;

void WINAPI RecordReport(LPCWSTR text)
{
    g_reports.emplace_back(text);
}

class ThrowingWnd : public CWnd
{
public:
    int handled = 0;
    LRESULT OnStdException(WPARAM, LPARAM) { throw std::runtime_error("window boom"); }
    LRESULT OnLongMessage(WPARAM, LPARAM) { throw std::runtime_error(std::string(2000, 'x')); }
    LRESULT OnOtherException(WPARAM, LPARAM) { throw 7; }
    LRESULT OnFine(WPARAM, LPARAM)
    {
        ++handled;
        return 5;
    }
    LRESULT Send(UINT m) { return SendMessage(m, 0, 0); }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ThrowingWnd, CWnd)
    ON_MESSAGE(WM_USER + 1, OnStdException)
    ON_MESSAGE(WM_USER + 2, OnOtherException)
    ON_MESSAGE(WM_USER + 3, OnLongMessage)
    ON_MESSAGE(WM_USER + 4, OnFine)
END_MESSAGE_MAP()

class ThrowingDialog : public CDialog
{
public:
    ThrowingDialog() : CDialog(IDD_TEST_DIALOG) {}
    BOOL OnInitDialog() override { throw std::runtime_error("init"); }
};

class CaughtException : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_reports.clear();
        m_previous = SetDebugOutputForTesting(&RecordReport);
    }
    void TearDown() override { SetDebugOutputForTesting(m_previous); }

private:
    DebugOutputFn m_previous = nullptr;
};

TEST_F(CaughtException, AWindowProcedureReportsWhatItCaughtAndGoesOn)
{
    ThrowingWnd wnd;
    HWND hwnd =
        ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(wnd.SubclassWindow(hwnd));

    const struct
    {
        UINT message;
        const wchar_t* report;
    } rows[] = {
        {WM_USER + 1, L"Korvane: window procedure: window boom\n"},
        {WM_USER + 2, L"Korvane: window procedure: unknown exception\n"},
    };
    for (const auto& row : rows) {
        g_reports.clear();
        EXPECT_EQ(wnd.Send(row.message), 0);
        EXPECT_EQ(g_reports, std::vector<std::wstring>{row.report});
    }

    // A message longer than the report is cut, never overrun.
    g_reports.clear();
    EXPECT_EQ(wnd.Send(WM_USER + 3), 0);
    ASSERT_EQ(g_reports.size(), 1u);
    EXPECT_EQ(g_reports[0].size(), 511u);
    EXPECT_EQ(g_reports[0].rfind(L"Korvane: window procedure: xxx", 0), 0u);

    g_reports.clear();
    EXPECT_EQ(wnd.Send(WM_USER + 4), 5) << "the window still works";
    EXPECT_EQ(wnd.handled, 1);
    EXPECT_TRUE(g_reports.empty());
    ::DestroyWindow(hwnd);
}

TEST_F(CaughtException, ADialogWhoseInitialisationThrowsReportsIt)
{
    ThrowingDialog dlg;
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_EQ(g_reports, std::vector<std::wstring>{L"Korvane: dialog initialisation: init\n"});
}

} // namespace
