// The power source and the clocks that follow it. A change the system or the
// firmware reports takes effect once it has held for the settle time, so a
// wiggling plug switches nothing; the clocks follow it only when "only on AC
// power" turns the decision over.
#include "PowerSource.h"

#include "KorvaneDlg.h"
#include "MainState.h"
#include "Seam.h"
#include "diag/DiagnosticLog.h"

namespace {
PowerStatusFn g_powerStatus = &::GetSystemPowerStatus;
UINT g_settleMs = 3000;

constexpr BYTE kOnBattery = 0; // SYSTEM_POWER_STATUS::ACLineStatus offline

const char* SourceName(bool onAC)
{
    return onAC ? "AC power" : "battery";
}
} // namespace

bool ReadOnACPower()
{
    SYSTEM_POWER_STATUS status{};
    return !g_powerStatus(&status) || status.ACLineStatus != kOnBattery;
}

PowerStatusFn SetPowerStatusForTesting(PowerStatusFn fn)
{
    return Swap(g_powerStatus, fn ? fn : &::GetSystemPowerStatus);
}

UINT PowerSettleDelay()
{
    return g_settleMs;
}

UINT SetPowerSettleDelayForTesting(UINT milliseconds)
{
    return Swap(g_settleMs, milliseconds);
}

void CKorvaneDlg::OnPowerSourceReported(bool onAC)
{
    if (onAC == m_bOnACSettled) {
        if (m_bPowerSettling) {
            if (m_hWnd)
                ::KillTimer(m_hWnd, kPowerSettleTimer);
            m_bPowerSettling = false;
            diag::Log("power source back to %s within the settle time: nothing changes", SourceName(onAC));
        }
        return;
    }
    // Already waiting for this change to hold.
    if (m_bPowerSettling)
        return;
    diag::Log("power source %s: followed once it has held for %u ms", SourceName(onAC), g_settleMs);
    m_bPowerSettling = true;
    if (!m_hWnd || !::SetTimer(m_hWnd, kPowerSettleTimer, g_settleMs, nullptr))
        OnPowerSettled();
}

void CKorvaneDlg::OnPowerSettled()
{
    if (m_hWnd)
        ::KillTimer(m_hWnd, kPowerSettleTimer);
    // A WM_TIMER queued before a change back cancelled the wait.
    if (!m_bPowerSettling)
        return;
    m_bPowerSettling = false;
    const ClockState was = CurrentClockState();
    m_bOnACSettled = m_bOnAC;
    diag::Log("power source settled: %s", SourceName(m_bOnACSettled));
    FollowPowerCondition(was, ClockCause::OnBattery, ClockCause::BackOnAC);
}

void CKorvaneDlg::ReadPowerSource(const char* when)
{
    if (m_bPowerSettling && m_hWnd)
        ::KillTimer(m_hWnd, kPowerSettleTimer);
    m_bPowerSettling = false;
    m_bOnAC = m_bOnACSettled = ReadOnACPower();
    diag::Log("power source %s: %s", when, SourceName(m_bOnAC));
}

void CKorvaneDlg::FollowPowerCondition(ClockState was, ClockCause toDefault, ClockCause toOverclock)
{
    // Whether the power condition alone turns the decision over; the session
    // only decides whether that can act now.
    ClockState now = CurrentClockState();
    was.sessionActive = now.sessionActive = true;
    const ClockDecision before = DecideClocks(was);
    const ClockDecision after = DecideClocks(now);
    if (before.overclock == after.overclock)
        return;
    if (!g_bSessionActive) {
        m_bPowerChangeHeld = true;
        diag::Log("power condition changed while the session is not active: the clocks follow once it is");
        return;
    }
    SwitchClocks(after.overclock, after.overclock ? toOverclock : toDefault);
}

void CKorvaneDlg::ApplyHeldPowerChange()
{
    if (!m_bPowerChangeHeld || !g_bSessionActive)
        return;
    m_bPowerChangeHeld = false;
    const ClockDecision decision = DecideClocks(CurrentClockState());
    if (decision.overclock && m_clocks != ClocksInForce::Overclocked)
        SwitchClocks(true, ClockCause::BackOnAC);
    else if (decision.reason == HoldReason::OnBattery && m_clocks != ClocksInForce::Default)
        SwitchClocks(false, ClockCause::OnBattery);
    else
        diag::Log("power change held by the session: nothing left to do (%s)",
                  HoldReasonText(decision.reason));
}
