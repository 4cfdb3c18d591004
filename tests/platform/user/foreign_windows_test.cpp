// Windows of another program on the same phone: a second program finds the
// first one's main window, shows it, brings it forward and asks it to close.

#include <poll.h>
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

// The first program retitles its window over and over while the second
// looks it up: every look finds it, never a list caught half rewritten.
TEST_F(ForeignWindowTest, AWindowBeingRetitledIsFoundEveryTime)
{
    ASSERT_TRUE(platform::files::set_device_root(shared_root()));
    int ready_fds[2], stop_fds[2];
    ASSERT_EQ(pipe(ready_fds), 0);
    ASSERT_EQ(pipe(stop_fds), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::clock::reset(platform::clock::Mode::real_time, 0);
        WNDCLASSW window_class {};
        window_class.lpfnWndProc = DefWindowProcW;
        window_class.lpszClassName = u"Retitled";
        RegisterClassW(&window_class);
        HWND hwnd = CreateWindowExW(0, u"Retitled", u"a", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        if (!hwnd) _exit(2);
        (void)!write(ready_fds[1], "r", 1);
        // Titles of different lengths, so each rewrite changes the list's size.
        const char16_t* titles[] = {u"a much longer title than the other one", u"b"};
        pollfd stop {stop_fds[0], POLLIN, 0};
        for (int i = 0; poll(&stop, 1, 0) == 0; ++i) SetWindowTextW(hwnd, titles[i % 2]);
        _exit(0);
    }
    char ready = 0;
    ASSERT_EQ(read(ready_fds[0], &ready, 1), 1);
    int looks = 0, missed = 0;
    for (; looks < 3000; ++looks)
        if (!FindWindowW(u"Retitled", nullptr)) ++missed;
    (void)!write(stop_fds[1], "s", 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    for (int fd : {ready_fds[0], ready_fds[1], stop_fds[0], stop_fds[1]}) close(fd);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(missed, 0) << "of " << looks << " looks";
}

}  // namespace
