// The phone's clock in real and virtual time, and the kernel calls over it.
#include "platform/kernel/clock.h"

#include <algorithm>
#include <thread>
#include <utility>
#include <vector>

namespace platform::clock {
namespace {

using Steady = std::chrono::steady_clock;

struct ClockState {
    std::mutex mutex;
    std::condition_variable moved;  // real-time sleepers wake when the clock jumps or the mode changes
    Mode mode = Mode::virtual_time;
    // Virtual time: the time itself. Real time: the time at real_base.
    std::uint64_t base_ms = 0;
    Steady::time_point real_base = Steady::now();

    std::uint64_t now_locked() const
    {
        if (mode == Mode::virtual_time) return base_ms;
        auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - real_base);
        return base_ms + static_cast<std::uint64_t>(elapsed.count());
    }

    void rebase_locked(std::uint64_t ms)
    {
        base_ms = ms;
        real_base = Steady::now();
    }
};

// Function-local statics: the application object reads the clock during
// static initialisation, before any namespace-scope object of this file might
// have been constructed.
ClockState& state()
{
    static ClockState instance;
    return instance;
}

struct ListenerList {
    std::mutex mutex;
    int next_id = 1;
    std::vector<std::pair<int, Listener>> entries;
};

ListenerList& listeners()
{
    static ListenerList instance;
    return instance;
}

struct StopList {
    std::mutex mutex;
    int next_id = 1;
    std::vector<std::pair<int, StopQuery>> entries;
};

StopList& stops()
{
    static StopList instance;
    return instance;
}

void notify(std::uint64_t from, std::uint64_t to)
{
    if (from == to) return;
    std::vector<std::pair<int, Listener>> copy;
    {
        std::lock_guard lock(listeners().mutex);
        copy = listeners().entries;
    }
    for (auto& entry : copy) entry.second(from, to);
}

// Moves the clock to at least target; returns the times before and after.
std::pair<std::uint64_t, std::uint64_t> move_to(std::uint64_t target)
{
    ClockState& clock = state();
    std::lock_guard lock(clock.mutex);
    std::uint64_t before = clock.now_locked();
    if (target > before) clock.rebase_locked(target);
    clock.moved.notify_all();
    return {before, clock.now_locked()};
}

std::uint64_t saturating_add(std::uint64_t a, std::uint64_t b) { return b > UINT64_MAX - a ? UINT64_MAX : a + b; }

}  // namespace

void reset(Mode mode, std::uint64_t start_ms)
{
    ClockState& clock = state();
    std::lock_guard lock(clock.mutex);
    clock.mode = mode;
    clock.rebase_locked(start_ms);
    clock.moved.notify_all();
}

void set_mode(Mode mode)
{
    ClockState& clock = state();
    std::lock_guard lock(clock.mutex);
    clock.rebase_locked(clock.now_locked());
    clock.mode = mode;
    clock.moved.notify_all();
}

Mode mode()
{
    ClockState& clock = state();
    std::lock_guard lock(clock.mutex);
    return clock.mode;
}

std::uint64_t now()
{
    ClockState& clock = state();
    std::lock_guard lock(clock.mutex);
    return clock.now_locked();
}

void advance(std::uint64_t ms)
{
    std::uint64_t before;
    std::uint64_t after;
    {
        ClockState& clock = state();
        std::lock_guard lock(clock.mutex);
        // Read and move under one lock, so concurrent advances add up.
        before = clock.now_locked();
        after = saturating_add(before, ms);
        clock.rebase_locked(after);
        clock.moved.notify_all();
    }
    notify(before, after);
}

void advance_to(std::uint64_t ms)
{
    auto [before, after] = move_to(ms);
    notify(before, after);
}

std::uint64_t wait_until(std::uint64_t ms)
{
    ClockState& clock = state();
    std::unique_lock lock(clock.mutex);
    while (clock.mode == Mode::real_time) {
        std::uint64_t current = clock.now_locked();
        if (current >= ms) return current;
        // In slices, so a far-off target cannot overflow the host clock's arithmetic.
        std::uint64_t slice = std::min<std::uint64_t>(ms - current, 60'000);
        clock.moved.wait_for(lock, std::chrono::milliseconds(slice));
    }
    lock.unlock();
    auto [before, after] = move_to(ms);
    notify(before, after);
    return after;
}

std::uint64_t wait_for(std::uint64_t ms) { return wait_until(saturating_add(now(), ms)); }

int add_listener(Listener listener)
{
    std::lock_guard lock(listeners().mutex);
    int id = listeners().next_id++;
    listeners().entries.emplace_back(id, std::move(listener));
    return id;
}

void remove_listener(int id)
{
    std::lock_guard lock(listeners().mutex);
    auto& entries = listeners().entries;
    std::erase_if(entries, [id](const auto& entry) { return entry.first == id; });
}

int add_stop(StopQuery query)
{
    std::lock_guard lock(stops().mutex);
    int id = stops().next_id++;
    stops().entries.emplace_back(id, std::move(query));
    return id;
}

void remove_stop(int id)
{
    std::lock_guard lock(stops().mutex);
    std::erase_if(stops().entries, [id](const auto& entry) { return entry.first == id; });
}

std::optional<std::uint64_t> next_stop()
{
    std::vector<std::pair<int, StopQuery>> copy;
    {
        std::lock_guard lock(stops().mutex);
        copy = stops().entries;
    }
    std::uint64_t current = now();
    std::optional<std::uint64_t> earliest;
    for (auto& entry : copy) {
        auto moment = entry.second(current);
        if (moment && *moment > current && (!earliest || *moment < *earliest)) earliest = moment;
    }
    return earliest;
}

}  // namespace platform::clock

DWORD GetTickCount() { return static_cast<DWORD>(platform::clock::now()); }

void Sleep(DWORD dwMilliseconds)
{
    if (dwMilliseconds == INFINITE) {
        // As on the phone, the thread never wakes.
        for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
    }
    if (dwMilliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    platform::clock::wait_for(dwMilliseconds);
}
