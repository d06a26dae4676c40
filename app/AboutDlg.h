// The About box: application icon, product and version, legal notice.
#pragma once
#include "Controls.h"
#include "Dialog.h"

class CAboutDlg : public CDialog
{
public:
    CAboutDlg();

    CStatic m_legalNotice;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    DECLARE_MESSAGE_MAP()
};

// Moves the modeless About box to the middle of the desktop.
void CenterAboutBox();
