// Showing, hiding and enabling windows.

#include "platform/include/winbase.h"
#include "platform/kernel/handle_table.h"
#include "platform/user/activation.h"
#include "platform/user/foreign_windows.h"
#include "platform/user/input.h"

using namespace platform::user;

namespace {

bool is_hiding_command(int command)
{
    // The phone has no minimized state: a minimized window is out of sight.
    return command == SW_HIDE || command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE;
}

bool activates(int command)
{
    return command != SW_SHOWNA && command != SW_SHOWNOACTIVATE && command != SW_SHOWMINNOACTIVE && command != SW_HIDE;
}

bool focus_inside(const Window& window)
{
    auto focused = find_window_quietly(focus_window());
    return focused && (focused->handle == window.handle || is_descendant(window, *focused));
}

}  // namespace

BOOL ShowWindow(HWND hWnd, int nCmdShow)
{
    if (is_foreign_window_handle(hWnd)) return show_foreign_window(hWnd, nCmdShow);
    auto window = find_window(hWnd);
    if (!window || window->destroying) return FALSE;
    if (nCmdShow < SW_HIDE || nCmdShow > SW_SHOWDEFAULT) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    bool was_visible = window->style & WS_VISIBLE;
    if (!is_hiding_command(nCmdShow)) {
        if (!was_visible) {
            SendMessageW(hWnd, WM_SHOWWINDOW, TRUE, 0);
            if (window->destroying) return FALSE;
            ExposeTracker tracker;
            window->style |= WS_VISIBLE;
            tracker.commit();
            publish_windows();
        }
        if (window->is_top_level() && activates(nCmdShow) && can_activate(*window)) activate(window, WA_ACTIVE);
        return was_visible;
    }
    if (!was_visible) return FALSE;
    SendMessageW(hWnd, WM_SHOWWINDOW, FALSE, 0);
    if (window->destroying) return TRUE;
    {
        ExposeTracker tracker;
        window->style &= ~WS_VISIBLE;
        tracker.commit();
    }
    publish_windows();
    if (window->is_top_level()) activate_another(*window);
    if (focus_inside(*window)) set_focus(window->is_top_level() ? nullptr : parent_of(*window));
    return TRUE;
}

BOOL IsWindowVisible(HWND hWnd)
{
    if (is_foreign_window_handle(hWnd)) return foreign_window_visible(hWnd);
    auto window = find_window_quietly(platform::handle_value(hWnd));
    return window && !window->destroying && is_shown(*window);
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable)
{
    auto window = find_window(hWnd);
    if (!window || window->destroying) return FALSE;
    bool was_disabled = window->style & WS_DISABLED;
    if (bEnable && was_disabled) {
        window->style &= ~WS_DISABLED;
        SendMessageW(hWnd, WM_ENABLE, TRUE, 0);
    } else if (!bEnable && !was_disabled) {
        // A window that loses its input also loses a press in progress.
        SendMessageW(hWnd, WM_CANCELMODE, 0, 0);
        window->style |= WS_DISABLED;
        if (capture_window() == window->handle) ReleaseCapture();
        if (focus_window() == window->handle) set_focus(nullptr);
        SendMessageW(hWnd, WM_ENABLE, FALSE, 0);
    }
    return was_disabled;
}

BOOL IsWindowEnabled(HWND hWnd)
{
    auto window = find_window(hWnd);
    return window && is_enabled(*window);
}
