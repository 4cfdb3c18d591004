// A phone program that tells, by its exit code, whether SDL was loaded into
// the process by the time its message loop ended: 0 when it was not, 40 when
// it was.
#include <dlfcn.h>

#include <windows.h>

#include "platform/include/winmain.h"
#include "platform/kernel/sdl_on_demand.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    MSG message {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    void* sdl = dlopen(platform::sdl::default_library, RTLD_NOW | RTLD_NOLOAD);
    if (!sdl) return static_cast<int>(message.wParam);
    dlclose(sdl);
    return 40;
}
