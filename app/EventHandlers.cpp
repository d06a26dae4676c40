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
            if (m_bOCEnabled)
                ApplyOverclock();
            m_bOCAvailable = true;
        } else {
            RestoreDefaultClocks();
            m_bOCAvailable = false;
        }
        break;
    case 0x5D:
    case 0x79:
        WaitMilliseconds(3000);
        if (DefaultClocksForced()) {
            RestoreDefaultClocks();
            m_bOCAvailable = false;
        }
        break;
    case 0x39:
        m_bOnAC = false;
        break;
    default:
        break;
    }
    return 1;
}

LRESULT CKorvaneDlg::OnPowerBroadcast(WPARAM wParam, LPARAM lParam)
{
    diag::Log("power broadcast 0x%X (%s)", static_cast<unsigned>(wParam), PowerBroadcastName(wParam));
    if (wParam == PBT_APMRESUMESUSPEND) {
        WaitMilliseconds(2000);
        RestoreDefaultClocks();
        m_bOCAvailable = false;
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
        if (source == 0)
            m_bOnAC = true;
        else if (source == 1)
            m_bOnAC = false;
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
}
