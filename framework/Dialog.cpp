#include "Dialog.h"

#include "CaughtException.h"

#include <algorithm>
#include <vector>

namespace {
HINSTANCE g_hResource = nullptr;

// Modeless dialogs of the user-interface thread. The modal loop that runs
// the program gives only its own dialog the dialog keys (Tab, Enter, Esc);
// it asks the message filter hook first, and there the modeless dialogs get
// theirs.
std::vector<HWND> g_modelessDialogs;
HHOOK g_hDialogKeys = nullptr;
bool g_inDialogKeys = false;

LRESULT CALLBACK DialogKeysHook(int code, WPARAM wParam, LPARAM lParam)
{
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == MSGF_DIALOGBOX && !g_inDialogKeys && msg && msg->message >= WM_KEYFIRST &&
        msg->message <= WM_KEYLAST) {
        for (HWND dlg : g_modelessDialogs) {
            if (msg->hwnd != dlg && !::IsChild(dlg, msg->hwnd))
                continue;
            // IsDialogMessageW asks this hook again; that call passes through.
            g_inDialogKeys = true;
            const BOOL handled = ::IsDialogMessageW(dlg, msg);
            g_inDialogKeys = false;
            if (handled)
                return TRUE;
            break;
        }
    }
    return ::CallNextHookEx(g_hDialogKeys, code, wParam, lParam);
}

void AddModelessDialog(HWND hwnd)
{
    try {
        g_modelessDialogs.push_back(hwnd);
    } catch (...) {
        return;
    }
    if (!g_hDialogKeys)
        g_hDialogKeys = ::SetWindowsHookExW(WH_MSGFILTER, &DialogKeysHook, nullptr, ::GetCurrentThreadId());
}

void RemoveModelessDialog(HWND hwnd)
{
    g_modelessDialogs.erase(std::remove(g_modelessDialogs.begin(), g_modelessDialogs.end(), hwnd),
                            g_modelessDialogs.end());
    if (g_modelessDialogs.empty() && g_hDialogKeys) {
        ::UnhookWindowsHookEx(g_hDialogKeys);
        g_hDialogKeys = nullptr;
    }
}
} // namespace

HINSTANCE AfxGetResourceHandle()
{
    return g_hResource ? g_hResource : ::GetModuleHandleW(nullptr);
}

void AfxSetResourceHandle(HINSTANCE hInstance)
{
    g_hResource = hInstance;
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd)
        return;
    rControl.SubclassWindow(::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC));
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

INT_PTR CDialog::DoModal()
{
    return ::DialogBoxParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIDTemplate),
                             m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr, &CDialog::DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    HWND hwnd = ::CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(nIDTemplate),
                                     pParentWnd ? pParentWnd->m_hWnd : nullptr, &CDialog::DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (!hwnd)
        return FALSE;
    if (m_hWnd == hwnd) {
        m_bModeless = true;
        AddModelessDialog(hwnd);
    }
    return TRUE;
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCDESTROY && m_bModeless) {
        m_bModeless = false;
        RemoveModelessDialog(m_hWnd);
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

// The dialog manager's procedure only hands over WM_INITDIALOG: from then on
// the window is subclassed and every message goes through the message table,
// with the dialog manager as its default processing.
INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* dlg = reinterpret_cast<CDialog*>(lParam);
    if (!dlg)
        return FALSE;
    // Nothing may unwind through the dialog manager: a dialog whose
    // initialisation threw is ended (DoModal then returns -1).
    try {
        return dlg->HandleInitDialog(hwnd);
    } catch (...) {
        ReportCaughtException(L"dialog initialisation");
        ::EndDialog(hwnd, -1);
        return FALSE;
    }
}

BOOL CDialog::HandleInitDialog(HWND hwnd)
{
    if (!SubclassWindow(hwnd))
        return FALSE;
    return OnInitDialog();
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}
