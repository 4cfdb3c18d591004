// Rounded panels: the panel is drawn off screen, then its corners go to the
// destination through the cached corner masks (so what lies outside the
// rounded corners stays as it was) and the rest with plain copies.
#include "ovfc/graphics/ov_shapes.h"

namespace {

// MaskBlt's four-operand code: copy where the mask is white, keep the
// destination where it is black.
constexpr DWORD kMaskedCopy = 0xAACC0020;

enum Corner { TopLeft, TopRight, BottomLeft, BottomRight };

// The off-screen picture of a panel: a memory DC with a bitmap of its own.
class PanelCanvas {
public:
    PanelCanvas(HDC hdcRef, int nWidth, int nHeight)
    {
        m_hDC = CreateCompatibleDC(hdcRef);
        m_hBitmap = CreateCompatibleBitmap(hdcRef, nWidth, nHeight);
        if (m_hDC && m_hBitmap) m_hOldBitmap = SelectObject(m_hDC, m_hBitmap);
    }
    ~PanelCanvas()
    {
        if (m_hOldBitmap) SelectObject(m_hDC, m_hOldBitmap);
        if (m_hBitmap) DeleteObject(m_hBitmap);
        if (m_hDC) DeleteDC(m_hDC);
    }
    PanelCanvas(const PanelCanvas&) = delete;
    PanelCanvas& operator=(const PanelCanvas&) = delete;

    HDC GetDC() const { return m_hDC; }

private:
    HDC m_hDC = nullptr;
    HBITMAP m_hBitmap = nullptr;
    HGDIOBJ m_hOldBitmap = nullptr;
};

// One r x r corner of the panel at rc through its quadrant of the mask,
// taken from the same corner of the canvas, whose panel rows end at
// nSourceBottom.
void MaskCorner(HDC hdc, const RECT& rc, int nRadius, HDC hdcSrc, int nSourceBottom, HBITMAP hMask, Corner corner)
{
    int nWidth = rc.right - rc.left;
    bool bRight = corner == TopRight || corner == BottomRight;
    bool bBottom = corner == BottomLeft || corner == BottomRight;
    int xDst = bRight ? rc.right - nRadius : rc.left;
    int yDst = bBottom ? rc.bottom - nRadius : rc.top;
    int xSrc = bRight ? nWidth - nRadius : 0;
    int ySrc = bBottom ? nSourceBottom - nRadius : 0;
    MaskBlt(hdc, xDst, yDst, nRadius, nRadius, hdcSrc, xSrc, ySrc, hMask, bRight ? nRadius : 0, bBottom ? nRadius : 0,
        kMaskedCopy);
}

// A plain copy of one band; a panel narrower or shorter than its corners
// leaves the band out rather than letting a negative size mirror it.
void CopyBand(HDC hdc, int x, int y, int nWidth, int nHeight, HDC hdcSrc, int xSrc, int ySrc)
{
    if (nWidth <= 0 || nHeight <= 0) return;
    BitBlt(hdc, x, y, nWidth, nHeight, hdcSrc, xSrc, ySrc, SRCCOPY);
}

// The masked top corners and the rest of a panel whose top is rounded.
void BlitTopRounded(HDC hdc, const RECT& rc, int r, HDC hdcSrc)
{
    int nWidth = rc.right - rc.left;
    int nHeight = rc.bottom - rc.top;
    HBITMAP hMask = OvGetCornerMask(r);
    MaskCorner(hdc, rc, r, hdcSrc, nHeight, hMask, TopLeft);
    MaskCorner(hdc, rc, r, hdcSrc, nHeight, hMask, TopRight);
    CopyBand(hdc, rc.left + r, rc.top, nWidth - 2 * r, r, hdcSrc, r, 0);
    CopyBand(hdc, rc.left, rc.top + r, nWidth, nHeight - r, hdcSrc, 0, r);
}

// The masked bottom corners and the rest of a panel whose bottom is rounded.
void BlitBottomRounded(HDC hdc, const RECT& rc, int r, HDC hdcSrc)
{
    int nWidth = rc.right - rc.left;
    int nHeight = rc.bottom - rc.top;
    HBITMAP hMask = OvGetCornerMask(r);
    MaskCorner(hdc, rc, r, hdcSrc, nHeight, hMask, BottomLeft);
    MaskCorner(hdc, rc, r, hdcSrc, nHeight, hMask, BottomRight);
    CopyBand(hdc, rc.left + r, rc.bottom - r, nWidth - 2 * r, r, hdcSrc, r, nHeight - r);
    CopyBand(hdc, rc.left, rc.top, nWidth, nHeight - r, hdcSrc, 0, 0);
}

}  // namespace

