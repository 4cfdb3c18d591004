// The framework's lightweight control: a rectangle inside a framework window
// that paints itself into the window's device context and receives mouse,
// keyboard and focus events from its manager. Controls have no window handle
// of their own; they form a tree whose root is the WinManager embedded in
// the host window. Everything a control does towards the outside world
// (invalidating, capturing the mouse, posting notifications, reaching the
// window handle) goes up the parent chain to that root.
//
// A control does not own its children. Destroying one leaves its children
// alive (without a parent), takes it out of its parent's list and makes
// every manager forget it and its subtree as capture, focus, saved focus,
// hold or pending control.
#pragma once

#include <windows.h>

#include "ovfc/core/ov_string.h"

class WinManager;

// SetPos flags.
#define UIPOS_KEEP_SIZE 1u
#define UIPOS_KEEP_POSITION 2u

class UiWin {
public:
    UiWin();

    UiWin(const UiWin&) = delete;
    UiWin& operator=(const UiWin&) = delete;

    // The virtual interface, in its fixed slot order.
    virtual ~UiWin();
    // Paints this control and its subtree. prc is the control's rectangle in
    // DC coordinates, prcClip the area being painted.
    virtual void Paint(HDC hdc, const RECT* prc, const RECT* prcClip);
    // The control's own look; nothing here.
    virtual void OnPaint(HDC hdc, const RECT* prc, const RECT* prcClip);
    // Invalidates prc (local; null for the whole control) through the manager.
    virtual void Invalidate(const RECT* prc);
    // Repaints the host window's invalid area now.
    virtual void Update();
    // Runs pTarget->OnPostedCall(lParam) once the current message is handled.
    virtual void PostCall(UiWin* pTarget, LPARAM lParam);
    virtual void OnPostedCall(LPARAM lParam);
    // The default mouse handlers keep the press flags and the capture; they
    // return 0. Coordinates are local.
    virtual int OnLButtonDblClk(UINT nFlags, int x, int y);
    virtual int OnLButtonDown(UINT nFlags, int x, int y);
    virtual int OnLButtonUp(UINT nFlags, int x, int y);
    virtual int OnMouseMove(UINT nFlags, int x, int y);
    virtual int OnTimer(UINT_PTR nIDEvent);
    // Takes (bOn) or gives up the keyboard focus among the controls.
    virtual void SetFocus(BOOL bOn);
    virtual void OnSetFocus(UiWin* pPrevious);
    virtual void OnKillFocus(UiWin* pNext);
    virtual LRESULT OnKeyDown(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnKeyUp(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnChar(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnImeComposition(LPARAM lParam);
    virtual LRESULT OnImeStartComposition();
    virtual LRESULT OnImeEndComposition();
    // Stores the values; UIPOS_KEEP_SIZE keeps the size, UIPOS_KEEP_POSITION
    // the position. Invalidates nothing.
    virtual void SetPos(int x, int y, int nWidth, int nHeight, UINT nFlags);
    // Hiding takes the focus away from this subtree and keeps it as the saved
    // focus; showing gives it back. Invalidates nothing.
    virtual void SetVisible(BOOL bVisible);
    virtual void SetEnabled(BOOL bEnabled);
    virtual void SetLocked(BOOL bLocked);
    virtual void PaintVIndicator(HDC hdc, const RECT* prc, const RECT* prcClip);
    virtual void PaintHIndicator(HDC hdc, const RECT* prc, const RECT* prcClip);
    // Fades the vertical indicator out in four painted steps; stops early
    // when a mouse message is waiting.
    virtual void FadeIndicator();
    virtual void PaintFadeStep(HDC hdc, const RECT* prc, int nStep);
    // Content size and scroll offset of a scroll container: the offset is 0
    // at the start and negative while scrolled.
    virtual int GetContentHeight();
    virtual int GetScrollY();
    virtual int GetContentWidth();
    virtual int GetScrollX();
    virtual void OnUserHook(int nValue);
    virtual void SetUserValue(int nValue);
    virtual void AddUserValue(int nDelta);
    // The long-press timer was armed for this control / fired.
    virtual void OnHoldStart();
    virtual void OnHold();
    virtual void OnPaste();
    virtual LRESULT OnMessage825(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnMessage826(WPARAM wParam, LPARAM lParam);
    // Leaves the current parent's list (when it is another) and records pParent.
    virtual void SetParent(UiWin* pParent);
    virtual WinManager* GetManager();
    virtual HWND GetHostWindow();
    virtual BOOL IsScrollContainer();
    // The nearest of this control and its ancestors that is a scroll container.
    virtual UiWin* GetScrollContainer();
    virtual void OnContainerPressed();
    virtual void OnContainerPressedIdle(int a, int b);
    virtual void OnParentPressed();
    virtual void OnParentScrollStopped();
    virtual void SetText(LPCWSTR pszText);
    virtual const OvString& GetText() const;
    virtual void OnCopy();
    virtual void OnCut();
    virtual void OnA4R8(WPARAM wParam, LPARAM lParam);
    virtual void SetReservedFlag(BOOL bOn);
    virtual void SetReservedValue(int nValue);
    virtual void SetMouseTransparent(BOOL bOn);

    // Geometry and identity.
    void SetID(int nID) { m_nID = nID; }
    int GetID() const { return m_nID; }
    BOOL IsVisible() const { return m_bVisible; }
    BOOL IsEnabled() const { return m_bEnabled; }
    BOOL IsLocked() const { return m_bLocked; }
    BOOL IsMouseTransparent() const { return m_bMouseTransparent; }
    int GetX() const { return m_nX; }
    int GetY() const { return m_nY; }
    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    int GetUserValue() const { return m_nUserValue; }
    // (0, 0, width, height).
    void GetClientRect(RECT* prc) const;
    // Local point to window coordinates and back, in place.
    void ToWindow(int& x, int& y) const;
    void ToLocal(int& x, int& y) const;

    // Text attributes.
    void SetTextColor(COLORREF cr) { m_crText = cr; }
    COLORREF GetTextColor() const { return m_crText; }
    void SetFontHeight(int nHeight) { m_nFontHeight = nHeight; }
    int GetFontHeight() const { return m_nFontHeight; }
    void SetTextFormat(UINT nFormat) { m_nTextFormat = nFormat; }
    UINT GetTextFormat() const { return m_nTextFormat; }
    void SetFontWeight(int nWeight) { m_nFontWeight = nWeight; }
    int GetFontWeight() const { return m_nFontWeight; }

    // Tree. AddChild is FALSE for a null child, one already in the list, or
    // when the list cannot grow.
    BOOL AddChild(UiWin* pChild);
    void RemoveChild(UiWin* pChild);
    int GetChildCount() const { return m_nChildCount; }
    // Entries the list holds before it must grow (to 2 * count + 1).
    int GetChildCapacity() const { return m_nChildCapacity; }
    // Null outside 0..count-1.
    UiWin* GetChild(int nIndex) const;
    UiWin* GetParent() const { return m_pParent; }
    // Direct children only.
    BOOL HasChild(const UiWin* pChild) const;
    // Any depth below this control.
    BOOL IsAncestorOf(const UiWin* pWin) const;
    // The control at (x, y) in the parent's coordinates: the top-most visible,
    // not mouse-transparent one; a disabled control hides its children.
    UiWin* HitTest(int x, int y);

    // Focus and capture through the manager.
    BOOL HasFocus();
    void CaptureMouse();
    void ReleaseMouse();

    // Messages to the host window; nothing (0) without a manager.
    void PostCommand(int nID, int nCode, LPARAM lParam);
    LRESULT SendNotify(UINT message, WPARAM wParam, LPARAM lParam);
    void PostNotify(UINT message, WPARAM wParam, LPARAM lParam);

    // Press state kept by the default handlers and the manager.
    void SetPressPoint(int x, int y)
    {
        m_nPressX = x;
        m_nPressY = y;
    }
    POINT GetPressPoint() const { return POINT {m_nPressX, m_nPressY}; }
    BOOL IsPressed() const { return m_bPressed; }
    void SetPressed(BOOL b) { m_bPressed = b ? 1 : 0; }
    BOOL IsMoved() const { return m_bMoved; }
    void SetMoved(BOOL b) { m_bMoved = b ? 1 : 0; }
    BOOL IsDoubleClicked() const { return m_bDoubleClicked; }
    void SetDoubleClicked(BOOL b) { m_bDoubleClicked = b ? 1 : 0; }
    BOOL IsPressCancelled() const { return m_bPressCancelled; }
    void SetPressCancelled(BOOL b) { m_bPressCancelled = b ? 1 : 0; }
    BOOL IsSwipeUndecided() const { return m_bSwipeUndecided; }
    void SetSwipeUndecided(BOOL b) { m_bSwipeUndecided = b ? 1 : 0; }
    BOOL IsSwipeHorizontal() const { return m_bSwipeHorizontal; }
    void SetSwipeHorizontal(BOOL b) { m_bSwipeHorizontal = b ? 1 : 0; }
    BOOL GetContainerWasScrolling() const { return m_bContainerWasScrolling; }
    void SetContainerWasScrolling(BOOL b) { m_bContainerWasScrolling = b ? 1 : 0; }
    BOOL IsHoldFired() const { return m_bHoldFired; }
    void SetHoldFired(BOOL b) { m_bHoldFired = b ? 1 : 0; }

    // Behaviour switches.
    BOOL GetNotifyHost() const { return m_bNotifyHost; }
    void SetNotifyHost(BOOL b) { m_bNotifyHost = b ? 1 : 0; }
    BOOL IsHoldEnabled() const { return m_bHoldEnabled; }
    void SetHoldEnabled(BOOL b) { m_bHoldEnabled = b ? 1 : 0; }
    int GetHoldDelay() const { return m_nHoldDelay; }
    void SetHoldDelay(int nMilliseconds) { m_nHoldDelay = nMilliseconds; }
    BOOL GetFocusOnClick() const { return m_bFocusOnClick; }
    void SetFocusOnClick(BOOL b) { m_bFocusOnClick = b ? 1 : 0; }
    BOOL IsScrolling() const { return m_bScrolling; }
    void SetScrolling(BOOL b) { m_bScrolling = b ? 1 : 0; }
    BOOL GetPassDragToContainer() const { return m_bPassDragToContainer; }
    void SetPassDragToContainer(BOOL b) { m_bPassDragToContainer = b ? 1 : 0; }
    BOOL GetSwipeDetect() const { return m_bSwipeDetect; }
    void SetSwipeDetect(BOOL b) { m_bSwipeDetect = b ? 1 : 0; }
    BOOL GetInflateInvalidate() const { return m_bInflateInvalidate; }
    int GetInflateBy() const { return m_nInflateBy; }
    void SetInflateInvalidate(BOOL b, int nBy)
    {
        m_bInflateInvalidate = b ? 1 : 0;
        m_nInflateBy = nBy;
    }
    BOOL GetPlayClickSound() const { return m_bPlayClickSound; }
    void SetPlayClickSound(BOOL b) { m_bPlayClickSound = b ? 1 : 0; }
    BOOL GetReservedFlag() const { return m_bReservedFlag; }
    int GetReservedValue() const { return m_nReservedValue; }

    // Scroll-position indicators.
    void SetShowVIndicator(BOOL b) { m_bShowVIndicator = b ? 1 : 0; }
    void SetShowHIndicator(BOOL b) { m_bShowHIndicator = b ? 1 : 0; }
    void SetIndicatorInset(int n) { m_nIndicatorInset = n; }
    void SetIndicatorEdge(int n) { m_nIndicatorEdge = n; }
    // Paint an indicator only when the clip reaches the last nBand pixels.
    void SetIndicatorClip(BOOL b, int nBand)
    {
        m_bIndicatorClip = b ? 1 : 0;
        m_nIndicatorBand = nBand;
    }
    void SetTrack(BOOL bA, BOOL bB)
    {
        m_bTrackA = bA ? 1 : 0;
        m_bTrackB = bB ? 1 : 0;
    }
    BOOL IsFading() const { return m_bFading; }
    int GetFadeStep() const { return m_nFadeStep; }

    // The vertical thumb for a view of `view` pixels over `content` pixels
    // scrolled by `scroll` (0 at the start, negative when scrolled): its
    // offset from the top of the track and its length, both scaled to the
    // track left between the insets. FALSE for an empty view or content.
    static BOOL VThumb(float view, float content, float insetTop, float insetBottom, float minLength, float scroll,
        float* pOffset, float* pLength);
    // The horizontal thumb's length in pixels; 0 for an empty view or content.
    static int HThumbLength(float view, float content, float scroll);
    // Where a thumb of nLength pixels starts along a track of nTrack pixels,
    // 0 at the start of the content and nTrack - nLength at its end.
    static int HThumbOffset(float view, float content, float scroll, int nTrack, int nLength);

protected:
    BYTE m_bNotifyHost = 0;
    BYTE m_bHoldEnabled = 0;
    int m_nHoldDelay = 1000;
    BYTE m_bHoldFired = 0;
    BYTE m_bFocusOnClick = 0;
    int m_nUserValue = 0;
    int m_nID = 0;
    int m_nX = 0;
    int m_nY = 0;
    int m_nHeight = 0;
    int m_nWidth = 0;
    BYTE m_bVisible = 1;
    BYTE m_bEnabled = 1;
    BYTE m_bLocked = 0;
    BYTE m_bShowHIndicator = 0;
    BYTE m_bShowVIndicator = 0;
    int m_nIndicatorInset = 5;
    int m_nIndicatorEdge = 5;
    UiWin** m_ppChildren = nullptr;
    int m_nChildCount = 0;
    int m_nChildCapacity = 0;
    UiWin* m_pParent = nullptr;
    BYTE m_bScrolling = 0;
    BYTE m_bPassDragToContainer = 1;
    BYTE m_bPressed = 0;
    BYTE m_bMoved = 0;
    BYTE m_bDoubleClicked = 0;
    BYTE m_bInflateInvalidate = 0;
    int m_nInflateBy = 0;
    OvString m_strText;
    COLORREF m_crText;
    int m_nFontHeight = 24;
    UINT m_nTextFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    int m_nFontWeight = 400;
    int m_nPressX = 0;
    int m_nPressY = 0;
    BYTE m_bPressCancelled = 0;
    BYTE m_bSwipeDetect = 0;
    BYTE m_bSwipeUndecided = 0;
    BYTE m_bSwipeHorizontal = 0;
    BYTE m_bContainerWasScrolling = 0;
    int m_nIndicatorBand = 0;
    BYTE m_bIndicatorClip = 0;
    BYTE m_bTrackA = 0;
    BYTE m_bTrackB = 0;
    BYTE m_bPlayClickSound = 0;
    BYTE m_bReservedFlag = 1;
    int m_nReservedValue = 0;
    BYTE m_bFading = 0;
    int m_nFadeStep = 0;
    BYTE m_bMouseTransparent = 0;

private:
    // Room for one more child; FALSE when the list cannot grow.
    BOOL ReserveChildSlot();
    // The vertical indicator's strip and, when the content allows, its thumb.
    BOOL GetVThumbRect(const RECT* prc, RECT* prcThumb);
};
