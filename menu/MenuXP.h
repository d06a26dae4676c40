// The owner-drawn popup menu: owns its item objects (and through them their
// icons), measures its entries and paints them in overridable steps.
#pragma once
#include <string>
#include <windows.h>

#include "Gdi.h"
#include "Menu.h"
#include "MenuPalette.h"
#include "MenuScale.h"
#include "MenuXPItem.h"

constexpr int MENU_STYLE_BUTTON = 0;
constexpr int MENU_STYLE_XP = 2;

class CMenuXP : public CMenu
{
    DECLARE_DYNAMIC(CMenuXP)
public:
    // Reads the menu font and system colours and lays the menu out for the
    // system DPI; no menu is attached yet.
    CMenuXP();
    // Deletes the font, then the item objects, then (CMenu) the menu.
    ~CMenuXP() override;

    // Lays the menu out for nDpi: every length of the 96-DPI design scales
    // with it, and the font becomes the system's menu font for that DPI.
    // FALSE, with the layout unchanged, for a DPI no display has.
    BOOL LayOutForDpi(UINT nDpi);
    UINT GetDpi() const { return m_scale.Dpi(); }
    // Takes every colour of the palette.
    void ApplyPalette(const MenuPalette& palette);

    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
    void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct) override;

    // Painting steps, called by DrawItem with ready-made rectangles.
    virtual void DrawBackground(CDC* pDC, CRect rect, BOOL bSelected, BOOL bDisabled);
    virtual void DrawButton(CDC* pDC, CRect rect, BOOL bSelected, BOOL bDisabled, BOOL bChecked);
    virtual void DrawItemIcon(CDC* pDC, CRect rect, HICON hIcon, BOOL bSelected, BOOL bDisabled,
                              BOOL bChecked);
    virtual void DrawSideBar(CDC* pDC, CRect rect, HICON hIcon, std::wstring strText);
    virtual void DrawItemText(CDC* pDC, CRect rect, std::wstring strText, BOOL bSelected, BOOL bDisabled,
                              BOOL bBold);
    virtual void DrawCheck(CDC* pDC, CRect rect, BOOL bSelected);
    virtual void DrawMenuText(CDC* pDC, CRect rect, std::wstring strText, COLORREF crText);
    virtual void DrawIconBar(CDC* pDC, CRect rect, BOOL bSelected, BOOL bDisabled, BOOL bChecked);

    // The menu owns every item passed to these from the call on; an item that
    // cannot be appended is deleted at once.

    // Appends the side bar and arms a column break for the next text entry.
    BOOL AddSideBar(CMenuXPSideBar* pItem);
    // Appends a text entry, consuming an armed break. FALSE for a null item.
    BOOL AppendODMenu(CMenuXPItem* pItem);
    // Appends a separator entry; an armed break is dropped.
    BOOL AppendSeparator();

    static void FillRectColor(CDC* pDC, const CRect& rect, COLORREF crColor);
    // A frame nWidth pixels wide just inside the rectangle.
    static void FrameRectColor(CDC* pDC, const CRect& rect, COLORREF crColor, int nWidth);
    // Paints the icon's silhouette: embossed (a light copy nOffset pixels
    // down and right under a copy in the shadow colour), or as a shadow
    // nOffset + 1 pixels deep. Without colours and offset: the system's
    // button colours and one pixel.
    static void DrawMonoIcon(CDC* pDC, HICON hIcon, BOOL bShadow, const CRect& rect);
    static void DrawMonoIcon(CDC* pDC, HICON hIcon, BOOL bShadow, const CRect& rect, COLORREF crShadow,
                             COLORREF crLight, int nOffset);
    // A width x height bitmap fading from crFrom (bottom row) to crTo (top);
    // nullptr when the size is not positive or the pixels cannot be allocated.
    static HBITMAP CreateGradientBitmap(HDC hDC, COLORREF crFrom, COLORREF crTo, int nWidth, int nHeight);

    CFont m_fontMenu;
    COLORREF m_clrBackground;
    COLORREF m_clrSelectedBar;
    COLORREF m_clrText;
    COLORREF m_clrSelectedText;
    COLORREF m_clrDisabledText;
    COLORREF m_clrSideBarStart = RGB(0xE1, 0xE1, 0xE1);
    COLORREF m_clrSideBarEnd = RGB(0, 0, 0);
    COLORREF m_clrIconBar;
    // The copy under grayed text; CLR_INVALID paints it in m_clrSelectedText.
    COLORREF m_clrDisabledRelief = CLR_INVALID;
    // Colours that were fixed or the system's; a palette sets them.
    COLORREF m_clrFrame = RGB(0, 0, 0);
    COLORREF m_clrCheck = RGB(0, 0, 0);
    COLORREF m_clrSeparatorShadow;
    COLORREF m_clrSeparatorLight;
    COLORREF m_clrIconShadow;
    COLORREF m_clrIconLight;
    COLORREF m_clrSideBarText = RGB(255, 255, 255);
    BOOL m_bBreak = FALSE;
    BOOL m_bBreakBar = FALSE;
    int m_nStyle = MENU_STYLE_XP;

protected:
    // Deletes every item object (and CMenuXP submenu) the entries carry.
    void ClearItems();
    // Appends pItem as an owner-drawn entry, or deletes it.
    BOOL AppendItem(UINT nFlags, CMenuXPItem* pItem);
    // A bold copy of m_fontMenu.
    BOOL CreateBoldMenuFont(CFont& font) const;

    // The lengths of the layout's DPI.
    MenuScale m_scale;
};
