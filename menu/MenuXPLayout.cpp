// Sizes of the entries and the order in which one entry is painted.
#include <algorithm>

#include "MenuXP.h"

void CMenuXP::MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct)
{
    if (!lpMeasureItemStruct || lpMeasureItemStruct->CtlType != ODT_MENU)
        return;
    const CMenuXPItem* pItem = MenuXPItemFromData(lpMeasureItemStruct->itemData);
    if (!pItem)
        return;
    const int S = pItem->m_nSize;

    if (pItem->m_bSideBar) {
        lpMeasureItemStruct->itemWidth = static_cast<UINT>(S);
        lpMeasureItemStruct->itemHeight = 0;
    } else if (pItem->m_bSeparator) {
        lpMeasureItemStruct->itemHeight = static_cast<UINT>(::GetSystemMetrics(SM_CYMENUCHECK) / 2);
        lpMeasureItemStruct->itemWidth = 0;
    } else {
        // Every entry is measured in bold, so that a bold (default) entry fits.
        CRect rc;
        {
            CWindowDC dc(nullptr);
            CFont fontBold;
            const bool bHaveBold = CreateBoldMenuFont(fontBold) != FALSE;
            CSelectGuard selectFont(dc, bHaveBold ? fontBold : m_fontMenu);
            dc.DrawText(pItem->m_strText, rc, DT_SINGLELINE | DT_VCENTER | DT_CALCRECT);
        }
        lpMeasureItemStruct->itemHeight = static_cast<UINT>(std::max<int>(rc.Height(), S + 4));
        lpMeasureItemStruct->itemWidth = static_cast<UINT>(rc.Width() + 2 * S + 12);
    }
    // The system widens owner-drawn popup entries by the check-mark width;
    // this takes it back (a separator's width wraps below zero on purpose).
    lpMeasureItemStruct->itemWidth += static_cast<UINT>(1 - ::GetSystemMetrics(SM_CXMENUCHECK));
}

void CMenuXP::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    if (!lpDrawItemStruct || lpDrawItemStruct->CtlType != ODT_MENU)
        return;
    const CMenuXPItem* pItem = MenuXPItemFromData(lpDrawItemStruct->itemData);
    if (!pItem)
        return;

    CDC dc;
    if (!dc.Attach(lpDrawItemStruct->hDC))
        return;
    const CRect R = lpDrawItemStruct->rcItem;
    const int S = pItem->m_nSize;
    const UINT state = lpDrawItemStruct->itemState;
    const BOOL bSelected = (state & ODS_SELECTED) != 0;
    const BOOL bDisabled = (state & ODS_GRAYED) != 0;
    const BOOL bChecked = (state & ODS_CHECKED) != 0;
    const BOOL bBold = (state & ODS_DEFAULT) != 0;

    if (pItem->m_bSideBar) {
        // Measured 0 high, the bar is painted over the whole clip box so that
        // it fills its column wherever the menu is repainted.
        CRect clip;
        dc.GetClipBox(clip);
        DrawSideBar(&dc, CRect(R.left, clip.top, R.right, clip.bottom), pItem->m_hIcon, pItem->m_strText);
    } else if (pItem->m_bSeparator) {
        DrawBackground(&dc, R, FALSE, FALSE);
        CRect line(R.left, R.top + R.Height() / 2, R.right, R.bottom);
        dc.DrawEdge(line, EDGE_ETCHED, BF_TOP);
        if (m_nStyle == MENU_STYLE_XP)
            DrawIconBar(&dc, CRect(R.left, R.top, R.left + S + 4, R.top + S + 4), FALSE, FALSE, FALSE);
    } else {
        const int h = R.Height();
        DrawBackground(&dc, R, bSelected, bDisabled);
        if (m_nStyle == MENU_STYLE_XP)
            DrawIconBar(&dc, CRect(R.left, R.top, R.left + h, R.bottom), bSelected, bDisabled, bChecked);
        const CRect box(R.left, R.top, R.left + h, R.top + h);
        if (pItem->m_hIcon || bChecked)
            DrawButton(&dc, box, bSelected, bDisabled, bChecked);
        CRect inner = box;
        inner.DeflateRect(2);
        if (pItem->m_hIcon)
            DrawItemIcon(&dc, inner, pItem->m_hIcon, bSelected, bDisabled, bChecked);
        else if (bChecked)
            DrawCheck(&dc, inner, bSelected);
        DrawItemText(&dc, CRect(box.right + 2, R.top, R.right - S, R.bottom), pItem->m_strText, bSelected,
                     bDisabled, bBold);
    }
    dc.Detach();
}
