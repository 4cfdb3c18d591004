// Lines, rectangles, gradients and the corner-mask cache. The rounded panels
// live in ov_panels.cpp.
#include "ovfc/graphics/ov_shapes.h"

#include <climits>
#include <map>

namespace {

// Radius -> monochrome mask; the masks live until OvReleaseCornerMasks.
std::map<int, HBITMAP>& CornerMasks()
{
    static std::map<int, HBITMAP> masks;
    return masks;
}

void SetVertex(TRIVERTEX& vertex, LONG x, LONG y, COLORREF cr)
{
    vertex.x = x;
    vertex.y = y;
    // GradientFill takes 16-bit channels: the colour byte is the high byte.
    vertex.Red = static_cast<COLOR16>(GetRValue(cr) << 8);
    vertex.Green = static_cast<COLOR16>(GetGValue(cr) << 8);
    vertex.Blue = static_cast<COLOR16>(GetBValue(cr) << 8);
    vertex.Alpha = 0xFF00;
}

}  // namespace

void OvDrawLine(HDC hdc, int x1, int y1, int x2, int y2, COLORREF crColor)
{
    HPEN hPen = CreatePen(PS_SOLID, 1, crColor);
    HGDIOBJ hOldPen = SelectObject(hdc, hPen);
    MoveToEx(hdc, x1, y1, nullptr);
    LineTo(hdc, x2, y2);
    SelectObject(hdc, hOldPen);
    DeleteObject(hPen);
}

int OvDrawRect(HDC hdc, const RECT* pRect, COLORREF crPen, COLORREF crBrush)
{
    if (!pRect) return 1;
    HBRUSH hBrush = CreateSolidBrush(crBrush);
    HPEN hPen = CreatePen(PS_SOLID, 1, crPen);
    HGDIOBJ hOldBrush = SelectObject(hdc, hBrush);
    HGDIOBJ hOldPen = SelectObject(hdc, hPen);
    Rectangle(hdc, pRect->left, pRect->top, pRect->right, pRect->bottom);
    SelectObject(hdc, hOldBrush);
    SelectObject(hdc, hOldPen);
    DeleteObject(hBrush);
    DeleteObject(hPen);
    return 1;
}

void OvDrawRoundRect(HDC hdc, const RECT* pRect, int nCorner, COLORREF crPen, COLORREF crBrush)
{
    if (!pRect) return;
    HBRUSH hBrush = CreateSolidBrush(crBrush);
    HPEN hPen = CreatePen(PS_SOLID, 1, crPen);
    HGDIOBJ hOldBrush = SelectObject(hdc, hBrush);
    HGDIOBJ hOldPen = SelectObject(hdc, hPen);
    RoundRect(hdc, pRect->left, pRect->top, pRect->right, pRect->bottom, nCorner, nCorner);
    SelectObject(hdc, hOldBrush);
    SelectObject(hdc, hOldPen);
    DeleteObject(hBrush);
    DeleteObject(hPen);
}

BOOL OvGradientFill(HDC hdc, const RECT* pRect, COLORREF crFirst, COLORREF crSecond, int nDirection)
{
    if (!pRect) return FALSE;
    TRIVERTEX vertices[4];
    SetVertex(vertices[0], pRect->left, pRect->top, crFirst);
    SetVertex(vertices[1], pRect->right, pRect->top, crFirst);
    SetVertex(vertices[2], pRect->right, pRect->bottom, crSecond);
    SetVertex(vertices[3], pRect->left, pRect->bottom, crSecond);
    GRADIENT_RECT mesh {0, 2};
    ULONG ulMode = nDirection == OVGRADIENT_VERTICAL ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H;
    return GradientFill(hdc, vertices, 4, &mesh, 1, ulMode);
}

BOOL OvGradientFillSplit(
    HDC hdc, const RECT* pRect, COLORREF cr1, COLORREF cr2, COLORREF cr3, COLORREF cr4, int nDirection)
{
    if (!pRect) return FALSE;
    RECT rcFirst = *pRect;
    RECT rcSecond = *pRect;
    BOOL bFirst, bSecond;
    if (nDirection == OVGRADIENT_SPLIT_HORIZONTAL) {
        LONG mid = pRect->left + (pRect->right - pRect->left) / 2;
        rcFirst.right = mid;
        rcSecond.left = mid;
        bFirst = OvGradientFill(hdc, &rcFirst, cr1, cr2, 0);
        bSecond = OvGradientFill(hdc, &rcSecond, cr3, cr4, 0);
    } else {
        LONG mid = pRect->top + (pRect->bottom - pRect->top) / 2;
        rcFirst.bottom = mid;
        rcSecond.top = mid;
        bFirst = OvGradientFill(hdc, &rcFirst, cr1, cr2, nDirection);
        bSecond = OvGradientFill(hdc, &rcSecond, cr3, cr4, nDirection);
    }
    return bFirst && bSecond ? TRUE : FALSE;
}

HBITMAP OvGetCornerMask(int nRadius)
{
    // A mask is 2r pixels square; a radius whose double overflows has none.
    if (nRadius <= 0 || nRadius > INT_MAX / 2) return nullptr;
    auto& masks = CornerMasks();
    auto found = masks.find(nRadius);
    if (found != masks.end()) return found->second;

    int nSize = 2 * nRadius;
    HDC hdcScreen = GetDC(nullptr);
    HDC hdcMem = CreateCompatibleDC(hdcScreen);
    HBITMAP hMask = CreateBitmap(nSize, nSize, 1, 1, nullptr);
    if (hdcMem && hMask) {
        HGDIOBJ hOldBitmap = SelectObject(hdcMem, hMask);
        RECT rcAll {0, 0, nSize, nSize};
        OvDrawRect(hdcMem, &rcAll, 0, 0);
        HGDIOBJ hOldBrush = SelectObject(hdcMem, GetStockObject(WHITE_BRUSH));
        HGDIOBJ hOldPen = SelectObject(hdcMem, GetStockObject(WHITE_PEN));
        RoundRect(hdcMem, 0, 0, nSize, nSize, nRadius, nRadius);
        SelectObject(hdcMem, hOldBrush);
        SelectObject(hdcMem, hOldPen);
        SelectObject(hdcMem, hOldBitmap);
    }
    if (hdcMem) DeleteDC(hdcMem);
    ReleaseDC(nullptr, hdcScreen);
    if (!hdcMem && hMask) {
        DeleteObject(hMask);
        hMask = nullptr;
    }
    if (hMask) masks[nRadius] = hMask;
    return hMask;
}

void OvReleaseCornerMasks()
{
    auto& masks = CornerMasks();
    for (auto& entry : masks) DeleteObject(entry.second);
    masks.clear();
}

int OvCornerMaskCount() { return static_cast<int>(CornerMasks().size()); }
