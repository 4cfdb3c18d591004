// The window system's side of painting: which window paints next and how an
// update region is taken away.
#pragma once

#include "platform/user/message_queue.h"
#include "platform/user/window.h"

namespace platform::user {

// The first window of the queue's thread, in z-order with parents before
// children, that has something to paint; limited to filter and its
// descendants when filter is set.
WindowPtr next_window_to_paint(const ThreadQueue& queue, HWND filter);

// Takes region (client coordinates; null: all) out of the update region, and
// out of the children's when the window does not clip them.
void validate_window(Window& window, const gdi::Region* region, bool with_children);

// Sends WM_PAINT at once to the window and then to its descendants, each
// only when it has something to paint.
void paint_now(const WindowPtr& window);

}  // namespace platform::user
