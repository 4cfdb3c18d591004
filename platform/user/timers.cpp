#include "platform/user/timers.h"

#include <algorithm>

#include "platform/include/winbase.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/handle_table.h"
#include "platform/user/window.h"

namespace platform::user {
namespace {

constexpr UINT maximum_interval = 0x7FFFFFFF;

UINT_PTR set_timer_here(ThreadQueue& queue, std::uint32_t window, UINT_PTR id, UINT elapse, TIMERPROC procedure)
{
    auto& timers = queue.timers();
    if (window == 0) {
        // Thread timers get an id of their own unless an existing one is named.
        bool exists = id != 0 &&
            std::any_of(timers.begin(), timers.end(), [&](const Timer& t) { return t.window == 0 && t.id == id; });
        if (!exists) {
            id = 1;
            while (
                std::any_of(timers.begin(), timers.end(), [&](const Timer& t) { return t.window == 0 && t.id == id; }))
                ++id;
        }
    }
    UINT interval = std::clamp<UINT>(elapse, USER_TIMER_MINIMUM, maximum_interval);
    auto existing =
        std::find_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.window == window && t.id == id; });
    Timer timer {window, id, interval, platform::clock::now() + interval, procedure, queue.next_timer_order()};
    if (existing != timers.end())
        *existing = timer;
    else
        timers.push_back(timer);
    note_activity();
    return window == 0 ? id : (id == 0 ? 1 : id);
}

BOOL kill_timer_here(ThreadQueue& queue, std::uint32_t window, UINT_PTR id)
{
    auto& timers = queue.timers();
    auto it =
        std::find_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.window == window && t.id == id; });
    if (it == timers.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    timers.erase(it);
    return TRUE;
}

}  // namespace

bool take_timer(
    ThreadQueue& queue, MSG& message, bool (*passes)(const MSG&, const void*), const void* filter, bool remove)
{
    std::uint64_t now = platform::clock::now();
    Timer* chosen = nullptr;
    for (Timer& timer : queue.timers()) {
        if (timer.due > now) continue;
        if (chosen && (timer.due > chosen->due || (timer.due == chosen->due && timer.order > chosen->order))) continue;
        MSG candidate =
            make_message(to_hwnd(timer.window), WM_TIMER, timer.id, reinterpret_cast<LPARAM>(timer.procedure));
        if (!passes(candidate, filter)) continue;
        chosen = &timer;
        message = candidate;
    }
    if (!chosen) return false;
    if (remove) {
        chosen->due += chosen->interval;
        if (chosen->due <= now) chosen->due = now + chosen->interval;
    }
    return true;
}

std::optional<std::uint64_t> next_timer_due(ThreadQueue& queue)
{
    std::optional<std::uint64_t> due;
    for (const Timer& timer : queue.timers())
        if (!due || timer.due < *due) due = timer.due;
    return due;
}

void kill_window_timers(ThreadQueue& queue, std::uint32_t window)
{
    std::erase_if(queue.timers(), [&](const Timer& t) { return t.window == window; });
}

}  // namespace platform::user

using namespace platform::user;

UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc)
{
    if (!hWnd) return set_timer_here(*current_queue(), 0, nIDEvent, uElapse, lpTimerFunc);
    auto window = find_window(hWnd);
    if (!window) return 0;
    std::uint32_t handle = window->handle;
    auto queue = window->queue;
    // Timers live with the queue of the window's thread.
    return static_cast<UINT_PTR>(queue->call(
        [=] { return static_cast<LRESULT>(set_timer_here(*queue, handle, nIDEvent, uElapse, lpTimerFunc)); }));
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent)
{
    if (!hWnd) return kill_timer_here(*current_queue(), 0, uIDEvent);
    auto window = find_window(hWnd);
    if (!window) return FALSE;
    std::uint32_t handle = window->handle;
    auto queue = window->queue;
    return static_cast<BOOL>(
        queue->call([=] { return static_cast<LRESULT>(kill_timer_here(*queue, handle, uIDEvent)); }));
}
