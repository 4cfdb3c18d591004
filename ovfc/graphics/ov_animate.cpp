// The framework window's show and hide animation: the window's content is
// rendered into bitmaps, and a transition from what the screen shows now
// to what it will show is played on a topmost overlay over the window.
#include "ovfc/graphics/ov_animate.h"

#include "ovfc/core/ov_wnd.h"
#include "ovfc/graphics/ov_dc_helpers.h"
#include "ovfc/graphics/ov_input_panel.h"
#include "ovfc/graphics/ov_overlay.h"
#include "ovfc/graphics/ov_transition.h"

namespace {

// The alpha increment of the cross-fade when a window animates.
constexpr int kAnimationAlphaStep = 24;

}  // namespace

void OvAnimateWindow(COvWnd& wnd, int nAnim, bool bShow)
{
    if (nAnim == 0) return;
    RECT rc = wnd.GetWndRect();
    HBITMAP hFrom = OvCaptureScreen(&rc);
    HBITMAP hTo = nullptr;
    if (bShow) {
        hTo = wnd.RenderRectToBitmap(&rc);
    } else if (COvWnd* pParent = COvWnd::OvWndFromHandle(GetParent(wnd.GetHwnd()))) {
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
