// Mouse routing: which control a press, move, release or double click goes
// to (the capture, else the hit control), disabled controls that swallow a
// press, hand-over of a drag to the enclosing scroll container, swipe
// decisions, the long press and the notifications to the host window.
#include "ovfc/ui/win_manager.h"

#include <cstdlib>

namespace {

LPARAM PackPoint(int x, int y)
{
    return static_cast<LPARAM>((static_cast<DWORD>(x) & 0xFFFFu) | (static_cast<DWORD>(y) << 16));
}

}  // namespace

UiWin* WinManager::LocateTarget(int x, int y)
{
    if (m_pCaptureWin) return m_pCaptureWin;
    return HitTest(x, y);
}

void WinManager::NotifyMouse(UiWin* pWin, int nEvent, int x, int y)
{
    if (!pWin->GetNotifyHost()) return;
    WPARAM wParam = (static_cast<DWORD>(pWin->GetID()) & 0xFFFFu) | (static_cast<DWORD>(nEvent) << 16);
    // Signed comparisons: a point left of or above the control (the capture
    // follows the finger anywhere) keeps the common form.
    UINT message;
    DWORD dwPoint;
    if (y > 0xFFFF) {
        message = OVWM_MOUSE_NOTIFY_WIDE_Y;
        dwPoint = (static_cast<DWORD>(x) & 0xFFFu) | (static_cast<DWORD>(y) << 12);
    } else if (x > 0xFFFF) {
        message = OVWM_MOUSE_NOTIFY_WIDE_X;
        dwPoint = (static_cast<DWORD>(x) & 0xFFFFFu) | (static_cast<DWORD>(y) << 20);
    } else {
        message = OVWM_MOUSE_NOTIFY;
        dwPoint = (static_cast<DWORD>(x) & 0xFFFFu) | (static_cast<DWORD>(y) << 16);
    }
    SendToHost(message, wParam, static_cast<LPARAM>(dwPoint));
}

void WinManager::ArmHold(UiWin* pTarget, int x, int y)
{
    if (!pTarget->IsHoldEnabled() || pTarget->GetHoldDelay() <= 0) return;
    m_pHoldWin = pTarget;
    if (m_hWnd) SetTimer(m_hWnd, OVTIMER_HOLD, static_cast<UINT>(pTarget->GetHoldDelay()), nullptr);
    pTarget->OnHoldStart();
    pTarget->SetHoldFired(FALSE);
    NotifyMouse(pTarget, OVMOUSE_HOLD_ARMED, x, y);
}

void WinManager::ReplayDragTo(int nPrevX, int nPrevY, int x, int y)
{
    SendToHost(WM_LBUTTONDOWN, 0, PackPoint(nPrevX, nPrevY));
    SendToHost(WM_MOUSEMOVE, 0, PackPoint(x, y));
}

void WinManager::OnWMLButtonDown(UINT nFlags, int x, int y)
{
    m_nLastX = x;
    m_nLastY = y;
    UiWin* pTarget = LocateTarget(x, y);
    if (!pTarget) return;
    UiWin* pContainer = pTarget->GetScrollContainer();
    bool bHandsOver = pTarget->GetPassDragToContainer() && pContainer && pContainer != pTarget;
    if (!pTarget->IsEnabled()) {
        // A disabled control swallows the press; its scroll container still
        // learns that the finger came down.
        m_pPendingDisabledWin = pTarget;
        if (bHandsOver) {
            pContainer->OnContainerPressed();
            pContainer->OnContainerPressedIdle(0, 0);
        }
        return;
    }
    m_pPendingDisabledWin = nullptr;
    // A press on the content of a scrolling container stops the container.
    if (bHandsOver && pContainer->IsScrolling()) pTarget = pContainer;
    if (pTarget == this) return;
    int lx = x;
    int ly = y;
    pTarget->ToLocal(lx, ly);
    ArmHold(pTarget, lx, ly);
    UiWin* pContainer2 = pTarget->GetScrollContainer();
    bool bPasses = pTarget->GetPassDragToContainer() && pContainer2;
    pTarget->SetContainerWasScrolling(bPasses ? pContainer2->IsScrolling() : pTarget->IsScrolling());
    pTarget->SetPressPoint(lx, ly);
    pTarget->OnLButtonDown(nFlags, lx, ly);
    if (pTarget->GetSwipeDetect()) {
        pTarget->SetSwipeUndecided(TRUE);
        pTarget->SetSwipeHorizontal(FALSE);
    }
    if (bPasses) {
        pContainer2->OnContainerPressed();
        pContainer2->OnContainerPressedIdle(0, 0);
    }
    NotifyMouse(pTarget, OVMOUSE_PRESS, lx, ly);
}

