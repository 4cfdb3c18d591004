// The shell's own screens, shown over the program as the phone's events call for them and taken away when
// they are over: the incoming call (caller, answer, decline), the SMS banner (gone by itself after a few
// seconds), the USB-disk screen, the lock screen (a swipe unlocks it), the power-off question and the small
// screen an app the phone does not have opens to. Each is a window of class "ShellScreen" that never becomes
// active, so the program in front stays the foreground window and keeps receiving the broadcasts it reacts
// to. Every screen shown, answered or taken away is told to the host as a shell event.
#pragma once

#include "platform/include/winuser.h"
#include "platform/shell/shell_layout.h"

namespace platform::shell {

inline constexpr const char16_t* shell_screen_class = u"ShellScreen";

enum class ScreenKind { incoming_call, sms_banner, disk_mode, lock, shutdown_question, placeholder };
inline constexpr int screen_kind_count = 6;

// How long the SMS banner stays.
inline constexpr UINT sms_banner_ms = 4000;
// How far a finger must travel on the lock screen to unlock it.
inline constexpr int unlock_swipe_distance = 120;

bool register_shell_screen_class();
void unregister_shell_screen_class();

// Shows the screen (a screen already shown stays as it is). The placeholder names the icon it was opened
// from; other kinds ignore it. Returns the screen's window, or null with the last error set.
HWND show_screen(ScreenKind kind, const AppIcon* icon = nullptr);
// Takes the screen away if it is shown; says why in the event log.
void close_screen(ScreenKind kind, const char* why);
// Takes every screen away quietly (the shell stops).
void close_all_screens();

// The window of the screen if it is shown, else null.
HWND shown_screen(ScreenKind kind);

// Whether the incoming call has been answered (its screen then offers only to hang up).
bool call_answered();

// Where each screen lies and where its buttons are, in screen coordinates.
RECT screen_area(ScreenKind kind);
RECT answer_button();
RECT decline_button();
RECT hang_up_button();  // the answered call's only button
RECT power_off_button();
RECT cancel_button();

}  // namespace platform::shell
