// The control manager: message dispatch, keyboard focus, painting and
// invalidation, timers and deferred calls. Mouse routing lives in
// win_manager_mouse.cpp.
#include "ovfc/ui/win_manager.h"

#include <algorithm>
#include <vector>

#include "ovfc/core/ov_debug_zones.h"
#include "services/shell_messages.h"
#include "services/shell_notify.h"

namespace {

// Where the dispatcher last saw the pointer, shared by every manager: a
// move to the same place is dropped, and the release trace names it.
int g_nRecordedX = 0;
int g_nRecordedY = 0;
UINT g_uA4R8Message = 0;
bool g_bA4R8Registered = false;

// Managers alive now, so that a control going away can be forgotten by
// whichever of them still points at it, in a tree or not. Never freed: a
// window held in a static may outlive any other static.
std::vector<WinManager*>& LiveManagers()
{
    static auto* pManagers = new std::vector<WinManager*>;
    return *pManagers;
}

// One entry per deferred call posted and not yet delivered; a control that
// goes away takes its entries with it, so its calls are dropped.
std::vector<UiWin*>& PendingCalls()
{
    static auto* pCalls = new std::vector<UiWin*>;
    return *pCalls;
}

void TraceMouse(LPCWSTR pszFormat, int x, int y)
{
    if (OVZONE_ON(OVZONE_MOUSE)) NKDbgPrintfW(pszFormat, x, y);
}

void TimerSubtree(UiWin* pWin, UINT_PTR nIDEvent)
{
    // By index and bounds on every step: a handler may change the tree.
    for (int i = 0; i < pWin->GetChildCount(); ++i) {
        UiWin* pChild = pWin->GetChild(i);
        if (!pChild) continue;
        pChild->OnTimer(nIDEvent);
        TimerSubtree(pChild, nIDEvent);
    }
}

DWORD ControlId(const UiWin* pWin) { return pWin ? static_cast<DWORD>(pWin->GetID()) : 0; }

}  // namespace

WinManager::WinManager() { LiveManagers().push_back(this); }

WinManager::~WinManager()
{
    std::vector<WinManager*>& managers = LiveManagers();
    managers.erase(std::remove(managers.begin(), managers.end(), this), managers.end());
    if (m_hWnd && m_pHoldWin) KillTimer(m_hWnd, OVTIMER_HOLD);
}

void WinManager::ForgetControl(UiWin* pWin)
{
    if (!pWin) return;
    for (WinManager* pManager : LiveManagers()) pManager->ForgetSubtree(pWin);
    std::vector<UiWin*>& calls = PendingCalls();
    calls.erase(std::remove(calls.begin(), calls.end(), pWin), calls.end());
}

void WinManager::ForgetSubtree(UiWin* pWin)
{
    auto names = [pWin](const UiWin* p) { return p && (p == pWin || pWin->IsAncestorOf(p)); };
    if (names(m_pCaptureWin)) {
        m_pCaptureWin = nullptr;
        if (m_hWnd && GetCapture() == m_hWnd) ReleaseCapture();
    }
    if (names(m_pFocusWin)) m_pFocusWin = nullptr;
    if (names(m_pSavedFocus)) m_pSavedFocus = nullptr;
    if (names(m_pHoldWin)) {
        m_pHoldWin = nullptr;
        if (m_hWnd) KillTimer(m_hWnd, OVTIMER_HOLD);
    }
    if (names(m_pPendingDisabledWin)) m_pPendingDisabledWin = nullptr;
}

void WinManager::PostCall(UiWin* pTarget, LPARAM lParam)
{
    if (!m_hWnd) return;
    if (!PostMessageW(m_hWnd, OVWM_POSTED_CALL, reinterpret_cast<WPARAM>(pTarget), lParam)) return;
    if (pTarget) PendingCalls().push_back(pTarget);
}

void WinManager::PaintAll(HDC hdc, const RECT* prcClip)
{
    if (!m_bVisible) return;
    RECT rc {0, 0, 0, 0};
    ::GetClientRect(m_hWnd, &rc);
    Paint(hdc, &rc, prcClip);
}

