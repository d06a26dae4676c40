#include "MainState.h"

BOOL g_bSessionActive = TRUE;
HANDLE g_hInstanceMutex = nullptr;
CKorvaneDlg* g_pMainDlg = nullptr;
CAboutDlg* g_pAboutDlg = nullptr;
