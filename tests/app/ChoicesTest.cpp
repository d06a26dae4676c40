// The user's choices across a restart of the program: what is stored, what
// start-up makes of it, and a store that cannot be written.
#include "PowerScenario.h"
#include "LogRecords.h"

#include "MainState.h"
#include "Settings.h"
#include "resource.h"

using namespace apptest;

namespace {

class Choices : public PowerScenario
{
protected:
    // Ends the running program as a restart does and starts it again.
    CKorvaneDlg& Restart()
    {
        DestroyMainDialogs();
        ForgetProgramGlobals();
        firmware->ap = "6";
        Mark();
        return CreateMainDialog();
    }
};

struct RestartRow
{
    const char* name;
    std::vector<UINT> commands; // chosen from the menu before the restart
    bool overclock, acOnly, notices;
    Steps startup;
};

TEST_F(Choices, TheChoiceAndTheOptionsSurviveARestart)
{
    const Steps query = {Pipe(kSystem0)};
    const RestartRow rows[] = {
        {"nothing chosen", {}, true, false, true, query + NvidiaApply(6)},
        {"Disable", {IDM_DISABLE}, false, false, true, query + NvidiaRestore(6)},
        {"Disable, Enable", {IDM_DISABLE, IDM_ENABLE}, true, false, true, query + NvidiaApply(6)},
        {"both options", {IDM_AC_ONLY, IDM_NOTICES}, true, true, false, query + NvidiaApply(6)},
        {"Exit does not choose", {IDM_EXIT}, true, false, true, query + NvidiaApply(6)},
    };
    for (const RestartRow& row : rows) {
        SCOPED_TRACE(row.name);
        DestroyMainDialogs();
        ForgetProgramGlobals();
        ForgetTestSettings();
        firmware->system0 = "2";
        firmware->ap = "6";
        CKorvaneDlg& first = CreateMainDialog();
        for (UINT command : row.commands)
            SendMessageW(first.m_hWnd, WM_COMMAND, command, 0);

        CKorvaneDlg& dlg = Restart();
        EXPECT_EQ(Recorded(), row.startup);
        EXPECT_EQ(dlg.m_bOCEnabled, row.overclock);
        EXPECT_EQ(dlg.m_bAcOnly, row.acOnly);
        EXPECT_EQ(dlg.m_bNotices, row.notices);
        EXPECT_EQ(SendDlgItemMessageW(dlg.m_hWnd, IDC_RADIO_OVERCLOCK, BM_GETCHECK, 0, 0),
                  row.overclock ? BST_CHECKED : BST_UNCHECKED);
        EXPECT_EQ(SendDlgItemMessageW(dlg.m_hWnd, IDC_RADIO_DOWNCLOCK, BM_GETCHECK, 0, 0),
                  row.overclock ? BST_UNCHECKED : BST_CHECKED);
    }
}

TEST_F(Choices, TheOkButtonStoresTheRadioButtonsChoice)
{
    CKorvaneDlg& first = Start(false);
    SendDlgItemMessageW(first.m_hWnd, IDC_RADIO_OVERCLOCK, BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(first.m_hWnd, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(Recorded(), NvidiaRestore(7));
    EXPECT_FALSE(Restart().m_bOCEnabled);
}

TEST_F(Choices, AStoredDefaultWaitsForTheUserAfterTheFeatureReturns)
{
    ASSERT_TRUE(SaveSetting(Setting::Overclock, false));
    firmware->system0 = "0";
    CKorvaneDlg& dlg = CreateMainDialog();
    EXPECT_EQ(Recorded(), Steps{Pipe(kSystem0)} + NvidiaRestore(6));
    Mark();
    firmware->system0 = "2";
    SendMessageW(dlg.m_hWnd, WM_QEL_EVENT, 0x60, 0);
    EXPECT_EQ(Recorded(), (Steps{Wait(3000), Pipe(kSystem0)})) << "the upgrade that re-overclocked is mended";
}

TEST_F(Choices, AChoiceThatCannotBeStoredStillActs)
{
    CKorvaneDlg& dlg = Start(false);
    UnwritableSettings unwritable;
    ASSERT_TRUE(unwritable.Ready());
    const LogMark mark;

    SendMessageW(dlg.m_hWnd, WM_COMMAND, IDM_DISABLE, 0);
    SendMessageW(dlg.m_hWnd, WM_COMMAND, IDM_AC_ONLY, 0);
    EXPECT_EQ(Recorded(), NvidiaRestore(7));
    EXPECT_FALSE(dlg.m_bOCEnabled);
    EXPECT_TRUE(dlg.m_bAcOnly);
    EXPECT_TRUE(mark.Logged("setting Overclock not stored"));
    EXPECT_TRUE(mark.Logged("setting OnlyOnACPower not stored"));
}

} // namespace
