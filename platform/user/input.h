// Touch input on its way from a backend to a window: queued raw events, made
// into mouse messages when the UI thread reads its queue.
#pragma once

#include "platform/include/winuser.h"
#include "platform/user/host.h"

namespace platform::user {

// Where the last touch was, on the screen (GetCursorPos, MSG.pt).
POINT cursor_position();

bool has_pending_input();
// Makes the next queued touch into a mouse message. Events that reach no
// window are dropped on the way. With remove, the event leaves the queue and
// its effects happen: a press on an inactive window activates it, and the
// double-click state moves on. A message whose window does not pass the
// filter stays queued.
bool take_input(MSG& message, bool (*passes)(const MSG&, const void*), const void* filter, bool remove);
void clear_input();

// Capture: the window all touch input goes to while it holds it.
std::uint32_t capture_window();
void set_capture_window(std::uint32_t handle);

}  // namespace platform::user
