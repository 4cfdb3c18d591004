// What every small phone program of the host tests does around its window
// procedure: one full-screen window of its own class, and the message loop.
#pragma once

#include <windows.h>

inline HWND create_program_window(
    HINSTANCE instance, const char16_t* class_name, const char16_t* title, WNDPROC procedure, DWORD extended_style = 0)
{
    WNDCLASSW description {};
    description.lpfnWndProc = procedure;
    description.hInstance = instance;
    description.lpszClassName = class_name;
    RegisterClassW(&description);
    return CreateWindowExW(
        extended_style, class_name, title, WS_POPUP | WS_VISIBLE, 0, 0, 480, 720, nullptr, nullptr, instance, nullptr);
}

// Returns the exit code the program posted with PostQuitMessage.
inline int run_message_loop()
{
    MSG message {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
