// A phone program that does not run the same twice: its window is painted in
// a colour made from the process id, as a program reading uninitialised
// memory or the wall clock would differ from run to run. The determinism
// check must tell two of its runs apart.

#include <unistd.h>
#include <windows.h>

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
    WNDCLASSW description {};
    description.lpfnWndProc = procedure;
    description.hInstance = instance;
    description.lpszClassName = u"UnsteadyProgram";
    RegisterClassW(&description);
    CreateWindowExW(WS_EX_TOPMOST, u"UnsteadyProgram", u"Unsteady", WS_POPUP | WS_VISIBLE, 0, 0, 480, 720, nullptr,
        nullptr, instance, nullptr);
    MSG message {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
