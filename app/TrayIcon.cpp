// The tray icon's image follows the display: it is made anew for the current
// DPI whenever the DPI, the display or a system setting changes, and when
// the shell starts again.
#include "TrayIcon.h"

#include <utility>

#include "KorvaneDlg.h"
#include "diag/DiagnosticLog.h"
#include "resource.h"

namespace {

// LIM_SMALL: the small-icon size, SM_CXSMICON.
constexpr int kSmallIcon = 0;
using LoadIconMetricFn = HRESULT(WINAPI*)(HINSTANCE hInstance, PCWSTR pszName, int lims, HICON* phIcon);

// Version 6 of the common controls (the manifest's) has it.
LoadIconMetricFn LookUpLoadIconMetric()
{
    HMODULE comctl32 = ::GetModuleHandleW(L"comctl32.dll");
    return comctl32 ? reinterpret_cast<LoadIconMetricFn>(
                          reinterpret_cast<void*>(::GetProcAddress(comctl32, "LoadIconMetric")))
                    : nullptr;
}

} // namespace

HICON LoadTrayIcon()
{
    HINSTANCE hInstance = AfxGetResourceHandle();
    // Where the group lacks the exact size, LoadIconMetric scales the next
    // larger image down; without it the nearest image is taken as it is.
    static const LoadIconMetricFn loadIconMetric = LookUpLoadIconMetric();
    HICON hIcon = nullptr;
    if (loadIconMetric &&
        SUCCEEDED(loadIconMetric(hInstance, MAKEINTRESOURCEW(IDR_MAINFRAME), kSmallIcon, &hIcon)) && hIcon)
        return hIcon;
    return static_cast<HICON>(::LoadImageW(hInstance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                           ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                           LR_DEFAULTCOLOR));
}

UniqueIcon CKorvaneDlg::MakeTrayIcon()
{
    UniqueIcon replaced;
    if (HICON hIcon = LoadTrayIcon()) {
        replaced = std::move(m_trayIcon);
        m_trayIcon.Reset(hIcon);
        m_nid.hIcon = hIcon;
    }
    return replaced;
}

LRESULT CKorvaneDlg::OnIconSizeChange(WPARAM, LPARAM)
{
    Default();
    // Only once AddTrayIcon has filled the record.
    if (!m_nid.cbSize)
        return 0;
    const UniqueIcon replaced = MakeTrayIcon();
    // The image alone: the tip and anything else the shell holds stay.
    NOTIFYICONDATAW nid = m_nid;
    nid.uFlags = NIF_ICON;
    if (!::Shell_NotifyIconW(NIM_MODIFY, &nid))
        diag::Log("tray icon not updated (error %lu)", ::GetLastError());
    return 0;
}
