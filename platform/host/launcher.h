// Starting the phone's program the way a person does: by a tap on its icon on
// the home screen. The program is the one linked into the host; the icon is
// the shell's program icon (Brisell's shaver).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/host/host.h"
#include "platform/kernel/result.h"
#include "platform/user/host.h"

namespace platform::host {

// A program the home screen starts from its icon calls this before main runs
// (home_screen_program.cpp does, linked into such a program). The host then
// boots the phone to its home screen and taps the icon itself; other programs
// (tests, demos) start as soon as the phone is up.
void set_started_from_home_screen(bool started_from_icon);
bool started_from_home_screen();

// How long the host's own finger rests on the icon: long enough for the
// pressed tile to be seen and recorded.
inline constexpr std::uint64_t icon_press_ms = 100;

// What the launcher needs of the host around it.
struct LaunchHooks {
    // The host's finger: says so in the event log and injects the touch.
    std::function<void(platform::user::PointerKind kind, int x, int y)> pointer;
    // Shows what has been drawn (the display and the recording).
    std::function<void()> present;
    // A line for the event log.
    std::function<void(const std::string& text)> report;
};

class Launcher {
public:
    // wait_at_home: the phone stays at its home screen until the icon is
    // tapped (--home), whatever kind of program this is.
    Launcher(bool wait_at_home, LaunchHooks hooks);

    // Runs the program on the UI thread once it is to start and returns its
    // WinMain's result. A program the home screen starts is started by a tap
    // on its icon: the host's own unless the launcher waits at home, in which
    // case the phone's messages are pumped (and the host's idle handler runs
    // the window, script or console) until a tap on the icon comes. If the
    // phone is asked to quit first, the program never runs and the quit's
    // code is returned. Without a home screen the program starts at once.
    int run(ProgramEntry program);

    // Whether run() got as far as the program's WinMain, and whether a tap
    // on the icon started it there (so the home screen it came from can
    // come back when it ends).
    bool program_ran() const { return program_ran_; }
    bool started_from_icon() const { return started_from_icon_; }

private:
    enum class Outcome { start, quit };
    Outcome tap_icon_ourselves();
    Outcome wait_for_tap();
    Outcome pump_queued();
    int start(ProgramEntry program);

    bool wait_at_home_;
    LaunchHooks hooks_;
    bool tapped_ = false;
    bool program_ran_ = false;
    bool started_from_icon_ = false;
    int quit_code_ = 0;
};

// The command line of a fresh host that waits at the home screen: the same
// arguments, with --home added unless they hold it already.
std::vector<std::string> home_restart_arguments(const std::vector<std::string>& arguments);

// After the program ended with exit_code, replaces this process with a fresh
// host at the home screen (execv of /proc/self/exe with this process's
// arguments and --home), saying so on standard error. The program's static
// objects are constructed once per process, so a second start of the program
// needs a process of its own. Returns only when that fails, saying why.
platform::Failure restart_at_home(int exit_code);

}  // namespace platform::host
