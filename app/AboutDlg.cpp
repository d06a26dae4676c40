#include "AboutDlg.h"

#include <string>
#include <utility>

#include "Dpi.h"
#include "MainState.h"
#include "resource.h"

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
    ON_MESSAGE(WM_DPICHANGED, OnDpiChanged)
END_MESSAGE_MAP()

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX, nullptr) {}

void CAboutDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_LEGAL_NOTICE, m_legalNotice);
    // The line on screen always comes from the string table.
    const wchar_t* text = nullptr;
    const int length =
        ::LoadStringW(AfxGetResourceHandle(), IDS_LEGAL_NOTICE, reinterpret_cast<wchar_t*>(&text), 0);
    const std::wstring notice = length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
    m_legalNotice.SetWindowText(notice.c_str());
}

LRESULT CAboutDlg::OnDpiChanged(WPARAM wParam, LPARAM)
{
    Default();
    const UINT dpi = HIWORD(wParam);
    if (!dpi::IsUsable(dpi))
        return 0;
    const int size = dpi::MetricForDpi(SM_CXICON, dpi);
    UniqueIcon icon(static_cast<HICON>(::LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                                    IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    if (icon) {
        ::SendDlgItemMessageW(m_hWnd, IDC_STATIC, STM_SETICON, reinterpret_cast<WPARAM>(icon.Get()), 0);
        // The icon the control loaded from the template is shared and stays;
        // one of ours goes once replaced.
        m_icon = std::move(icon);
    }
    return 0;
}

void CenterAboutBox()
{
    if (!g_pAboutDlg)
        return;
    RECT box;
    if (!::GetWindowRect(g_pAboutDlg->m_hWnd, &box))
        return;
    const int w = box.right - box.left;
    const int h = box.bottom - box.top;

    HWND desktop = ::GetDesktopWindow();
    RECT screen;
    ::GetWindowRect(desktop, &screen);
    POINT centre = {(screen.right - screen.left) / 2, (screen.bottom - screen.top) / 2};
    ::ClientToScreen(desktop, &centre);

    g_pAboutDlg->MoveWindow(centre.x - w / 2, centre.y - h / 2, w, h, TRUE);
}
