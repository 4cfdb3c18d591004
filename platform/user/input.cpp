// Touch input: the backend's presses, moves and releases become mouse
// messages for the capture window or for the window under the finger.

#include "platform/user/input.h"

#include <cstdlib>
#include <deque>
#include <mutex>
#include <optional>

#include "platform/kernel/clock.h"
#include "platform/user/activation.h"
#include "platform/user/message_queue.h"
#include "platform/user/system_metrics.h"
#include "platform/user/window.h"

namespace platform::user {
namespace {

struct PointerEvent {
    PointerKind kind;
    int x;
    int y;
    DWORD time;
};

struct Press {
    std::uint32_t window = 0;
    DWORD time = 0;
    int x = 0;
    int y = 0;
};

struct InputState {
    std::mutex mutex;
    std::deque<PointerEvent> events;
    POINT cursor {0, 0};
    // The rest is the UI thread's alone.
    std::uint32_t capture = 0;
    bool pressed = false;
    std::optional<Press> last_press;
};

InputState& state()
{
    static auto* instance = new InputState;
    return *instance;
}

bool is_double_click(const PointerEvent& event, const Window& target)
{
    const auto& last = state().last_press;
    if (!(target.window_class->style & CS_DBLCLKS) || !last || last->window != target.handle) return false;
    return event.time - last->time <= GetDoubleClickTime() && std::abs(event.x - last->x) <= double_click_width() / 2 &&
        std::abs(event.y - last->y) <= double_click_height() / 2;
}

// The message an event makes, and the window it goes to (null: dropped).
WindowPtr route(const PointerEvent& event, MSG& message)
{
    WindowPtr target;
    if (state().capture != 0) {
        target = find_window_quietly(state().capture);
        if (target && (target->destroying || !is_enabled(*target))) return nullptr;
    } else {
        target = window_at_point(event.x, event.y);
    }
    if (!target) return nullptr;
    UINT kind = WM_MOUSEMOVE;
    WPARAM keys = state().pressed ? MK_LBUTTON : 0;
    if (event.kind == PointerKind::down) {
        kind = is_double_click(event, *target) ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN;
        keys = MK_LBUTTON;
    } else if (event.kind == PointerKind::up) {
        kind = WM_LBUTTONUP;
        keys = 0;
    }
    POINT origin = client_origin(*target);
    message = MSG {};
    message.hwnd = to_hwnd(target);
    message.message = kind;
    message.wParam = keys;
    message.lParam = MAKELPARAM(event.x - origin.x, event.y - origin.y);
    message.time = event.time;
    message.pt = POINT {event.x, event.y};
    return target;
}

void commit(const PointerEvent& event, const MSG& message, const WindowPtr& target)
{
    auto& input = state();
    {
        std::lock_guard lock(input.mutex);
        input.cursor = POINT {event.x, event.y};
    }
    if (message.message == WM_LBUTTONDBLCLK) {
        input.last_press.reset();
    } else if (message.message == WM_LBUTTONDOWN) {
        input.last_press = Press {target->handle, event.time, event.x, event.y};
    }
    if (event.kind == PointerKind::down) {
        input.pressed = true;
        // A press on an inactive window brings it forward, unless something
        // holds the capture.
        auto top = top_level_of(target);
        if (input.capture == 0 && top && top->handle != active_window() && can_activate(*top))
            activate(top, WA_CLICKACTIVE);
    } else if (event.kind == PointerKind::up) {
        input.pressed = false;
    }
}

}  // namespace

void inject_pointer(PointerKind kind, int x, int y)
{
    auto& input = state();
    {
        std::lock_guard lock(input.mutex);
        input.events.push_back(PointerEvent {kind, x, y, static_cast<DWORD>(platform::clock::now())});
        note_activity();
    }
    if (auto queue = ui_queue()) queue->wake();
}

POINT cursor_position()
{
    auto& input = state();
    std::lock_guard lock(input.mutex);
    return input.cursor;
}

bool has_pending_input()
{
    auto& input = state();
    std::lock_guard lock(input.mutex);
    return !input.events.empty();
}

bool take_input(MSG& message, bool (*passes)(const MSG&, const void*), const void* filter, bool remove)
{
    auto& input = state();
    for (;;) {
        PointerEvent event;
        {
            std::lock_guard lock(input.mutex);
            if (input.events.empty()) return false;
            event = input.events.front();
        }
        MSG candidate;
        WindowPtr target = route(event, candidate);
        if (target && !passes(candidate, filter)) return false;
        if (target && !remove) {
            message = candidate;
            return true;
        }
        {
            std::lock_guard lock(input.mutex);
            if (!input.events.empty()) input.events.pop_front();
        }
        if (!target) {
            // Nothing takes it, but the finger still went there.
            if (event.kind == PointerKind::up) input.pressed = false;
            std::lock_guard lock(input.mutex);
            input.cursor = POINT {event.x, event.y};
            continue;
        }
        commit(event, candidate, target);
        message = candidate;
        return true;
    }
}

void clear_input()
{
    auto& input = state();
    {
        std::lock_guard lock(input.mutex);
        input.events.clear();
    }
    input.capture = 0;
    input.pressed = false;
    input.last_press.reset();
}

std::uint32_t capture_window() { return state().capture; }
void set_capture_window(std::uint32_t handle) { state().capture = handle; }

}  // namespace platform::user

BOOL GetCursorPos(LPPOINT lpPoint)
{
    if (!lpPoint) return FALSE;
    *lpPoint = platform::user::cursor_position();
    return TRUE;
}
