// The shell's screens: making, stacking and removing their windows, and what a finger does on them.

#include "platform/shell/shell_screens.h"

#include <array>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/include/winbase.h"
#include "platform/kernel/utf.h"
#include "platform/shell/home_screen.h"
#include "platform/shell/screen_painting.h"
#include "platform/shell/shell_events.h"
#include "platform/shell/shell_keys.h"

namespace platform::shell {

namespace {

constexpr UINT_PTR banner_timer = 1;

// A copy of the screen a panel was shown over, for its rounded corners.
struct Backdrop {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
};

struct ScreensState {
    std::array<HWND, screen_kind_count> windows {};
    std::array<Backdrop, screen_kind_count> backdrops {};
    bool call_answered = false;
    AppIcon placeholder_icon {};
    POINT press {};
    bool pressed = false;
};

ScreensState& state()
{
    static ScreensState screens;
    return screens;
}

HWND& slot(ScreenKind kind) { return state().windows[static_cast<std::size_t>(kind)]; }

Backdrop& backdrop_of(ScreenKind kind) { return state().backdrops[static_cast<std::size_t>(kind)]; }

bool has_rounded_corners(ScreenKind kind)
{
    return kind == ScreenKind::sms_banner || kind == ScreenKind::shutdown_question || kind == ScreenKind::placeholder;
}

void take_backdrop(ScreenKind kind)
{
    RECT area = screen_area(kind);
    Backdrop& backdrop = backdrop_of(kind);
    HDC screen = GetDC(nullptr);
    backdrop.dc = CreateCompatibleDC(screen);
    backdrop.bitmap = CreateCompatibleBitmap(screen, area.right - area.left, area.bottom - area.top);
    if (backdrop.dc && backdrop.bitmap) {
        backdrop.previous = SelectObject(backdrop.dc, backdrop.bitmap);
        BitBlt(backdrop.dc, 0, 0, area.right - area.left, area.bottom - area.top, screen, area.left, area.top, SRCCOPY);
    }
    ReleaseDC(nullptr, screen);
}

void release_backdrop(ScreenKind kind)
{
    Backdrop& backdrop = backdrop_of(kind);
    if (backdrop.dc && backdrop.previous) SelectObject(backdrop.dc, backdrop.previous);
    if (backdrop.dc) DeleteDC(backdrop.dc);
    if (backdrop.bitmap) DeleteObject(backdrop.bitmap);
    backdrop = Backdrop {};
}

const char* kind_name(ScreenKind kind)
{
    switch (kind) {
    case ScreenKind::incoming_call:
        return "incoming call screen";
    case ScreenKind::sms_banner:
        return "SMS banner";
    case ScreenKind::disk_mode:
        return "USB-disk screen";
    case ScreenKind::lock:
        return "lock screen";
    case ScreenKind::shutdown_question:
        return "power-off question";
    case ScreenKind::placeholder:
        return "placeholder screen";
    }
    return "screen";
}

std::string describe(ScreenKind kind)
{
    std::string name = kind_name(kind);
    if (kind == ScreenKind::placeholder && state().placeholder_icon.label)
        name += " of " + to_utf8(state().placeholder_icon.label);
    return name;
}

// Each screen carries its kind (plus one) in its user data, so a kept handle is trusted only while it still
// names a live screen of that kind, whatever tore the window down.
bool find_kind(HWND hwnd, ScreenKind* kind)
{
    if (!hwnd || !IsWindow(hwnd)) return false;
    char16_t name[32] {};
    GetClassNameW(hwnd, name, 32);
    if (std::u16string_view(name) != shell_screen_class) return false;
    LONG tag = GetWindowLongW(hwnd, GWL_USERDATA);
    if (tag < 1 || tag > screen_kind_count) return false;
    *kind = static_cast<ScreenKind>(tag - 1);
    return true;
}

bool is_screen_of(HWND hwnd, ScreenKind kind)
{
    ScreenKind found {};
    return find_kind(hwnd, &found) && found == kind;
}

// The screens the phone's events raise lie over everything, the program included. The USB-disk screen lies
// just above the home screen instead: programs are told of USB-disk mode too and may show their own notice
// before they end, and that notice must stay in sight and within reach; the disk screen shows once they have
// gone. The placeholder opens from the home screen, where nothing else is in front.
bool over_everything(ScreenKind kind) { return kind != ScreenKind::disk_mode && kind != ScreenKind::placeholder; }

void paint(HWND hwnd, ScreenKind kind)
{
    PAINTSTRUCT paint {};
    HDC dc = BeginPaint(hwnd, &paint);
    if (!dc) return;
    ScreenLook look {
        kind, state().call_answered, kind == ScreenKind::placeholder ? &state().placeholder_icon : nullptr};
    paint_screen(dc, look);
    EndPaint(hwnd, &paint);
}

bool inside(const RECT& area, POINT point) { return PtInRect(&area, point) != FALSE; }

// A button is pressed when the finger both went down and came up on it.
bool on_button(const RECT& button, POINT down, POINT up) { return inside(button, down) && inside(button, up); }

void answer_call(HWND hwnd)
{
    state().call_answered = true;
    report_event("incoming call screen: answered");
    InvalidateRect(hwnd, nullptr, FALSE);
}

void end_call(const char* how)
{
    report_event(std::string("incoming call screen: ") + how);
    // The call ends for everyone: the platform's end broadcast follows, and it takes the screen away.
    if (!signal_call(Phase::ends)) close_screen(ScreenKind::incoming_call, how);
}

void power_off()
{
    close_screen(ScreenKind::shutdown_question, "answered power off");
    report_event("power off: the phone shuts down");
    // The program's loop ends as the phone goes down; a program between its questions ends with it.
    PostQuitMessage(0);
}

// What a press at down and a release at up (screen coordinates) do on the screen.
void take_tap(HWND hwnd, ScreenKind kind, POINT down, POINT up)
{
    switch (kind) {
    case ScreenKind::incoming_call:
        if (state().call_answered) {
            if (on_button(hang_up_button(), down, up)) end_call("hung up");
        } else if (on_button(answer_button(), down, up)) {
            answer_call(hwnd);
        } else if (on_button(decline_button(), down, up)) {
            end_call("declined");
        }
        return;
    case ScreenKind::sms_banner:
        if (inside(screen_area(kind), up)) close_screen(kind, "tapped");
        return;
    case ScreenKind::lock:
        if (std::abs(up.x - down.x) >= unlock_swipe_distance || std::abs(up.y - down.y) >= unlock_swipe_distance)
            close_screen(kind, "unlocked by a swipe");
        return;
    case ScreenKind::shutdown_question:
        if (on_button(power_off_button(), down, up))
            power_off();
        else if (on_button(cancel_button(), down, up))
            close_screen(kind, "cancelled");
        return;
    case ScreenKind::placeholder:
        if (inside(screen_area(kind), up)) close_screen(kind, "back (tap)");
        return;
    case ScreenKind::disk_mode:
        return;
    }
}

POINT screen_point(HWND hwnd, LPARAM lparam)
{
    POINT point {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    ClientToScreen(hwnd, &point);
    return point;
}

LRESULT CALLBACK shell_screen_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    ScreenKind kind {};
    bool known = find_kind(hwnd, &kind);
    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // the paint covers everything
    case WM_PAINT:
        if (!known) break;
        paint(hwnd, kind);
        return 0;
    case WM_LBUTTONDOWN:
        // Capture keeps a swipe's release ours, wherever it ends.
        SetCapture(hwnd);
        state().press = screen_point(hwnd, lparam);
        state().pressed = true;
        return 0;
    case WM_LBUTTONUP: {
        // Read before the capture goes: losing it forgets the press.
        bool pressed = state().pressed;
        state().pressed = false;
        if (GetCapture() == hwnd) ReleaseCapture();
        if (known && pressed) take_tap(hwnd, kind, state().press, screen_point(hwnd, lparam));
        return 0;
    }
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
        state().pressed = false;
        return 0;
    case WM_TIMER:
        if (wparam != banner_timer || !known) break;
        KillTimer(hwnd, banner_timer);
        close_screen(kind, "timed out");
        return 0;
    case WM_DESTROY:
        if (known && slot(kind) == hwnd) {
            slot(kind) = nullptr;
            release_backdrop(kind);
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

void place_above_home_screen(HWND hwnd)
{
    SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (HWND home = FindWindowW(home_screen_class, nullptr))
        SetWindowPos(home, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

}  // namespace

bool register_shell_screen_class()
{
    WNDCLASSW description {};
    if (GetClassInfoW(nullptr, shell_screen_class, &description)) return true;
    description.lpfnWndProc = shell_screen_procedure;
    description.lpszClassName = shell_screen_class;
    return RegisterClassW(&description) != 0;
}

void unregister_shell_screen_class() { UnregisterClassW(shell_screen_class, nullptr); }

HWND show_screen(ScreenKind kind, const AppIcon* icon)
{
    if (HWND shown = shown_screen(kind)) {
        // Another app's icon replaces the placeholder's name.
        if (kind == ScreenKind::placeholder && icon) {
            state().placeholder_icon = *icon;
            InvalidateRect(shown, nullptr, FALSE);
            report_event(describe(kind) + " shown");
        }
        return shown;
    }
    if (!register_shell_screen_class()) return nullptr;
    if (kind == ScreenKind::placeholder) state().placeholder_icon = icon ? *icon : AppIcon {};
    if (kind == ScreenKind::incoming_call) state().call_answered = false;
    RECT area = screen_area(kind);
    DWORD extended = WS_EX_NOACTIVATE | (over_everything(kind) ? WS_EX_TOPMOST : 0);
    // Made hidden and shown once in its place, so nothing it will not cover is drawn over.
    HWND hwnd = CreateWindowExW(extended, shell_screen_class, nullptr, WS_POPUP, area.left, area.top,
        area.right - area.left, area.bottom - area.top, nullptr, nullptr, nullptr, nullptr);
    if (!hwnd) {
        report_event(describe(kind) + ": cannot be shown (error " + std::to_string(GetLastError()) + ")");
        return nullptr;
    }
    SetWindowLongW(hwnd, GWL_USERDATA, static_cast<LONG>(kind) + 1);
    slot(kind) = hwnd;
    if (has_rounded_corners(kind)) take_backdrop(kind);
    if (kind == ScreenKind::disk_mode) place_above_home_screen(hwnd);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    if (kind == ScreenKind::sms_banner) SetTimer(hwnd, banner_timer, sms_banner_ms, nullptr);
    report_event(describe(kind) + " shown");
    return hwnd;
}

void close_screen(ScreenKind kind, const char* why)
{
    HWND hwnd = shown_screen(kind);
    if (!hwnd) return;
    std::string name = describe(kind);
    if (kind == ScreenKind::sms_banner) KillTimer(hwnd, banner_timer);
    slot(kind) = nullptr;
    DestroyWindow(hwnd);
    release_backdrop(kind);
    if (kind == ScreenKind::incoming_call) state().call_answered = false;
    report_event(name + " removed: " + why);
}

void close_all_screens()
{
    for (int i = 0; i < screen_kind_count; ++i) {
        HWND& hwnd = state().windows[static_cast<std::size_t>(i)];
        HWND window = hwnd;
        hwnd = nullptr;
        if (is_screen_of(window, static_cast<ScreenKind>(i))) DestroyWindow(window);
        release_backdrop(static_cast<ScreenKind>(i));
    }
    state().call_answered = false;
    state().pressed = false;
}

HWND shown_screen(ScreenKind kind)
{
    HWND hwnd = slot(kind);
    if (hwnd && !is_screen_of(hwnd, kind)) {
        hwnd = slot(kind) = nullptr;
        release_backdrop(kind);
    }
    return hwnd;
}

bool call_answered() { return state().call_answered; }

RECT screen_area(ScreenKind kind)
{
    switch (kind) {
    case ScreenKind::incoming_call:
    case ScreenKind::disk_mode:
        // Below the task bar, which a program shows for a call.
        return RECT {0, task_bar_height, screen_width, screen_height};
    case ScreenKind::sms_banner:
        return RECT {12, task_bar_height + 8, screen_width - 12, task_bar_height + 108};
    case ScreenKind::lock:
        return RECT {0, 0, screen_width, screen_height};
    case ScreenKind::shutdown_question:
    case ScreenKind::placeholder:
        return RECT {60, 250, screen_width - 60, 490};
    }
    return RECT {};
}

RECT answer_button() { return RECT {300, 540, 400, 640}; }
RECT decline_button() { return RECT {80, 540, 180, 640}; }
RECT hang_up_button() { return RECT {190, 540, 290, 640}; }
RECT cancel_button() { return RECT {84, 420, 232, 470}; }
RECT power_off_button() { return RECT {248, 420, 396, 470}; }

}  // namespace platform::shell
