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

bool IsReadable(const void* p, size_t size)
{
    MEMORY_BASIC_INFORMATION mbi{};
    if (!::VirtualQuery(p, &mbi, sizeof(mbi)) || mbi.State != MEM_COMMIT)
        return false;
    const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    if (!(mbi.Protect & readable) || (mbi.Protect & PAGE_GUARD))
        return false;
    const auto begin = reinterpret_cast<ULONG_PTR>(p);
    const auto regionEnd = reinterpret_cast<ULONG_PTR>(mbi.BaseAddress) + mbi.RegionSize;
    return begin + size >= begin && begin + size <= regionEnd;
}

} // namespace

CMenuXPItem* MenuXPItemFromData(ULONG_PTR itemData)
{
    if (!itemData || itemData % alignof(CMenuXPItem) != 0)
        return nullptr;
    auto* pItem = reinterpret_cast<CMenuXPItem*>(itemData);
    if (!IsReadable(pItem, sizeof(CMenuXPItem)))
        return nullptr;
    return pItem->m_dwMagic == CMenuXPItem::kSignature ? pItem : nullptr;
}
