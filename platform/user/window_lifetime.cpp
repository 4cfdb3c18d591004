// Creating and destroying windows.

#include <algorithm>

#include "platform/gdi/dc.h"
#include "platform/include/winbase.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/utf.h"
#include "platform/user/activation.h"
#include "platform/user/desktop.h"
#include "platform/user/dispatch.h"
#include "platform/user/foreign_windows.h"
#include "platform/user/input.h"
#include "platform/user/message_queue.h"
#include "platform/user/timers.h"
#include "platform/user/window_class.h"

namespace platform::user {
namespace {

void collect_subtree(const WindowPtr& window, std::vector<WindowPtr>& out)
{
    out.push_back(window);
    for (std::uint32_t handle : window->children)
        if (auto child = find_window_quietly(handle)) collect_subtree(child, out);
}

// WM_DESTROY goes to a window before its children.
void send_destroy(const WindowPtr& window)
{
    window->destroying = true;
    SendMessageW(to_hwnd(window), WM_DESTROY, 0, 0);
    for (std::uint32_t handle : std::vector<std::uint32_t>(window->children))
        if (auto child = find_window_quietly(handle)) send_destroy(child);
}

// WM_NCDESTROY and the freeing go to the children first.
void free_subtree(const WindowPtr& window)
{
    for (std::uint32_t handle : std::vector<std::uint32_t>(window->children))
        if (auto child = find_window_quietly(handle)) free_subtree(child);
    SendMessageW(to_hwnd(window), WM_NCDESTROY, 0, 0);
    forget_window(*window);
    kill_window_timers(*window->queue, window->handle);
    window->queue->drop_posted_for(window->handle);
    for (HDC hdc : window->dcs) platform::gdi::set_window_dc_visible(hdc, POINT {0, 0}, platform::gdi::Region());
    window->dcs.clear();
    unlink_from_siblings(*window);
    --window->window_class->window_count;
    remove_window(window->handle);
}

bool holds(const std::vector<WindowPtr>& windows, std::uint32_t handle)
{
    return handle != 0 &&
        std::any_of(windows.begin(), windows.end(), [&](const WindowPtr& w) { return w->handle == handle; });
}

}  // namespace

void shut_down_thread_windows()
{
    auto queue = current_queue();
    for (;;) {
        WindowPtr victim;
        for (const WindowPtr& window : all_windows())
            if (window->queue == queue && window->is_top_level() && !is_desktop(*window) && !window->destroying)
                victim = window;
        if (!victim) break;
        DestroyWindow(to_hwnd(victim));
    }
    queue->clear();
    queue->run_calls();
    if (ui_queue() == queue) clear_input();
}

}  // namespace platform::user

using namespace platform::user;

HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle, int X, int Y,
    int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam)
{
    ensure_initialized();
    auto window_class = find_class(lpClassName);
    if (!window_class) return nullptr;

    WindowPtr parent;
    WindowPtr owner;
    if (hWndParent && hWndParent != HWND_DESKTOP) {
        auto given = find_window(hWndParent);
        if (!given) return nullptr;
        if (is_desktop(*given))
            given = nullptr;
        else if (dwStyle & WS_CHILD)
            parent = given;
        else
            owner = top_level_of(given);
    }
    if ((dwStyle & WS_CHILD) && !parent) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }
    if (parent && !parent->queue->owned_by_current_thread()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }

    auto queue = current_queue();
    set_ui_queue(queue);
    auto window = std::make_shared<Window>();
    window->window_class = window_class;
    window->queue = queue;
    window->procedure = window_class->procedure;
    window->style = dwStyle & ~WS_VISIBLE;
    // Top-level windows always clip each other.
    if (!parent) window->style |= WS_CLIPSIBLINGS;
    window->ex_style = dwExStyle;
    if (X == CW_USEDEFAULT) X = 0;
    if (Y == CW_USEDEFAULT) Y = 0;
    if (nWidth == CW_USEDEFAULT) nWidth = parent ? 0 : screen_width;
    if (nHeight == CW_USEDEFAULT) nHeight = parent ? 0 : screen_height;
    window->rect = RECT {X, Y, X + std::max(nWidth, 0), Y + std::max(nHeight, 0)};
    window->parent = parent ? parent->handle : 0;
    window->owner = owner ? owner->handle : 0;
    window->text = std::u16string(platform::text_view(lpWindowName));
    window->id = parent ? reinterpret_cast<LONG_PTR>(hMenu) : 0;
    window->instance = hInstance;
    window->extra.assign(static_cast<std::size_t>(window_class->window_extra), 0);
    window->handle = insert_window(window);
    ++window_class->window_count;
    link_at_top(*window);
    HWND hwnd = to_hwnd(window);

    CREATESTRUCTW create {};
    create.lpCreateParams = lpParam;
    create.hInstance = hInstance;
    create.hMenu = hMenu;
    create.hwndParent = hWndParent;
    create.cx = window->rect.right - window->rect.left;
    create.cy = window->rect.bottom - window->rect.top;
    create.x = X;
    create.y = Y;
    create.style = static_cast<LONG>(dwStyle);
    create.lpszName = lpWindowName;
    create.lpszClass = lpClassName;
    create.dwExStyle = dwExStyle;
    if (call_procedure(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1 || window->destroying) {
        DestroyWindow(hwnd);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    window->created = true;
    SendMessageW(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(create.cx, create.cy));
    SendMessageW(hwnd, WM_MOVE, 0, MAKELPARAM(X, Y));
    if (window->destroying) return nullptr;
    if (dwStyle & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
    if (window->is_top_level()) publish_windows();
    return window->destroying ? nullptr : hwnd;
}

BOOL DestroyWindow(HWND hWnd)
{
    auto window = find_window(hWnd);
    if (!window) return FALSE;
    if (is_desktop(*window) || !window->queue->owned_by_current_thread()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (window->destroying) return TRUE;

    // Windows it owns go first, entirely.
    for (std::uint32_t handle : std::vector<std::uint32_t>(top_level_windows()))
        if (auto owned = find_window_quietly(handle); owned && owned->owner == window->handle)
            DestroyWindow(to_hwnd(owned));

    if (window->style & WS_VISIBLE) {
        ExposeTracker tracker;
        window->style &= ~WS_VISIBLE;
        tracker.commit();
    }
    std::vector<WindowPtr> subtree;
    collect_subtree(window, subtree);
    if (window->is_top_level()) activate_another(*window);
    if (holds(subtree, focus_window())) {
        auto parent = parent_of(*window);
        set_focus(parent && !is_desktop(*parent) ? parent : nullptr);
    }
    if (holds(subtree, capture_window())) ReleaseCapture();

    send_destroy(window);
    free_subtree(window);
    bool top_level = window->is_top_level();
    if (top_level) publish_windows();
    note_activity();
    return TRUE;
}

BOOL IsWindow(HWND hWnd)
{
    if (is_foreign_window_handle(hWnd)) return foreign_window_exists(hWnd);
    return find_window_quietly(platform::handle_value(hWnd)) != nullptr;
}
