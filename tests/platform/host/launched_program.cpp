// A small phone program started from the home screen's icon, as the shaver
// is: a green screen that says on the debug output when it runs. A tap on it
// ends it with code 3, and it ends by itself with 0 after two seconds. Like
// the shaver it runs once per phone: a second start while it runs is refused
// with -1.

#include <windows.h>

#include "tests/platform/host/test_program.h"

namespace {

constexpr UINT_PTR end_timer = 1;
constexpr UINT runs_for_ms = 2000;
constexpr int exit_code_after_tap = 3;

LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        HBRUSH green = CreateSolidBrush(RGB(0, 160, 80));
        FillRect(dc, &paint.rcPaint, green);
        DeleteObject(green);
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_LBUTTONUP:
        NKDbgPrintfW(u"launched: tapped, leaving\n");
        DestroyWindow(hwnd);
        PostQuitMessage(exit_code_after_tap);
        return 0;
    case WM_TIMER:
        NKDbgPrintfW(u"launched: time is up\n");
        DestroyWindow(hwnd);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    HANDLE once = CreateMutexW(nullptr, FALSE, u"LaunchedProgram");
    if (once && GetLastError() == ERROR_ALREADY_EXISTS) {
        NKDbgPrintfW(u"launched: refused, already running\n");
        CloseHandle(once);
        return -1;
    }
    HWND window = create_program_window(instance, u"LaunchedProgram", u"Launched", procedure);
    SetForegroundWindow(window);
    SetTimer(window, end_timer, runs_for_ms, nullptr);
    NKDbgPrintfW(u"launched: running at %d\n", int(GetTickCount()));

    int exit_code = run_message_loop();
    if (once) CloseHandle(once);
    return exit_code;
}
