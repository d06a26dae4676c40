// The painting steps. Each releases what it creates and selects back what it
// selects; only the text colour and background mode may stay changed. Every
// length is the 96-DPI design's, scaled to the layout's DPI (m_scale), and
// every colour is the menu's own (ApplyPalette).
#include "MenuXP.h"

void CMenuXP::DrawBackground(CDC* pDC, CRect rect, BOOL bSelected, BOOL bDisabled)
{
    const bool bXP = m_nStyle == MENU_STYLE_XP;
    COLORREF crFill = m_clrBackground;
    if (bSelected && !(bXP && bDisabled))
        crFill = m_clrSelectedBar;
    FillRectColor(pDC, rect, crFill);

    if (bXP && bSelected && !bDisabled)
        FrameRectColor(pDC, rect, m_clrFrame, m_scale(1));
}

void CMenuXP::DrawIconBar(CDC* pDC, CRect rect, BOOL bSelected, BOOL bDisabled, BOOL)
{
    if (m_nStyle == MENU_STYLE_XP && (!bSelected || bDisabled))
        FillRectColor(pDC, rect, m_clrIconBar);
}

void CMenuXP::DrawButton(CDC* pDC, CRect rect, BOOL bSelected, BOOL bDisabled, BOOL bChecked)
{
    if (m_nStyle == MENU_STYLE_BUTTON) {
        FillRectColor(pDC, rect, bChecked && !bSelected ? m_clrIconLight : m_clrBackground);
        if (!bDisabled && (bSelected || bChecked))
            pDC->DrawEdge(rect, bChecked ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    } else if (m_nStyle == MENU_STYLE_XP) {
        if (!bSelected && bChecked && !bDisabled)
            DrawBackground(pDC, rect, TRUE, FALSE);
    }
}

void CMenuXP::DrawItemIcon(CDC* pDC, CRect rect, HICON hIcon, BOOL bSelected, BOOL bDisabled, BOOL bChecked)
{
    const int nLift = m_scale(1);
    if (bDisabled) {
        DrawMonoIcon(pDC, hIcon, FALSE, rect, m_clrIconShadow, m_clrIconLight, nLift);
        return;
    }
    if (m_nStyle == MENU_STYLE_XP && bSelected && !bChecked) {
        DrawMonoIcon(pDC, hIcon, TRUE, rect, m_clrIconShadow, m_clrIconLight, nLift);
        rect.OffsetRect(-nLift, -nLift);
    }
    pDC->DrawIconEx(rect.left, rect.top, hIcon, rect.Width(), rect.Height(), 0, nullptr, DI_NORMAL);
}

// An 8 x 8 mark of three stacked polylines at 96 DPI; at a larger DPI the
// mark and its stroke grow alike.
void CMenuXP::DrawCheck(CDC* pDC, CRect rect, BOOL)
{
    const MenuScale& px = m_scale;
    const int x = rect.left + (rect.Width() - px(8)) / 2;
    const int y = rect.top + (rect.Height() - px(8)) / 2;
    CPen pen;
    pen.CreatePen(PS_SOLID, 1, m_clrCheck);
    CSelectGuard selectPen(*pDC, pen);
    for (int k = 0; k < px(3); ++k) {
        pDC->MoveTo(x, y + px(3) + k);
        pDC->LineTo(x + px(2), y + px(5) + k);
        pDC->LineTo(x + px(7), y + k);
    }
}

void CMenuXP::DrawItemText(CDC* pDC, CRect rect, std::wstring strText, BOOL bSelected, BOOL bDisabled,
                           BOOL bBold)
{
    CFont fontBold;
    const bool bUseBold = bBold && CreateBoldMenuFont(fontBold);
    CSelectGuard selectFont(*pDC, bUseBold ? fontBold : m_fontMenu);
    pDC->SetBkMode(TRANSPARENT);

    COLORREF crText;
    if (bDisabled) {
        if (!bSelected || m_nStyle == MENU_STYLE_XP) {
            CRect relief = rect;
            relief.OffsetRect(m_scale(1), m_scale(1));
            DrawMenuText(pDC, relief, strText,
                         m_clrDisabledRelief == CLR_INVALID ? m_clrSelectedText : m_clrDisabledRelief);
        }
        crText = m_clrDisabledText;
    } else {
        crText = bSelected ? m_clrSelectedText : m_clrText;
    }
    DrawMenuText(pDC, rect, strText, crText);
}

void CMenuXP::DrawMenuText(CDC* pDC, CRect rect, std::wstring strText, COLORREF crText)
{
    const size_t tab = strText.find(L'\t');
    std::wstring strLabel = strText;
    std::wstring strRight;
    if (tab != std::wstring::npos) {
        strLabel = strText.substr(0, tab);
        strRight = strText.substr(tab + 1);
    }
    pDC->SetTextColor(crText);
    pDC->DrawText(strLabel, rect, DT_SINGLELINE | DT_VCENTER);
    if (tab != std::wstring::npos && tab > 0)
        pDC->DrawText(strRight, rect, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
}

void CMenuXP::DrawSideBar(CDC* pDC, CRect rect, HICON, std::wstring strText)
{
    const MenuScale& px = m_scale;
    rect.right += px(3);
    if (HBITMAP hGradient = CreateGradientBitmap(pDC->GetSafeHdc(), m_clrSideBarStart, m_clrSideBarEnd,
                                                 rect.Width(), rect.Height())) {
        CBitmap bitmap;
        bitmap.Attach(hGradient);
        CDC memDC;
        if (memDC.CreateCompatibleDC(pDC)) {
            CSelectGuard selectBitmap(memDC, bitmap);
            pDC->BitBlt(rect.left, rect.top, rect.Width(), rect.Height(), &memDC, 0, 0, SRCCOPY);
        }
    }

    // Turned 90 degrees counter-clockwise: the caption runs upwards.
    CFont font;
    font.CreateFont(px(12), 0, 900, 900, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial");
    CSelectGuard selectFont(*pDC, font);
    const COLORREF crOld = pDC->SetTextColor(m_clrSideBarText);
    pDC->SetBkMode(TRANSPARENT);
    pDC->TextOut(rect.left + px(2), rect.bottom - px(4), strText);
    pDC->SetTextColor(crOld);
}
