// A phone program with a fault on its twentieth touch, for the monkey to
// catch: MONKEY_FAULT=crash writes through a null pointer, MONKEY_FAULT=hang
// loops for ever inside the touch's handler.

#include <windows.h>

#include "tests/platform/host/test_program.h"

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
    SetForegroundWindow(create_program_window(instance, u"FaultyProgram", u"Faulty", procedure));
    return run_message_loop();
}