void WinManager::OnWMLButtonDblClk(UINT nFlags, int x, int y)
{
    m_nLastX = x;
    m_nLastY = y;
    UiWin* pTarget = LocateTarget(x, y);
    if (!pTarget) return;
    UiWin* pContainer = pTarget->GetScrollContainer();
    if (!pTarget->IsEnabled()) {
        m_pPendingDisabledWin = pTarget;
        if (pTarget->GetPassDragToContainer() && pContainer && pContainer != pTarget) {
            pContainer->OnContainerPressed();
            pContainer->OnContainerPressedIdle(0, 0);
        }
        return;
    }
    m_pPendingDisabledWin = nullptr;
    if (pTarget == this) return;
    int lx = x;
    int ly = y;
    pTarget->ToLocal(lx, ly);
    ArmHold(pTarget, lx, ly);
    pTarget->OnLButtonDblClk(nFlags, lx, ly);
    NotifyMouse(pTarget, OVMOUSE_DBLCLK, lx, ly);
}

void WinManager::OnWMMouseMove(UINT nFlags, int x, int y)
{
    int nPrevX = m_nLastX;
    int nPrevY = m_nLastY;
    m_nLastX = x;
    m_nLastY = y;

    if (m_pPendingDisabledWin) {
        // The first move after a press swallowed by a disabled control may
        // turn it into a drag of the enclosing scroll container.
        UiWin* pDisabled = m_pPendingDisabledWin;
        UiWin* pContainer = pDisabled->GetScrollContainer();
        if (pDisabled->GetPassDragToContainer() && pContainer && pContainer != pDisabled) {
            SetCaptureWin(pContainer);
            m_pPendingDisabledWin = nullptr;
            ReplayDragTo(nPrevX, nPrevY, x, y);
        }
        return;
    }

    UiWin* pTarget = LocateTarget(x, y);
    if (!pTarget || pTarget == this) return;
    int lx = x;
    int ly = y;
    pTarget->ToLocal(lx, ly);
    BOOL bMovedBefore = pTarget->IsMoved();

    if (pTarget->IsPressed()) {
        pTarget->OnMouseMove(nFlags, lx, ly);
        NotifyMouse(pTarget, OVMOUSE_MOVE, lx, ly);
    }

    // The first movement decides whether the gesture is a horizontal swipe.
    if (pTarget->IsPressed() && !bMovedBefore && pTarget->GetSwipeDetect() && !pTarget->IsSwipeHorizontal()) {
        POINT ptPress = pTarget->GetPressPoint();
        if (std::abs(lx - ptPress.x) >= 3 * std::abs(ly - ptPress.y)) {
            pTarget->SetSwipeHorizontal(TRUE);
            WPARAM wParam = static_cast<DWORD>(pTarget->GetID());
            if (ly > 0xFFFF)
                PostToHost(OVWM_SWIPE_WIDE_Y, wParam,
                    static_cast<LPARAM>((static_cast<DWORD>(lx) & 0xFFFu) | (static_cast<DWORD>(ly) << 12)));
            else
                PostToHost(OVWM_SWIPE, wParam, PackPoint(lx, ly));
        } else {
            pTarget->SetSwipeUndecided(FALSE);
        }
    }

    // Anything but a swipe in the making belongs to the scroll container:
    // the control gets its release now and the container the drag.
    if (pTarget->IsPressed() && pTarget->GetPassDragToContainer() && !pTarget->IsSwipeUndecided()) {
        UiWin* pContainer = pTarget->GetScrollContainer();
        if (pContainer && pContainer != pTarget) {
            pTarget->SetPressCancelled(TRUE);
            OnWMLButtonUp(nFlags, x, y);
            SetCaptureWin(pContainer);
            ReplayDragTo(nPrevX, nPrevY, x, y);
        }
    }
}

void WinManager::OnWMLButtonUp(UINT nFlags, int x, int y)
{
    m_nLastX = x;
    m_nLastY = y;
    UiWin* pTarget = LocateTarget(x, y);
    m_pPendingDisabledWin = nullptr;
    if (m_hWnd) KillTimer(m_hWnd, OVTIMER_HOLD);
    if (!pTarget || pTarget == this) return;
    int lx = x;
    int ly = y;
    pTarget->ToLocal(lx, ly);
    // A control hears a release only after it heard the press.
    if (!pTarget->IsPressed()) return;
    pTarget->OnLButtonUp(nFlags, lx, ly);
    if (pTarget->GetFocusOnClick() && !pTarget->IsMoved() && pTarget != m_pFocusWin) SetFocusWin(pTarget);
    NotifyMouse(pTarget, OVMOUSE_RELEASE, lx, ly);
}
