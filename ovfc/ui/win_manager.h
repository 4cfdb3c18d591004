// The root of a window's control tree. It owns the host window handle,
// turns the window's messages into control events, decides which control
// receives each mouse event (capture, hit testing, hand-over to scroll
// containers, long press), keeps the keyboard focus among the controls and
// reports control events back to the window as messages (ui_messages.h).
//
// One lives inside every control-hosting window (COvCtrlWnd), placed at
// (0, 0) with the size of the client area. Until the window gives it its
// handle, every message operation addresses no window and does nothing.
#pragma once

#include <windows.h>

#include "ovfc/ui/ui_messages.h"
#include "ovfc/ui/ui_win.h"

class WinManager : public UiWin {
public:
    WinManager();
    ~WinManager() override;

    void PostCall(UiWin* pTarget, LPARAM lParam) override;
    WinManager* GetManager() override { return this; }
    HWND GetHostWindow() override { return m_hWnd; }

    // The manager's own slots, after the control's.
    // Paints the whole tree over the host window's client rectangle.
    virtual void PaintAll(HDC hdc, const RECT* prcClip);
    // prc is local to pWin (null for all of it); a null pWin invalidates prc
    // of the window as given. Never erases.
    virtual void InvalidateWin(UiWin* pWin, const RECT* prc);
    virtual void UpdateAll();
    // Mouse events in window coordinates.
    virtual void OnWMLButtonDblClk(UINT nFlags, int x, int y);
    virtual void OnWMLButtonDown(UINT nFlags, int x, int y);
    virtual void OnWMLButtonUp(UINT nFlags, int x, int y);
    virtual void OnWMMouseMove(UINT nFlags, int x, int y);
    virtual void OnWMTimer(UINT_PTR nIDEvent);
    // Keyboard and input-method messages go to the focus control; 0 without one.
    virtual LRESULT OnWMKeyDown(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnWMKeyUp(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnWMChar(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnWMImeComposition(LPARAM lParam);
    virtual LRESULT OnWMImeEndComposition();
    virtual LRESULT OnWMImeStartComposition();
    virtual LRESULT OnWMMessage825(WPARAM wParam);
    virtual LRESULT OnWMMessage826(WPARAM wParam);

    // Sees every message of the host window before the window's own
    // handling; never stops that handling.
    void OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void SetHwnd(HWND hWnd) { m_hWnd = hWnd; }

    void SetCaptureWin(UiWin* pWin);
    void ReleaseCaptureWin();
    UiWin* GetCaptureWin() const { return m_pCaptureWin; }

    void SetFocusWin(UiWin* pWin);
    // Gives the focus back to the saved control when it and all its
    // ancestors are visible and the window is showing.
    void RestoreFocus();
    UiWin* GetFocusWin() const { return m_pFocusWin; }
    void SetSavedFocus(UiWin* pWin) { m_pSavedFocus = pWin; }
    UiWin* GetSavedFocus() const { return m_pSavedFocus; }
    void SetRestoreFocusOnActivate(BOOL b) { m_bRestoreFocusOnActivate = b ? 1 : 0; }

    UiWin* GetHoldWin() const { return m_pHoldWin; }
    UiWin* GetPendingDisabledWin() const { return m_pPendingDisabledWin; }
    POINT GetLastPoint() const { return POINT {m_nLastX, m_nLastY}; }

    LRESULT SendToHost(UINT message, WPARAM wParam, LPARAM lParam);
    void PostToHost(UINT message, WPARAM wParam, LPARAM lParam);

    // A control is going away: every pointer of every live manager that
    // names it or one of its descendants is cleared, and its pending
    // deferred calls are dropped.
    static void ForgetControl(UiWin* pWin);

protected:
    HWND m_hWnd = nullptr;
    UiWin* m_pCaptureWin = nullptr;
    UiWin* m_pFocusWin = nullptr;
    UiWin* m_pSavedFocus = nullptr;
    UiWin* m_pHoldWin = nullptr;
    int m_nLastX = 0;
    int m_nLastY = 0;
    BYTE m_bRestoreFocusOnActivate = 1;
    UiWin* m_pPendingDisabledWin = nullptr;

private:
    // The control a mouse event at window (x, y) goes to: the capture, else
    // the hit control (this manager when none).
    UiWin* LocateTarget(int x, int y);
    void ArmHold(UiWin* pTarget, int x, int y);
    // Sends the mouse notification nEvent for pWin when it asks for them.
    void NotifyMouse(UiWin* pWin, int nEvent, int x, int y);
    // Replays a press at the previous point and a move to (x, y) so that the
    // scroll container now holding the capture scrolls from where the finger was.
    void ReplayDragTo(int nPrevX, int nPrevY, int x, int y);
    void ForgetSubtree(UiWin* pWin);
};
