// The About box: application icon, product and version, legal notice.
#pragma once
#include "Controls.h"
#include "Dialog.h"
#include "UniqueIcon.h"

class CAboutDlg : public CDialog
{
public:
    CAboutDlg();

    CStatic m_legalNotice;

    // Moved to a monitor of another DPI: the icon is loaded at the icon
    // size of that DPI (the dialog manager scales the rest).
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    DECLARE_MESSAGE_MAP()

private:
    // The icon shown once the DPI changed; until then the control's own.
    UniqueIcon m_icon;
};

// Moves the modeless About box to the middle of the desktop.
void CenterAboutBox();
