// Windows of another program on the same phone: a second program finds the
// first one's main window, shows it, brings it forward and asks it to close.

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "message_sequence.h"
#include "platform/files/device_root.h"
#include "tests/support/temp_folder.h"

using namespace user_test;

namespace {

int report_fd = -1;

LRESULT CALLBACK first_program_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    char note = 0;
    if (message == WM_SHOWWINDOW) note = wparam ? 'S' : 'H';
    if (message == WM_ACTIVATE && LOWORD(wparam) == WA_ACTIVE) note = 'A';
    if (message == WM_DESTROY) {
        note = 'D';
        PostQuitMessage(7);
    }
    if (note) (void)!write(report_fd, &note, 1);
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

// Runs as the first program: one hidden main window, then its message loop.
[[noreturn]] void run_first_program(HWND other_window)
{
    platform::clock::reset(platform::clock::Mode::real_time, 0);
    WNDCLASSW window_class {};
    window_class.lpfnWndProc = first_program_procedure;
    window_class.lpszClassName = u"ForeignMain";
    RegisterClassW(&window_class);
    // The window a second window shows it has, which must stay hidden.
    CreateWindowExW(0, u"ForeignMain", u"other", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND hwnd = CreateWindowExW(0, u"ForeignMain", u"Velmor", 0, 0, 0, 480, 720, nullptr, nullptr, nullptr, nullptr);
    (void)other_window;
    if (!hwnd) _exit(2);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    // Leaves its published files behind, as a crash would.
    _exit(static_cast<int>(message.wParam));
}

template <class Condition> bool eventually(Condition condition)
{
    for (int i = 0; i < 500; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

std::filesystem::path shared_root()
{
    // The folder outlives every test of this program, which may all publish
    // into it, and goes when the program ends.
    static velmor_test::TempFolder root("velmor-user");
    return root.path();
}

using ForeignWindowTest = WindowTest;

TEST_F(ForeignWindowTest, SecondProgramFindsShowsAndBringsForwardTheFirst)
{
    ASSERT_FALSE(shared_root().empty());
    ASSERT_TRUE(platform::files::set_device_root(shared_root()));
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipe_fds[0]);
        report_fd = pipe_fds[1];
        run_first_program(nullptr);
    }
    close(pipe_fds[1]);

    HWND found = nullptr;
    ASSERT_TRUE(eventually([&] { return (found = FindWindowW(u"foreignmain", u"VELMOR")) != nullptr; }));
    EXPECT_NE(reinterpret_cast<std::uintptr_t>(found) & 0x80000000u, 0u) << "foreign handles carry the tag bit";
    EXPECT_TRUE(IsWindow(found));
    EXPECT_FALSE(IsWindowVisible(found));
    EXPECT_FALSE(ShowWindow(found, SW_SHOW));
    EXPECT_TRUE(eventually([&] { return IsWindowVisible(found) != FALSE; }));
    EXPECT_TRUE(SetForegroundWindow(found));
    EXPECT_TRUE(PostMessageW(found, WM_CLOSE, 0, 0));

    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
    std::string notes;
    char buffer[64];
    for (ssize_t got; (got = read(pipe_fds[0], buffer, sizeof buffer)) > 0;)
        notes.append(buffer, static_cast<std::size_t>(got));
    close(pipe_fds[0]);
    // Shown (and activated by the showing), brought forward again, closed.
    EXPECT_EQ(notes, "SAD") << "notes from the first program";

    // What the dead program left behind names no window any more.
    EXPECT_FALSE(IsWindow(found));
    EXPECT_FALSE(IsWindowVisible(found));
    EXPECT_FALSE(SetForegroundWindow(found));
    EXPECT_EQ(FindWindowW(u"ForeignMain", nullptr), nullptr);
    EXPECT_FALSE(
        std::filesystem::exists(platform::files::runtime_folder() / "windows" / (std::to_string(child) + ".windows")));
}

}  // namespace
