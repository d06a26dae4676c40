// The application object: runs the hidden main dialog for the whole process.
#pragma once
#include "WinApp.h"

class CKorvaneApp : public CWinApp
{
public:
    BOOL InitInstance() override;
    int ExitInstance() override { return m_nCommandLineStatus; }

    // The exit status of a process started with an argument (CommandLine.h).
    int m_nCommandLineStatus = 0;

protected:
    DECLARE_MESSAGE_MAP()
};