void WinManager::InvalidateWin(UiWin* pWin, const RECT* prc)
{
    // Without a window there is nothing to invalidate; a null window would
    // mean every window to the platform.
    if (!m_hWnd) return;
    if (!pWin) {
        InvalidateRect(m_hWnd, prc, FALSE);
        return;
    }
    RECT rc;
    if (prc)
        rc = *prc;
    else
        pWin->GetClientRect(&rc);
    int dx = 0;
    int dy = 0;
    pWin->ToWindow(dx, dy);
    OffsetRect(&rc, dx, dy);
    if (pWin->GetInflateInvalidate()) InflateRect(&rc, pWin->GetInflateBy(), pWin->GetInflateBy());
    InvalidateRect(m_hWnd, &rc, FALSE);
}

void WinManager::UpdateAll()
{
    if (m_hWnd) UpdateWindow(m_hWnd);
}

void WinManager::OnWMTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent != OVTIMER_HOLD) {
        // Every control hears every other timer, hidden ones too.
        OnTimer(nIDEvent);
        TimerSubtree(this, nIDEvent);
        return;
    }
    if (!m_pHoldWin) return;
    KillTimer(m_hWnd, OVTIMER_HOLD);
    UiWin* pHold = m_pHoldWin;
    pHold->SetHoldFired(TRUE);
    if (!pHold->IsHoldEnabled() || !pHold->IsPressed()) return;
    int lx = m_nLastX;
    int ly = m_nLastY;
    pHold->ToLocal(lx, ly);
    if (lx < 0 || ly < 0 || lx >= pHold->GetWidth() || ly >= pHold->GetHeight()) return;
    pHold->OnHold();
    NotifyMouse(pHold, OVMOUSE_HOLD, lx, ly);
}

LRESULT WinManager::OnWMKeyDown(WPARAM wParam, LPARAM lParam)
{
    return m_pFocusWin ? m_pFocusWin->OnKeyDown(wParam, lParam) : 0;
}

LRESULT WinManager::OnWMKeyUp(WPARAM wParam, LPARAM lParam)
{
    return m_pFocusWin ? m_pFocusWin->OnKeyUp(wParam, lParam) : 0;
}

LRESULT WinManager::OnWMChar(WPARAM wParam, LPARAM lParam)
{
    return m_pFocusWin ? m_pFocusWin->OnChar(wParam, lParam) : 0;
}

LRESULT WinManager::OnWMImeComposition(LPARAM lParam)
{
    return m_pFocusWin ? m_pFocusWin->OnImeComposition(lParam) : 0;
}

LRESULT WinManager::OnWMImeEndComposition() { return m_pFocusWin ? m_pFocusWin->OnImeEndComposition() : 0; }

LRESULT WinManager::OnWMImeStartComposition() { return m_pFocusWin ? m_pFocusWin->OnImeStartComposition() : 0; }

LRESULT WinManager::OnWMMessage825(WPARAM wParam) { return m_pFocusWin ? m_pFocusWin->OnMessage825(wParam, 0) : 0; }

LRESULT WinManager::OnWMMessage826(WPARAM wParam) { return m_pFocusWin ? m_pFocusWin->OnMessage826(wParam, 0) : 0; }

