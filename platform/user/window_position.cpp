// Where windows are: rectangles, coordinates, moving, sizing and stacking.

#include "platform/include/winbase.h"
#include "platform/kernel/handle_table.h"
#include "platform/user/activation.h"
#include "platform/user/desktop.h"
#include "platform/user/foreign_windows.h"

using namespace platform::user;

namespace {

void restack(Window& window, HWND insert_after)
{
    if (insert_after == HWND_TOPMOST) {
        if (window.is_top_level()) window.ex_style |= WS_EX_TOPMOST;
        link_at_top(window);
    } else if (insert_after == HWND_NOTOPMOST) {
        window.ex_style &= ~WS_EX_TOPMOST;
        link_at_top(window);
    } else if (insert_after == HWND_TOP) {
        link_at_top(window);
    } else if (insert_after == HWND_BOTTOM) {
        window.ex_style &= ~WS_EX_TOPMOST;
        link_at_bottom(window);
    } else {
        link_after(window, platform::handle_value(insert_after));
    }
}

}  // namespace

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect)
{
    auto window = find_window(hWnd);
    if (!window) return FALSE;
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpRect = screen_rect(*window);
    return TRUE;
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect)
{
    auto window = find_window(hWnd);
    if (!window) return FALSE;
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpRect = client_rect(*window);
    return TRUE;
}

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags)
{
    auto window = find_window(hWnd);
    if (!window || window->destroying) return FALSE;
    if (is_desktop(*window)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    RECT old = window->rect;
    RECT now = old;
    if (!(uFlags & SWP_NOMOVE)) {
        now.right = X + (old.right - old.left);
        now.bottom = Y + (old.bottom - old.top);
        now.left = X;
        now.top = Y;
    }
    if (!(uFlags & SWP_NOSIZE)) {
        now.right = now.left + std::max(cx, 0);
        now.bottom = now.top + std::max(cy, 0);
    }
    bool moved = now.left != old.left || now.top != old.top;
    bool resized = (now.right - now.left) != (old.right - old.left) || (now.bottom - now.top) != (old.bottom - old.top);
    bool was_visible = window->style & WS_VISIBLE;

    ExposeTracker tracker;
    window->rect = now;
    if (!(uFlags & SWP_NOZORDER)) restack(*window, hWndInsertAfter);
    if (uFlags & SWP_SHOWWINDOW) window->style |= WS_VISIBLE;
    if (uFlags & SWP_HIDEWINDOW) window->style &= ~WS_VISIBLE;
    if (resized) tracker.redraw_fully(window->handle);
    tracker.commit();

    if (moved) SendMessageW(hWnd, WM_MOVE, 0, MAKELPARAM(now.left, now.top));
    if (resized) SendMessageW(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(now.right - now.left, now.bottom - now.top));
    if (window->destroying) return TRUE;
    bool visible = window->style & WS_VISIBLE;
    if (window->is_top_level() && visible != was_visible) publish_windows();
    if (window->is_top_level() && !visible && was_visible) activate_another(*window);
    if (window->is_top_level() && !(uFlags & SWP_NOACTIVATE) && can_activate(*window)) activate(window, WA_ACTIVE);
    return TRUE;
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint)
{
    return SetWindowPos(
        hWnd, nullptr, X, Y, nWidth, nHeight, SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND hWnd) { return SetWindowPos(hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint)
{
    auto window = find_window(hWnd);
    if (!window || !lpPoint) return FALSE;
    POINT origin = client_origin(*window);
    lpPoint->x += origin.x;
    lpPoint->y += origin.y;
    return TRUE;
}

BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint)
{
    auto window = find_window(hWnd);
    if (!window || !lpPoint) return FALSE;
    POINT origin = client_origin(*window);
    lpPoint->x -= origin.x;
    lpPoint->y -= origin.y;
    return TRUE;
}

int MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints)
{
    POINT from {};
    POINT to {};
    if (hWndFrom) {
        auto window = find_window(hWndFrom);
        if (!window) return 0;
        from = client_origin(*window);
    }
    if (hWndTo) {
        auto window = find_window(hWndTo);
        if (!window) return 0;
        to = client_origin(*window);
    }
    LONG dx = from.x - to.x;
    LONG dy = from.y - to.y;
    for (UINT i = 0; lpPoints && i < cPoints; ++i) {
        lpPoints[i].x += dx;
        lpPoints[i].y += dy;
    }
    return static_cast<int>(MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

HWND WindowFromPoint(POINT Point) { return to_hwnd(window_at_point(Point.x, Point.y)); }

HWND ChildWindowFromPoint(HWND hWndParent, POINT Point)
{
    auto parent = find_window(hWndParent);
    if (!parent) return nullptr;
    RECT client = client_rect(*parent);
    if (Point.x < client.left || Point.x >= client.right || Point.y < client.top || Point.y >= client.bottom)
        return nullptr;
    for (std::uint32_t handle : parent->children) {
        auto child = find_window_quietly(handle);
        if (!child) continue;
        const RECT& r = child->rect;
        if (Point.x >= r.left && Point.x < r.right && Point.y >= r.top && Point.y < r.bottom) return to_hwnd(child);
    }
    return hWndParent;
}
