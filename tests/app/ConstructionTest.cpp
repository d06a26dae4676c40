// The main window state before start-up: as the dialog's constructor and
// the program's initialised data leave it.
#include "AppScenario.h"

#include <cstring>

#include "AboutDlg.h"
#include "MainState.h"

using namespace apptest;

namespace {

// Read before any test runs: the value the program starts with.
const BOOL kSessionActiveAtStart = g_bSessionActive;

class Construction : public AppScenario
{};

TEST_F(Construction, ProcessWideValuesAtProcessStart)
{
    EXPECT_EQ(kSessionActiveAtStart, 1);
}

TEST_F(Construction, FreshDialogHasOnlyOverclockChosen)
{
    // A reference left from before is dropped by the constructor.
    CAboutDlg* const stale = new CAboutDlg;
    g_pAboutDlg = stale;

    CKorvaneDlg dlg;
    EXPECT_EQ(g_pAboutDlg, nullptr);
    delete stale;

    EXPECT_TRUE(dlg.m_bOCEnabled);
    EXPECT_FALSE(dlg.m_bOCAvailable);
    EXPECT_FALSE(dlg.m_bNvidia);
    EXPECT_FALSE(dlg.m_bAmd);
    EXPECT_FALSE(dlg.m_bOnAC);
    EXPECT_FALSE(dlg.m_registrations.SessionRegistered());
    EXPECT_FALSE(dlg.m_registrations.RetryPending());
    EXPECT_EQ(dlg.m_hAdl, nullptr);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_NE(dlg.m_hIcon, nullptr) << "the application icon";

    NOTIFYICONDATAW empty;
    std::memset(&empty, 0, sizeof empty);
    EXPECT_EQ(std::memcmp(&dlg.m_nid, &empty, sizeof empty), 0) << "an empty tray icon record";
    EXPECT_EQ(dlg.m_radioOverclock.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_radioDownclock.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_btnOK.m_hWnd, nullptr);
}

} // namespace
