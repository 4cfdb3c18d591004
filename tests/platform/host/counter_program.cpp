// A small phone program whose timer draws a counter: every 250 ms one more
// white square on black. A tap plays an animation of six full-screen colours
// drawn back to back inside the handler, without a timer or a sleep, as the
// shaver's intro does; a tap in the band at the top instead plays a wipe
// across that band only, as the framework's window transitions do: each step
// a green bar one fifth wider over the last, and a grey mark under it. Each step is said on the debug output with the
// tick count, so a recording's frames can be matched with what the program did.

#include <windows.h>

#include "tests/platform/host/test_program.h"

namespace {

constexpr UINT_PTR counter_timer = 1;
constexpr UINT counter_interval_ms = 250;
constexpr int square = 20;
constexpr int square_step = 24;
constexpr int squares_per_row = 18;
constexpr int animation_frames = 6;
constexpr int wipe_band_height = 80;
constexpr int wipe_steps = 5;

int ticks = 0;

void fill(HDC dc, const RECT& area, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

void draw_squares(HDC dc)
{
    for (int i = 0; i < ticks; ++i) {
        int left = 12 + square_step * (i % squares_per_row);
        int top = 100 + square_step * (i / squares_per_row);
        RECT area {left, top, left + square, top + square};
        fill(dc, area, RGB(255, 255, 255));
    }
}

// The whole counter composed off screen and shown in one blit, so the
// screen never shows a half-drawn counter.
void draw_counter(HDC target)
{
    HDC memory = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, 480, 720);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all {0, 0, 480, 720};
    fill(memory, all, RGB(0, 0, 0));
    draw_squares(memory);
    BitBlt(target, 0, 0, 480, 720, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

void play_animation(HWND hwnd)
{
    HDC dc = GetDC(hwnd);
    RECT all {0, 0, 480, 720};
    for (int frame = 0; frame < animation_frames; ++frame) {
        NKDbgPrintfW(u"counter: animation frame %d at %d\n", frame, int(GetTickCount()));
        fill(dc, all, RGB(51 * frame, 0, 255 - 51 * frame));
    }
    // Back to the counter, the animation's last frame.
    draw_counter(dc);
    ReleaseDC(hwnd, dc);
}

void play_wipe(HWND hwnd)
{
    HDC dc = GetDC(hwnd);
    for (int step = 0; step < wipe_steps; ++step) {
        NKDbgPrintfW(u"counter: wipe step %d at %d\n", step, int(GetTickCount()));
        int right = 96 * (step + 1);
        RECT bar {0, 0, right, wipe_band_height - 10};
        fill(dc, bar, RGB(0, 40 * (step + 2), 0));
        RECT mark {right - 96, wipe_band_height - 10, right, wipe_band_height};
        fill(dc, mark, RGB(128, 128, 128));
    }
    ReleaseDC(hwnd, dc);
}

LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        draw_counter(BeginPaint(hwnd, &paint));
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_TIMER: {
        ++ticks;
        NKDbgPrintfW(u"counter: tick %d at %d\n", ticks, int(GetTickCount()));
        HDC dc = GetDC(hwnd);
        draw_squares(dc);
        ReleaseDC(hwnd, dc);
        return 0;
    }
    case WM_LBUTTONDOWN:
        if (HIWORD(lparam) < wipe_band_height)
            play_wipe(hwnd);
        else
            play_animation(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    if (HWND task_bar = FindWindowW(u"CTaskBar", nullptr)) ShowWindow(task_bar, SW_HIDE);
    HWND window = create_program_window(instance, u"CounterProgram", u"Counter", procedure, WS_EX_TOPMOST);
    SetForegroundWindow(window);
    SetTimer(window, counter_timer, counter_interval_ms, nullptr);

    return run_message_loop();
}
