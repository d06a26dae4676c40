#include "MenuXPItem.h"

#include <utility>

CMenuXPItem::~CMenuXPItem()
{
    if (m_hIcon)
        ::DestroyIcon(m_hIcon);
}

CMenuXPText::CMenuXPText(UINT nID, std::wstring strText, HICON hIcon)
{
    m_nID = nID;
    m_strText = std::move(strText);
    m_hIcon = hIcon;
}

CMenuXPSideBar::CMenuXPSideBar()
{
    m_bSideBar = true;
    m_nID = 0;
    m_strText = L"Korvane";
    m_hIcon = nullptr;
    m_nSize = 16;
}

CMenuXPSeparator::CMenuXPSeparator()
{
    m_bSeparator = true;
    m_nID = 0;
}

namespace {
// The lowest 64 KiB of the address space are never mapped on Windows: item
// data below is a number, not an object.
constexpr ULONG_PTR kLowestObjectAddress = 0x10000;
} // namespace

CMenuXPItem* MenuXPItemFromData(ULONG_PTR itemData)
{
    if (itemData < kLowestObjectAddress || itemData % alignof(CMenuXPItem) != 0)
        return nullptr;
    auto* pItem = reinterpret_cast<CMenuXPItem*>(itemData);
    return pItem->m_dwMagic == CMenuXPItem::kSignature ? pItem : nullptr;
}
