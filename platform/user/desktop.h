// The desktop: the window behind all others, as large as the screen. Where
// no window covers it, the screen shows black.
#pragma once

#include "platform/user/window.h"

namespace platform::user {

inline constexpr int screen_width = 480;
inline constexpr int screen_height = 720;

inline RECT screen_area() { return RECT {0, 0, screen_width, screen_height}; }

WindowPtr desktop_window();
bool is_desktop(const Window& window);
// The part of the screen no shown top-level window covers.
gdi::Region uncovered_desktop();
// Fills that part of the screen (screen coordinates) with the desktop's colour.
void paint_desktop(const gdi::Region& area);

}  // namespace platform::user
