// The window system's model: classes, windows and the tree they form.
//
// The tree belongs to the UI thread: only the thread that owns the windows
// walks or changes it. Other threads reach windows only through the message
// queue (posting, or sending, which runs the call on the owner's thread), so
// nothing here needs a lock except the handle table itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/region.h"
#include "platform/include/winuser.h"

namespace platform::user {

class ThreadQueue;

struct WindowClass {
    std::u16string name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC procedure = nullptr;
    int class_extra = 0;
    int window_extra = 0;
    HINSTANCE instance = nullptr;
    HBRUSH background = nullptr;
    int window_count = 0;
};

struct Window {
    std::uint32_t handle = 0;
    std::shared_ptr<WindowClass> window_class;
    std::shared_ptr<ThreadQueue> queue;
    WNDPROC procedure = nullptr;
    DWORD style = 0;
    DWORD ex_style = 0;
    // Relative to the parent's client area; on the screen for top-level windows.
    RECT rect {};
    std::uint32_t parent = 0;  // 0: a top-level window
    std::uint32_t owner = 0;
    std::vector<std::uint32_t> children;  // top of the z-order first
    std::u16string text;
    LONG_PTR id = 0;
    LONG_PTR user_data = 0;
    HINSTANCE instance = nullptr;
    std::vector<BYTE> extra;

    // The part of the client area that needs painting, in client coordinates.
    gdi::Region update;
    bool erase_pending = false;
    bool internal_paint = false;
    std::uint64_t validations = 0;  // counts BeginPaint and ValidateRect calls
    // DCs from GetDC that follow the window's visible region as it changes.
    std::vector<HDC> dcs;

    bool destroying = false;
    bool created = false;  // WM_CREATE succeeded

    bool is_child() const { return (style & WS_CHILD) != 0; }
    bool is_top_level() const { return parent == 0; }
};

using WindowPtr = std::shared_ptr<Window>;

// Makes sure the window system is hooked into drawing (window DCs).
void ensure_initialized();

// Lookups. find_window sets ERROR_INVALID_WINDOW_HANDLE when there is none.
WindowPtr find_window(HWND hwnd);
WindowPtr find_window_quietly(std::uint32_t handle);
std::uint32_t insert_window(WindowPtr window);
void remove_window(std::uint32_t handle);
std::vector<WindowPtr> all_windows();
inline HWND to_hwnd(std::uint32_t handle) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle)); }
inline HWND to_hwnd(const Window& window) { return to_hwnd(window.handle); }
inline HWND to_hwnd(const WindowPtr& window) { return window ? to_hwnd(window->handle) : nullptr; }

// The top-level windows in z-order, top first (topmost windows lead).
std::vector<std::uint32_t>& top_level_windows();
// The list a window sits in: its parent's children or the top-level list.
std::vector<std::uint32_t>& sibling_list(const Window& window);
void unlink_from_siblings(const Window& window);
// Puts the window at the top of its siblings (within the topmost band for
// top-level windows), or right below insert_after.
void link_at_top(const Window& window);
void link_at_bottom(const Window& window);
void link_after(const Window& window, std::uint32_t insert_after);

WindowPtr parent_of(const Window& window);
WindowPtr top_level_of(const WindowPtr& window);
bool is_descendant(const Window& ancestor, const Window& window);
// Whether the window and all its ancestors have WS_VISIBLE.
bool is_shown(const Window& window);
bool is_enabled(const Window& window);

// Geometry, in screen coordinates.
POINT client_origin(const Window& window);
RECT screen_rect(const Window& window);
RECT client_rect(const Window& window);
// What of the window can be seen on the screen: its rectangle inside its
// ancestors, less the siblings above it (and above each ancestor) that clip
// it, less its own children when it clips them.
gdi::Region visible_region(const Window& window);

// The window a touch at (x, y) on the screen belongs to, or null when it
// lands on no window or on a disabled top-level window.
WindowPtr window_at_point(int x, int y);

// Walks the windows top to bottom, each parent before its children.
template <class Visit> void for_each_window_in_z_order(Visit visit);

// Records what every window shows before a change of the tree (showing,
// hiding, moving, restacking, destroying) and, when committed, invalidates
// what each window newly shows, clears what the desktop newly shows, and
// moves the window DCs to their windows' new visible regions.
class ExposeTracker {
public:
    ExposeTracker();
    // Windows whose contents move with them: all of what they show is new.
    void redraw_fully(std::uint32_t handle) { redraw_.push_back(handle); }
    void commit();

private:
    struct Before {
        std::uint32_t handle;
        gdi::Region visible;
        POINT origin;
    };
    std::vector<Before> before_;
    gdi::Region desktop_before_;
    std::vector<std::uint32_t> redraw_;
};

// Adds region (client coordinates) to the window's update region, and to its
// children's when the window does not clip them.
void invalidate_window(Window& window, const gdi::Region& region, bool erase);
// Adds to this window's update region alone (client coordinates).
void add_to_update_region(Window& window, const gdi::Region& region, bool erase);
void refresh_window_dcs();

template <class Visit> void visit_subtree(const WindowPtr& window, Visit& visit)
{
    if (!window) return;
    visit(window);
    for (std::uint32_t child : std::vector<std::uint32_t>(window->children))
        visit_subtree(find_window_quietly(child), visit);
}

template <class Visit> void for_each_window_in_z_order(Visit visit)
{
    for (std::uint32_t handle : std::vector<std::uint32_t>(top_level_windows()))
        visit_subtree(find_window_quietly(handle), visit);
}

}  // namespace platform::user
