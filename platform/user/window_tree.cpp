#include "platform/user/window.h"

#include <algorithm>

#include "platform/include/winbase.h"
#include "platform/kernel/handle_table.h"
#include "platform/user/desktop.h"
#include "platform/user/window_count.h"

namespace platform::user {
namespace {

// Window handles start above HWND_BROADCAST (0xFFFF) and stay below the
// values marking other programs' windows.
HandleTable<Window>& window_table()
{
    static auto* table = new HandleTable<Window>(0x00010010u, 4);
    return *table;
}

std::vector<std::uint32_t>& top_level_list()
{
    static auto* list = new std::vector<std::uint32_t>;
    return *list;
}

bool in_topmost_band(std::uint32_t handle)
{
    auto window = find_window_quietly(handle);
    return window && (window->ex_style & WS_EX_TOPMOST);
}

}  // namespace

WindowPtr find_window_quietly(std::uint32_t handle)
{
    if (handle == 0) return nullptr;
    return window_table().find(handle);
}

WindowPtr find_window(HWND hwnd)
{
    auto window = find_window_quietly(handle_value(hwnd));
    if (!window) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

std::uint32_t insert_window(WindowPtr window) { return window_table().insert(std::move(window)); }

void remove_window(std::uint32_t handle) { window_table().remove(handle); }

std::vector<WindowPtr> all_windows()
{
    std::vector<WindowPtr> result;
    for (auto& [value, window] : window_table().snapshot()) result.push_back(window);
    return result;
}

std::vector<std::uint32_t>& top_level_windows() { return top_level_list(); }

std::vector<std::uint32_t>& sibling_list(const Window& window)
{
    if (auto parent = parent_of(window)) return parent->children;
    return top_level_list();
}

void unlink_from_siblings(const Window& window) { std::erase(sibling_list(window), window.handle); }

void link_at_top(const Window& window)
{
    auto& list = sibling_list(window);
    std::erase(list, window.handle);
    auto position = list.begin();
    // Top-level windows that are not topmost stay below every topmost one.
    if (window.is_top_level() && !(window.ex_style & WS_EX_TOPMOST))
        while (position != list.end() && in_topmost_band(*position)) ++position;
    list.insert(position, window.handle);
}

void link_at_bottom(const Window& window)
{
    auto& list = sibling_list(window);
    std::erase(list, window.handle);
    auto position = list.end();
    if (window.is_top_level() && (window.ex_style & WS_EX_TOPMOST))
        position = std::find_if(list.begin(), list.end(), [](std::uint32_t h) { return !in_topmost_band(h); });
    list.insert(position, window.handle);
}

void link_after(const Window& window, std::uint32_t insert_after)
{
    auto& list = sibling_list(window);
    std::erase(list, window.handle);
    auto after = std::find(list.begin(), list.end(), insert_after);
    if (after == list.end()) {
        list.insert(list.begin(), window.handle);
        link_at_top(window);
        return;
    }
    list.insert(after + 1, window.handle);
    // The bands of top-level windows win over the requested place.
    if (window.is_top_level()) {
        bool topmost = window.ex_style & WS_EX_TOPMOST;
        auto self = std::find(list.begin(), list.end(), window.handle);
        bool above_topmost = std::any_of(self + 1, list.end(), in_topmost_band);
        bool below_normal = std::any_of(list.begin(), self, [](std::uint32_t h) { return !in_topmost_band(h); });
        if ((!topmost && above_topmost) || (topmost && below_normal)) link_at_top(window);
    }
}

WindowPtr parent_of(const Window& window) { return find_window_quietly(window.parent); }

WindowPtr top_level_of(const WindowPtr& window)
{
    WindowPtr current = window;
    while (current && current->parent != 0) current = parent_of(*current);
    return current;
}

bool is_descendant(const Window& ancestor, const Window& window)
{
    for (auto current = parent_of(window); current; current = parent_of(*current))
        if (current->handle == ancestor.handle) return true;
    return false;
}

bool is_shown(const Window& window)
{
    if (!(window.style & WS_VISIBLE)) return false;
    for (auto current = parent_of(window); current; current = parent_of(*current))
        if (!(current->style & WS_VISIBLE)) return false;
    return true;
}

bool is_enabled(const Window& window) { return !(window.style & WS_DISABLED); }

POINT client_origin(const Window& window)
{
    POINT origin {window.rect.left, window.rect.top};
    for (auto current = parent_of(window); current; current = parent_of(*current)) {
        origin.x += current->rect.left;
        origin.y += current->rect.top;
    }
    return origin;
}

RECT screen_rect(const Window& window)
{
    POINT origin = client_origin(window);
    return RECT {origin.x, origin.y, origin.x + (window.rect.right - window.rect.left),
        origin.y + (window.rect.bottom - window.rect.top)};
}

RECT client_rect(const Window& window)
{
    return RECT {0, 0, window.rect.right - window.rect.left, window.rect.bottom - window.rect.top};
}

gdi::Region visible_region(const Window& window)
{
    if (is_desktop(window)) return gdi::Region(screen_area());
    if (window.destroying || !is_shown(window)) return gdi::Region();
    gdi::Region visible(screen_rect(window));
    const Window* node = &window;
    WindowPtr holder;
    for (;;) {
        auto parent = parent_of(*node);
        if (parent) visible.intersect(screen_rect(*parent));
        // Top-level windows always hide what lies below them; children only
        // when they clip their siblings.
        if (node->is_top_level() || (node->style & WS_CLIPSIBLINGS)) {
            for (std::uint32_t sibling : sibling_list(*node)) {
                if (sibling == node->handle) break;
                auto above = find_window_quietly(sibling);
                if (above && (above->style & WS_VISIBLE)) visible.subtract(gdi::Region(screen_rect(*above)));
            }
        }
        if (!parent) break;
        holder = parent;
        node = holder.get();
    }
    if (window.style & WS_CLIPCHILDREN) {
        for (std::uint32_t handle : window.children) {
            auto child = find_window_quietly(handle);
            if (child && (child->style & WS_VISIBLE)) visible.subtract(gdi::Region(screen_rect(*child)));
        }
    }
    return visible;
}

WindowPtr window_at_point(int x, int y)
{
    auto contains = [](const RECT& r, int px, int py) {
        return px >= r.left && px < r.right && py >= r.top && py < r.bottom;
    };
    for (std::uint32_t handle : top_level_list()) {
        auto window = find_window_quietly(handle);
        if (!window || window->destroying || !(window->style & WS_VISIBLE)) continue;
        if (!contains(screen_rect(*window), x, y)) continue;
        // A disabled top-level window swallows the touch, as it does on the phone.
        if (!is_enabled(*window)) return nullptr;
        for (;;) {
            WindowPtr hit;
            for (std::uint32_t child_handle : window->children) {
                auto child = find_window_quietly(child_handle);
                if (child && !child->destroying && (child->style & WS_VISIBLE) && contains(screen_rect(*child), x, y)) {
                    hit = child;
                    break;
                }
            }
            // A disabled child leaves the touch to its parent.
            if (!hit || !is_enabled(*hit)) return window;
            window = hit;
        }
    }
    return nullptr;
}

ExposeTracker::ExposeTracker()
{
    desktop_before_ = uncovered_desktop();
    for_each_window_in_z_order([&](const WindowPtr& window) {
        before_.push_back(Before {window->handle, visible_region(*window), client_origin(*window)});
    });
}

void ExposeTracker::commit()
{
    for_each_window_in_z_order([&](const WindowPtr& window) {
        gdi::Region now = visible_region(*window);
        if (now.empty()) return;
        POINT origin = client_origin(*window);
        auto before = std::find_if(
            before_.begin(), before_.end(), [&](const Before& entry) { return entry.handle == window->handle; });
        bool moved = before == before_.end() || before->origin.x != origin.x || before->origin.y != origin.y;
        bool full = moved || std::find(redraw_.begin(), redraw_.end(), window->handle) != redraw_.end();
        gdi::Region exposed = now;
        if (!full) exposed.subtract(before->visible);
        if (exposed.empty()) return;
        exposed.offset(-origin.x, -origin.y);
        // Only this window's own share: each child is handled on its own.
        add_to_update_region(*window, exposed, true);
    });
    gdi::Region desktop = uncovered_desktop();
    desktop.subtract(desktop_before_);
    paint_desktop(desktop);
    refresh_window_dcs();
}

void invalidate_window(Window& window, const gdi::Region& region, bool erase)
{
    if (window.destroying || !is_shown(window)) return;
    gdi::Region area = region;
    area.intersect(client_rect(window));
    if (area.empty()) return;
    add_to_update_region(window, area, erase);
    if (window.style & WS_CLIPCHILDREN) return;
    for (std::uint32_t handle : std::vector<std::uint32_t>(window.children)) {
        auto child = find_window_quietly(handle);
        if (!child || !(child->style & WS_VISIBLE)) continue;
        gdi::Region part = area;
        part.offset(-child->rect.left, -child->rect.top);
        invalidate_window(*child, part, erase);
    }
}

std::size_t live_window_count() { return window_table().size(); }

}  // namespace platform::user
