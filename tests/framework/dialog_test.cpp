// Dialogs built from a template: binding, modal and modeless ends, default
// processing through the dialog manager.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "Controls.h"
#include "Dialog.h"
#include "framework_test_ids.h"

namespace {

class TestDialog : public CDialog
{
public:
    TestDialog() : CDialog(IDD_TEST_DIALOG) {}

    CButton m_option;
    std::vector<UINT> m_seen;
    bool m_endInInit = false;
    int m_exchanges = 0;

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        m_seen.push_back(WM_INITDIALOG);
        if (m_endInInit)
            OnCancel();
        return TRUE;
    }
    void OnDestroy()
    {
        m_seen.push_back(WM_DESTROY);
        m_optionBoundAtDestroy = m_option.m_hWnd != nullptr;
        Default();
    }
    bool m_optionBoundAtDestroy = false;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        ++m_exchanges;
        DDX_Control(pDX, IDC_TEST_OPTION, m_option);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestDialog, CDialog)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

TEST(Dialog, ModalDialogEndedDuringInitReturnsCancelAndIsDestroyed)
{
    TestDialog dlg;
    dlg.m_endInInit = true;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.m_seen, (std::vector<UINT>{WM_INITDIALOG, WM_DESTROY}));
    EXPECT_TRUE(dlg.m_optionBoundAtDestroy);
    // After the window is gone the objects hold no handle.
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_option.m_hWnd, nullptr);
}

TEST(Dialog, ModelessDialogBindsControlsAndHidesOnOk)
{
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));
    ASSERT_NE(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_option.m_hWnd, ::GetDlgItem(dlg.m_hWnd, IDC_TEST_OPTION));
    EXPECT_EQ(CWnd::FromHandlePermanent(dlg.m_hWnd), &dlg);

    dlg.m_option.SetCheck(BST_CHECKED);
    EXPECT_EQ(dlg.m_option.GetCheck(), BST_CHECKED);

    dlg.ShowWindow(SW_SHOW);
    EXPECT_TRUE(dlg.IsWindowVisible());
    // OK runs the data exchange again, then ends the modeless dialog: hidden, not destroyed.
    const int before = dlg.m_exchanges;
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(dlg.m_exchanges, before + 1);
    EXPECT_FALSE(dlg.IsWindowVisible());
    EXPECT_TRUE(::IsWindow(dlg.m_hWnd));

    HWND hwnd = dlg.m_hWnd;
    ::DestroyWindow(hwnd);
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST(Dialog, CloseGetsTheDialogManagersDefaultWhichCancels)
{
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));
    dlg.ShowWindow(SW_SHOW);
    // Unhandled WM_CLOSE goes to the dialog manager, which posts IDCANCEL.
    dlg.SendMessage(WM_CLOSE);
    EXPECT_TRUE(dlg.IsWindowVisible());
    MSG msg;
    while (::PeekMessageW(&msg, dlg.m_hWnd, 0, 0, PM_REMOVE))
        ::DispatchMessageW(&msg);
    EXPECT_FALSE(dlg.IsWindowVisible());
    ::DestroyWindow(dlg.m_hWnd);
}

class ThrowingDialog : public CDialog
{
public:
    ThrowingDialog() : CDialog(IDD_TEST_DIALOG) {}
    BOOL OnInitDialog() override { throw std::runtime_error("init"); }
};

TEST(Dialog, InitialisationThatThrowsEndsTheModalDialogWithMinusOne)
{
    ThrowingDialog dlg;
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

// A modal dialog that, once its loop runs, presses Esc in a modeless dialog
// and then ends itself.
class HostDialog : public CDialog
{
public:
    explicit HostDialog(HWND target) : CDialog(IDD_TEST_DIALOG), m_target(target) {}
    bool m_targetVisibleAfterKey = true;

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        ::SetTimer(m_hWnd, 1, 10, nullptr);
        return TRUE;
    }
    void OnTimer(UINT_PTR id)
    {
        ::KillTimer(m_hWnd, id);
        if (m_step++ == 0) {
            ::PostMessageW(::GetDlgItem(m_target, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
            ::SetTimer(m_hWnd, 1, 10, nullptr);
            return;
        }
        m_targetVisibleAfterKey = ::IsWindowVisible(m_target) != FALSE;
        EndDialog(IDOK);
    }

private:
    HWND m_target;
    int m_step = 0;

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(HostDialog, CDialog)
    ON_WM_TIMER()
END_MESSAGE_MAP()

TEST(Dialog, ModelessDialogGetsItsDialogKeysWhileAModalLoopRuns)
{
    TestDialog modeless;
    ASSERT_TRUE(modeless.Create(IDD_TEST_DIALOG));
    modeless.ShowWindow(SW_SHOW);
    ASSERT_TRUE(modeless.IsWindowVisible());

    HostDialog host(modeless.m_hWnd);
    EXPECT_EQ(host.DoModal(), IDOK);
    // Esc reached the modeless dialog as its Cancel: it is hidden.
    EXPECT_FALSE(host.m_targetVisibleAfterKey);
    ::DestroyWindow(modeless.m_hWnd);
}

} // namespace
