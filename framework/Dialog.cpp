#include "Dialog.h"

namespace {
HINSTANCE g_hResource = nullptr;
}

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

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

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
    return ::CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(nIDTemplate),
                                pParentWnd ? pParentWnd->m_hWnd : nullptr, &CDialog::DialogProc,
                                reinterpret_cast<LPARAM>(this)) != nullptr;
}

// The dialog manager's procedure only hands over WM_INITDIALOG: from then on
// the window is subclassed and every message goes through the message table,
// with the dialog manager as its default processing.
INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* dlg = reinterpret_cast<CDialog*>(lParam);
    return dlg ? dlg->HandleInitDialog(hwnd) : FALSE;
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

void CDialog::DoDataExchange(CDataExchange*)
{
}
