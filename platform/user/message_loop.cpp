// The message loop: retrieval in the platform's order (sent, posted, quit,
// input, paint, timer), idling on the clock, dispatching, sending and
// posting, and registered message numbers.

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/files/case_fold.h"
#include "platform/include/winbase.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/utf.h"
#include "platform/user/dispatch.h"
#include "platform/user/foreign_windows.h"
#include "platform/user/input.h"
#include "platform/user/painting.h"
#include "platform/user/timers.h"

namespace platform::user {
namespace {

struct Filter {
    HWND hwnd;
    UINT first;
    UINT last;
};

bool passes(const MSG& message, const void* raw_filter)
{
    const auto& filter = *static_cast<const Filter*>(raw_filter);
    if (filter.first != 0 || filter.last != 0) {
        if (message.message < filter.first || message.message > filter.last) return false;
    }
    if (filter.hwnd == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1))) return message.hwnd == nullptr;
    if (!filter.hwnd || message.hwnd == filter.hwnd) return true;
    return IsChild(filter.hwnd, message.hwnd);
}

struct LastMessage {
    DWORD time = 0;
    POINT pt {};
};
thread_local LastMessage last_message;

std::mutex idle_mutex;
IdleHandler idle_handler;
IdleWait idle_wait;
thread_local bool in_idle_handler = false;
thread_local int paint_depth = 0;

// The real-time wait when a handler is installed is cut short this often, so
// the handler is asked again.
constexpr DWORD idle_handler_poll_ms = 10;

bool retrieve(ThreadQueue& queue, MSG& message, const Filter& filter, bool remove)
{
    queue.run_calls();
    if (queue.take_posted(message, passes, &filter, remove)) return true;
    if (!queue.has_posted()) {
        if (auto code = queue.quit_request(remove)) {
            message = make_message(nullptr, WM_QUIT, static_cast<WPARAM>(*code), 0);
            return true;
        }
    }
    if (ui_queue().get() == &queue && take_input(message, passes, &filter, remove)) return true;
    if (auto window = next_window_to_paint(queue, filter.hwnd == reinterpret_cast<HWND>(-1) ? nullptr : filter.hwnd)) {
        MSG paint = make_message(to_hwnd(window), WM_PAINT, 0, 0);
        if (passes(paint, &filter)) {
            message = paint;
            return true;
        }
    }
    return take_timer(queue, message, passes, &filter, remove);
}

// seen: the activity count taken before the queue was last looked at, so
// that what arrives between that look and the wait ends the wait.
void idle(ThreadQueue& queue, std::uint64_t seen)
{
    std::uint64_t started = platform::clock::now();
    auto due = next_timer_due(queue);
    IdleHandler handler;
    IdleWait waiter;
    {
        std::lock_guard lock(idle_mutex);
        handler = idle_handler;
        waiter = idle_wait;
    }
    bool virtual_time = platform::clock::mode() == platform::clock::Mode::virtual_time;
    if (handler && !in_idle_handler) {
        in_idle_handler = true;
        handler(due);
        in_idle_handler = false;
        if (activity() != seen || (virtual_time && platform::clock::now() != started)) return;
    }
    if (virtual_time) {
        if (due) {
            // Whatever falls due on the way to the timer happens first, at its own time.
            auto stop = platform::clock::next_stop();
            platform::clock::wait_until(stop ? std::min(*stop, *due) : *due);
            return;
        }
        if (activity() != seen) return;
        // Nothing can ever arrive: no timer, and nothing that moves the clock.
        platform::debug_output::write(u"Window system: the message loop has nothing to wait for in virtual time; "
                                      u"ending it with WM_QUIT.\n");
        queue.post_quit(stalled_exit_code);
        return;
    }
    DWORD timeout = INFINITE;
    if (due) {
        std::uint64_t now = platform::clock::now();
        timeout = *due > now ? static_cast<DWORD>(std::min<std::uint64_t>(*due - now, 0x7FFFFFFF)) : 0;
    }
    if (timeout == 0) return;
    if (waiter.wait && waiter.wake && !in_idle_handler && ui_queue().get() == &queue) {
        // Armed before the last look, so activity from another thread after
        // it still ends the host's wait.
        arm_activity_waker(true);
        if (activity() == seen) waiter.wait(timeout);
        arm_activity_waker(false);
        return;
    }
    if (handler) timeout = std::min(timeout, idle_handler_poll_ms);
    queue.wait_for_activity(seen, timeout);
}

void remember(const MSG& message)
{
    last_message.time = message.time;
    last_message.pt = message.pt;
}

bool valid_filter_window(HWND hwnd)
{
    return !hwnd || hwnd == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)) || find_window(hwnd);
}

}  // namespace

LRESULT call_procedure(const WindowPtr& window, UINT message, WPARAM wparam, LPARAM lparam)
{
    WNDPROC procedure = window->procedure;
    HWND hwnd = to_hwnd(window);
    bool paints = message == WM_PAINT || message == WM_ERASEBKGND;
    if (paints) ++paint_depth;
    LRESULT result =
        procedure ? procedure(hwnd, message, wparam, lparam) : DefWindowProcW(hwnd, message, wparam, lparam);
    if (paints) --paint_depth;
    return result;
}

bool painting_now() { return paint_depth > 0; }

