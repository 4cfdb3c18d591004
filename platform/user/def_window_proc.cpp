// What a window does with a message its procedure leaves to the system.

#include <algorithm>

#include "platform/include/winbase.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/utf.h"
#include "platform/user/input.h"
#include "platform/user/window_class.h"

using namespace platform::user;

LRESULT DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    auto window = find_window(hWnd);
    if (!window) return 0;
    switch (Msg) {
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        if (BeginPaint(hWnd, &paint)) EndPaint(hWnd, &paint);
        return 0;
    }
    case WM_ERASEBKGND: {
        HBRUSH brush = window->window_class->background;
        auto hdc = reinterpret_cast<HDC>(wParam);
        if (!brush || !hdc) return 0;
        RECT area = client_rect(*window);
        return FillRect(hdc, &area, brush) ? 1 : 0;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && GetFocus() != hWnd && !IsChild(hWnd, GetFocus())) SetFocus(hWnd);
        return 0;
    case WM_CANCELMODE:
        if (capture_window() == window->handle) ReleaseCapture();
        return 0;
    case WM_SETTEXT:
        window->text = std::u16string(platform::text_view(reinterpret_cast<LPCWSTR>(lParam)));
        return TRUE;
    case WM_GETTEXT:
        return copy_text_out(window->text, reinterpret_cast<LPWSTR>(lParam), static_cast<int>(wParam));
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(window->text.size());
    default:
        return 0;
    }
}
