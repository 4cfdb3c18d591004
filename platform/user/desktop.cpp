#include "platform/user/desktop.h"

#include "platform/include/wingdi.h"
#include "platform/user/message_queue.h"

namespace platform::user {
namespace {

LRESULT CALLBACK desktop_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

WindowPtr desktop_window()
{
    static std::uint32_t handle = [] {
        auto window_class = std::make_shared<WindowClass>();
        window_class->name = u"#32769";
        window_class->procedure = desktop_procedure;
        auto window = std::make_shared<Window>();
        window->window_class = window_class;
        window->procedure = desktop_procedure;
        window->queue = current_queue();
        window->style = WS_VISIBLE | WS_CLIPCHILDREN;
        window->rect = screen_area();
        window->created = true;
        window->handle = insert_window(window);
        return window->handle;
    }();
    return find_window_quietly(handle);
}

bool is_desktop(const Window& window) { return window.window_class && window.window_class->name == u"#32769"; }

gdi::Region uncovered_desktop()
{
    gdi::Region area(screen_area());
    for (std::uint32_t handle : top_level_windows()) {
        auto window = find_window_quietly(handle);
        if (window && !window->destroying && (window->style & WS_VISIBLE))
            area.subtract(gdi::Region(screen_rect(*window)));
    }
    return area;
}

void paint_desktop(const gdi::Region& area)
{
    if (area.empty()) return;
    HDC screen = GetDC(nullptr);
    if (!screen) return;
    auto brush = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    for (const RECT& rect : area.rects()) FillRect(screen, &rect, brush);
    ReleaseDC(nullptr, screen);
}

}  // namespace platform::user
