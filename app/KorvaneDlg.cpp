// Construction, start-up and teardown of the main dialog.
#include "KorvaneDlg.h"

#include <commctrl.h>
#include <new>

#include "AboutDlg.h"
#include "BrightnessEvents.h"
#include "MainState.h"
#include "PipeProtocol.h"
#include "PowerSource.h"
#include "ProcessExit.h"
#include "RemoteControl.h"
#include "SessionState.h"
#include "Settings.h"
#include "TrayNotices.h"
#include "diag/DiagnosticLog.h"
#include "gpu/NvapiBackend.h"
#include "resource.h"

namespace {
const wchar_t kMutexName[] = L"QEL Korvane";

// Why start-up's clocks are not the overclock, for its notice.
ClockCause StartupCause(HoldReason reason)
{
    switch (reason) {
    case HoldReason::Unavailable:
        return ClockCause::FirmwareUnavailable;
    case HoldReason::OnBattery:
        return ClockCause::OnBattery;
    default:
        return ClockCause::User;
    }
}

// The shell announces a restart with this registered message; the icon is
// added again when it arrives.
UINT g_msgTaskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
} // namespace

BEGIN_MESSAGE_MAP(CKorvaneDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_WM_TIMER()
    ON_MESSAGE(WM_TRAYICON_NOTIFY, OnTrayNotify)
    ON_MESSAGE(WM_QEL_EVENT, OnQelEvent)
    ON_MESSAGE(WM_SESSION_SERVICE_READY, OnSessionServiceReady)
    ON_WM_POWERBROADCAST()
    ON_WM_CLOSE()
    ON_WM_DESTROY()
    ON_WM_WINDOWPOSCHANGING()
    ON_COMMAND(IDOK, OnOkButton)
    ON_COMMAND(IDCANCEL, OnExitButton)
    ON_WM_WTSSESSION_CHANGE()
    ON_REGISTERED_MESSAGE(g_msgTaskbarCreated, OnTaskbarCreated)
    ON_MESSAGE(WM_DPICHANGED, OnIconSizeChange)
    ON_MESSAGE(WM_DISPLAYCHANGE, OnIconSizeChange)
    ON_MESSAGE(WM_SETTINGCHANGE, OnIconSizeChange)
    ON_REGISTERED_MESSAGE(g_msgRemoteControl, OnRemoteControl)
END_MESSAGE_MAP()

CKorvaneDlg::CKorvaneDlg()
    : CDialog(IDD_KORVANE_DIALOG, nullptr), m_nid{}, m_bOCAvailable(false), m_bOCEnabled(true),
      m_bNvidia(false), m_bAmd(false), m_hAdl(nullptr), m_bOnAC(false), m_adlClockInfo{}, m_bAcOnly(false),
      m_bNotices(true), m_bOnACSettled(true), m_bPowerSettling(false), m_bPowerChangeHeld(false),
      m_clocks(ClocksInForce::Unknown), m_clocksTold(ClocksInForce::Overclocked),
      m_noticeCause(ClockCause::User), m_szTip{}
{
    m_hIcon = ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
    g_pAboutDlg = nullptr;
}

CKorvaneDlg::~CKorvaneDlg() = default;

void CKorvaneDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_RADIO_OVERCLOCK, m_radioOverclock);
    DDX_Control(pDX, IDC_RADIO_DOWNCLOCK, m_radioDownclock);
    DDX_Control(pDX, IDOK, m_btnOK);
}

