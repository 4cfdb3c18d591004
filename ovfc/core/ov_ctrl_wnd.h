// The framework window that hosts a tree of lightweight controls. It embeds
// one WinManager, keeps it sized to the client area, lets it paint into the
// window's off-screen surface, shows it every window message before the
// window's own handlers, and moves the keyboard focus among the controls
// away when the window is deactivated and back when it is activated again.
#pragma once

#include <windows.h>

#include "ovfc/core/ov_wnd.h"
#include "ovfc/ui/win_manager.h"

class COvCtrlWnd : public COvWnd {
public:
    COvCtrlWnd();
    ~COvCtrlWnd() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnSize(UINT nWidth, UINT nHeight) override;
    void PaintWin(HDC hdc, const RECT* pUpdate) override;
    // The base initialisation; when it succeeds the manager learns the
    // client size and the window handle.
    LRESULT OnInitDialog() override;

    // Adds the control as a top-level control of the window.
    BOOL AddUiWin(UiWin* pWin) { return m_winManager.AddChild(pWin); }
    WinManager& GetWinManager() { return m_winManager; }

protected:
    WinManager m_winManager;
};
