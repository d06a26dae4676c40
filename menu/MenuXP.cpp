#include "MenuXP.h"

#include <new>
#include <utility>

IMPLEMENT_DYNAMIC(CMenuXP, CMenu)

namespace {

// NONCLIENTMETRICSW as this build declares it, iPaddedBorderWidth included.
constexpr UINT kNonClientMetricsSize = 504;
static_assert(sizeof(NONCLIENTMETRICSW) == kNonClientMetricsSize, "NONCLIENTMETRICSW layout");
#ifndef _WIN64
static_assert(sizeof(MENUITEMINFOW) == 48, "MENUITEMINFOW layout");
#endif

// The GUI font stands in when the system's menu font cannot be had.
bool GetFallbackFont(LOGFONTW* pLogFont)
{
    return ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(*pLogFont), pLogFont) == sizeof(*pLogFont);
}

} // namespace

CMenuXP::CMenuXP() : m_scale(dpi::SystemDpi())
{
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = kNonClientMetricsSize;
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0) ||
        !m_fontMenu.CreateFontIndirect(&ncm.lfMenuFont)) {
        LOGFONTW lf{};
        if (GetFallbackFont(&lf))
            m_fontMenu.CreateFontIndirect(&lf);
    }
    m_clrBackground = ::GetSysColor(COLOR_MENU);
    m_clrSelectedBar = ::GetSysColor(COLOR_HIGHLIGHT);
    m_clrText = ::GetSysColor(COLOR_MENUTEXT);
    m_clrSelectedText = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    m_clrDisabledText = ::GetSysColor(COLOR_GRAYTEXT);
    m_clrIconBar = m_clrBackground;
    m_clrSeparatorShadow = m_clrIconShadow = ::GetSysColor(COLOR_BTNSHADOW);
    m_clrSeparatorLight = m_clrIconLight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
}

BOOL CMenuXP::LayOutForDpi(UINT nDpi)
{
    if (!dpi::IsUsable(nDpi))
        return FALSE;
    if (nDpi == m_scale.Dpi())
        return TRUE;
    // Where the system has no menu font at all, the font in use grows with
    // the DPI instead.
    LOGFONTW lf{};
    const bool bSystemFont = dpi::MenuFontForDpi(nDpi, &lf);
    if (bSystemFont || m_fontMenu.GetLogFont(&lf)) {
        if (!bSystemFont)
            lf.lfHeight = ::MulDiv(lf.lfHeight, static_cast<int>(nDpi), static_cast<int>(m_scale.Dpi()));
        CFont font;
        if (font.CreateFontIndirect(&lf))
            m_fontMenu = std::move(font);
    }
    m_scale = MenuScale(nDpi);
    return TRUE;
}

void CMenuXP::ApplyPalette(const MenuPalette& palette)
{
    m_clrBackground = palette.clrBackground;
    m_clrText = palette.clrText;
    m_clrSelectedBar = palette.clrSelectedBar;
    m_clrSelectedText = palette.clrSelectedText;
    m_clrDisabledText = palette.clrDisabledText;
    m_clrDisabledRelief = palette.clrDisabledRelief;
    m_clrIconBar = palette.clrIconBar;
    m_clrFrame = palette.clrFrame;
    m_clrCheck = palette.clrCheck;
    m_clrSeparatorShadow = palette.clrSeparatorShadow;
    m_clrSeparatorLight = palette.clrSeparatorLight;
    m_clrIconShadow = palette.clrIconShadow;
    m_clrIconLight = palette.clrIconLight;
    m_clrSideBarStart = palette.clrSideBarStart;
    m_clrSideBarEnd = palette.clrSideBarEnd;
    m_clrSideBarText = palette.clrSideBarText;
}

CMenuXP::~CMenuXP()
{
    m_fontMenu.DeleteObject();
    ClearItems();
}

BOOL CMenuXP::AddSideBar(CMenuXPSideBar* pItem)
{
    if (!pItem)
        return FALSE;
    m_bBreak = TRUE;
    m_bBreakBar = FALSE;
    return AppendItem(MF_OWNERDRAW | MF_SEPARATOR, pItem);
}

BOOL CMenuXP::AppendODMenu(CMenuXPItem* pItem)
{
    if (!pItem)
        return FALSE;
    UINT nFlags = MF_OWNERDRAW;
    if (m_bBreak)
        nFlags |= MF_MENUBREAK;
    if (m_bBreakBar)
        nFlags |= MF_MENUBARBREAK;
    m_bBreak = FALSE;
    m_bBreakBar = FALSE;
    return AppendItem(nFlags, pItem);
}

BOOL CMenuXP::AppendSeparator()
{
    m_bBreak = FALSE;
    m_bBreakBar = FALSE;
    // Without an item object the entry is still appended; it is neither
    // measured nor painted.
    auto* pItem = new (std::nothrow) CMenuXPSeparator;
    if (!pItem)
        return AppendMenu(MF_OWNERDRAW | MF_SEPARATOR, 0, nullptr);
    return AppendItem(MF_OWNERDRAW | MF_SEPARATOR, pItem);
}

BOOL CMenuXP::AppendItem(UINT nFlags, CMenuXPItem* pItem)
{
    if (AppendMenu(nFlags, pItem->m_nID, reinterpret_cast<LPCWSTR>(pItem)))
        return TRUE;
    delete pItem;
    return FALSE;
}

void CMenuXP::ClearItems()
{
    const int nCount = GetMenuItemCount();
    for (int i = 0; i < nCount; ++i) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_TYPE | MIIM_DATA;
        if (::GetMenuItemInfoW(m_hMenu, static_cast<UINT>(i), TRUE, &mii) && (mii.fType & MFT_OWNERDRAW))
            delete MenuXPItemFromData(mii.dwItemData);

        HMENU hSubMenu = ::GetSubMenu(m_hMenu, i);
        CMenu* pSubMenu = hSubMenu ? CMenu::FromHandle(hSubMenu) : nullptr;
        if (pSubMenu && pSubMenu->IsKindOf(RUNTIME_CLASS(CMenuXP)))
            delete pSubMenu;
    }
}

BOOL CMenuXP::CreateBoldMenuFont(CFont& font) const
{
    LOGFONTW lf{};
    if (!m_fontMenu.GetLogFont(&lf) && !GetFallbackFont(&lf))
        return FALSE;
    lf.lfWeight = FW_BOLD;
    return font.CreateFontIndirect(&lf);
}
