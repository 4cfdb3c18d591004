// The home screen window. Its picture is drawn once into a screen-compatible bitmap and copied from there on
// every paint, so the uncovering that follows hiding the task bar or closing a program costs a blit.

#include "platform/shell/home_screen.h"

#include "platform/include/winbase.h"
#include "platform/shell/home_art.h"

namespace platform::shell {

namespace {

struct HomeScreenState {
    HDC picture_dc = nullptr;
    HBITMAP picture = nullptr;
    HGDIOBJ previous = nullptr;
    int pressed = -1;
    IconTapListener tap_listener;
};

HomeScreenState& state()
{
    static HomeScreenState home;
    return home;
}

bool ensure_picture()
{
    auto& home = state();
    if (home.picture_dc) return true;
    HDC screen = GetDC(nullptr);
    home.picture_dc = CreateCompatibleDC(screen);
    home.picture = CreateCompatibleBitmap(screen, screen_width, screen_height);
    ReleaseDC(nullptr, screen);
    if (!home.picture_dc || !home.picture) return false;
    home.previous = SelectObject(home.picture_dc, home.picture);
    draw_home_screen(home.picture_dc);
    return true;
}

void release_picture()
{
    auto& home = state();
    if (home.picture_dc && home.previous) SelectObject(home.picture_dc, home.previous);
    if (home.picture_dc) DeleteDC(home.picture_dc);
    if (home.picture) DeleteObject(home.picture);
    // The listener belongs to the host, not to this window: it outlives a restart of the shell.
    IconTapListener listener = std::move(home.tap_listener);
    home = HomeScreenState {};
    home.tap_listener = std::move(listener);
}

void paint(HWND hwnd)
{
    PAINTSTRUCT paint {};
    HDC dc = BeginPaint(hwnd, &paint);
    if (!dc) return;
    const RECT& area = paint.rcPaint;
    if (ensure_picture()) {
        BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, state().picture_dc, area.left,
            area.top, SRCCOPY);
    } else {
        // Without memory for the picture, draw straight to the screen rather than leave a hole.
        draw_home_screen(dc);
    }
    if (state().pressed >= 0) draw_pressed_tile(dc, app_icons()[static_cast<std::size_t>(state().pressed)]);
    EndPaint(hwnd, &paint);
}

void set_pressed(HWND hwnd, int index)
{
    int& pressed = state().pressed;
    if (pressed == index) return;
    auto icons = app_icons();
    if (pressed >= 0) InvalidateRect(hwnd, &icons[static_cast<std::size_t>(pressed)].tile, FALSE);
    pressed = index;
    if (pressed >= 0) InvalidateRect(hwnd, &icons[static_cast<std::size_t>(pressed)].tile, FALSE);
}

int icon_under(LPARAM lparam)
{
    auto index = icon_at(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
    return index ? static_cast<int>(*index) : -1;
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
        if (state().pressed >= 0) SetCapture(hwnd);
        return 0;
    case WM_MOUSEMOVE:
        if (state().pressed >= 0 && icon_under(lparam) != state().pressed) set_pressed(hwnd, -1);
        return 0;
    case WM_LBUTTONUP: {
        // A finger that slid off the tile has already cancelled the press, so only a real tap is reported.
        int tapped = state().pressed >= 0 && icon_under(lparam) == state().pressed ? state().pressed : -1;
        set_pressed(hwnd, -1);
        if (GetCapture() == hwnd) ReleaseCapture();
        // A copy: the listener may stop listening while it runs.
        IconTapListener listener = state().tap_listener;
        if (tapped >= 0 && listener) listener(app_icons()[static_cast<std::size_t>(tapped)]);
        return 0;
    }
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
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

void set_icon_tap_listener(IconTapListener listener) { state().tap_listener = std::move(listener); }

}  // namespace platform::shell
