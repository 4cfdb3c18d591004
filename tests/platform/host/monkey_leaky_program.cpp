// A phone program that forgets a brush on every touch after its tenth, the
// kind of slow leak a long monkey run is there to catch.

#include <windows.h>

#include "tests/platform/host/test_program.h"

namespace {

int touches = 0;

LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        RECT all {0, 0, 480, 720};
        HBRUSH brush = CreateSolidBrush(RGB(0, 0, 80));
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_LBUTTONDOWN:
        if (++touches > 10) CreateSolidBrush(RGB(touches & 0xFF, 0, 0));
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
    SetForegroundWindow(create_program_window(instance, u"LeakyProgram", u"Leaky", procedure));
    return run_message_loop();
}
