// The task bar: the shell's strip across the top of the screen with the signal strength, the clock and the
// battery. It is top-most, so it stays above the program's full-screen windows until the program hides it,
// and it never becomes active. Programs find it by its class name alone.
#pragma once

#include <string>

#include "platform/include/winuser.h"

namespace platform::shell {

inline constexpr const char16_t* task_bar_class = u"CTaskBar";

// Sent (posted) to the task bar when the time of day may have moved to another minute.
inline constexpr UINT task_bar_refresh_message = WM_USER + 0x101;

bool register_task_bar_class();
void unregister_task_bar_class();

// Creates the shown task bar, or returns null with the last error set.
HWND create_task_bar();

// The strip as the bar shows it at that minute of the day, drawn anew onto the DC at (0, 0).
void draw_task_bar(HDC dc, int minute_of_day);

// The clock text of the last paint (empty before the first).
std::u16string task_bar_painted_clock();

}  // namespace platform::shell
