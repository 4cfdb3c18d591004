// A phone program with a fault on its twentieth touch, for the monkey to
// catch: MONKEY_FAULT=crash writes through a null pointer, MONKEY_FAULT=hang
// loops for ever inside the touch's handler.

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

int touches = 0;

LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
        if (++touches == 20) {
            const char* fault = std::getenv("MONKEY_FAULT");
            if (fault && std::strcmp(fault, "crash") == 0) {
                volatile int* nowhere = nullptr;
                *nowhere = touches;
            }
            if (fault && std::strcmp(fault, "hang") == 0) {
                volatile bool forever = true;
                while (forever) { }
            }
        }
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
    description.lpszClassName = u"FaultyProgram";
    RegisterClassW(&description);
    HWND window = CreateWindowExW(
        0, u"FaultyProgram", u"Faulty", WS_POPUP | WS_VISIBLE, 0, 0, 480, 720, nullptr, nullptr, instance, nullptr);
    SetForegroundWindow(window);
    MSG message {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
