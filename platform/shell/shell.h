// The phone's shell: what the screen shows before (and behind) the program. It owns the home screen, a
// desktop-like window at the bottom of the z-order with the wallpaper and the icon grid, and the task bar,
// the top-most window of class "CTaskBar" across the top of the screen with the clock and the status glyphs.
// The program finds the task bar with FindWindowW(L"CTaskBar", NULL) and hides or shows it with ShowWindow.
// A hidden third window takes the programs' answers to the M key (shell_keys.h), and the shell reads the
// notification queue programs announce their windows on (notification_reader.h).
#pragma once

namespace platform::shell {

// Registers the shell's window classes and creates the home screen and the task bar on the calling thread,
// which must be the UI thread that later runs the program's message loop. It shows both windows and returns
// without pumping messages; the program's own loop paints them. Returns false (with the last error set) if a
// window could not be created; calling it again while the shell runs does nothing and returns true.
bool start_shell();

// Destroys the shell's windows and its clock timer and unregisters its classes. Safe to call when the shell
// is not running.
void stop_shell();

}  // namespace platform::shell
