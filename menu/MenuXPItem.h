// Item objects carried as item data by the owner-drawn entries of a CMenuXP.
// The entry's kind is read in this order: side bar, separator, otherwise text.
#pragma once
#include <string>
#include <windows.h>

class CMenuXPItem
{
public:
    static constexpr DWORD kSignature = 0x0505A0A0;

    CMenuXPItem() = default;
    // Destroys the icon the item owns.
    virtual ~CMenuXPItem();
    CMenuXPItem(const CMenuXPItem&) = delete;
    CMenuXPItem& operator=(const CMenuXPItem&) = delete;

    DWORD m_dwMagic = kSignature;
    UINT m_nID = 0;
    bool m_bSeparator = false;
    bool m_bSideBar = false;
    std::wstring m_strText;
    HICON m_hIcon = nullptr;
    int m_nSize = 16;
};

// A text entry with an optional icon; the item takes ownership of hIcon.
class CMenuXPText : public CMenuXPItem
{
public:
    CMenuXPText(UINT nID, std::wstring strText, HICON hIcon);
};

// The vertical bar along the menu's left edge, captioned "Korvane".
class CMenuXPSideBar : public CMenuXPItem
{
public:
    CMenuXPSideBar();
};

class CMenuXPSeparator : public CMenuXPItem
{
public:
    CMenuXPSeparator();
};

// The item object an entry's item data points to, or nullptr when the data is
// not a CMenuXPItem carrying the signature. The menu holds only its own
// items, so the data is either null, a small number or a live object: it is
// read without probing the memory first.
CMenuXPItem* MenuXPItemFromData(ULONG_PTR itemData);
