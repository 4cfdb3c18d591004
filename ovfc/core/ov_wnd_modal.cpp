// Modal runs of a framework window: DoModal shows the window and runs a
// nested message loop on the shared message record until EndModal or
// WM_QUIT.
#include "ovfc/core/ov_debug_zones.h"
#include "ovfc/core/ov_message_loop.h"
#include "ovfc/core/ov_wnd.h"

namespace {

DWORD TraceHandle(HWND hWnd) { return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(hWnd)); }

}  // namespace

int COvWnd::DoModal(bool bDisableParent)
{
    if (OVZONE_ON(OVZONE_OVWND))
        NKDbgPrintfW(TEXT("**ZONE_OVWND** COvWnd::DoModal: m_hWnd=0x%X, enter...\n"), TraceHandle(m_hWnd));
    // Set again at every entry: an EndModal that came before does not stop
    // the run.
    m_dwModalFlags |= OVMODAL_RUNNING;
    ReleaseCapture();
    BeginMouseDiscard();
    if (m_nAnimShow != 0) {
        if (OVZONE_ON(OVZONE_OVWND))
            NKDbgPrintfW(TEXT("**ZONE_OVWND** COvWnd::DoModal: m_hWnd=0x%X, AnimateWindow(nAnim=%d, true)...\n"),
                TraceHandle(m_hWnd), m_nAnimShow);
        AnimateWindow(m_nAnimShow, true);
    }
    Show(true, false);
    SetForegroundWindow(m_hWnd);
    InvalidateRect(m_hWnd, nullptr, FALSE);
    UpdateWindow(m_hWnd);
    HWND hParent = GetParent(m_hWnd);
    bool bParentDisabled = false;
    if (hParent && bDisableParent) {
        EnableWindow(hParent, FALSE);
        bParentDisabled = true;
    }
    // Taps made while the window appeared are dropped.
    EndMouseDiscard();

    // No PreTranslateMessage here: the application sees only the main
    // loop's messages.
    MSG& msg = OvSharedMessage();
    for (;;) {
        if (GetMessageW(&msg, nullptr, 0, 0) == 0) {
            OvSetQuitFlag();
        } else if (!FilterMouseMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (OvQuitFlag() || (m_dwModalFlags & OVMODAL_RUNNING) == 0) break;
    }

    BeginMouseDiscard();
    if (bParentDisabled) EnableWindow(hParent, TRUE);
    if (m_nAnimHide != 0 && !OvQuitFlag() && GetActiveWindow() == m_hWnd) {
        if (OVZONE_ON(OVZONE_OVWND))
            NKDbgPrintfW(TEXT("**ZONE_OVWND** COvWnd::DoModal: m_hWnd=0x%X, AnimateWindow(nAnim=%d, false)...\n"),
                TraceHandle(m_hWnd), m_nAnimHide);
        AnimateWindow(m_nAnimHide, false);
    }
    Show(false, false);
    // Taps made while the window went away are dropped.
    EndMouseDiscard();
    if (OVZONE_ON(OVZONE_OVWND))
        NKDbgPrintfW(TEXT("**ZONE_OVWND** COvWnd::DoModal: m_hWnd=0x%X, exit...\n"), TraceHandle(m_hWnd));
    return m_nModalResult;
}

void COvWnd::EndModal(int nResult)
{
    m_dwModalFlags &= ~OVMODAL_RUNNING;
    m_nModalResult = nResult;
    // Wakes a GetMessageW waiting in the modal loop; harmless to any loop.
    PostMessageW(m_hWnd, WM_NULL, 0, 0);
}
