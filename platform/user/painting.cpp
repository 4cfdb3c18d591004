// Painting: update regions, WM_PAINT, BeginPaint/EndPaint and the window DCs
// that draw straight into the screen, clipped to what of the window shows.

#include "platform/user/painting.h"

#include <mutex>

#include "platform/gdi/dc.h"
#include "platform/include/winbase.h"
#include "platform/kernel/handle_table.h"
#include "platform/user/desktop.h"
#include "platform/user/message_queue.h"

namespace platform::user {
namespace {

HDC provide_window_dc(HWND hwnd)
{
    auto window = find_window(hwnd);
    if (!window) return nullptr;
    if (is_desktop(*window)) return gdi::create_window_dc(POINT {0, 0}, gdi::Region(screen_area()));
    HDC hdc = gdi::create_window_dc(client_origin(*window), visible_region(*window));
    if (hdc) window->dcs.push_back(hdc);
    return hdc;
}

bool needs_paint(const Window& window) { return !window.update.empty() || window.internal_paint; }

}  // namespace

void ensure_initialized()
{
    static std::once_flag once;
    std::call_once(once, [] {
        gdi::set_window_dc_provider(provide_window_dc);
        desktop_window();
    });
}

void add_to_update_region(Window& window, const gdi::Region& region, bool erase)
{
    if (region.empty()) return;
    window.update.unite(region);
    if (erase) window.erase_pending = true;
    note_activity();
}

void refresh_window_dcs()
{
    for (const WindowPtr& window : all_windows()) {
        if (window->dcs.empty()) continue;
        POINT origin = client_origin(*window);
        gdi::Region visible = visible_region(*window);
        std::erase_if(window->dcs, [&](HDC hdc) { return !gdi::set_window_dc_visible(hdc, origin, visible); });
    }
}

WindowPtr next_window_to_paint(const ThreadQueue& queue, HWND filter)
{
    WindowPtr found;
    auto limit = filter ? find_window_quietly(handle_value(filter)) : nullptr;
    for_each_window_in_z_order([&](const WindowPtr& window) {
        if (found || window->queue.get() != &queue || !needs_paint(*window)) return;
        if (limit && window != limit && !is_descendant(*limit, *window)) return;
        found = window;
    });
    return found;
}

void validate_window(Window& window, const gdi::Region* region, bool with_children)
{
    ++window.validations;
    if (region) {
        window.update.subtract(*region);
    } else {
        window.update.set_empty();
        window.internal_paint = false;
    }
    if (window.update.empty()) window.erase_pending = false;
    if (!with_children || (window.style & WS_CLIPCHILDREN)) return;
    for (std::uint32_t handle : window.children) {
        auto child = find_window_quietly(handle);
        if (!child) continue;
        if (!region) {
            validate_window(*child, nullptr, true);
            continue;
        }
        gdi::Region part = *region;
        part.offset(-child->rect.left, -child->rect.top);
        validate_window(*child, &part, true);
    }
}

void paint_now(const WindowPtr& window)
{
    if (needs_paint(*window) && is_shown(*window)) SendMessageW(to_hwnd(window), WM_PAINT, 0, 0);
    for (std::uint32_t handle : std::vector<std::uint32_t>(window->children))
        if (auto child = find_window_quietly(handle)) paint_now(child);
}

}  // namespace platform::user

using namespace platform::user;
namespace gdi = platform::gdi;

BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase)
{
    if (!hWnd) {
        // The whole screen: every window repaints.
        for (std::uint32_t handle : std::vector<std::uint32_t>(top_level_windows()))
            if (auto window = find_window_quietly(handle))
                invalidate_window(*window, gdi::Region(client_rect(*window)), bErase);
        return TRUE;
    }
    auto window = find_window(hWnd);
    if (!window) return FALSE;
    invalidate_window(*window, gdi::Region(lpRect ? *lpRect : client_rect(*window)), bErase);
    return TRUE;
}

