// A phone program that does not run the same twice: its window is painted in
// a colour made from the process id, as a program reading uninitialised
// memory or the wall clock would differ from run to run. The determinism
// check must tell two of its runs apart.

#include <unistd.h>
#include <windows.h>

#include "tests/platform/host/test_program.h"

namespace {

LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        // The id's low bits in the channels' high bits, which the 16-bit
        // screen keeps.
        int id = int(getpid());
        HBRUSH brush = CreateSolidBrush(RGB((id & 7) << 5, ((id >> 3) & 7) << 5, 0x80));
        RECT all {0, 0, 480, 720};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    create_program_window(instance, u"UnsteadyProgram", u"Unsteady", procedure, WS_EX_TOPMOST);
    return run_message_loop();
}
