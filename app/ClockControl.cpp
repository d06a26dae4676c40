// The main dialog's clock operations: the session gate and the backend that
// started decide where each request goes; the decision and its cause decide
// what the tray icon tells.
#include "KorvaneDlg.h"
#include "MainState.h"
#include "diag/DiagnosticLog.h"
#include "gpu/AdlBackend.h"
#include "gpu/ClockModes.h"

namespace {
gpu::ClockGate GateOf(const CKorvaneDlg& dlg)
{
    return gpu::ClockGate{g_bSessionActive != FALSE, dlg.m_bNvidia, dlg.m_bAmd, &dlg.m_adlClockInfo};
}

// Whether an operation through gate reaches a backend.
bool Acts(const gpu::ClockGate& gate)
{
    return gate.bSessionActive && (gate.bNvidia || gate.bAmd);
}
} // namespace

void CKorvaneDlg::ApplyOverclock()
{
    const gpu::ClockGate gate = GateOf(*this);
    gpu::ApplyOverclock(gate);
    if (Acts(gate))
        m_clocks = ClocksInForce::Overclocked;
}

void CKorvaneDlg::RestoreDefaultClocks()
{
    const gpu::ClockGate gate = GateOf(*this);
    gpu::RestoreDefaultClocks(gate);
    if (Acts(gate))
        m_clocks = ClocksInForce::Default;
}

bool CKorvaneDlg::InitAdlBackend()
{
    return gpu::InitAdlBackend(m_hWnd, &m_hAdl, &m_adlClockInfo);
}

ClockState CKorvaneDlg::CurrentClockState() const
{
    return ClockState{m_bOCEnabled, m_bOCAvailable, g_bSessionActive != FALSE, m_bAcOnly, m_bOnACSettled};
}

void CKorvaneDlg::SwitchClocks(bool overclock, ClockCause cause)
{
    diag::Log("%s wanted: %s", overclock ? "overclock" : "default clocks", ClockCauseName(cause));
    const ClocksInForce before = m_clocks;
    if (overclock)
        ApplyOverclock();
    else
        RestoreDefaultClocks();
    // The user sees what a click did; anything else is told in a notice.
    if (cause == ClockCause::User) {
        m_clocksTold = m_clocks;
    } else if (m_clocks != before) {
        m_noticeCause = cause;
        ScheduleNotice();
    }
}
