// The hidden main dialog: owns the program's state and receives every
// notification the program reacts to.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include "ClockPolicy.h"
#include "ClockTexts.h"
#include "Controls.h"
#include "Dialog.h"
#include "QELWmiAcpi.h"
#include "Registrations.h"
#include "UniqueIcon.h"
#include "gpu/AdlTypes.h"

// Tray icon callback.
constexpr UINT WM_TRAYICON_NOTIFY = 0x401;
// System-menu command that opens the About box.
constexpr UINT IDM_ABOUTBOX = 16;
// Tray menu commands.
constexpr UINT IDM_ENABLE = 300;
constexpr UINT IDM_DISABLE = 301;
constexpr UINT IDM_ABOUT = 302;
constexpr UINT IDM_EXIT = 303;
// The two options, check entries of the menu.
constexpr UINT IDM_AC_ONLY = 310;
constexpr UINT IDM_NOTICES = 311;

class CKorvaneDlg : public CDialog
{
public:
    CKorvaneDlg();
    ~CKorvaneDlg() override;

    // Clock modes, gated by the session and routed to the backend that started.
    void ApplyOverclock();
    void RestoreDefaultClocks();
    bool InitAdlBackend();
    void AddTrayIcon();
    // Puts the tray icon made for the current DPI in the record and returns
    // the one it replaces, to be destroyed once the shell has the new one.
    UniqueIcon MakeTrayIcon();

    // The user's choices, stored as they change (Choices.cpp).
    void ChooseClocks(bool overclock);
    void SetAcOnly(bool on);
    void SetNotices(bool on);

    // The state the clock decision reads, and the clock change it asks for:
    // the operation, then the notice and the tip follow (ClockControl.cpp).
    ClockState CurrentClockState() const;
    void SwitchClocks(bool overclock, ClockCause cause);

    // The power source: reported by the system or the firmware, settled
    // once it has held, read at start-up and after resume (PowerSource.cpp).
    void OnPowerSourceReported(bool onAC);
    void OnPowerSettled();
    void ReadPowerSource(const char* when);
    void FollowPowerCondition(ClockState was, ClockCause toDefault, ClockCause toOverclock);
    void ApplyHeldPowerChange();

    // The tray icon's tip and notices (TrayNotices.cpp).
    void CurrentTrayTip(wchar_t (&tip)[128]) const;
    void UpdateTrayTip();
    void ScheduleNotice();
    void OnNoticeDue();

    // Handlers, public so that tests can drive them directly.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    LRESULT OnQelEvent(WPARAM wParam, LPARAM lParam);
    LRESULT OnPowerBroadcast(WPARAM wParam, LPARAM lParam);
    void OnSessionChange(UINT nSessionState, UINT nId);
    LRESULT OnTaskbarCreated(WPARAM wParam, LPARAM lParam);
    // WM_DPICHANGED, WM_DISPLAYCHANGE, WM_SETTINGCHANGE: the small-icon size
    // may have changed, so the tray icon is made anew.
    LRESULT OnIconSizeChange(WPARAM wParam, LPARAM lParam);
    // A request of the command line (RemoteControl.h).
    LRESULT OnRemoteControl(WPARAM wParam, LPARAM lParam);
    void OnOkButton();
    void OnExitButton();
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnTimer(UINT_PTR nIDEvent);
    LRESULT OnSessionServiceReady(WPARAM wParam, LPARAM lParam);
    void RetryRegistrations();
    void OnClose();
    void OnDestroy();
    void OnWindowPosChanging(WINDOWPOS* lpwndpos);

    HICON m_hIcon;
    CQELWmiAcpi m_wmiAcpi;
    NOTIFYICONDATAW m_nid;
    // The image m_nid holds.
    UniqueIcon m_trayIcon;
    bool m_bOCAvailable;
    bool m_bOCEnabled;
    bool m_bNvidia;
    bool m_bAmd;
    HMODULE m_hAdl;
    bool m_bOnAC;
    Registrations m_registrations;
    CButton m_radioOverclock;
    CButton m_radioDownclock;
    CButton m_btnOK;
    ADLAdapterODClockInfo m_adlClockInfo;

    bool m_bAcOnly;             // the option "only on AC power"
    bool m_bNotices;            // the option "notices"
    bool m_bOnACSettled;        // the power source the clocks follow
    bool m_bPowerSettling;      // a change of m_bOnAC waits for the settle timer
    bool m_bPowerChangeHeld;    // a power change met an inactive session
    ClocksInForce m_clocks;     // what the last clock operation put in force
    ClocksInForce m_clocksTold; // what the user knows of: chosen, or noticed
    ClockCause m_noticeCause;   // why the clocks last changed without the user
    wchar_t m_szTip[128];       // the tip last given to the shell

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    DECLARE_MESSAGE_MAP()
};
