#include "GdiObjects.h"

CGdiObject& CGdiObject::operator=(CGdiObject&& other) noexcept
{
    if (this != &other) {
        DeleteObject();
        m_hObject = other.Detach();
    }
    return *this;
}

BOOL CGdiObject::Attach(HGDIOBJ hObject)
{
    if (m_hObject || !hObject)
        return FALSE;
    m_hObject = hObject;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ h = m_hObject;
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject)
        return FALSE;
    return ::DeleteObject(Detach());
}

int CGdiObject::GetObject(int nCount, void* pObject) const
{
    return m_hObject ? ::GetObjectW(m_hObject, nCount, pObject) : 0;
}

BOOL CGdiObject::Adopt(HGDIOBJ hNew)
{
    if (!hNew)
        return FALSE;
    m_hObject = hNew;
    return TRUE;
}

BOOL CFont::CreateFontIndirect(const LOGFONTW* lpLogFont)
{
    if (m_hObject || !lpLogFont)
        return FALSE;
    return Adopt(::CreateFontIndirectW(lpLogFont));
}

BOOL CFont::CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                       BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision,
                       BYTE nClipPrecision, BYTE nQuality, BYTE nPitchAndFamily, const wchar_t* lpszFacename)
{
    if (m_hObject)
        return FALSE;
    return Adopt(::CreateFontW(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic, bUnderline,
                               cStrikeOut, nCharSet, nOutPrecision, nClipPrecision, nQuality, nPitchAndFamily,
                               lpszFacename));
}

BOOL CFont::GetLogFont(LOGFONTW* pLogFont) const
{
    if (!m_hObject || !pLogFont)
        return FALSE;
    LOGFONTW lf{};
    if (::GetObjectW(m_hObject, sizeof(lf), &lf) != sizeof(lf))
        return FALSE;
    *pLogFont = lf;
    return TRUE;
}

BOOL CBrush::CreateSolidBrush(COLORREF crColor)
{
    if (m_hObject)
        return FALSE;
    return Adopt(::CreateSolidBrush(crColor));
}

BOOL CPen::CreatePen(int nPenStyle, int nWidth, COLORREF crColor)
{
    if (m_hObject)
        return FALSE;
    return Adopt(::CreatePen(nPenStyle, nWidth, crColor));
}

BOOL CBitmap::CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits)
{
    if (m_hObject)
        return FALSE;
    return Adopt(::CreateBitmap(nWidth, nHeight, nPlanes, nBitCount, lpBits));
}
