// The overlay window the framework plays its window animations on.
#include "ovfc/graphics/ov_overlay.h"

OvOverlayWnd::~OvOverlayWnd() { }

// The owner draws on the overlay's DC; painting here would undo its frames.
void OvOverlayWnd::OnPaint(HDC, PAINTSTRUCT*) { }

OvScreenOverlay::~OvScreenOverlay() { Close(); }

HDC OvScreenOverlay::Open(const RECT* prc)
{
    Close();
    int x = 0, y = 0;
    int nWidth = GetSystemMetrics(SM_CXSCREEN);
    int nHeight = GetSystemMetrics(SM_CYSCREEN);
    if (prc) {
        x = prc->left;
        y = prc->top;
        nWidth = prc->right - prc->left;
        nHeight = prc->bottom - prc->top;
    }
    m_pOverlay = new OvOverlayWnd;
    m_pOverlay->Create(x, y, nWidth, nHeight, nullptr, 0, 0, WS_EX_NOACTIVATE | WS_EX_TOPMOST);
    SetWindowPos(
        m_pOverlay->GetHwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    m_hDC = ::GetDC(m_pOverlay->GetHwnd());
    return m_hDC;
}

void OvScreenOverlay::Close()
{
    if (!m_pOverlay) return;
    if (m_hDC) ReleaseDC(m_pOverlay->GetHwnd(), m_hDC);
    m_hDC = nullptr;
    // The destructor destroys the window.
    delete m_pOverlay;
    m_pOverlay = nullptr;
}