void OvDrawRoundPanel(HDC hdc, const RECT* pRect, int nRadius, COLORREF crTop, COLORREF crBottom)
{
    if (!pRect) return;
    const RECT& rc = *pRect;
    int nWidth = rc.right - rc.left;
    int nHeight = rc.bottom - rc.top;
    int r = nRadius;
    PanelCanvas canvas(hdc, nWidth, nHeight);
    HDC hdcSrc = canvas.GetDC();
    RECT rcFill {0, 0, nWidth, nHeight};
    OvGradientFill(hdcSrc, &rcFill, crTop, crBottom, OVGRADIENT_VERTICAL);

    HBITMAP hMask = OvGetCornerMask(r);
    MaskCorner(hdc, rc, r, hdcSrc, nHeight, hMask, TopLeft);
    MaskCorner(hdc, rc, r, hdcSrc, nHeight, hMask, TopRight);
    MaskCorner(hdc, rc, r, hdcSrc, nHeight, hMask, BottomLeft);
    MaskCorner(hdc, rc, r, hdcSrc, nHeight, hMask, BottomRight);
    CopyBand(hdc, rc.left + r, rc.top, nWidth - 2 * r, r, hdcSrc, r, 0);
    CopyBand(hdc, rc.left, rc.top + r, nWidth, nHeight - 2 * r, hdcSrc, 0, r);
    CopyBand(hdc, rc.left + r, rc.bottom - r, nWidth - 2 * r, r, hdcSrc, r, nHeight - r);
}

void OvDrawRoundPanelTop(HDC hdc, const RECT* pRect, int nRadius, COLORREF crTop, COLORREF crBottom)
{
    if (!pRect) return;
    int nWidth = pRect->right - pRect->left;
    int nHeight = pRect->bottom - pRect->top;
    PanelCanvas canvas(hdc, nWidth, nHeight + nRadius);
    RECT rcFill {0, 0, nWidth, nHeight + nRadius};
    OvGradientFill(canvas.GetDC(), &rcFill, crTop, crBottom, OVGRADIENT_VERTICAL);
    BlitTopRounded(hdc, *pRect, nRadius, canvas.GetDC());
}

void OvDrawRoundPanelBottom(HDC hdc, const RECT* pRect, int nRadius, COLORREF crTop, COLORREF crBottom)
{
    if (!pRect) return;
    int nWidth = pRect->right - pRect->left;
    int nHeight = pRect->bottom - pRect->top;
    PanelCanvas canvas(hdc, nWidth, nHeight + nRadius);
    RECT rcFill {0, -nRadius, nWidth, nHeight};
    OvGradientFill(canvas.GetDC(), &rcFill, crTop, crBottom, OVGRADIENT_VERTICAL);
    BlitBottomRounded(hdc, *pRect, nRadius, canvas.GetDC());
}

void OvDrawSolidPanelTop(HDC hdc, const RECT* pRect, int nRadius, COLORREF crPen, COLORREF crBrush)
{
    if (!pRect) return;
    int nWidth = pRect->right - pRect->left;
    int nHeight = pRect->bottom - pRect->top;
    PanelCanvas canvas(hdc, nWidth, nHeight);
    RECT rcShape {0, 0, nWidth, nHeight + nRadius};
    OvDrawRoundRect(canvas.GetDC(), &rcShape, nRadius, crPen, crBrush);
    BlitTopRounded(hdc, *pRect, nRadius, canvas.GetDC());
}

void OvDrawSolidPanelBottom(HDC hdc, const RECT* pRect, int nRadius, COLORREF crPen, COLORREF crBrush)
{
    if (!pRect) return;
    int nWidth = pRect->right - pRect->left;
    int nHeight = pRect->bottom - pRect->top;
    PanelCanvas canvas(hdc, nWidth, nHeight);
    RECT rcShape {0, -nRadius, nWidth, nHeight};
    OvDrawRoundRect(canvas.GetDC(), &rcShape, nRadius, crPen, crBrush);
    BlitBottomRounded(hdc, *pRect, nRadius, canvas.GetDC());
}
