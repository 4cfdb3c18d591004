// What the host program (and tests) use to run the phone's window system:
// the touch input a backend feeds in, the hook for an idle message loop and a
// plain message loop that runs until the program quits. The screen itself is
// the drawing layer's.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace platform::user {

enum class PointerKind { down, move, up };

// Queues a touch event at (x, y) on the screen, stamped with the clock's time
// now. Safe from any thread; it does not wait. The UI thread turns it into a
// mouse message for the capture window or the window under the point when it
// reads its queue.
void inject_pointer(PointerKind kind, int x, int y);

// Called by GetMessageW when nothing is there to retrieve, with the time the
// next timer of the thread falls due (none when there is no timer). The
// handler may inject input, post messages, move the clock or call
// PostQuitMessage (at the end of a script, say). If after it returns there is
// still nothing to retrieve and the clock has not moved, GetMessageW waits as
// it does without a handler. An empty handler removes it.
using IdleHandler = std::function<void(std::optional<std::uint64_t> next_timer_due)>;
void set_idle_handler(IdleHandler handler);

// How an idle UI thread waits in real time when the host has events of its
// own to watch (a window's): wait(timeout_ms, INFINITE for none) returns once
// its events came or the time is up, and wake() makes it return early; the
// loop calls wake, from any thread, when a message, input or call arrives
// meanwhile. Without it (empty members) the loop waits on its queue and, with
// an idle handler, asks the handler again every few milliseconds.
struct IdleWait {
    std::function<void(std::uint32_t timeout_ms)> wait;
    std::function<void()> wake;
};
void set_idle_wait(IdleWait idle_wait);

// Whether the calling thread is inside a window procedure's WM_PAINT or
// WM_ERASEBKGND: drawing there is one frame, however it overlaps itself.
bool painting_now();

// In virtual time an idle GetMessageW with no timer, no handler and nothing
// else to wait for would wait forever, since nothing can move the clock. It
// ends the loop instead: it returns WM_QUIT with this exit code (the code the
// timeout command uses) and says so on the debug output.
inline constexpr int stalled_exit_code = 124;

// Retrieves and dispatches the calling thread's messages until WM_QUIT and
// returns its exit code.
int run_until_quit();

// Destroys every window the calling thread owns and forgets its timers,
// posted messages, quit request and queued input. The host calls it when the
// phone shuts down; tests call it between cases.
void shut_down_thread_windows();

}  // namespace platform::user
