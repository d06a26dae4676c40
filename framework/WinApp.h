// The application object: one per process, run by the framework's wWinMain.
#pragma once
#include <string>
#include "CmdTarget.h"

class CWnd;

class CWinApp : public CCmdTarget
{
public:
    CWinApp();
    ~CWinApp() override;

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;
    std::wstring m_strRegistryKey;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int Run();
    virtual int ExitInstance() { return 0; }

    // Names the registry key settings would go under; nothing is stored.
    void SetRegistryKey(const wchar_t* key) { m_strRegistryKey = key ? key : L""; }
    void OnHelp() {}
};

CWinApp* AfxGetApp();
int AfxWinMain(HINSTANCE hInstance);
