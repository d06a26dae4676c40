// Firmware events, power broadcasts and session changes.
#include "KorvaneDlg.h"

#include <wtsapi32.h>

#include "EventNames.h"
#include "MainState.h"
#include "PipeProtocol.h"
#include "Waits.h"
#include "diag/DiagnosticLog.h"

namespace {
// The firmware forces default clocks when either condition holds; the
// second is asked only when the first is false.
bool DefaultClocksForced()
{
    return QuerySystemFlag(1, 1) || QuerySystemFlag(0, 4);
}
} // namespace

LRESULT CKorvaneDlg::OnQelEvent(WPARAM wParam, LPARAM)
{
    diag::Log("firmware event 0x%02X", static_cast<unsigned>(wParam & 0xFF));
    switch (wParam & 0xFF) {
    case 0x60:
        WaitMilliseconds(3000);
        if (QuerySystemFlag(0, 2)) {
            m_bOCAvailable = true;
            const ClockDecision decision = DecideClocks(CurrentClockState());
            if (decision.overclock)
                SwitchClocks(true, ClockCause::FirmwareOffers);
            else
                diag::Log("feature available, overclock not applied: %s", HoldReasonText(decision.reason));
        } else {
            SwitchClocks(false, ClockCause::FirmwareWithdrew);
            m_bOCAvailable = false;
        }
        break;
    case 0x5D:
    case 0x79:
        WaitMilliseconds(3000);
        if (DefaultClocksForced()) {
            SwitchClocks(false, ClockCause::FirmwareWithdrew);
            m_bOCAvailable = false;
        }
        break;
    case 0x39:
        // The firmware's word for battery power.
        m_bOnAC = false;
        OnPowerSourceReported(false);
        break;
    default:
        break;
    }
    UpdateTrayTip();
    return 1;
}

LRESULT CKorvaneDlg::OnPowerBroadcast(WPARAM wParam, LPARAM lParam)
{
    diag::Log("power broadcast 0x%X (%s)", static_cast<unsigned>(wParam), PowerBroadcastName(wParam));
    if (wParam == PBT_APMRESUMESUSPEND) {
        WaitMilliseconds(2000);
        SwitchClocks(false, ClockCause::Resume);
        m_bOCAvailable = false;
        // The plug may have changed while the notebook slept.
        ReadPowerSource("after resume");
        UpdateTrayTip();
    }
    if (lParam == 0)
        return 0;
    // Only a power-setting change carries a record; lParam of any other
    // broadcast is not an address to read.
    if (wParam != PBT_POWERSETTINGCHANGE)
        return 1;
    const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
    if (::IsEqualGUID(setting->PowerSetting, GUID_ACDC_POWER_SOURCE) &&
        setting->DataLength == sizeof(DWORD)) {
        DWORD source;
        ::memcpy(&source, setting->Data, sizeof source);
        if (source == 0 || source == 1) {
            m_bOnAC = source == 0;
            OnPowerSourceReported(m_bOnAC);
        }
    }
    return 1;
}

void CKorvaneDlg::OnSessionChange(UINT nSessionState, UINT)
{
    diag::Log("session change %u (%s)", nSessionState, SessionChangeName(nSessionState));
    switch (nSessionState) {
    case WTS_CONSOLE_CONNECT:
    case WTS_SESSION_LOGON:
    case WTS_SESSION_UNLOCK:
        g_bSessionActive = TRUE;
        break;
    case WTS_CONSOLE_DISCONNECT:
    case WTS_SESSION_LOGOFF:
    case WTS_SESSION_LOCK:
        g_bSessionActive = FALSE;
        break;
    default:
        break;
    }
    m_bOCAvailable = QuerySystemFlag(0, 2);
    ApplyHeldPowerChange();
    UpdateTrayTip();
}
