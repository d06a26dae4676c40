// Process-wide values of the running program.
#pragma once
#include <windows.h>

class CKorvaneDlg;
class CAboutDlg;

// The interactive session is active (connected, logged on, unlocked); every
// clock change waits for it.
extern BOOL g_bSessionActive;
// The single-instance mutex this process owns, or none.
extern HANDLE g_hInstanceMutex;
// The main dialog, set during start-up and never cleared.
extern CKorvaneDlg* g_pMainDlg;
// The modeless About box, created during start-up and never deleted.
extern CAboutDlg* g_pAboutDlg;
