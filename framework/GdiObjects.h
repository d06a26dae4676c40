// Owners of GDI objects: each wrapper deletes the object it holds, whether it
// created it or was given it with Attach. Move-only, so one object has one owner.
#pragma once
#include <windows.h>

class CGdiObject
{
public:
    virtual ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    CGdiObject(CGdiObject&& other) noexcept : m_hObject(other.Detach()) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept;

    HGDIOBJ m_hObject = nullptr;
    HGDIOBJ GetSafeHandle() const { return m_hObject; }

    // Takes ownership of hObject; fails when an object is already held.
    BOOL Attach(HGDIOBJ hObject);
    // Gives up ownership without deleting.
    HGDIOBJ Detach();
    // Deletes the held object; FALSE when none is held or deletion fails.
    BOOL DeleteObject();
    int GetObject(int nCount, void* pObject) const;

protected:
    CGdiObject() = default;
    // Keeps a freshly created handle. The Create functions refuse to run while
    // an object is held, so nothing leaks or is silently replaced.
    BOOL Adopt(HGDIOBJ hNew);
};

class CFont : public CGdiObject
{
public:
    CFont() = default;
    BOOL CreateFontIndirect(const LOGFONTW* lpLogFont);
    BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                    BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                    BYTE nQuality, BYTE nPitchAndFamily, const wchar_t* lpszFacename);
    // FALSE (and *pLogFont untouched) when no font is held.
    BOOL GetLogFont(LOGFONTW* pLogFont) const;
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
};

class CBrush : public CGdiObject
{
public:
    CBrush() = default;
    BOOL CreateSolidBrush(COLORREF crColor);
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
};

class CPen : public CGdiObject
{
public:
    CPen() = default;
    BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor);
    operator HPEN() const { return static_cast<HPEN>(m_hObject); }
};

class CBitmap : public CGdiObject
{
public:
    CBitmap() = default;
    BOOL CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits);
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
};
