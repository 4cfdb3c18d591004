// The task bar window: painting the status strip and keeping its clock on the minute.
//
// In real time a window timer wakes the bar at each minute boundary of the host's clock. In virtual time a
// timer would do harm: an idle phone with a pending timer never stalls, so a program waiting for nothing
// would make the clock run on forever instead of ending. The bar listens to the platform clock instead, and
// when a jump crosses a minute it posts itself a refresh; time that passes for any other reason then shows
// on the bar as soon as the program next reads its messages.

#include "platform/shell/task_bar.h"

#include "platform/include/wintext.h"
#include "platform/kernel/clock.h"
#include "platform/shell/home_art.h"
#include "platform/shell/shell_clock.h"
#include "platform/shell/shell_keys.h"
#include "platform/shell/shell_layout.h"
#include "platform/shell/shell_screens.h"

namespace platform::shell {

namespace {

constexpr UINT_PTR minute_timer = 1;
constexpr COLORREF bar_colour = RGB(14, 16, 24);
constexpr COLORREF bright = RGB(255, 255, 255);
constexpr COLORREF dim = RGB(110, 114, 128);
constexpr int battery_percent = 80;
constexpr int signal_bars = 3;  // of four

struct TaskBarState {
    int listener = -1;
    bool timer_armed = false;
    std::u16string painted_clock;
};

TaskBarState& state()
{
    static TaskBarState bar;
    return bar;
}

void arm_timer(HWND hwnd)
{
    auto& bar = state();
    if (clock::mode() != clock::Mode::real_time) {
        if (bar.timer_armed) KillTimer(hwnd, minute_timer);
        bar.timer_armed = false;
        return;
    }
    // A little past the boundary, so the minute has surely turned when it fires.
    auto delay = static_cast<UINT>(milliseconds_to_next_minute() + 50);
    bar.timer_armed = SetTimer(hwnd, minute_timer, delay, nullptr) != 0;
}

void refresh(HWND hwnd)
{
    if (clock_text(minute_of_day()) != state().painted_clock) {
        RECT area = task_bar_clock_area();
        InvalidateRect(hwnd, &area, FALSE);
        // The lock screen's big clock keeps the bar's time, shown or hidden.
        if (HWND lock = shown_screen(ScreenKind::lock)) InvalidateRect(lock, nullptr, FALSE);
    }
}

HFONT make_font(int height, int weight)
{
    LOGFONTW description {};
    description.lfHeight = -height;
    description.lfWeight = weight;
    description.lfQuality = ANTIALIASED_QUALITY;
    return CreateFontIndirectW(&description);
}

void draw_text(HDC dc, const std::u16string& text, RECT area, UINT format, int height, int weight, COLORREF colour)
{
    HFONT font = make_font(height, weight);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, format | DT_SINGLELINE | DT_VCENTER);
    if (old) SelectObject(dc, old);
    if (font) DeleteObject(font);
}

void draw_signal(HDC dc)
{
    RECT area = task_bar_signal_area();
    int bottom = task_bar_height - 10;
    for (int i = 0; i < 4; ++i) {
        COLORREF colour = i < signal_bars ? bright : dim;
        DrawingTools tools(dc, nullptr, 0, &colour);
        int left = area.left + i * 7;
        Rectangle(dc, left, bottom - 5 - i * 4, left + 5, bottom + 1);
    }
    RECT carrier {area.left + 34, 0, area.right, task_bar_height};
    draw_text(dc, u"Velmor", carrier, DT_LEFT, 14, FW_NORMAL, bright);
}

void draw_battery(HDC dc)
{
    RECT area = task_bar_battery_area();
    int right = area.right;
    int top = task_bar_height / 2 - 7;
    // The body, its terminal nub and the charge inside.
    {
        DrawingTools tools(dc, &bright, 1, nullptr);
        Rectangle(dc, right - 29, top, right - 3, top + 14);
    }
    {
        DrawingTools tools(dc, nullptr, 0, &bright);
        Rectangle(dc, right - 3, top + 4, right, top + 10);
        int full = 22;
        Rectangle(dc, right - 27, top + 2, right - 27 + full * battery_percent / 100, top + 12);
    }
    RECT label {area.left, 0, right - 34, task_bar_height};
    std::u16string percent;
    for (char digit : std::to_string(battery_percent)) percent += static_cast<char16_t>(digit);
    draw_text(dc, percent + u"%", label, DT_RIGHT, 14, FW_NORMAL, bright);
}

void draw_strip(HDC dc, const std::u16string& clock)
{
    RECT all {0, 0, screen_width, task_bar_height};
    HBRUSH background = CreateSolidBrush(bar_colour);
    FillRect(dc, &all, background);
    DeleteObject(background);
    draw_signal(dc);
    draw_battery(dc);
    draw_text(dc, clock, task_bar_clock_area(), DT_CENTER, 20, FW_BOLD, bright);
}

void paint(HWND hwnd)
{
    PAINTSTRUCT paint {};
    HDC dc = BeginPaint(hwnd, &paint);
    if (!dc) return;
    // Drawn at each paint: with the host's faces recorded, the clock's text costs no more than a kept strip
    // would, and a strip kept per minute would be a file written every minute.
    std::u16string text = clock_text(minute_of_day());
    draw_strip(dc, text);
    state().painted_clock = text;
    EndPaint(hwnd, &paint);
    // The host may have switched the clock to real time after the bar was made.
    if (!state().timer_armed) arm_timer(hwnd);
}

void start_listening(HWND hwnd)
{
    state().listener = clock::add_listener([hwnd](std::uint64_t from, std::uint64_t to) {
        if (clock::mode() != clock::Mode::virtual_time) return;
        if (from / milliseconds_per_minute != to / milliseconds_per_minute)
            PostMessageW(hwnd, task_bar_refresh_message, 0, 0);
    });
}

void stop_listening(HWND hwnd)
{
    auto& bar = state();
    if (bar.listener >= 0) clock::remove_listener(bar.listener);
    if (bar.timer_armed) KillTimer(hwnd, minute_timer);
    bar = TaskBarState {};
}

LRESULT CALLBACK task_bar_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CREATE:
        start_listening(hwnd);
        arm_timer(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the paint covers everything
    case WM_PAINT:
        paint(hwnd);
        return 0;
    case WM_TIMER:
        if (wparam != minute_timer) break;
        arm_timer(hwnd);
        refresh(hwnd);
        return 0;
    case task_bar_refresh_message:
        if (!state().timer_armed) arm_timer(hwnd);
        refresh(hwnd);
        return 0;
    case WM_LBUTTONDOWN:
        // A tap is a press and a release on the bar; capture keeps the release ours.
        SetCapture(hwnd);
        return 0;
    case WM_LBUTTONUP: {
        if (GetCapture() != hwnd) return 0;
        ReleaseCapture();
        RECT bar {};
        GetClientRect(hwnd, &bar);
        POINT point {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        if (PtInRect(&bar, point)) task_bar_tapped(hwnd);
        return 0;
    }
    case WM_DESTROY:
        stop_listening(hwnd);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

bool register_task_bar_class()
{
    WNDCLASSW description {};
    if (GetClassInfoW(nullptr, task_bar_class, &description)) return true;
    description.lpfnWndProc = task_bar_procedure;
    description.lpszClassName = task_bar_class;
    return RegisterClassW(&description) != 0;
}

void unregister_task_bar_class() { UnregisterClassW(task_bar_class, nullptr); }

HWND create_task_bar()
{
    // No title: programs look the bar up by its class alone.
    return CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, task_bar_class, nullptr, WS_POPUP | WS_VISIBLE, 0, 0,
        screen_width, task_bar_height, nullptr, nullptr, nullptr, nullptr);
}

void draw_task_bar(HDC dc, int minute_of_day) { draw_strip(dc, clock_text(minute_of_day)); }

std::u16string task_bar_painted_clock() { return state().painted_clock; }

}  // namespace platform::shell
