#include "platform/user/activation.h"

#include <algorithm>

#include "platform/include/winbase.h"
#include "platform/kernel/handle_table.h"
#include "platform/user/foreign_windows.h"
#include "platform/user/input.h"

namespace platform::user {
namespace {

std::uint32_t active = 0;
std::uint32_t focus = 0;

WindowPtr live(std::uint32_t handle)
{
    auto window = find_window_quietly(handle);
    return window && !window->destroying ? window : nullptr;
}

void raise_with_owned(const WindowPtr& window)
{
    auto& list = top_level_windows();
    std::vector<std::uint32_t> owned;
    for (std::uint32_t handle : list) {
        auto other = find_window_quietly(handle);
        if (other && other->owner == window->handle) owned.push_back(handle);
    }
    if (!list.empty() && list.front() == window->handle && owned.empty()) return;
    ExposeTracker tracker;
    link_at_top(*window);
    for (auto it = owned.rbegin(); it != owned.rend(); ++it)
        if (auto other = find_window_quietly(*it)) link_at_top(*other);
    tracker.commit();
}

}  // namespace

std::uint32_t active_window() { return active; }
std::uint32_t focus_window() { return focus; }

bool can_activate(const Window& window)
{
    return window.is_top_level() && !window.destroying && (window.style & WS_VISIBLE) && is_enabled(window) &&
        !(window.ex_style & WS_EX_NOACTIVATE);
}

void activate(const WindowPtr& window, WORD how)
{
    WindowPtr target = top_level_of(window);
    if (target && target->destroying) target = nullptr;
    if (target) raise_with_owned(target);
    std::uint32_t old = active;
    if (target && target->handle == old) return;
    if (!target && old == 0) return;
    active = target ? target->handle : 0;
    if (auto previous = live(old))
        SendMessageW(
            to_hwnd(previous), WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(to_hwnd(target)));
    if (!target) {
        set_focus(nullptr);
        return;
    }
    if (active != target->handle || target->destroying) return;
    SendMessageW(to_hwnd(target), WM_ACTIVATE, MAKEWPARAM(how, 0), reinterpret_cast<LPARAM>(to_hwnd(old)));
    if (active != target->handle || target->destroying) return;
    auto focused = live(focus);
    if (!focused || (focused != target && !is_descendant(*target, *focused))) set_focus(target);
}

void activate_another(const Window& leaving)
{
    if (active != leaving.handle) return;
    WindowPtr next;
    if (auto owner = live(leaving.owner); owner && owner->handle != leaving.handle && can_activate(*owner))
        next = owner;
    if (!next) {
        for (std::uint32_t handle : top_level_windows()) {
            auto candidate = live(handle);
            if (candidate && candidate->handle != leaving.handle && can_activate(*candidate)) {
                next = candidate;
                break;
            }
        }
    }
    activate(next, WA_ACTIVE);
}

void set_focus(const WindowPtr& window)
{
    std::uint32_t old = focus;
    std::uint32_t wanted = window ? window->handle : 0;
    if (old == wanted) return;
    focus = wanted;
    if (auto previous = live(old))
        SendMessageW(to_hwnd(previous), WM_KILLFOCUS, reinterpret_cast<WPARAM>(to_hwnd(window)), 0);
    if (window && focus == wanted && !window->destroying)
        SendMessageW(to_hwnd(window), WM_SETFOCUS, reinterpret_cast<WPARAM>(to_hwnd(old)), 0);
}

void forget_window(const Window& window)
{
    if (active == window.handle) active = 0;
    if (focus == window.handle) focus = 0;
    if (capture_window() == window.handle) set_capture_window(0);
}

}  // namespace platform::user

using namespace platform::user;

BOOL SetForegroundWindow(HWND hWnd)
{
    if (is_foreign_window_handle(hWnd)) return bring_foreign_window_forward(hWnd);
    auto window = find_window(hWnd);
    if (!window || window->destroying) return FALSE;
    activate(window, WA_ACTIVE);
    return TRUE;
}

HWND GetForegroundWindow() { return to_hwnd(active); }

HWND SetActiveWindow(HWND hWnd)
{
    HWND previous = to_hwnd(active);
    if (!hWnd) {
        activate(nullptr, WA_INACTIVE);
        return previous;
    }
    auto window = find_window(hWnd);
    if (!window || window->destroying) return nullptr;
    activate(window, WA_ACTIVE);
    return previous;
}

HWND GetActiveWindow() { return to_hwnd(active); }

HWND SetFocus(HWND hWnd)
{
    HWND previous = to_hwnd(focus);
    if (!hWnd) {
        set_focus(nullptr);
        return previous;
    }
    auto window = find_window(hWnd);
    if (!window || window->destroying) return nullptr;
    // Focus lives in the active window: focusing a window activates its top.
    auto top = top_level_of(window);
    if (top && top->handle != active) activate(top, WA_ACTIVE);
    set_focus(window);
    return previous;
}

HWND GetFocus() { return to_hwnd(focus); }

HWND SetCapture(HWND hWnd)
{
    HWND previous = to_hwnd(capture_window());
    auto window = hWnd ? find_window(hWnd) : nullptr;
    if (!window || window->destroying) return nullptr;
    if (window->handle == capture_window()) return previous;
    set_capture_window(window->handle);
    if (previous) SendMessageW(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hWnd));
    return previous;
}

BOOL ReleaseCapture()
{
    std::uint32_t previous = capture_window();
    if (previous == 0) return TRUE;
    set_capture_window(0);
    if (auto window = find_window_quietly(previous); window && !window->destroying)
        SendMessageW(to_hwnd(previous), WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() { return to_hwnd(capture_window()); }
