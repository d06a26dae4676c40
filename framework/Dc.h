// Device contexts. A CDC given a DC with Attach only borrows it; a CDC that
// made its own DC (CreateCompatibleDC, or the window DC of CWindowDC) gives it
// back when it ends.
#pragma once
#include <string>
#include <windows.h>

#include "GdiObjects.h"
#include "Rect.h"

class CDC
{
public:
    CDC() = default;
    virtual ~CDC() { Release(); }
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    CDC(CDC&& other) noexcept;
    CDC& operator=(CDC&& other) noexcept;

    HDC m_hDC = nullptr;
    HDC GetSafeHdc() const { return m_hDC; }

    // Borrows hDC; fails when a DC is already held.
    BOOL Attach(HDC hDC);
    // Gives up the DC without releasing it (whoever owns it still must).
    HDC Detach();
    // A memory DC compatible with pDC (the screen when null), owned by this object.
    BOOL CreateCompatibleDC(const CDC* pDC);
    // Releases an owned DC or forgets a borrowed one.
    void Release();

    HGDIOBJ SelectObject(HGDIOBJ hObject) { return ::SelectObject(m_hDC, hObject); }
    HGDIOBJ SelectObject(const CGdiObject& object) { return SelectObject(object.GetSafeHandle()); }
    HGDIOBJ SelectStockObject(int nIndex) { return SelectObject(::GetStockObject(nIndex)); }

    COLORREF SetTextColor(COLORREF crColor) { return ::SetTextColor(m_hDC, crColor); }
    COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
    COLORREF SetBkColor(COLORREF crColor) { return ::SetBkColor(m_hDC, crColor); }
    COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
    int SetBkMode(int nBkMode) { return ::SetBkMode(m_hDC, nBkMode); }

    BOOL PatBlt(int x, int y, int nWidth, int nHeight, DWORD dwRop)
    {
        return ::PatBlt(m_hDC, x, y, nWidth, nHeight, dwRop);
    }
    BOOL BitBlt(int x, int y, int nWidth, int nHeight, const CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop)
    {
        return ::BitBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC ? pSrcDC->m_hDC : nullptr, xSrc, ySrc, dwRop);
    }
    BOOL Rectangle(int x1, int y1, int x2, int y2) { return ::Rectangle(m_hDC, x1, y1, x2, y2); }
    POINT MoveTo(int x, int y);
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }

    int DrawText(const std::wstring& text, LPRECT lpRect, UINT nFormat)
    {
        return ::DrawTextW(m_hDC, text.c_str(), static_cast<int>(text.size()), lpRect, nFormat);
    }
    BOOL TextOut(int x, int y, const std::wstring& text)
    {
        return ::TextOutW(m_hDC, x, y, text.c_str(), static_cast<int>(text.size()));
    }
    BOOL DrawEdge(LPRECT lpRect, UINT nEdge, UINT nFlags) { return ::DrawEdge(m_hDC, lpRect, nEdge, nFlags); }
    BOOL DrawIconEx(int x, int y, HICON hIcon, int cxWidth, int cyWidth, UINT uStepIfAniCur,
                    HBRUSH hbrFlickerFreeDraw, UINT diFlags)
    {
        return ::DrawIconEx(m_hDC, x, y, hIcon, cxWidth, cyWidth, uStepIfAniCur, hbrFlickerFreeDraw, diFlags);
    }
    int GetClipBox(LPRECT lpRect) const { return ::GetClipBox(m_hDC, lpRect); }

protected:
    enum class Ownership { Borrowed, Created, FromWindow };
    Ownership m_ownership = Ownership::Borrowed;
    HWND m_hWndOwner = nullptr; // the window a FromWindow DC goes back to
};

// The DC of a whole window, non-client area included; of the screen for a
// null window. Released when the object ends.
class CWindowDC : public CDC
{
public:
    explicit CWindowDC(HWND hWnd);
};

// Selects an object into a DC and selects the previous one back when the
// guard ends. Holds the DC itself, so the restore never goes to a null DC.
class CSelectGuard
{
public:
    CSelectGuard(HDC hDC, HGDIOBJ hObject) : m_hDC(hDC), m_hOld(::SelectObject(hDC, hObject)) {}
    CSelectGuard(CDC& dc, const CGdiObject& object) : CSelectGuard(dc.GetSafeHdc(), object.GetSafeHandle()) {}
    ~CSelectGuard() { Restore(); }
    CSelectGuard(const CSelectGuard&) = delete;
    CSelectGuard& operator=(const CSelectGuard&) = delete;
    CSelectGuard(CSelectGuard&& other) noexcept : m_hDC(other.m_hDC), m_hOld(other.m_hOld)
    {
        other.m_hOld = nullptr;
    }
    CSelectGuard& operator=(CSelectGuard&&) = delete;

    // Whether the selection took place (and will be undone).
    bool Selected() const { return m_hOld && m_hOld != HGDI_ERROR; }
    HGDIOBJ Previous() const { return Selected() ? m_hOld : nullptr; }

    // Selects the previous object back now; later calls do nothing.
    void Restore()
    {
        if (Selected())
            ::SelectObject(m_hDC, m_hOld);
        m_hOld = nullptr;
    }

private:
    HDC m_hDC;
    HGDIOBJ m_hOld;
};
