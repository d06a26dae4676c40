// The main dialog's side of the command line.
#include "RemoteControl.h"

#include "EventNames.h"
#include "KorvaneDlg.h"
#include "MainState.h"
#include "diag/DiagnosticLog.h"

LRESULT CKorvaneDlg::OnRemoteControl(WPARAM wParam, LPARAM)
{
    // A second instance still starting has a dialog of the same caption; only
    // the one that runs the program answers.
    if (g_pMainDlg != this)
        return 0;
    // Exit would end Korvane with the clocks it cannot restore while the
    // session is not active, and nothing would restore them later.
    if (wParam == IDM_EXIT && !g_bSessionActive) {
        diag::Log("command line: Exit refused, the session is not active");
        return kRemoteTag | kCommandSessionInactive;
    }
    switch (wParam) {
    case kRemoteStatus:
        return kRemoteTag | (m_bOCAvailable ? kStatusAvailable : 0) |
               (m_bOCEnabled ? kStatusOverclockChosen : 0) | (m_bNvidia ? kStatusNvidia : 0) |
               (m_bAmd ? kStatusAmd : 0) | (g_bSessionActive ? kStatusSessionActive : 0) |
               (m_bAcOnly ? kStatusAcOnly : 0) | (m_bNotices ? 0 : kStatusNoticesOff) |
               (m_bOnACSettled ? 0 : kStatusOnBattery) |
               (m_clocks == ClocksInForce::Overclocked ? kStatusOverclocked : 0);
    case IDM_ENABLE:
    case IDM_DISABLE:
        // The menu grays these while the feature is unavailable.
        if (!m_bOCAvailable) {
            diag::Log("command line: %s is grayed, nothing done", MenuCommandName(wParam));
            return kRemoteTag | kCommandGrayed;
        }
        [[fallthrough]];
    case IDM_EXIT:
        diag::Log("command line: %s", MenuCommandName(wParam));
        // The menu's own road: WM_COMMAND through the window procedure.
        SendMessage(WM_COMMAND, wParam, 0);
        return kRemoteTag | kCommandDone;
    case kRemoteAcOnlyOff:
    case kRemoteAcOnlyOn:
        diag::Log("command line: only on AC power");
        SetAcOnly(wParam == kRemoteAcOnlyOn);
        UpdateTrayTip();
        return kRemoteTag | kCommandDone;
    case kRemoteNoticesOff:
    case kRemoteNoticesOn:
        diag::Log("command line: notices");
        SetNotices(wParam == kRemoteNoticesOn);
        return kRemoteTag | kCommandDone;
    default:
        return kRemoteTag | kCommandUnknown;
    }
}
