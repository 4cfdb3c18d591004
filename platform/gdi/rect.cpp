// Rectangle helpers. A rectangle is empty when it has no width or no height;
// a null pointer fails rather than crashing.
#include <algorithm>

#include "platform/include/windef.h"

BOOL SetRect(LPRECT lprc, int xLeft, int yTop, int xRight, int yBottom)
{
    if (!lprc) return FALSE;
    *lprc = RECT {xLeft, yTop, xRight, yBottom};
    return TRUE;
}

BOOL SetRectEmpty(LPRECT lprc) { return SetRect(lprc, 0, 0, 0, 0); }

BOOL CopyRect(LPRECT lprcDst, const RECT* lprcSrc)
{
    if (!lprcDst || !lprcSrc) return FALSE;
    *lprcDst = *lprcSrc;
    return TRUE;
}

BOOL IsRectEmpty(const RECT* lprc) { return !lprc || lprc->left >= lprc->right || lprc->top >= lprc->bottom; }

BOOL OffsetRect(LPRECT lprc, int dx, int dy)
{
    if (!lprc) return FALSE;
    lprc->left += dx;
    lprc->right += dx;
    lprc->top += dy;
    lprc->bottom += dy;
    return TRUE;
}

BOOL InflateRect(LPRECT lprc, int dx, int dy)
{
    if (!lprc) return FALSE;
    lprc->left -= dx;
    lprc->right += dx;
    lprc->top -= dy;
    lprc->bottom += dy;
    return TRUE;
}

BOOL IntersectRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2)
{
    if (!lprcDst || !lprcSrc1 || !lprcSrc2) return FALSE;
    RECT result {std::max(lprcSrc1->left, lprcSrc2->left), std::max(lprcSrc1->top, lprcSrc2->top),
        std::min(lprcSrc1->right, lprcSrc2->right), std::min(lprcSrc1->bottom, lprcSrc2->bottom)};
    if (IsRectEmpty(lprcSrc1) || IsRectEmpty(lprcSrc2) || IsRectEmpty(&result)) {
        SetRectEmpty(lprcDst);
        return FALSE;
    }
    *lprcDst = result;
    return TRUE;
}

BOOL UnionRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2)
{
    if (!lprcDst || !lprcSrc1 || !lprcSrc2) return FALSE;
    bool first_empty = IsRectEmpty(lprcSrc1), second_empty = IsRectEmpty(lprcSrc2);
    if (first_empty && second_empty) {
        SetRectEmpty(lprcDst);
        return FALSE;
    }
    if (first_empty) {
        *lprcDst = *lprcSrc2;
        return TRUE;
    }
    if (second_empty) {
        *lprcDst = *lprcSrc1;
        return TRUE;
    }
    *lprcDst = RECT {std::min(lprcSrc1->left, lprcSrc2->left), std::min(lprcSrc1->top, lprcSrc2->top),
        std::max(lprcSrc1->right, lprcSrc2->right), std::max(lprcSrc1->bottom, lprcSrc2->bottom)};
    return TRUE;
}

BOOL SubtractRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2)
{
    if (!lprcDst || !lprcSrc1 || !lprcSrc2) return FALSE;
    RECT result = *lprcSrc1;
    RECT overlap;
    // Only a cut that leaves a rectangle shrinks it: the second must span the
    // first fully in one direction.
    if (IntersectRect(&overlap, lprcSrc1, lprcSrc2)) {
        if (overlap.top == result.top && overlap.bottom == result.bottom) {
            if (overlap.left == result.left)
                result.left = overlap.right;
            else if (overlap.right == result.right)
                result.right = overlap.left;
        } else if (overlap.left == result.left && overlap.right == result.right) {
            if (overlap.top == result.top)
                result.top = overlap.bottom;
            else if (overlap.bottom == result.bottom)
                result.bottom = overlap.top;
        }
    }
    if (IsRectEmpty(&result)) {
        SetRectEmpty(lprcDst);
        return FALSE;
    }
    *lprcDst = result;
    return TRUE;
}

BOOL PtInRect(const RECT* lprc, POINT pt)
{
    return lprc && pt.x >= lprc->left && pt.x < lprc->right && pt.y >= lprc->top && pt.y < lprc->bottom;
}

BOOL EqualRect(const RECT* lprc1, const RECT* lprc2)
{
    return lprc1 && lprc2 && lprc1->left == lprc2->left && lprc1->top == lprc2->top && lprc1->right == lprc2->right &&
        lprc1->bottom == lprc2->bottom;
}
