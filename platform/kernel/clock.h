// The phone's one clock: GetTickCount, Sleep, message time stamps, timers,
// audio and frame pacing all read it.
//
// In real time it is the host's monotonic clock, counted from the moment the
// phone started. In virtual time it stands still until the system waits:
// Sleep, a timed wait on a queue or an idle message loop moves it forward to
// the moment the wait would end, at once. A run that waits 50 seconds then
// takes no time, and two runs of the same input see the same times.
//
// All functions are safe to call from any thread and during static
// initialisation.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

#include "platform/include/winbase.h"

namespace platform::clock {

enum class Mode { real_time, virtual_time };

// Restarts the clock at start_ms in the given mode. The host calls it when
// the phone starts; virtual time is the mode until then.
void reset(Mode mode, std::uint64_t start_ms = 0);

// Switches the mode; the time reads on from where it stood.
void set_mode(Mode mode);
Mode mode();

// Milliseconds since the phone started.
std::uint64_t now();

// Moves the clock forward by ms, or to the absolute time ms (nothing happens
// when that lies in the past). In real time the clock skips ahead.
void advance(std::uint64_t ms);
void advance_to(std::uint64_t ms);

// Waits until the clock reads at least ms (wait_for: ms from now) and
// returns the time then. In virtual time this jumps the clock; in real time
// it sleeps (and wakes early if the clock is advanced past ms meanwhile).
// Threads waiting at the same time share the time that passes, as on a real
// clock: two threads sleeping 10 ms together move it by 10 ms, not 20. Sleep
// is wait_for.
std::uint64_t wait_until(std::uint64_t ms);
std::uint64_t wait_for(std::uint64_t ms);

// Called after each jump of the clock (advance, advance_to, a virtual wait)
// with the times before and after, on the thread that moved it. In real time
// the clock also runs on between jumps without telling anyone. Returns an id
// for remove_listener. Listeners may move the clock or add and remove
// listeners themselves.
using Listener = std::function<void(std::uint64_t from, std::uint64_t to)>;
int add_listener(Listener listener);
void remove_listener(int id);

// Moments the clock should stop at on its way, though nobody waits for them:
// a sound that ends, a status clock's next minute. In virtual time a jump to
// a later time (an idle loop going to its next timer, a scenario's wait)
// goes to the earliest of them first, so what they bring about happens, is
// drawn and is seen at its own time rather than at the end of the jump.
// They never keep an otherwise idle phone from stalling. The query gets the
// time now and answers the next moment after it, if any; it is called
// without the clock's locks held. Returns an id for remove_stop.
using StopQuery = std::function<std::optional<std::uint64_t>(std::uint64_t now)>;
int add_stop(StopQuery query);
void remove_stop(int id);
// The earliest moment after now that a stop asks for.
std::optional<std::uint64_t> next_stop();

// Waits on condition under lock until ready() holds or timeout_ms (INFINITE
// for no limit) passes; returns ready(). An infinite wait blocks in either
// mode. A limited wait in virtual time does not block: if ready() does not
// hold, the clock jumps by the timeout, as an idle system would, and
// ready() is asked once more.
template <class Predicate>
bool wait_for_condition(
    std::unique_lock<std::mutex>& lock, std::condition_variable& condition, DWORD timeout_ms, Predicate ready)
{
    if (ready()) return true;
    if (timeout_ms == 0) return false;
    if (timeout_ms == INFINITE) {
        condition.wait(lock, ready);
        return true;
    }
    if (mode() == Mode::virtual_time) {
        lock.unlock();
        wait_for(timeout_ms);
        lock.lock();
        return ready();
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    return condition.wait_until(lock, deadline, ready);
}

}  // namespace platform::clock
