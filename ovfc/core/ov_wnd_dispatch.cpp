// COvWnd's dispatcher: platform messages turned into the virtual handlers,
// the shell's M-key question, and the double-buffered paint.
#include "ovfc/core/ov_debug_zones.h"
#include "ovfc/core/ov_message_loop.h"
#include "ovfc/core/ov_wnd.h"

namespace {

// Where the last press, double click or move was, shared by every framework
// window: a move to the same place is not dispatched again.
POINT g_ptLastMouse {0, 0};

// Coordinates are the sign-extended low and high words: a press dragged past
// the left or top edge arrives as a negative number.
int MouseX(LPARAM lParam) { return GET_X_LPARAM(lParam); }
int MouseY(LPARAM lParam) { return GET_Y_LPARAM(lParam); }

void TraceMouse(LPCWSTR pszFormat, int x, int y)
{
    if (OVZONE_ON(OVZONE_MOUSE)) NKDbgPrintfW(pszFormat, x, y);
}

}  // namespace

LRESULT COvWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        return 0;
    case WM_SIZE:
        OnSize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_ACTIVATE:
        // Controls of this window and of its child windows learn of it
        // through the broadcast; the platform's own handling is not wanted.
        PostMessageW(m_hWnd, OVWM_ACTIVATE_BROADCAST, wParam, lParam);
        PostToDescendants(m_hWnd, OVWM_ACTIVATE_BROADCAST, wParam, lParam);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps {};
        HDC hdc = BeginPaint(m_hWnd, &ps);
        OnPaint(hdc, &ps);
        EndPaint(m_hWnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        // OnPaint covers the background itself; erasing first would flicker.
        return 1;
    case WM_SETTINGCHANGE:
        OnSettingChange(wParam, lParam);
        return 0;
    case WM_CHAR:
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_ENDCOMPOSITION:
    case WM_IME_COMPOSITION:
    case WM_IME_COMPOSITIONFULL:
        return 0;
    case WM_INITDIALOG: {
        // Taps made while the window initialises are not meant for it.
        BeginMouseDiscard();
        LRESULT lResult = OnInitDialog();
        EndMouseDiscard();
        return lResult;
    }
    case WM_COMMAND:
        OnCommand(HIWORD(wParam), LOWORD(wParam), lParam);
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_MOUSEMOVE: {
        int x = MouseX(lParam);
        int y = MouseY(lParam);
        if (x != g_ptLastMouse.x || y != g_ptLastMouse.y) {
            g_ptLastMouse = {x, y};
            OnMouseMove(static_cast<UINT>(wParam), x, y);
        }
        return 0;
    }
    case WM_LBUTTONDOWN: {
        int x = MouseX(lParam);
        int y = MouseY(lParam);
        g_ptLastMouse = {x, y};
        TraceMouse(TEXT("ovfc ZONE_MOUSE: COvWnd::OnLButtonDown(%d, %d);\n"), x, y);
        OnLButtonDown(static_cast<UINT>(wParam), x, y);
        return 0;
    }
    case WM_LBUTTONUP: {
        int x = MouseX(lParam);
        int y = MouseY(lParam);
        TraceMouse(TEXT("ovfc ZONE_MOUSE: COvWnd::OnLButtonUp(%d, %d);\n"), x, y);
        OnLButtonUp(static_cast<UINT>(wParam), x, y);
        return 0;
    }
    case WM_LBUTTONDBLCLK: {
        int x = MouseX(lParam);
        int y = MouseY(lParam);
        g_ptLastMouse = {x, y};
        TraceMouse(TEXT("ovfc ZONE_MOUSE: COvWnd::OnLButtonDblClk(%d, %d);\n"), x, y);
        OnLButtonDblClk(static_cast<UINT>(wParam), x, y);
        return 0;
    }
    case OVWM_UICOMMAND:
        OnUiCommand(wParam, lParam);
        return 0;
    default:
        break;
    }
    // An id of 0 means the registration failed; WM_NULL (the wake-up that
    // EndModal posts) must not be taken for the M key then.
    UINT uClickMKey = GetClickMKeyMessage();
    if (uClickMKey != 0 && message == uClickMKey) {
        AnswerShellClickMKey(message, wParam, lParam);
        return 0;
    }
    return DefWindowProcW(m_hWnd, message, wParam, lParam);
}

void COvWnd::AnswerShellClickMKey(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The shell names the window that wants the answer in lParam.
    HWND hShell = reinterpret_cast<HWND>(lParam);
    switch (OnShellClickMKey(message, wParam, lParam)) {
    case 0:
    case 1:
        PostMessageW(hShell, OVWM_MKEY_ANSWER, 0, OVMKEY_LEAVE);
        PostQuitMessage(0);
        break;
    case 2:
        PostMessageW(hShell, OVWM_MKEY_ANSWER, 0, OVMKEY_STAY);
        break;
    case 3:
        PostMessageW(hShell, OVWM_MKEY_ANSWER, 0, OVMKEY_LEAVE);
        // Out of sight but alive: the phone has no minimized state, so the
        // window is hidden and another one becomes active.
        ShowWindow(m_hWnd, SW_MINIMIZE);
        // The next paint rebuilds it.
        m_surface.Release();
        break;
    default:
        break;
    }
}

void COvWnd::OnPaint(HDC hdc, PAINTSTRUCT* pPaint)
{
    RECT rcClient = GetWndClientRect();
    int nWidth = rcClient.right - rcClient.left;
    int nHeight = rcClient.bottom - rcClient.top;
    if (!m_surface.GetDC() || m_surface.GetWidth() != nWidth || m_surface.GetHeight() != nHeight)
        m_surface.Create(nWidth, nHeight, hdc);
    const RECT& rcUpdate = pPaint->rcPaint;
    HDC hdcSurface = m_surface.GetDC();
    if (!IsRectEmpty(&rcUpdate) && m_bEraseBack) {
        HBRUSH hBrush = CreateSolidBrush(m_crBack);
        FillRect(hdcSurface, &rcUpdate, hBrush);
        DeleteObject(hBrush);
    }
    PaintWin(hdcSurface, &rcUpdate);
    // Only the update rectangle reaches the screen; the surface keeps the
    // rest of the last frame.
    BitBlt(hdc, rcUpdate.left, rcUpdate.top, rcUpdate.right - rcUpdate.left, rcUpdate.bottom - rcUpdate.top, hdcSurface,
        rcUpdate.left, rcUpdate.top, SRCCOPY);
}