void WinManager::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!g_bA4R8Registered) {
        g_uA4R8Message = RegisterWindowMessageW(TEXT("WM_A4_R8"));
        g_bA4R8Registered = true;
    }
    if (!m_bVisible) return;
    int x = GET_X_LPARAM(lParam);
    int y = GET_Y_LPARAM(lParam);
    // Clipboard and platform messages go to the focus control, or to the one
    // that had it before the window was deactivated.
    UiWin* pEditTarget = m_pFocusWin ? m_pFocusWin : m_pSavedFocus;
    switch (message) {
    case WM_KEYDOWN:
        if (m_bEnabled) OnWMKeyDown(wParam, lParam);
        return;
    case WM_KEYUP:
        if (m_bEnabled) OnWMKeyUp(wParam, lParam);
        return;
    case WM_CHAR:
        OnWMChar(LOWORD(wParam), lParam);
        return;
    case WM_IME_STARTCOMPOSITION:
        OnWMImeStartComposition();
        return;
    case WM_IME_ENDCOMPOSITION:
        OnWMImeEndComposition();
        return;
    case WM_IME_COMPOSITION:
        OnWMImeComposition(lParam);
        return;
    case WM_TIMER:
        OnWMTimer(wParam);
        return;
    case WM_MOUSEMOVE:
        if (!m_bEnabled || (x == g_nRecordedX && y == g_nRecordedY)) return;
        g_nRecordedX = x;
        g_nRecordedY = y;
        m_bMoved = 1;
        OnWMMouseMove(static_cast<UINT>(wParam), x, y);
        return;
    case WM_LBUTTONDOWN:
        if (!m_bEnabled) return;
        g_nRecordedX = x;
        g_nRecordedY = y;
        TraceMouse(TEXT("ovfc ZONE_MOUSE: WinManager::OnWMLButtonDown(%d, %d);\n"), x, y);
        m_bPressed = 1;
        OnWMLButtonDown(static_cast<UINT>(wParam), x, y);
        return;
    case WM_LBUTTONUP:
        if (!m_bEnabled) return;
        m_bPressed = 0;
        m_bDoubleClicked = 0;
        TraceMouse(TEXT("ovfc ZONE_MOUSE: WinManager::OnWMLButtonUp(%d, %d);\n"), g_nRecordedX, g_nRecordedY);
        OnWMLButtonUp(static_cast<UINT>(wParam), x, y);
        return;
    case WM_LBUTTONDBLCLK:
        if (!m_bEnabled) return;
        g_nRecordedX = x;
        g_nRecordedY = y;
        TraceMouse(TEXT("ovfc ZONE_MOUSE: WinManager::OnWMLButtonDblClk(%d, %d);\n"), x, y);
        m_bDoubleClicked = 1;
        OnWMLButtonDblClk(static_cast<UINT>(wParam), x, y);
        return;
    case WM_CUT:
        if (pEditTarget) pEditTarget->OnCut();
        return;
    case WM_COPY:
        if (pEditTarget) pEditTarget->OnCopy();
        return;
    case WM_PASTE:
        if (pEditTarget) pEditTarget->OnPaste();
        return;
    case 0x825:
        OnWMMessage825(wParam);
        return;
    case 0x826:
        OnWMMessage826(wParam);
        return;
    case OVWM_POSTED_CALL: {
        // Only calls that were posted and whose target still exists run;
        // anything else in the queue under this number is not ours to follow.
        UiWin* pTarget = reinterpret_cast<UiWin*>(wParam);
        if (!pTarget) return;
        std::vector<UiWin*>& calls = PendingCalls();
        auto it = std::find(calls.begin(), calls.end(), pTarget);
        if (it == calls.end()) return;
        calls.erase(it);
        pTarget->OnPostedCall(lParam);
        return;
    }
    default:
        break;
    }
    if (g_uA4R8Message != 0 && message == g_uA4R8Message) {
        if (pEditTarget) pEditTarget->OnA4R8(wParam, lParam);
        return;
    }
    UINT uClickTaskbar = GetClickTaskbarMessage();
    if (uClickTaskbar != 0 && message == uClickTaskbar && m_pFocusWin) m_pFocusWin->SetFocus(FALSE);
}

void WinManager::SetCaptureWin(UiWin* pWin)
{
    m_pCaptureWin = pWin;
    if (m_hWnd) SetCapture(m_hWnd);
}

void WinManager::ReleaseCaptureWin()
{
    m_pCaptureWin = nullptr;
    // Without a window this manager cannot hold the platform's capture, and
    // must not take it from another window.
    if (m_hWnd) ReleaseCapture();
}

void WinManager::SetFocusWin(UiWin* pWin)
{
    HWND hPlatformFocus = GetFocus();
    UiWin* pOld = m_pFocusWin;
    if (pOld == pWin) return;
    if (m_hWnd && hPlatformFocus == m_hWnd) ::SetFocus(nullptr);
    m_pFocusWin = pWin;
    if (pOld) pOld->OnKillFocus(pWin);
    if (pWin) {
        if (m_hWnd) ::SetFocus(m_hWnd);
        ShellNotifySet(m_hWnd, 2);
        pWin->OnSetFocus(pOld);
    }
    PostToHost(OVWM_FOCUS_CHANGED, ControlId(pWin), static_cast<LPARAM>(ControlId(pOld)));
}

void WinManager::RestoreFocus()
{
    if (!m_pSavedFocus || !m_bRestoreFocusOnActivate || !m_hWnd || !IsWindowVisible(m_hWnd)) return;
    for (UiWin* pWin = m_pSavedFocus; pWin; pWin = pWin->GetParent())
        if (!pWin->IsVisible()) return;
    m_pSavedFocus->SetFocus(TRUE);
}

LRESULT WinManager::SendToHost(UINT message, WPARAM wParam, LPARAM lParam)
{
    return m_hWnd ? SendMessageW(m_hWnd, message, wParam, lParam) : 0;
}

void WinManager::PostToHost(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_hWnd) PostMessageW(m_hWnd, message, wParam, lParam);
}
