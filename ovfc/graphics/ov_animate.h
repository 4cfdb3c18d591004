// The framework window's show and hide transition, played by
// COvWnd::AnimateWindow once the graphics layer is linked.
#pragma once

class COvWnd;

// Plays transition nAnim over the window's rectangle, from what the screen
// shows to the window (bShow) or to its framework parent. Nothing for 0.
void OvAnimateWindow(COvWnd& wnd, int nAnim, bool bShow);