BOOL InvalidateRgn(HWND hWnd, HRGN hRgn, BOOL bErase)
{
    if (!hRgn) return InvalidateRect(hWnd, nullptr, bErase);
    auto window = find_window(hWnd);
    if (!window) return FALSE;
    auto region = gdi::find_object_as<gdi::RegionObject>(hRgn);
    if (!region) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    invalidate_window(*window, region->region, bErase);
    return TRUE;
}

BOOL ValidateRect(HWND hWnd, const RECT* lpRect)
{
    auto window = find_window(hWnd);
    if (!window) return FALSE;
    if (!lpRect) {
        validate_window(*window, nullptr, true);
        return TRUE;
    }
    gdi::Region region(*lpRect);
    validate_window(*window, &region, true);
    return TRUE;
}

BOOL GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL)
{
    auto window = find_window(hWnd);
    if (!window) return FALSE;
    RECT bounds = window->update.bounds();
    if (lpRect) *lpRect = bounds;
    return bounds.left < bounds.right && bounds.top < bounds.bottom;
}

BOOL RedrawWindow(HWND hWnd, const RECT* lprcUpdate, HRGN hrgnUpdate, UINT flags)
{
    auto window = hWnd ? find_window(hWnd) : desktop_window();
    if (!window) return FALSE;
    gdi::Region area(client_rect(*window));
    if (hrgnUpdate) {
        auto region = gdi::find_object_as<gdi::RegionObject>(hrgnUpdate);
        if (!region) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        area = region->region;
    } else if (lprcUpdate) {
        area = gdi::Region(*lprcUpdate);
    }
    std::vector<WindowPtr> targets;
    if (is_desktop(*window)) {
        for (std::uint32_t handle : top_level_windows())
            if (auto top = find_window_quietly(handle)) targets.push_back(top);
    } else {
        targets.push_back(window);
    }
    for (const WindowPtr& target : targets) {
        if (flags & RDW_INVALIDATE) {
            if (flags & RDW_NOCHILDREN) {
                gdi::Region clipped = area;
                clipped.intersect(client_rect(*target));
                if (is_shown(*target)) add_to_update_region(*target, clipped, flags & RDW_ERASE);
            } else {
                invalidate_window(*target, area, flags & RDW_ERASE);
            }
        }
        if (flags & RDW_INTERNALPAINT) target->internal_paint = true;
        if (flags & RDW_VALIDATE) validate_window(*target, &area, !(flags & RDW_NOCHILDREN));
        if (flags & RDW_NOINTERNALPAINT) target->internal_paint = false;
        if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) paint_now(target);
    }
    return TRUE;
}

BOOL UpdateWindow(HWND hWnd)
{
    auto window = find_window(hWnd);
    if (!window) return FALSE;
    paint_now(window);
    return TRUE;
}

HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint)
{
    auto window = find_window(hWnd);
    if (!window) return nullptr;
    if (!lpPaint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    gdi::Region update = window->update;
    bool erase = window->erase_pending;
    window->update.set_empty();
    window->erase_pending = false;
    window->internal_paint = false;
    ++window->validations;

    POINT origin = client_origin(*window);
    gdi::Region clip = update;
    clip.offset(origin.x, origin.y);
    clip.intersect(visible_region(*window));
    HDC hdc = gdi::create_window_dc(origin, clip);

    *lpPaint = PAINTSTRUCT {};
    lpPaint->hdc = hdc;
    lpPaint->rcPaint = update.bounds();
    if (erase && hdc) lpPaint->fErase = SendMessageW(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) == 0;
    return hdc;
}

BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint)
{
    if (!lpPaint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (lpPaint->hdc) ReleaseDC(hWnd, lpPaint->hdc);
    return TRUE;
}

HDC GetWindowDC(HWND hWnd)
{
    // Windows have no frame, so the window DC is the client DC.
    return GetDC(hWnd);
}
