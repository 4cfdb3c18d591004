// The home screen: the shell's window behind every other, covering the whole screen with the wallpaper and
// the app icons. It never becomes active, so touching it leaves the foreground where it was, and it stays at
// the bottom of the z-order because nothing ever raises it.
#pragma once

#include "platform/include/winuser.h"

namespace platform::shell {

inline constexpr const char16_t* home_screen_class = u"ShellHomeScreen";

// Registers the class (again after an unregister); true if it is registered afterwards.
bool register_home_screen_class();
void unregister_home_screen_class();

// Creates the shown home-screen window at the bottom of the z-order, or returns null with the last error set.
HWND create_home_screen();

// The icon a finger is pressing now, or -1.
int pressed_home_icon();

}  // namespace platform::shell
