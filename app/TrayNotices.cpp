#include "TrayNotices.h"

#include "KorvaneDlg.h"
#include "MainState.h"
#include "Seam.h"
#include "diag/DiagnosticLog.h"

namespace {
NotifyIconFn g_notifyIcon = &::Shell_NotifyIconW;
UINT g_noticeDelayMs = 2000;
} // namespace

NotifyIconFn SetNotifyIconForTesting(NotifyIconFn fn)
{
    return Swap(g_notifyIcon, fn ? fn : &::Shell_NotifyIconW);
}

UINT NoticeDelay()
{
    return g_noticeDelayMs;
}

UINT SetNoticeDelayForTesting(UINT milliseconds)
{
    return Swap(g_noticeDelayMs, milliseconds);
}

bool SendTrayTip(DWORD message, const NOTIFYICONDATAW& icon, const wchar_t* tip)
{
    NOTIFYICONDATAW record = icon;
    if (message == NIM_MODIFY)
        record.uFlags = NIF_TIP;
    ::lstrcpynW(record.szTip, tip, ARRAYSIZE(record.szTip));
    return g_notifyIcon(message, &record) != FALSE;
}

bool ShowTrayNotice(const NOTIFYICONDATAW& icon, const wchar_t* text)
{
    NOTIFYICONDATAW record = icon;
    record.uFlags = NIF_INFO;
    ::lstrcpynW(record.szInfoTitle, L"QEL Korvane", ARRAYSIZE(record.szInfoTitle));
    ::lstrcpynW(record.szInfo, text, ARRAYSIZE(record.szInfo));
    record.dwInfoFlags = NIIF_INFO | NIIF_NOSOUND | NIIF_RESPECT_QUIET_TIME;
    record.uTimeout = 10000;
    return g_notifyIcon(NIM_MODIFY, &record) != FALSE;
}

void CKorvaneDlg::CurrentTrayTip(wchar_t (&tip)[128]) const
{
    TrayTipText(m_clocks, ClocksDifferBecause(m_clocks, CurrentClockState()), tip);
}

void CKorvaneDlg::UpdateTrayTip()
{
    if (!m_nid.cbSize)
        return;
    wchar_t tip[128];
    CurrentTrayTip(tip);
    if (::lstrcmpW(tip, m_szTip) == 0)
        return;
    if (SendTrayTip(NIM_MODIFY, m_nid, tip))
        ::lstrcpynW(m_szTip, tip, 128);
}

void CKorvaneDlg::ScheduleNotice()
{
    // Each change starts the delay again: the notice tells the state the
    // changes end in.
    if (!m_hWnd || !::SetTimer(m_hWnd, kNoticeTimer, g_noticeDelayMs, nullptr))
        OnNoticeDue();
}

void CKorvaneDlg::OnNoticeDue()
{
    if (m_hWnd)
        ::KillTimer(m_hWnd, kNoticeTimer);
    if (m_clocks == ClocksInForce::Unknown || m_clocks == m_clocksTold)
        return;
    m_clocksTold = m_clocks;
    if (!m_bNotices) {
        diag::Log("notice not shown, notices are off: %s, %s", ClocksName(m_clocks),
                  ClockCauseName(m_noticeCause));
        return;
    }
    wchar_t text[256];
    NoticeText(m_clocks, m_noticeCause, text);
    const bool shown = m_nid.cbSize && ShowTrayNotice(m_nid, text);
    diag::Log("notice %s: %s, %s", shown ? "shown" : "not shown (no tray icon)", ClocksName(m_clocks),
              ClockCauseName(m_noticeCause));
}
