// The home screen: the shell's window behind every other, covering the whole screen with the wallpaper and
// the app icons. It never becomes active, so touching it leaves the foreground where it was, and it stays at
// the bottom of the z-order because nothing ever raises it.
#pragma once

#include <functional>

#include "platform/include/winuser.h"
#include "platform/shell/shell_layout.h"

namespace platform::shell {

inline constexpr const char16_t* home_screen_class = u"ShellHomeScreen";

// Registers the class (again after an unregister); true if it is registered afterwards.
bool register_home_screen_class();
void unregister_home_screen_class();

// Creates the shown home-screen window at the bottom of the z-order, or returns null with the last error set.
HWND create_home_screen();

// The icon a finger is pressing now (its index in page_icons(home_page())), or -1.
int pressed_home_icon();

// The page of icons showing, from 0. A swipe to the left turns to the next page, to the right to the one
// before; the home screen starts on the first.
int home_page();

// Told of every tap on an icon (a press and a release on the same tile), after the tile has lost its pressed
// look and, for an icon other than the program's, after its placeholder screen has opened. The host listens while the
// phone waits for its program to be started from the home screen; with no listener a tap only shows on its tile. An
// empty function stops listening.
using IconTapListener = std::function<void(const AppIcon& icon)>;
void set_icon_tap_listener(IconTapListener listener);

}  // namespace platform::shell
