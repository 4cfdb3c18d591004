// The home screen window. It paints by copying its page's finished picture (home_picture.h), drawn once and
// kept, so a start whose phone has started before and the uncovering that follows hiding the task bar or
// closing a program each cost a blit.

#include "platform/shell/home_screen.h"

#include <cstdlib>
#include <string>

#include "platform/include/winbase.h"
#include "platform/kernel/utf.h"
#include "platform/shell/home_art.h"
#include "platform/shell/home_picture.h"
#include "platform/shell/shell_events.h"
#include "platform/shell/shell_screens.h"

namespace platform::shell {

namespace {

struct HomeScreenState {
    std::shared_ptr<const ScreenPicture> picture;
    int pressed = -1;
    int page = 0;
    int press_x = 0;
    bool finger_down = false;
    bool swiping = false;
    IconTapListener tap_listener;
};

// A finger that moves this far sideways is turning the page, not tapping; one that ends this far from where
// it began turns it.
constexpr int swipe_start_distance = 24;
constexpr int page_turn_distance = 80;

HomeScreenState& state()
{
    static HomeScreenState home;
    return home;
}

bool ensure_picture()
{
    auto& home = state();
    if (!home.picture) home.picture = home_picture(home.page);
    return home.picture != nullptr;
}

void release_picture()
{
    auto& home = state();
    // The listener belongs to the host, not to this window: it outlives a restart of the shell.
    IconTapListener listener = std::move(home.tap_listener);
    home = HomeScreenState {};
    home.tap_listener = std::move(listener);
}

void turn_page(HWND hwnd, int page)
{
    auto& home = state();
    if (page < 0 || page >= home_page_count || page == home.page) return;
    home.page = page;
    // The placeholder belongs to the page its icon was on.
    close_screen(ScreenKind::placeholder, "the page turned");
    home.picture = nullptr;
    InvalidateRect(hwnd, nullptr, FALSE);
    report_event("home screen: page " + std::to_string(page + 1) + " of " + std::to_string(home_page_count));
}

void paint(HWND hwnd)
{
    PAINTSTRUCT paint {};
    HDC dc = BeginPaint(hwnd, &paint);
    if (!dc) return;
    const RECT& area = paint.rcPaint;
    if (ensure_picture()) {
        BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, state().picture->dc(),
            area.left, area.top, SRCCOPY);
    } else {
        // Without memory for the picture, draw straight to the screen rather than leave a hole.
        draw_home_screen(dc, state().page);
    }
    if (state().pressed >= 0)
        draw_pressed_tile(dc, page_icons(state().page)[static_cast<std::size_t>(state().pressed)]);
    EndPaint(hwnd, &paint);
}

void set_pressed(HWND hwnd, int index)
{
    int& pressed = state().pressed;
    if (pressed == index) return;
    auto icons = page_icons(state().page);
    if (pressed >= 0) InvalidateRect(hwnd, &icons[static_cast<std::size_t>(pressed)].tile, FALSE);
    pressed = index;
    if (pressed >= 0) InvalidateRect(hwnd, &icons[static_cast<std::size_t>(pressed)].tile, FALSE);
}

int icon_under(LPARAM lparam)
{
    auto index = icon_at(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam), state().page);
    return index ? static_cast<int>(*index) : -1;
}

// The program's icon starts the program (the host listens for it); any other opens the placeholder screen,
// since the phone has no such app.
void open_icon(const AppIcon& icon)
{
    if (icon.glyph == program_glyph) {
        close_screen(ScreenKind::placeholder, "the program's icon was tapped");
    } else {
        report_event("home screen: " + to_utf8(icon.label) + " tapped");
        show_screen(ScreenKind::placeholder, &icon);
    }
    // A copy: the listener may stop listening while it runs.
    IconTapListener listener = state().tap_listener;
    if (listener) listener(icon);
}

LRESULT CALLBACK home_screen_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // the paint covers everything
    case WM_PAINT:
        paint(hwnd);
        return 0;
    case WM_LBUTTONDOWN:
        set_pressed(hwnd, icon_under(lparam));
        state().press_x = GET_X_LPARAM(lparam);
        state().finger_down = true;
        state().swiping = false;
        // Held for a swipe too, which may end anywhere.
        SetCapture(hwnd);
        return 0;
    case WM_MOUSEMOVE:
        if (!state().finger_down) return 0;
        if (std::abs(GET_X_LPARAM(lparam) - state().press_x) >= swipe_start_distance) state().swiping = true;
        if (state().pressed >= 0 && (state().swiping || icon_under(lparam) != state().pressed)) set_pressed(hwnd, -1);
        return 0;
    case WM_LBUTTONUP: {
        // A finger that slid off the tile has already cancelled the press, so only a real tap is reported.
        int tapped = state().pressed >= 0 && icon_under(lparam) == state().pressed ? state().pressed : -1;
        int travel = GET_X_LPARAM(lparam) - state().press_x;
        bool swiped = state().finger_down && std::abs(travel) >= page_turn_distance;
        state().finger_down = false;
        state().swiping = false;
        set_pressed(hwnd, -1);
        if (GetCapture() == hwnd) ReleaseCapture();
        // A swipe to the left brings the next page, as if the pages lay side by side.
        if (swiped)
            turn_page(hwnd, state().page + (travel < 0 ? 1 : -1));
        else if (tapped >= 0)
            open_icon(page_icons(state().page)[static_cast<std::size_t>(tapped)]);
        return 0;
    }
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
        state().finger_down = false;
        state().swiping = false;
        set_pressed(hwnd, -1);
        return 0;
    case WM_DESTROY:
        release_picture();
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

}  // namespace

bool register_home_screen_class()
{
    WNDCLASSW description {};
    if (GetClassInfoW(nullptr, home_screen_class, &description)) return true;
    description.lpfnWndProc = home_screen_procedure;
    description.lpszClassName = home_screen_class;
    return RegisterClassW(&description) != 0;
}

void unregister_home_screen_class() { UnregisterClassW(home_screen_class, nullptr); }

HWND create_home_screen()
{
    HWND hwnd = CreateWindowExW(WS_EX_NOACTIVATE, home_screen_class, u"", WS_POPUP | WS_VISIBLE, 0, 0, screen_width,
        screen_height, nullptr, nullptr, nullptr, nullptr);
    if (hwnd) SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return hwnd;
}

int pressed_home_icon() { return state().pressed; }

int home_page() { return state().page; }

void set_icon_tap_listener(IconTapListener listener) { state().tap_listener = std::move(listener); }

}  // namespace platform::shell
