// A phone program whose static object reads the phone's registry while the
// program's static objects are initialised, as the shaver's window does with
// the theme colours, and whose WinMain prints what it read.

#include <windows.h>

#include <cstdio>

#include "platform/include/winmain.h"

namespace {

struct EarlyReader {
    EarlyReader()
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Orvane\\Theme\\Colors", 0, 0, &key) != ERROR_SUCCESS) return;
        DWORD size = sizeof(colour);
        found = RegQueryValueExW(key, u"SYSCLR_WINDOW_BG", nullptr, nullptr, reinterpret_cast<BYTE*>(&colour), &size) ==
            ERROR_SUCCESS;
        RegCloseKey(key);
        library = LoadLibraryW(u"BrisellRes.dll") != nullptr;
    }
    bool found = false;
    bool library = false;
    DWORD colour = 0;
};

EarlyReader reader;

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    std::printf("colour %s %06lX library %s\n", reader.found ? "found" : "missing",
        static_cast<unsigned long>(reader.colour), reader.library ? "loaded" : "missing");
    std::fflush(stdout);
    return 0;
}
