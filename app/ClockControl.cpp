// The main dialog's clock operations: the session gate and the backend that
// started decide where each request goes.
#include "KorvaneDlg.h"
#include "MainState.h"
#include "gpu/AdlBackend.h"
#include "gpu/ClockModes.h"

namespace {
gpu::ClockGate GateOf(const CKorvaneDlg& dlg)
{
    return gpu::ClockGate{g_bSessionActive != FALSE, dlg.m_bNvidia, dlg.m_bAmd, &dlg.m_adlClockInfo};
}
} // namespace

void CKorvaneDlg::ApplyOverclock()
{
    gpu::ApplyOverclock(GateOf(*this));
}

void CKorvaneDlg::RestoreDefaultClocks()
{
    gpu::RestoreDefaultClocks(GateOf(*this));
}

bool CKorvaneDlg::InitAdlBackend()
{
    return gpu::InitAdlBackend(m_hWnd, &m_hAdl, &m_adlClockInfo);
}
