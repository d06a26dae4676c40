#include "Dc.h"

CDC::CDC(CDC&& other) noexcept
    : m_hDC(other.m_hDC), m_ownership(other.m_ownership), m_hWndOwner(other.m_hWndOwner)
{
    other.m_hDC = nullptr;
    other.m_ownership = Ownership::Borrowed;
    other.m_hWndOwner = nullptr;
}

CDC& CDC::operator=(CDC&& other) noexcept
{
    if (this != &other) {
        Release();
        m_hDC = other.m_hDC;
        m_ownership = other.m_ownership;
        m_hWndOwner = other.m_hWndOwner;
        other.m_hDC = nullptr;
        other.m_ownership = Ownership::Borrowed;
        other.m_hWndOwner = nullptr;
    }
    return *this;
}

BOOL CDC::Attach(HDC hDC)
{
    if (m_hDC || !hDC)
        return FALSE;
    m_hDC = hDC;
    m_ownership = Ownership::Borrowed;
    return TRUE;
}

HDC CDC::Detach()
{
    HDC h = m_hDC;
    m_hDC = nullptr;
    m_ownership = Ownership::Borrowed;
    m_hWndOwner = nullptr;
    return h;
}

BOOL CDC::CreateCompatibleDC(const CDC* pDC)
{
    if (m_hDC)
        return FALSE;
    HDC h = ::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr);
    if (!h)
        return FALSE;
    m_hDC = h;
    m_ownership = Ownership::Created;
    return TRUE;
}

void CDC::Release()
{
    const Ownership ownership = m_ownership;
    const HWND hWnd = m_hWndOwner;
    HDC h = Detach();
    if (!h)
        return;
    if (ownership == Ownership::Created)
        ::DeleteDC(h);
    else if (ownership == Ownership::FromWindow)
        ::ReleaseDC(hWnd, h);
}

POINT CDC::MoveTo(int x, int y)
{
    POINT old{};
    ::MoveToEx(m_hDC, x, y, &old);
    return old;
}

CWindowDC::CWindowDC(HWND hWnd)
{
    m_hDC = ::GetWindowDC(hWnd);
    if (m_hDC) {
        m_ownership = Ownership::FromWindow;
        m_hWndOwner = hWnd;
    }
}