void broadcast(UINT message, WPARAM wparam, LPARAM lparam, bool send)
{
    for (std::uint32_t handle : std::vector<std::uint32_t>(top_level_windows())) {
        auto window = find_window_quietly(handle);
        if (!window || window->destroying) continue;
        if (send)
            SendMessageW(to_hwnd(window), message, wparam, lparam);
        else
            window->queue->post(make_message(to_hwnd(window), message, wparam, lparam));
    }
}

void set_idle_handler(IdleHandler handler)
{
    std::lock_guard lock(idle_mutex);
    idle_handler = std::move(handler);
}

void set_idle_wait(IdleWait waiter)
{
    std::function<void()> wake = waiter.wake;
    {
        std::lock_guard lock(idle_mutex);
        idle_wait = std::move(waiter);
    }
    set_activity_waker(std::move(wake));
}

int run_until_quit()
{
    MSG message {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace platform::user

using namespace platform::user;

BOOL GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax)
{
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (!valid_filter_window(hWnd)) return -1;
    auto queue = current_queue();
    Filter filter {hWnd, wMsgFilterMin, wMsgFilterMax};
    for (;;) {
        std::uint64_t seen = activity();
        if (retrieve(*queue, *lpMsg, filter, true)) {
            remember(*lpMsg);
            return lpMsg->message != WM_QUIT;
        }
        idle(*queue, seen);
    }
}

BOOL PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg)
{
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!valid_filter_window(hWnd)) return FALSE;
    Filter filter {hWnd, wMsgFilterMin, wMsgFilterMax};
    if (!retrieve(*current_queue(), *lpMsg, filter, (wRemoveMsg & PM_REMOVE) != 0)) return FALSE;
    remember(*lpMsg);
    return TRUE;
}

BOOL WaitMessage()
{
    auto queue = current_queue();
    MSG message;
    Filter filter {nullptr, 0, 0};
    for (;;) {
        std::uint64_t seen = activity();
        if (retrieve(*queue, message, filter, false)) break;
        idle(*queue, seen);
    }
    return TRUE;
}

BOOL TranslateMessage(const MSG* lpMsg)
{
    // The phone's keys produce no characters, so nothing is ever added.
    return lpMsg && (lpMsg->message == WM_KEYDOWN || lpMsg->message == WM_KEYUP);
}

LRESULT DispatchMessageW(const MSG* lpMsg)
{
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
        auto procedure = reinterpret_cast<TIMERPROC>(lpMsg->lParam);
        procedure(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, lpMsg->time);
        return 0;
    }
    if (!lpMsg->hwnd) return 0;
    auto window = find_window(lpMsg->hwnd);
    if (!window) return 0;
    if (!window->queue->owned_by_current_thread()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    std::uint64_t validations = window->validations;
    LRESULT result = call_procedure(window, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
    // A procedure that ignores WM_PAINT would get it again forever and the
    // thread would never go idle; what it left unpainted counts as painted.
    if (lpMsg->message == WM_PAINT && window->validations == validations && !window->destroying)
        validate_window(*window, nullptr, false);
    return result;
}

LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (hWnd == HWND_BROADCAST) {
        auto queue = ui_queue();
        if (!queue) return 0;
        queue->call([=] {
            broadcast(Msg, wParam, lParam, true);
            return LRESULT {0};
        });
        return 1;
    }
    auto window = find_window(hWnd);
    if (!window) return 0;
    if (window->queue->owned_by_current_thread()) return call_procedure(window, Msg, wParam, lParam);
    std::uint32_t handle = window->handle;
    return window->queue->call([=] {
        auto target = find_window_quietly(handle);
        return target ? call_procedure(target, Msg, wParam, lParam) : LRESULT {0};
    });
}

BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (!hWnd) {
        current_queue()->post(make_message(nullptr, Msg, wParam, lParam));
        return TRUE;
    }
    if (hWnd == HWND_BROADCAST) {
        auto queue = ui_queue();
        if (!queue) return TRUE;
        if (queue->owned_by_current_thread())
            broadcast(Msg, wParam, lParam, false);
        else
            queue->call_later([=] {
                broadcast(Msg, wParam, lParam, false);
                return LRESULT {0};
            });
        return TRUE;
    }
    if (is_foreign_window_handle(hWnd)) return post_to_foreign_window(hWnd, Msg, wParam, lParam);
    auto window = find_window(hWnd);
    if (!window) return FALSE;
    window->queue->post(make_message(hWnd, Msg, wParam, lParam));
    return TRUE;
}

BOOL PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    auto queue = queue_of_thread(idThread);
    if (!queue) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    queue->post(make_message(nullptr, Msg, wParam, lParam));
    return TRUE;
}

void PostQuitMessage(int nExitCode) { current_queue()->post_quit(nExitCode); }

UINT RegisterWindowMessageW(LPCWSTR lpString)
{
    if (!lpString || lpString[0] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    static std::mutex mutex;
    static auto* numbers = new std::map<std::u16string, UINT>;
    static UINT next = 0xC000;
    std::lock_guard lock(mutex);
    auto key = platform::files::fold_case(platform::text_view(lpString));
    auto it = numbers->find(key);
    if (it != numbers->end()) return it->second;
    if (next > 0xFFFF) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    numbers->emplace(key, next);
    return next++;
}

DWORD GetMessagePos()
{
    return static_cast<DWORD>(MAKELONG(static_cast<WORD>(last_message.pt.x), static_cast<WORD>(last_message.pt.y)));
}

LONG GetMessageTime() { return static_cast<LONG>(last_message.time); }

LRESULT CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}
