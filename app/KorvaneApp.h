// The application object: runs the hidden main dialog for the whole process.
#pragma once
#include "WinApp.h"

class CKorvaneApp : public CWinApp
{
public:
    BOOL InitInstance() override;

protected:
    DECLARE_MESSAGE_MAP()
};
