// The program the phone runs until the application exists: nothing of its
// own, so the screen shows the shell (home screen and task bar) and the loop
// only pumps their messages.

#include <windows.h>

#include "platform/include/winmain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    MSG message {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
