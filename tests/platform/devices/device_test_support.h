// Shared by the driver tests: a clean phone for each case, windows that
// record the messages they receive, and a pump for the UI thread.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <thread>
#include <vector>

#include <devmgr.h>
#include <windows.h>
#include <winioctl.h>

#include "platform/devices/device_host.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/utf.h"
#include "platform/user/host.h"

namespace device_test {

struct Received {
    HWND hwnd;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

inline std::vector<Received>& received()
{
    static std::vector<Received> messages;
    return messages;
}

// Only registered messages (0xC000 and up) are recorded: the rest is the
// window system's own traffic.
inline LRESULT CALLBACK recording_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message >= 0xC000 || message == 102) received().push_back({hwnd, message, wparam, lparam});
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

inline void pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

inline DWORD handle_number(HWND hwnd) { return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(hwnd)); }

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::user::shut_down_thread_windows();
        platform::clock::reset(platform::clock::Mode::virtual_time, 5000);
        platform::devices::install_devices();
        platform::devices::set_event_listener(
            [this](const platform::devices::DeviceEvent& event) { events_.push_back(event.text); });
        received().clear();
        WNDCLASSW description {};
        description.lpfnWndProc = recording_procedure;
        description.lpszClassName = u"DeviceTestWindow";
        RegisterClassW(&description);
    }
    void TearDown() override
    {
        platform::devices::set_event_listener(nullptr);
        platform::devices::uninstall_devices();
        platform::user::shut_down_thread_windows();
        UnregisterClassW(u"DeviceTestWindow", nullptr);
    }

    HWND make_window(HWND parent = nullptr)
    {
        DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_POPUP | WS_VISIBLE;
        return CreateWindowExW(
            0, u"DeviceTestWindow", nullptr, style, 0, 0, 100, 100, parent, nullptr, nullptr, nullptr);
    }

    // TRUE or FALSE of the control call; *error gets the last error on FALSE.
    static BOOL control(HANDLE device, DWORD code, const void* input, DWORD input_size, void* output = nullptr,
        DWORD output_size = 0, DWORD* error = nullptr)
    {
        DWORD returned = 0xDEAD;
        SetLastError(0);
        BOOL done = DeviceIoControl(
            device, code, const_cast<void*>(input), input_size, output, output_size, &returned, nullptr);
        if (error) *error = done ? 0 : GetLastError();
        return done;
    }

    static HANDLE open(const char16_t* name)
    {
        return CreateFileW(
            name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    }

    bool logged(const std::string& part) const
    {
        for (const auto& text : events_)
            if (text.find(part) != std::string::npos) return true;
        return false;
    }

    std::vector<std::string> events_;
};

}  // namespace device_test
