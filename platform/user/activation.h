// The active (foreground) window, the keyboard focus and the capture. There
// is one screen and one UI thread, so the active window is also the
// foreground window.
#pragma once

#include "platform/user/window.h"

namespace platform::user {

std::uint32_t active_window();
std::uint32_t focus_window();

// Whether a top-level window may become active: shown, enabled and not
// marked WS_EX_NOACTIVATE.
bool can_activate(const Window& window);

// Makes the window's top-level window active and brings it (with the windows
// it owns) to the top: WM_ACTIVATE with WA_INACTIVE to the old active window,
// then with how (WA_ACTIVE or WA_CLICKACTIVE) to the new one, whose window
// takes the focus unless the focus already lies inside it. Null deactivates.
void activate(const WindowPtr& window, WORD how);

// When the active window hides or goes away: its owner, else the top-most
// window that can be active, becomes active.
void activate_another(const Window& leaving);

// Moves the focus, with WM_KILLFOCUS to the old window and WM_SETFOCUS to
// the new one.
void set_focus(const WindowPtr& window);

// Drops the window from the active, focus and capture slots without messages
// (it is being destroyed).
void forget_window(const Window& window);

}  // namespace platform::user
