// A temporary topmost window to draw on over the screen. The window never
// paints itself: its owner draws on its DC directly, as the show and hide
// animations of framework windows do.
#pragma once

#include <windows.h>

#include "ovfc/core/ov_wnd.h"

class OvOverlayWnd : public COvWnd {
public:
    OvOverlayWnd() = default;
    ~OvOverlayWnd() override;
    void OnPaint(HDC hdc, PAINTSTRUCT* pPaint) override;
};

// Owns at most one open overlay and the DC taken from it.
class OvScreenOverlay {
public:
    OvScreenOverlay() = default;
    ~OvScreenOverlay();

    OvScreenOverlay(const OvScreenOverlay&) = delete;
    OvScreenOverlay& operator=(const OvScreenOverlay&) = delete;

    // Opens a topmost, never activated overlay over prc (screen coordinates;
    // the whole screen when null) and returns its DC. An overlay already
    // open is closed first.
    HDC Open(const RECT* prc);
    // Releases the DC and destroys the overlay; nothing when closed.
    void Close();

    HDC GetDC() const { return m_hDC; }
    OvOverlayWnd* GetOverlay() const { return m_pOverlay; }

private:
    OvOverlayWnd* m_pOverlay = nullptr;
    HDC m_hDC = nullptr;
};
