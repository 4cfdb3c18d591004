// A session a person gives in the window replays to the same frames: the
// counter program runs in a window on a real X server (Xvfb) in virtual
// time, recording; taps, a drag and keys come through the X server itself
// (XTest), so they take SDL's own input path; then the session.script the
// run wrote replays headless, and both recordings hold the same frames and
// sound.

#include <dlfcn.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/host/phone_skin.h"
#include "platform/host/status_panel.h"
#include "tests/platform/host/run_folder.h"
#include "tests/platform/host/xvfb_server.h"

// Last: Xlib's macros (None, Bool, True) would clash with the names above.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

fs::path fresh_folder() { return test_run_folder("velmor-window-replay-"); }

// XTest, the X server's own way of faking a person's input. Loaded at run
// time: its development files are not among the build's packages.
class XTest {
public:
    XTest()
    {
        library_ = dlopen("libXtst.so.6", RTLD_NOW);
        if (!library_) return;
        motion_ = reinterpret_cast<Motion>(dlsym(library_, "XTestFakeMotionEvent"));
        button_ = reinterpret_cast<Button>(dlsym(library_, "XTestFakeButtonEvent"));
        key_ = reinterpret_cast<Key>(dlsym(library_, "XTestFakeKeyEvent"));
    }
    ~XTest()
    {
        if (library_) dlclose(library_);
    }
    bool loaded() const { return motion_ && button_ && key_; }

    void move(Display* display, int x, int y)
    {
        motion_(display, -1, x, y, 0);
        XFlush(display);
    }
    void button(Display* display, bool down)
    {
        button_(display, 1, down ? True : False, 0);
        XFlush(display);
    }
    void key(Display* display, KeySym symbol)
    {
        unsigned code = XKeysymToKeycode(display, symbol);
        key_(display, code, True, 0);
        key_(display, code, False, 0);
        XFlush(display);
    }

private:
    using Motion = int (*)(Display*, int, int, int, unsigned long);
    using Button = int (*)(Display*, unsigned, int, unsigned long);
    using Key = int (*)(Display*, unsigned, int, unsigned long);
    void* library_ = nullptr;
    Motion motion_ = nullptr;
    Button button_ = nullptr;
    Key key_ = nullptr;
};

// The top-level window with that title, once it is mapped.
std::optional<Window> find_window(Display* display, const char* title)
{
    Window root = DefaultRootWindow(display), parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, root, &root, &parent, &children, &count)) return std::nullopt;
    std::optional<Window> found;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        XWindowAttributes attributes {};
        if (XFetchName(display, children[i], &name) && name && std::string(name) == title &&
            XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable)
            found = children[i];
        if (name) XFree(name);
    }
    if (children) XFree(children);
    return found;
}

