// The user's choices: the clocks and the two options, from the menu, the
// dialog's OK button or the command line, each stored as it changes.
#include "KorvaneDlg.h"
#include "Settings.h"
#include "diag/DiagnosticLog.h"

void CKorvaneDlg::ChooseClocks(bool overclock)
{
    m_bOCEnabled = overclock;
    SaveSetting(Setting::Overclock, overclock);
    // The power condition is the one thing that holds a user's Enable back.
    if (overclock && DecideClocks(CurrentClockState()).reason == HoldReason::OnBattery) {
        diag::Log("overclock chosen: applied once on AC power");
        return;
    }
    SwitchClocks(overclock, ClockCause::User);
}

void CKorvaneDlg::SetAcOnly(bool on)
{
    diag::Log("only on AC power: %s", on ? "on" : "off");
    const ClockState was = CurrentClockState();
    m_bAcOnly = on;
    SaveSetting(Setting::AcOnly, on);
    if (!on)
        m_bPowerChangeHeld = false;
    FollowPowerCondition(was, ClockCause::User, ClockCause::User);
}

void CKorvaneDlg::SetNotices(bool on)
{
    diag::Log("notices: %s", on ? "on" : "off");
    m_bNotices = on;
    SaveSetting(Setting::Notices, on);
}
