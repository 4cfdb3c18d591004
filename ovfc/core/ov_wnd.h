// The framework window. Every window of the system is a COvWnd or derives
// from one: it wraps one platform window, registers its own window class,
// routes every message through the one window procedure OvWndProc to its
// virtual dispatcher WindowProc, and turns platform messages into virtual
// handlers with decoded arguments. It paints through an off-screen surface,
// so derived classes only draw into a memory DC (PaintWin).
//
// A process-wide registry maps window handles to their objects; it is how
// OvWndProc and the layers above find the object of a handle.
#pragma once

#include <windows.h>

#include "ovfc/core/ov_surface.h"

// A control reports a command to its host window (reaches OnUiCommand).
#define OVWM_UICOMMAND 0xFFF10001u
// Posted to a window and every descendant when the window is activated or
// deactivated, with the WM_ACTIVATE wParam and lParam.
#define OVWM_ACTIVATE_BROADCAST 0xFFF10003u
// The answer to the shell's M-key question, posted to the shell's window:
// lParam OVMKEY_STAY or OVMKEY_LEAVE.
#define OVWM_MKEY_ANSWER 0xFFF00001u
#define OVMKEY_STAY 1
#define OVMKEY_LEAVE 2

// What OnShellClickMKey answers (SetMKeyResponse): 0 and 1 leave and end
// the program, 2 stays in front, 3 leaves and keeps running in the
// background; below 0 or above 3 the question goes unanswered.
#define OVMKEY_RESPONSE_QUIT 0
#define OVMKEY_RESPONSE_STAY 2
#define OVMKEY_RESPONSE_BACKGROUND 3

// m_dwModalFlags: a DoModal loop of this window is running.
#define OVMODAL_RUNNING 0x10u

class COvWnd {
public:
    COvWnd();

    COvWnd(const COvWnd&) = delete;
    COvWnd& operator=(const COvWnd&) = delete;

    // The virtual interface, in its fixed slot order.
    virtual LPCWSTR GetWndClassName();
    virtual ~COvWnd();
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void OnLButtonDblClk(UINT nFlags, int x, int y);
    virtual void OnLButtonDown(UINT nFlags, int x, int y);
    virtual void OnLButtonUp(UINT nFlags, int x, int y);
    virtual void OnMouseMove(UINT nFlags, int x, int y);
    virtual void OnTimer(UINT_PTR nIDEvent);
    virtual void OnSize(UINT nWidth, UINT nHeight);
    virtual void OnSettingChange(WPARAM wParam, LPARAM lParam);
    virtual bool RegisterWndClass();
    // Creates and registers the window, then sends it WM_INITDIALOG. False
    // when the object already has a window, when the platform refuses the
    // window, or when OnInitDialog returns 0 (the window then exists all the
    // same).
    virtual bool Create(int x, int y, int nWidth, int nHeight, HWND hParent, UINT nID, DWORD dwStyle, DWORD dwExStyle);
    virtual bool CreatePopup(int x, int y, int nWidth, int nHeight, HWND hParent, UINT nID, DWORD dwExStyle);
    virtual bool CreateChild(int x, int y, int nWidth, int nHeight, HWND hParent, UINT nID, DWORD dwExStyle);
    // Shows the window and runs a nested message loop until EndModal or
    // WM_QUIT; returns m_nModalResult. With bDisableParent the parent takes
    // no input meanwhile.
    virtual int DoModal(bool bDisableParent);
    virtual void OnPaint(HDC hdc, PAINTSTRUCT* pPaint);
    virtual void PaintWin(HDC hdc, const RECT* pUpdate);
    virtual void ApplyDialogStyle();
    virtual void OnUiCommand(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnInitDialog();
    virtual void OnCommand(UINT nCode, UINT nID, LPARAM lParam);
    virtual int OnShellClickMKey(UINT message, WPARAM wParam, LPARAM lParam);

    // Unregisters the window, then destroys it: messages the platform sends
    // meanwhile no longer reach the object.
    void Destroy();
    void Show(bool bShow, bool bBringToTop);
    void SetMKeyResponse(int nResponse) { m_nMKeyResponse = nResponse; }
    // Ends the running DoModal with nResult once the current handler returns.
    void EndModal(int nResult);
    RECT GetWndClientRect() const;
    RECT GetWndRect() const;
    int GetClientWidth() const;
    int GetClientHeight() const;
    // The window's top-left corner in its parent's client coordinates; (0, 0)
    // without a parent.
    POINT GetPosInParent() const;
    void Invalidate(const RECT* pRect, BOOL bErase);
    // A new bitmap (the caller's) of the client area holding what the window
    // and its visible framework child windows paint. Validates the window.
    HBITMAP RenderToBitmap();
    // RenderToBitmap cut to prcScreen (screen coordinates); the whole
    // rendering when null.
    HBITMAP RenderRectToBitmap(const RECT* prcScreen);
    // Plays transition nAnim over the window's rectangle, from what the
    // screen shows to the window (bShow) or to its framework parent. Nothing
    // for nAnim 0.
    void AnimateWindow(int nAnim, bool bShow);

    HWND GetHwnd() const { return m_hWnd; }
    DWORD GetModalFlags() const { return m_dwModalFlags; }

    // The object of a framework window; null for any other handle.
    static COvWnd* OvWndFromHandle(HWND hWnd);
    // Posts the message to every descendant of hWnd, depth first, each
    // window before its own children.
    static void PostToDescendants(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK OvWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    HWND m_hWnd = nullptr;
    COLORREF m_crBack;
    int m_nMKeyResponse = 0;
    DWORD m_dwModalFlags = 0;
    int m_nModalResult = 0;
    BYTE m_bEraseBack = 1;
    // The transitions DoModal plays when showing and hiding; 0 plays none.
    int m_nAnimShow = 0;
    int m_nAnimHide = 0;
    OvSurface m_surface;

private:
    void AnswerShellClickMKey(UINT message, WPARAM wParam, LPARAM lParam);
};
