// Top-level windows of other programs running on the same phone (the same
// device root): enough to find one, see whether it shows, show or hide it,
// bring it forward and post it a message, which is what a second start of a
// program does with the first.
//
// Each program publishes its top-level windows (class, title, visibility) in
// a file of its own under the runtime folder, rewritten whenever they change,
// and reads requests from a FIFO beside it; a listener thread hands each
// request to the UI thread's queue. A lock file held for the program's
// lifetime tells live programs from files a crashed one left behind.
//
// Windows of other programs get handle values with the top bit set, which
// never collide with this program's own.
#pragma once

#include "platform/include/winuser.h"

namespace platform::user {

bool is_foreign_window_handle(HWND hwnd);
// The first matching top-level window of another live program, or null.
HWND find_foreign_window(LPCWSTR class_name, LPCWSTR title);
BOOL foreign_window_exists(HWND hwnd);
BOOL foreign_window_visible(HWND hwnd);
// Asks the owner to show or hide the window; returns whether it was visible.
BOOL show_foreign_window(HWND hwnd, int command);
BOOL bring_foreign_window_forward(HWND hwnd);
BOOL post_to_foreign_window(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Rewrites this program's published list (UI thread, after any change of a
// top-level window). Does nothing without a device root.
void publish_windows();

}  // namespace platform::user