BOOL CKorvaneDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (HMENU hSysMenu = GetSystemMenu(FALSE)) {
        wchar_t about[128] = {};
        if (::LoadStringW(AfxGetResourceHandle(), IDS_ABOUTBOX, about, 128) > 0) {
            ::AppendMenuW(hSysMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(hSysMenu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    // Another instance owns the mutex: end silently. Two processes started at
    // the same moment can both miss it here, so creating it and finding that
    // it already existed counts as another instance too.
    if (HANDLE hOther = ::OpenMutexW(SYNCHRONIZE, FALSE, kMutexName)) {
        ::CloseHandle(hOther);
        diag::Log("another Korvane is running: this one ends");
        OnCancel();
        return FALSE;
    }
    HANDLE hMutex = ::CreateMutexW(nullptr, TRUE, kMutexName);
    if (hMutex && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(hMutex);
        diag::Log("another Korvane is running: this one ends");
        OnCancel();
        return FALSE;
    }
    g_hInstanceMutex = hMutex;

    const StoredSettings stored = LoadSettings();
    m_bOCEnabled = stored.overclockChosen;
    m_bAcOnly = stored.acOnly;
    m_bNotices = stored.notices;
    m_clocksTold = m_bOCEnabled ? ClocksInForce::Overclocked : ClocksInForce::Default;
    diag::Log("settings: clocks chosen %s, only on AC power %s, notices %s",
              m_bOCEnabled ? "overclocked" : "default", m_bAcOnly ? "on" : "off", m_bNotices ? "on" : "off");

    AddTrayIcon();
    g_pMainDlg = this;
    SetBrightnessEventTarget(m_hWnd);
    m_wmiAcpi.AddHWND(m_hWnd);
    char eventBuffer[260] = {};
    if (!m_wmiAcpi.QELWMIEvent(L"Select * from QEL_Event", eventBuffer, L"root\\wmi", L"WQL"))
        diag::Log("firmware event subscription failed");
    if (const int brightness = SubscribeBrightnessEvents())
        diag::Log("brightness event subscription failed (status %d)", brightness);

    m_bAmd = InitAdlBackend();
    m_bNvidia = gpu::LoadNvapi() == 0 ? gpu::EnumerateNvidia() : false;
    diag::Log("GPU backends: NVIDIA %s, AMD %s", m_bNvidia ? "started" : "not started",
              m_bAmd ? "started" : "not started");
    if (!m_bNvidia && !m_bAmd) {
        diag::Log("no supported GPU: Korvane ends with status 1");
        ::Shell_NotifyIconW(NIM_DELETE, &m_nid);
        m_trayIcon.Reset();
        ExitProcessWith(1);
        // Reached only when a test stands in for the exit.
        OnCancel();
        return FALSE;
    }

    ReadPowerSource("at start-up");
    m_bOCAvailable = QuerySystemFlag(0, 2);
    // Started while the session is locked: no notification says so.
    ReadSessionGate("start-up");
    const ClockDecision decision = DecideClocks(CurrentClockState());
    SwitchClocks(decision.overclock, StartupCause(decision.reason));
    UpdateTrayTip();

    m_radioOverclock.EnableWindow(m_bOCAvailable);
    m_radioDownclock.EnableWindow(m_bOCAvailable);
    m_btnOK.EnableWindow(m_bOCAvailable);
    m_radioOverclock.SetCheck(m_bOCEnabled ? BST_CHECKED : BST_UNCHECKED);
    m_radioDownclock.SetCheck(m_bOCEnabled ? BST_UNCHECKED : BST_CHECKED);

    g_pAboutDlg = new (std::nothrow) CAboutDlg;
    if (g_pAboutDlg)
        g_pAboutDlg->Create(IDD_ABOUTBOX, nullptr);

    m_registrations.Register(m_hWnd);
    // A change since the first reading sent no notification yet.
    if (m_registrations.SessionRegistered()) {
        ReadSessionGate("session registration");
        UpdateTrayTip();
    }
    return TRUE;
}

void CKorvaneDlg::AddTrayIcon()
{
#ifndef _WIN64
    static_assert(sizeof(NOTIFYICONDATAW) == 956, "the shell is given the full record");
#endif
    m_nid = {};
    m_nid.cbSize = sizeof(NOTIFYICONDATAW);
    m_nid.hWnd = m_hWnd;
    m_nid.uID = 1;
    m_nid.uCallbackMessage = WM_TRAYICON_NOTIFY;
    ::lstrcpynW(m_nid.szTip, L"QEL Korvane", 128);
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    MakeTrayIcon();
    if (!::Shell_NotifyIconW(NIM_ADD, &m_nid))
        diag::Log("tray icon not added (error %lu)", ::GetLastError());
}

LRESULT CKorvaneDlg::OnTaskbarCreated(WPARAM, LPARAM)
{
    // Only once AddTrayIcon has filled the record; its first NIM_ADD may
    // have failed because the shell was not up yet. The new shell may run at
    // another DPI: the icon is made anew.
    diag::Log("the shell restarted (TaskbarCreated)");
    if (!m_nid.cbSize)
        return 0;
    // The shell holds nothing of ours any more: the image replaced goes now.
    MakeTrayIcon();
    m_szTip[0] = L'\0';
    wchar_t tip[128];
    CurrentTrayTip(tip);
    if (SendTrayTip(NIM_ADD, m_nid, tip))
        ::lstrcpynW(m_szTip, tip, 128);
    else
        diag::Log("tray icon not added again (error %lu)", ::GetLastError());
    return 0;
}

void CKorvaneDlg::OnWindowPosChanging(WINDOWPOS* lpwndpos)
{
    Default();
    lpwndpos->flags &= ~SWP_SHOWWINDOW;
}

HCURSOR CKorvaneDlg::OnQueryDragIcon()
{
    return m_hIcon;
}

void CKorvaneDlg::OnTimer(UINT_PTR nIDEvent)
{
    switch (nIDEvent) {
    case kSessionRetryTimer:
        RetryRegistrations();
        break;
    case kPowerSettleTimer:
        OnPowerSettled();
        UpdateTrayTip();
        break;
    case kNoticeTimer:
        OnNoticeDue();
        break;
    default:
        Default();
        break;
    }
}

LRESULT CKorvaneDlg::OnSessionServiceReady(WPARAM, LPARAM)
{
    RetryRegistrations();
    return 0;
}

void CKorvaneDlg::RetryRegistrations()
{
    const bool wasRegistered = m_registrations.SessionRegistered();
    // Notifications start only now: what happened before is read instead.
    if (m_registrations.RetrySession() && !wasRegistered) {
        ReadSessionGate("late session registration");
        ApplyHeldPowerChange();
        UpdateTrayTip();
    }
}

void CKorvaneDlg::OnSysCommand(UINT nID, LPARAM)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        Default();
    }
}

void CKorvaneDlg::OnPaint()
{
    if (!IsIconic()) {
        Default();
        return;
    }
    PAINTSTRUCT ps;
    HDC hdc = ::BeginPaint(m_hWnd, &ps);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(&rect);
    const int x = (rect.right - rect.left - cxIcon + 1) / 2;
    const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
    ::DrawIcon(hdc, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &ps);
}

void CKorvaneDlg::OnClose()
{
    diag::Log("WM_CLOSE");
    m_bOCEnabled = false;
    RestoreDefaultClocks();
    Default();
}

void CKorvaneDlg::OnDestroy()
{
    // Cleared first: the restore below may wait on the pipe, and a brightness
    // event sent meanwhile would block its delivery thread until then.
    if (g_pMainDlg == this)
        SetBrightnessEventTarget(nullptr);
    Default();
    m_bOCEnabled = false;
    RestoreDefaultClocks();
    ::Shell_NotifyIconW(NIM_DELETE, &m_nid);
    m_trayIcon.Reset();
    // Only the dialog that took the mutex lets it go: a dialog refused at
    // start-up finds the running one's handle here.
    if (g_hInstanceMutex && g_pMainDlg == this)
        ::ReleaseMutex(g_hInstanceMutex);
    m_registrations.Release();
    diag::Log("main window destroyed: Korvane ends");
}
