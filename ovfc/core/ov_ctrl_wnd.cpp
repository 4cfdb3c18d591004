// The control-hosting window: the manager sees every message first, paints
// into the window's surface and follows the client size; activation moves
// the controls' keyboard focus away and back.
#include "ovfc/core/ov_ctrl_wnd.h"

namespace {

// The WM_ACTIVATE states carried by the activation broadcast.
constexpr WORD kDeactivated = 0;
constexpr WORD kActivated = 1;

}  // namespace

COvCtrlWnd::COvCtrlWnd() = default;

COvCtrlWnd::~COvCtrlWnd() = default;

LRESULT COvCtrlWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    m_winManager.OnMessage(message, wParam, lParam);
    if (message != OVWM_ACTIVATE_BROADCAST) return COvWnd::WindowProc(message, wParam, lParam);
    WORD wState = LOWORD(wParam);
    UiWin* pFocus = m_winManager.GetFocusWin();
    if (wState == kDeactivated) {
        if (pFocus) {
            m_winManager.SetFocusWin(nullptr);
            m_winManager.SetSavedFocus(pFocus);
        }
    } else if (wState == kActivated) {
        if (pFocus)
            pFocus->OnSetFocus(nullptr);
        else
            m_winManager.RestoreFocus();
    }
    // Any other state (activated by a click) leaves the focus alone.
    return 0;
}

void COvCtrlWnd::OnSize(UINT nWidth, UINT nHeight)
{
    m_winManager.SetPos(0, 0, static_cast<int>(nWidth), static_cast<int>(nHeight), 0);
}

void COvCtrlWnd::PaintWin(HDC hdc, const RECT* pUpdate) { m_winManager.PaintAll(hdc, pUpdate); }

LRESULT COvCtrlWnd::OnInitDialog()
{
    if (COvWnd::OnInitDialog() == 0) return 0;
    m_winManager.SetPos(0, 0, GetClientWidth(), GetClientHeight(), 0);
    m_winManager.SetHwnd(m_hWnd);
    return 1;
}
