// Sizes of the entries and the order in which one entry is painted. Every
// length is the 96-DPI design's, scaled to the layout's DPI (m_scale).
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
    const MenuScale& px = m_scale;

    if (pItem->m_bSideBar) {
        lpMeasureItemStruct->itemWidth = static_cast<UINT>(px(S));
        lpMeasureItemStruct->itemHeight = 0;
    } else if (pItem->m_bSeparator) {
        lpMeasureItemStruct->itemHeight = static_cast<UINT>(px.Metric(SM_CYMENUCHECK) / 2);
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
        lpMeasureItemStruct->itemHeight = static_cast<UINT>(std::max<int>(rc.Height(), px(S + 4)));
        lpMeasureItemStruct->itemWidth = static_cast<UINT>(rc.Width() + px(2 * S + 12));
    }
    // The system widens owner-drawn popup entries by the check-mark width;
    // this takes it back (a separator's width wraps below zero on purpose).
    lpMeasureItemStruct->itemWidth += static_cast<UINT>(1 - px.Metric(SM_CXMENUCHECK));
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
    const MenuScale& px = m_scale;
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
        // An etched line along the top of the lower half.
        const int y = R.top + R.Height() / 2;
        FillRectColor(&dc, CRect(R.left, y, R.right, y + px(1)), m_clrSeparatorShadow);
        FillRectColor(&dc, CRect(R.left, y + px(1), R.right, y + 2 * px(1)), m_clrSeparatorLight);
        if (m_nStyle == MENU_STYLE_XP)
            DrawIconBar(&dc, CRect(R.left, R.top, R.left + px(S + 4), R.top + px(S + 4)), FALSE, FALSE,
                        FALSE);
    } else {
        const int h = R.Height();
        DrawBackground(&dc, R, bSelected, bDisabled);
        if (m_nStyle == MENU_STYLE_XP)
            DrawIconBar(&dc, CRect(R.left, R.top, R.left + h, R.bottom), bSelected, bDisabled, bChecked);
        const CRect box(R.left, R.top, R.left + h, R.top + h);
        if (pItem->m_hIcon || bChecked)
            DrawButton(&dc, box, bSelected, bDisabled, bChecked);
        CRect inner = box;
        inner.DeflateRect(px(2));
        if (pItem->m_hIcon)
            DrawItemIcon(&dc, inner, pItem->m_hIcon, bSelected, bDisabled, bChecked);
        else if (bChecked)
            DrawCheck(&dc, inner, bSelected);
        DrawItemText(&dc, CRect(box.right + px(2), R.top, R.right - px(S), R.bottom), pItem->m_strText,
                     bSelected, bDisabled, bBold);
    }
    dc.Detach();
}
