// Control objects bound to a dialog's controls.
#pragma once
#include "Wnd.h"

class CStatic : public CWnd
{};

class CButton : public CWnd
{
public:
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int nCheck) const { SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck)); }
};