pid_t start(const std::vector<std::string>& arguments, const fs::path& folder, const fs::path& output)
{
    std::vector<std::string> all = arguments;
    std::vector<char*> argv;
    for (auto& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = fork();
    if (child == 0) {
        if (!std::freopen(output.c_str(), "w", stdout)) _exit(126);
        dup2(fileno(stdout), 2);
        if (chdir(folder.c_str()) != 0) _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return child;
}

// The child's exit code, or -1 when it had to be killed after the timeout.
int finish(pid_t child, std::chrono::seconds timeout)
{
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(5ms);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(WindowReplay, ASessionGivenThroughTheXServerReplaysHeadlessToTheSameFramesAndSound)
{
    if (!XvfbServer::installed()) GTEST_SKIP() << "Xvfb is not installed (Debian package xvfb)";
    XTest xtest;
    if (!xtest.loaded()) GTEST_SKIP() << "libXtst.so.6 is not installed (Debian package libxtst6)";
    XvfbServer server;
    ASSERT_TRUE(server.start("1600x1200x24")) << "Xvfb did not start";
    setenv("DISPLAY", server.display().c_str(), 1);
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("WAYLAND_DISPLAY");

    fs::path folder = fresh_folder();
    // SDL's X11 driver leaves libdbus's allocations for the process to
    // release; a sanitizer build would count them as the window run's leaks.
    // The replay below is leak-checked as usual.
    setenv("LSAN_OPTIONS", "detect_leaks=0", 1);
    pid_t window_run = start({VELMOR_COUNTER_PROGRAM, "--window", "--virtual-time", "--create-device-root",
                                 "--device-root", "first-root", "--record", "first"},
        folder, folder / "first-output.txt");
    unsetenv("LSAN_OPTIONS");
    ASSERT_GT(window_run, 0);

    Display* display = XOpenDisplay(server.display().c_str());
    ASSERT_NE(display, nullptr);
    std::optional<Window> window;
    for (auto deadline = std::chrono::steady_clock::now() + 20s;
         !window && std::chrono::steady_clock::now() < deadline;) {
        std::this_thread::sleep_for(50ms);
        window = find_window(display, "Velmor");
    }
    if (!window) {
        XCloseDisplay(display);
        finish(window_run, 1s);
        FAIL() << "no window appeared: " << read_text(folder / "first-output.txt");
    }
    Window child = 0;
    int window_x = 0, window_y = 0;
    XTranslateCoordinates(display, *window, DefaultRootWindow(display), 0, 0, &window_x, &window_y, &child);
    auto layout = platform::host::phone_skin_layout(480, 720, platform::host::status_panel_width);
    // The phone's point (x, y) on the X screen; the window is at scale 1.
    auto at = [&](int x, int y) {
        xtest.move(display, window_x + int(layout.screen.x) + x, window_y + int(layout.screen.y) + y);
    };
    auto tap = [&](int x, int y) {
        at(x, y);
        std::this_thread::sleep_for(30ms);
        xtest.button(display, true);
        std::this_thread::sleep_for(60ms);
        xtest.button(display, false);
    };
    // The program says each step of its wipe as it draws it: a tap on the
    // band, tried until the wipe shows, tells that input reaches it (on a
    // busy machine the program may still be starting).
    auto wipes = [&] {
        std::string said = read_text(folder / "first-output.txt");
        std::size_t count = 0;
        for (std::size_t at = said.find("wipe step 4"); at != std::string::npos; at = said.find("wipe step 4", at + 1))
            ++count;
        return count;
    };
    for (int attempt = 0; attempt < 10 && wipes() == 0; ++attempt) {
        tap(200, 40);
        for (auto deadline = std::chrono::steady_clock::now() + 3s;
             wipes() == 0 && std::chrono::steady_clock::now() < deadline;)
            std::this_thread::sleep_for(50ms);
    }
    ASSERT_GT(wipes(), 0u) << read_text(folder / "first-output.txt");
    std::this_thread::sleep_for(300ms);

    tap(240, 600);  // six full-screen colours back to back
    std::this_thread::sleep_for(500ms);
    at(100, 500);  // a drag, which the program answers as a press
    xtest.button(display, true);
    for (int step = 1; step <= 5; ++step) {
        std::this_thread::sleep_for(20ms);
        at(100 + 40 * step, 500 + 10 * step);
    }
    xtest.button(display, false);
    std::this_thread::sleep_for(500ms);
    at(240, 360);  // keys go to the window under the pointer
    xtest.key(display, XK_c);  // a call rings: the shell's call screen
    std::this_thread::sleep_for(600ms);
    xtest.key(display, XK_c);  // and ends
    std::this_thread::sleep_for(300ms);
    xtest.key(display, XK_s);  // a shake
    std::this_thread::sleep_for(400ms);

    // Closed as a window manager would close it.
    XEvent close {};
    close.xclient.type = ClientMessage;
    close.xclient.window = *window;
    close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, *window, False, NoEventMask, &close);
    XFlush(display);
    int window_code = finish(window_run, 60s);
    XCloseDisplay(display);
    ASSERT_EQ(window_code, 0) << read_text(folder / "first-output.txt");

    std::string session = read_text(folder / "first" / "session.script");
    EXPECT_NE(session.find("\npress 240 600\n"), std::string::npos) << session;
    EXPECT_NE(session.find("\nrelease 200 40\n"), std::string::npos) << session;
    EXPECT_NE(session.find("\nmove 300 550\nrelease 300 550\n"), std::string::npos) << session;
    EXPECT_NE(session.find("\ncall begin\n"), std::string::npos) << session;
    EXPECT_NE(session.find("\ncall end\n"), std::string::npos) << session;
    EXPECT_NE(session.find("\nshake"), std::string::npos) << session;

    unsetenv("DISPLAY");
    pid_t replay = start({VELMOR_COUNTER_PROGRAM, "--headless", "--create-device-root", "--device-root", "second-root",
                             "--script", "first/session.script", "--record", "second"},
        folder, folder / "second-output.txt");
    ASSERT_EQ(finish(replay, 60s), 0) << read_text(folder / "second-output.txt");

    auto first = frames_and_sound(folder / "first");
    auto second = frames_and_sound(folder / "second");
    // Ticks, both animations, the call screen coming and going: many frames.
    EXPECT_GT(first.size(), 20u);
    EXPECT_EQ(first, second);
}
