// What a window is: its styles and long values, its text, and its place
// among the other windows (parent, owner, siblings).

#include <unistd.h>

#include <cstring>

#include "platform/files/case_fold.h"
#include "platform/include/winbase.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/utf.h"
#include "platform/user/desktop.h"
#include "platform/user/foreign_windows.h"
#include "platform/user/message_queue.h"
#include "platform/user/window_class.h"

using namespace platform::user;

namespace {

bool valid_extra_index(const Window& window, int index, std::size_t size)
{
    return index >= 0 && static_cast<std::size_t>(index) + size <= window.extra.size();
}

LONG_PTR get_long(HWND hwnd, int index, bool pointer_sized)
{
    auto window = find_window(hwnd);
    if (!window) return 0;
    switch (index) {
    case GWL_STYLE:
        return static_cast<LONG>(window->style);
    case GWL_EXSTYLE:
        return static_cast<LONG>(window->ex_style);
    case GWL_ID:
        return window->id;
    case GWL_USERDATA:
        return window->user_data;
    case GWL_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(GetParent(hwnd));
    case GWL_HINSTANCE:
        if (pointer_sized) return reinterpret_cast<LONG_PTR>(window->instance);
        break;
    case GWL_WNDPROC:
        if (pointer_sized) return reinterpret_cast<LONG_PTR>(window->procedure);
        break;
    default:
        if (valid_extra_index(*window, index, sizeof(LONG))) {
            LONG value;
            std::memcpy(&value, window->extra.data() + index, sizeof value);
            return value;
        }
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

LONG_PTR set_long(HWND hwnd, int index, LONG_PTR value, bool pointer_sized)
{
    auto window = find_window(hwnd);
    if (!window) return 0;
    LONG_PTR previous = 0;
    switch (index) {
    case GWL_STYLE: {
        previous = static_cast<LONG>(window->style);
        DWORD style = static_cast<DWORD>(value);
        if (window->is_top_level()) style |= WS_CLIPSIBLINGS;
        if ((style ^ window->style) & (WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS)) {
            // The window is not redrawn, but what it may draw on changes.
            window->style = style;
            refresh_window_dcs();
        } else {
            window->style = style;
        }
        return previous;
    }
    case GWL_EXSTYLE:
        previous = static_cast<LONG>(window->ex_style);
        window->ex_style = static_cast<DWORD>(value);
        return previous;
    case GWL_ID:
        previous = window->id;
        window->id = value;
        return previous;
    case GWL_USERDATA:
        previous = window->user_data;
        window->user_data = value;
        return previous;
    case GWL_WNDPROC:
        if (!pointer_sized || value == 0) break;
        previous = reinterpret_cast<LONG_PTR>(window->procedure);
        window->procedure = reinterpret_cast<WNDPROC>(value);
        return previous;
    default:
        if (valid_extra_index(*window, index, sizeof(LONG))) {
            LONG stored;
            std::memcpy(&stored, window->extra.data() + index, sizeof stored);
            LONG replacement = static_cast<LONG>(value);
            std::memcpy(window->extra.data() + index, &replacement, sizeof replacement);
            return stored;
        }
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

bool class_matches(const Window& window, LPCWSTR class_name)
{
    if (!class_name) return true;
    if (IS_INTRESOURCE(class_name))
        return window.window_class->atom == static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(class_name));
    return platform::files::equal_ignoring_case(window.window_class->name, platform::text_view(class_name));
}

}  // namespace

LONG GetWindowLongW(HWND hWnd, int nIndex) { return static_cast<LONG>(get_long(hWnd, nIndex, false)); }
LONG SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong)
{
    return static_cast<LONG>(set_long(hWnd, nIndex, dwNewLong, false));
}
LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex) { return get_long(hWnd, nIndex, true); }
LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong)
{
    return set_long(hWnd, nIndex, dwNewLong, true);
}

int GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount)
{
    if (!find_window(hWnd)) return 0;
    if (!lpString || nMaxCount <= 0) return 0;
    return static_cast<int>(SendMessageW(hWnd, WM_GETTEXT, nMaxCount, reinterpret_cast<LPARAM>(lpString)));
}

int GetWindowTextLengthW(HWND hWnd)
{
    if (!find_window(hWnd)) return 0;
    return static_cast<int>(SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString)
{
    auto window = find_window(hWnd);
    if (!window) return FALSE;
    BOOL result = static_cast<BOOL>(SendMessageW(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)));
    if (window->is_top_level()) publish_windows();
    return result;
}

HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName)
{
    for (std::uint32_t handle : top_level_windows()) {
        auto window = find_window_quietly(handle);
        if (!window || window->destroying || !class_matches(*window, lpClassName)) continue;
        if (lpWindowName && !platform::files::equal_ignoring_case(window->text, platform::text_view(lpWindowName)))
            continue;
        return to_hwnd(window);
    }
    // Another program on the same phone may have it.
    if (lpClassName && IS_INTRESOURCE(lpClassName)) return nullptr;
    return find_foreign_window(lpClassName, lpWindowName);
}

HWND GetDesktopWindow()
{
    ensure_initialized();
    return to_hwnd(desktop_window());
}

HWND GetParent(HWND hWnd)
{
    auto window = find_window(hWnd);
    if (!window) return nullptr;
    if (window->style & WS_CHILD) return to_hwnd(window->parent);
    if (window->style & WS_POPUP) return to_hwnd(window->owner);
    return nullptr;
}

HWND SetParent(HWND hWndChild, HWND hWndNewParent)
{
    auto window = find_window(hWndChild);
    if (!window || window->destroying || is_desktop(*window)) return nullptr;
    WindowPtr parent;
    if (hWndNewParent) {
        parent = find_window(hWndNewParent);
        if (!parent) return nullptr;
        if (is_desktop(*parent)) parent = nullptr;
    }
    if (parent && (parent == window || is_descendant(*window, *parent))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HWND previous = window->parent ? to_hwnd(window->parent) : GetDesktopWindow();
    ExposeTracker tracker;
    unlink_from_siblings(*window);
    window->parent = parent ? parent->handle : 0;
    link_at_top(*window);
    tracker.commit();
    publish_windows();
    return previous;
}

HWND GetWindow(HWND hWnd, UINT uCmd)
{
    auto window = find_window(hWnd);
    if (!window) return nullptr;
    if (uCmd == GW_CHILD) {
        const auto& children = is_desktop(*window) ? top_level_windows() : window->children;
        return children.empty() ? nullptr : to_hwnd(children.front());
    }
    if (uCmd == GW_OWNER) return to_hwnd(window->owner);
    if (is_desktop(*window)) return nullptr;
    const auto& siblings = sibling_list(*window);
    auto self = std::find(siblings.begin(), siblings.end(), window->handle);
    switch (uCmd) {
    case GW_HWNDFIRST:
        return siblings.empty() ? nullptr : to_hwnd(siblings.front());
    case GW_HWNDLAST:
        return siblings.empty() ? nullptr : to_hwnd(siblings.back());
    case GW_HWNDNEXT:
        return self == siblings.end() || self + 1 == siblings.end() ? nullptr : to_hwnd(*(self + 1));
    case GW_HWNDPREV:
        return self == siblings.end() || self == siblings.begin() ? nullptr : to_hwnd(*(self - 1));
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

BOOL IsChild(HWND hWndParent, HWND hWnd)
{
    auto parent = find_window_quietly(platform::handle_value(hWndParent));
    auto window = find_window_quietly(platform::handle_value(hWnd));
    if (!parent || !window) return FALSE;
    for (auto current = window; current && (current->style & WS_CHILD); current = parent_of(*current))
        if (current->parent == parent->handle) return TRUE;
    return FALSE;
}

DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId)
{
    auto window = find_window(hWnd);
    if (!window) return 0;
    if (lpdwProcessId) *lpdwProcessId = static_cast<DWORD>(getpid());
    return window->queue->thread_id();
}
