// What the layers above the core add to it. The core plays a window's show
// and hide transitions and releases shared resources at exit, but the code
// for both lives in the graphics layer, which builds on the core; that layer
// installs itself here when a program links it, so the core never calls up.
#pragma once

class COvWnd;

// Plays transition nAnim (never 0) over the window's rectangle, showing the
// window or uncovering its parent.
using OvWindowAnimator = void (*)(COvWnd& wnd, int nAnim, bool bShow);

// The animator COvWnd::AnimateWindow uses; null plays nothing. The last one
// installed wins.
void OvSetWindowAnimator(OvWindowAnimator animator);
OvWindowAnimator OvGetWindowAnimator();

// Releases something a layer shares process-wide. Hooks run in the order they
// were added, each once per OvRunExitHooks.
using OvExitHook = void (*)();

// False when the hook is null or the list is full; adding a hook that is
// already listed changes nothing and succeeds.
bool OvAddExitHook(OvExitHook hook);
// What the application's ExitInstance calls.
void OvRunExitHooks();
