// The hidden main dialog: owns the program's state and receives every
// notification the program reacts to.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include "Controls.h"
#include "Dialog.h"
#include "QELWmiAcpi.h"
#include "Registrations.h"
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

    // Handlers, public so that tests can drive them directly.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    LRESULT OnQelEvent(WPARAM wParam, LPARAM lParam);
    LRESULT OnPowerBroadcast(WPARAM wParam, LPARAM lParam);
    void OnSessionChange(UINT nSessionState, UINT nId);
    LRESULT OnTaskbarCreated(WPARAM wParam, LPARAM lParam);
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

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    DECLARE_MESSAGE_MAP()
};
