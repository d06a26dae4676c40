#include "KorvaneApp.h"

#include <commctrl.h>

#include "CommandLine.h"
#include "DllSearch.h"
#include "KorvaneDlg.h"
#include "diag/DiagnosticLog.h"
#include "version.h"

namespace {
// The framework's standard Help command.
constexpr UINT ID_HELP = 0xE146;
} // namespace

BEGIN_MESSAGE_MAP(CKorvaneApp, CWinApp)
    ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

BOOL CKorvaneApp::InitInstance()
{
    // First: the driver libraries are loaded by plain name, and a planted
    // copy in the working directory or on PATH must not be found.
    RestrictDllSearchToTrustedFolders();
    // With an argument this process only steers the running Korvane.
    if (RunCommandLine(::GetCommandLineW(), &m_nCommandLineStatus))
        return FALSE;
    diag::LogStart(KORVANE_VERSION_STRING);
    INITCOMMONCONTROLSEX icc = {sizeof icc, 0xFF};
    ::InitCommonControlsEx(&icc);
    CWinApp::InitInstance();
    SetRegistryKey(L"Local AppWizard-Generated Applications");

    CKorvaneDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
