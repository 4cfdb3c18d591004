// The framework window painted into bitmaps instead of onto the screen, the
// pictures its show and hide transitions run between.
#include <windows.h>

#include "ovfc/core/ov_layer_hooks.h"
#include "ovfc/core/ov_wnd.h"

void COvWnd::AnimateWindow(int nAnim, bool bShow)
{
    if (nAnim == 0) return;
    if (OvWindowAnimator animate = OvGetWindowAnimator()) animate(*this, nAnim, bShow);
}

HBITMAP COvWnd::RenderToBitmap()
{
    HDC hdc = ::GetDC(m_hWnd);
    HDC hdcMem = CreateCompatibleDC(hdc);
    HBITMAP hBitmap = CreateCompatibleBitmap(hdc, GetClientWidth(), GetClientHeight());
    HGDIOBJ hOld = SelectObject(hdcMem, hBitmap);

    // The paint validates what was pending, so the window is not painted
    // again on screen for what went into the bitmap.
    InvalidateRect(m_hWnd, nullptr, FALSE);
    PAINTSTRUCT ps {};
    BeginPaint(m_hWnd, &ps);
    ps.rcPaint = RECT {0, 0, GetClientWidth(), GetClientHeight()};
    OnPaint(hdcMem, &ps);
    EndPaint(m_hWnd, &ps);

    for (HWND hChild = GetWindow(m_hWnd, GW_CHILD); hChild; hChild = GetWindow(hChild, GW_HWNDNEXT)) {
        COvWnd* pChild = OvWndFromHandle(hChild);
        if (!pChild || IsWindowVisible(hChild) != 1) continue;
        HBITMAP hChildBitmap = pChild->RenderToBitmap();
        HDC hdcChild = CreateCompatibleDC(hdc);
        HGDIOBJ hChildOld = SelectObject(hdcChild, hChildBitmap);
        POINT pt = pChild->GetPosInParent();
        BitBlt(hdcMem, pt.x, pt.y, pChild->GetClientWidth(), pChild->GetClientHeight(), hdcChild, 0, 0, SRCCOPY);
        SelectObject(hdcChild, hChildOld);
        DeleteObject(hChildBitmap);
        DeleteDC(hdcChild);
    }

    SelectObject(hdcMem, hOld);
    DeleteDC(hdcMem);
    ReleaseDC(m_hWnd, hdc);
    return hBitmap;
}

HBITMAP COvWnd::RenderRectToBitmap(const RECT* prcScreen)
{
    HBITMAP hAll = RenderToBitmap();
    if (!prcScreen) return hAll;
    POINT pt {prcScreen->left, prcScreen->top};
    ScreenToClient(m_hWnd, &pt);
    int nWidth = prcScreen->right - prcScreen->left;
    int nHeight = prcScreen->bottom - prcScreen->top;

    // The cut is made on the desktop's DC, as every bitmap the graphics
    // layer copies is, so it has the display's format whatever the window's.
    HWND hDesktop = GetDesktopWindow();
    HDC hdcDesktop = ::GetDC(hDesktop);
    HBITMAP hCopy = CreateCompatibleBitmap(hdcDesktop, nWidth, nHeight);
    HDC hdcTarget = CreateCompatibleDC(hdcDesktop);
    HDC hdcSource = CreateCompatibleDC(hdcDesktop);
    HGDIOBJ hOldTarget = SelectObject(hdcTarget, hCopy);
    HGDIOBJ hOldSource = SelectObject(hdcSource, hAll);
    BitBlt(hdcTarget, 0, 0, nWidth, nHeight, hdcSource, pt.x, pt.y, SRCCOPY);
    SelectObject(hdcTarget, hOldTarget);
    SelectObject(hdcSource, hOldSource);
    DeleteDC(hdcTarget);
    DeleteDC(hdcSource);
    ::ReleaseDC(hDesktop, hdcDesktop);
    DeleteObject(hAll);
    return hCopy;
}
