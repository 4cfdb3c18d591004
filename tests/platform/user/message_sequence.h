// Message-sequence checks for the window system: a test window procedure
// records what each window receives, and a test compares the record with an
// expected table in which some entries may be optional or may leave wParam
// and lParam unchecked.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <sipapi.h>
#include <windows.h>
#include <winuser.h>

#include "platform/kernel/clock.h"
#include "platform/kernel/debug_output.h"
#include "platform/user/host.h"

namespace user_test {

struct Received {
    HWND hwnd;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

enum Check : unsigned {
    message_only = 0,
    with_wparam = 1,
    with_lparam = 2,
    with_both = 3,
    optional = 4,
};

struct Expected {
    HWND hwnd;
    UINT message;
    unsigned check = message_only;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
};

inline std::vector<Received>& log()
{
    static std::vector<Received> entries;
    return entries;
}

// Messages the checks leave out unless a test asks for them: they come with
// every window and say nothing about the behaviour under test.
inline bool is_noise(UINT message)
{
    return message == WM_GETTEXT || message == WM_GETTEXTLENGTH || message == WM_CAPTURECHANGED ||
        message == WM_CANCELMODE || message == WM_NCDESTROY || message == WM_ENABLE;
}

inline LRESULT CALLBACK recording_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (!is_noise(message)) log().push_back(Received {hwnd, message, wparam, lparam});
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

inline std::string describe(const Received& entry)
{
    char text[96];
    std::snprintf(text, sizeof text, "hwnd %p msg 0x%04X wp 0x%lX lp 0x%lX", static_cast<void*>(entry.hwnd),
        entry.message, static_cast<unsigned long>(entry.wparam), static_cast<unsigned long>(entry.lparam));
    return text;
}

inline std::string describe_log()
{
    std::string out;
    for (const Received& entry : log()) out += "  " + describe(entry) + "\n";
    return out;
}

inline bool matches(const Received& got, const Expected& want)
{
    if (got.hwnd != want.hwnd || got.message != want.message) return false;
    if ((want.check & with_wparam) && got.wparam != want.wparam) return false;
    if ((want.check & with_lparam) && got.lparam != want.lparam) return false;
    return true;
}

// Compares the record with the table, then clears the record.
inline void expect_sequence(const std::vector<Expected>& table, const char* what)
{
    const auto& got = log();
    std::size_t g = 0;
    std::string problem;
    for (std::size_t w = 0; w < table.size() && problem.empty(); ++w) {
        if (g < got.size() && matches(got[g], table[w])) {
            ++g;
            continue;
        }
        if (table[w].check & optional) continue;
        char text[128];
        std::snprintf(text, sizeof text, "expected msg 0x%04X to hwnd %p at position %zu", table[w].message,
            static_cast<void*>(table[w].hwnd), g);
        problem = text;
        if (g < got.size()) problem += ", got " + describe(got[g]);
    }
    if (problem.empty() && g < got.size()) problem = "unexpected extra " + describe(got[g]);
    EXPECT_TRUE(problem.empty()) << what << ": " << problem << "\nrecorded:\n" << describe_log();
    log().clear();
}

// Registers the recording class once per name and gives each test a fresh
// virtual clock and an empty window system.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::user::shut_down_thread_windows();
        platform::clock::reset(platform::clock::Mode::virtual_time, 1000);
        register_class(u"Recorder", 0);
        register_class(u"DoubleClicker", CS_DBLCLKS);
        log().clear();
    }
    void TearDown() override
    {
        platform::user::shut_down_thread_windows();
        platform::user::set_idle_handler(nullptr);
        log().clear();
    }

    static void register_class(const char16_t* name, UINT style, HBRUSH background = nullptr)
    {
        WNDCLASSW window_class {};
        window_class.style = style;
        window_class.lpfnWndProc = recording_procedure;
        window_class.hbrBackground = background;
        window_class.lpszClassName = name;
        RegisterClassW(&window_class);
    }

    static HWND make(const char16_t* window_class, DWORD style, int x, int y, int width, int height,
        HWND parent = nullptr, DWORD ex_style = 0)
    {
        HWND hwnd =
            CreateWindowExW(ex_style, window_class, u"", style, x, y, width, height, parent, nullptr, nullptr, nullptr);
        EXPECT_NE(hwnd, nullptr);
        return hwnd;
    }

    // Dispatches whatever is ready now, without idling.
    static void pump()
    {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
};

inline LPARAM point(int x, int y) { return MAKELPARAM(x, y); }

}  // namespace user_test
