// A phone program that forgets a brush on every touch after its tenth, the
// kind of slow leak a long monkey run is there to catch.

#include <windows.h>

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
    WNDCLASSW description {};
    description.lpfnWndProc = procedure;
    description.hInstance = instance;
    description.lpszClassName = u"LeakyProgram";
    RegisterClassW(&description);
    HWND window = CreateWindowExW(
        0, u"LeakyProgram", u"Leaky", WS_POPUP | WS_VISIBLE, 0, 0, 480, 720, nullptr, nullptr, instance, nullptr);
    SetForegroundWindow(window);
    MSG message {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
