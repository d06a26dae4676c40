// Drawing routines shared by the painting steps.
#include <algorithm>
#include <memory>
#include <new>

#include "MenuXP.h"

void CMenuXP::FillRectColor(CDC* pDC, const CRect& rect, COLORREF crColor)
{
    CBrush brush;
    brush.CreateSolidBrush(crColor);
    CSelectGuard selectBrush(*pDC, brush);
    pDC->PatBlt(rect.left, rect.top, rect.Width(), rect.Height(), PATCOPY);
}

void CMenuXP::FrameRectColor(CDC* pDC, const CRect& rect, COLORREF crColor, int nWidth)
{
    FillRectColor(pDC, CRect(rect.left, rect.top, rect.right, rect.top + nWidth), crColor);
    FillRectColor(pDC, CRect(rect.left, rect.bottom - nWidth, rect.right, rect.bottom), crColor);
    FillRectColor(pDC, CRect(rect.left, rect.top, rect.left + nWidth, rect.bottom), crColor);
    FillRectColor(pDC, CRect(rect.right - nWidth, rect.top, rect.right, rect.bottom), crColor);
}

void CMenuXP::DrawMonoIcon(CDC* pDC, HICON hIcon, BOOL bShadow, const CRect& rect)
{
    DrawMonoIcon(pDC, hIcon, bShadow, rect, ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHIGHLIGHT),
                 1);
}

void CMenuXP::DrawMonoIcon(CDC* pDC, HICON hIcon, BOOL bShadow, const CRect& rect, COLORREF crShadow,
                           COLORREF crLight, int nOffset)
{
    // Keeps the destination where the source is white and paints the selected
    // brush where it is black.
    constexpr DWORD kRopPaintBlack = 0x00B8074A;
    const int w = rect.Width();
    const int h = rect.Height();

    CDC memDC;
    if (!memDC.CreateCompatibleDC(pDC))
        return;
    CBitmap silhouette;
    if (!silhouette.CreateBitmap(w, h, 1, 1, nullptr))
        return;
    CSelectGuard selectSilhouette(memDC, silhouette);
    memDC.PatBlt(0, 0, w, h, WHITENESS);
    memDC.DrawIconEx(0, 0, hIcon, w, h, 1, nullptr, DI_NORMAL);

    // The silhouette's white and black enter the blit as the target's
    // background and text colours: both are pinned for the two blits, or a
    // text colour left by an earlier entry would tint the result.
    const COLORREF crOldBk = pDC->SetBkColor(RGB(255, 255, 255));
    const COLORREF crOldText = pDC->SetTextColor(RGB(0, 0, 0));
    CBrush brushShadow;
    brushShadow.CreateSolidBrush(crShadow);
    CBrush brushHighlight;
    brushHighlight.CreateSolidBrush(crLight);
    {
        CSelectGuard selectBrush(*pDC, bShadow ? brushShadow : brushHighlight);
        pDC->BitBlt(rect.left + nOffset, rect.top + nOffset, w, h, &memDC, 0, 0, kRopPaintBlack);
        // A guard of its own: when the first brush could not be made, the
        // outer guard restores nothing, and the shadow brush must not stay
        // selected into the caller's DC once it is deleted.
        CSelectGuard selectShadow(*pDC, brushShadow);
        pDC->BitBlt(rect.left, rect.top, w, h, &memDC, 0, 0, kRopPaintBlack);
    }
    pDC->SetTextColor(crOldText);
    pDC->SetBkColor(crOldBk);
}

HBITMAP CMenuXP::CreateGradientBitmap(HDC hDC, COLORREF crFrom, COLORREF crTo, int nWidth, int nHeight)
{
    if (nWidth <= 0 || nHeight <= 0)
        return nullptr;
    const unsigned long long nPixels =
        static_cast<unsigned long long>(nWidth) * static_cast<unsigned long long>(nHeight);
    // A DIB's image size is a DWORD: anything larger cannot be described,
    // and would only cost a huge allocation and fill first.
    if (nPixels > MAXDWORD / sizeof(DWORD))
        return nullptr;

    DWORD table[256];
    const int r0 = GetRValue(crFrom), g0 = GetGValue(crFrom), b0 = GetBValue(crFrom);
    const int r1 = GetRValue(crTo), g1 = GetGValue(crTo), b1 = GetBValue(crTo);
    for (int i = 0; i < 256; ++i) {
        const DWORD r = static_cast<DWORD>(r0 + ::MulDiv(r1 - r0, i, 255));
        const DWORD g = static_cast<DWORD>(g0 + ::MulDiv(g1 - g0, i, 255));
        const DWORD b = static_cast<DWORD>(b0 + ::MulDiv(b1 - b0, i, 255));
        table[i] = r * 65536 + g * 256 + b;
    }

    std::unique_ptr<DWORD[]> pixels(new (std::nothrow) DWORD[static_cast<size_t>(nPixels)]);
    if (!pixels)
        return nullptr;

    BITMAPINFOHEADER bih{};
    bih.biSize = sizeof(bih);
    bih.biWidth = nWidth;
    bih.biHeight = nHeight; // bottom-up: the buffer's first row is the bottom one
    bih.biPlanes = 1;
    bih.biBitCount = 32;
    bih.biCompression = BI_RGB;

    for (int y = 0; y < nHeight; ++y) {
        const DWORD colour = table[std::min(::MulDiv(256, y, nHeight), 255)];
        DWORD* row = pixels.get() + static_cast<size_t>(y) * static_cast<size_t>(nWidth);
        std::fill(row, row + nWidth, colour);
    }
    return ::CreateDIBitmap(hDC, &bih, CBM_INIT, pixels.get(), reinterpret_cast<const BITMAPINFO*>(&bih),
                            DIB_RGB_COLORS);
}
