// The framework window's show and hide animation: the window's content is
// rendered into bitmaps, and a transition from what the screen shows now
// to what it will show is played on a topmost overlay over the window.
#include "ovfc/core/ov_wnd.h"
#include "ovfc/graphics/ov_dc_helpers.h"
#include "ovfc/graphics/ov_input_panel.h"
#include "ovfc/graphics/ov_overlay.h"
#include "ovfc/graphics/ov_transition.h"

namespace {

// The alpha increment of the cross-fade when a window animates.
constexpr int kAnimationAlphaStep = 24;

}  // namespace

void COvWnd::AnimateWindow(int nAnim, bool bShow)
{
    if (nAnim == 0) return;
    RECT rc = GetWndRect();
    HBITMAP hFrom = OvCaptureScreen(&rc);
    HBITMAP hTo = nullptr;
    if (bShow) {
        hTo = RenderRectToBitmap(&rc);
    } else if (COvWnd* pParent = OvWndFromHandle(GetParent(m_hWnd))) {
        // Hiding uncovers the parent; another kind of parent gives no
        // picture to go to.
        hTo = pParent->RenderRectToBitmap(&rc);
    }
    OvScreenOverlay overlay;
    HDC hdcOverlay = overlay.Open(&rc);
    HideInputPanel();
    RECT rcLocal = rc;
    OffsetRect(&rcLocal, -rc.left, -rc.top);
    OvDrawTransition(hFrom, hTo, hdcOverlay, &rcLocal, nAnim, kAnimationAlphaStep);
    overlay.Close();
    if (hFrom) DeleteObject(hFrom);
    if (hTo) DeleteObject(hTo);
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
    RECT rcClient {
        pt.x, pt.y, pt.x + (prcScreen->right - prcScreen->left), pt.y + (prcScreen->bottom - prcScreen->top)};
    HBITMAP hCopy = OvCopyBitmapRect(hAll, &rcClient);
    DeleteObject(hAll);
    return hCopy;
}
