// The window as a person sees it, on a real X server (Xvfb): the phone in
// its skin with the home screen on it, the status panel beside it, and a
// window too large for the screen shown smaller. The pictures are kept as
// references and (re)written only with VELMOR_UPDATE_REFERENCES=1.

#include <SDL.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/devices/device_host.h"
#include "platform/gdi/screen.h"
#include "platform/host/display_backend.h"
#include "platform/host/phone_skin.h"
#include "platform/host/presenter.h"
#include "platform/host/screen_compare.h"
#include "platform/host/status_panel.h"
#include "platform/kernel/clock.h"
#include "platform/shell/shell.h"
#include "platform/user/host.h"
#include "tests/platform/host/xvfb_server.h"

using namespace platform::host;

// SDL's X11 driver leaves libdbus's allocations for the process to release;
// the leak checker would count them against these tests. The same window
// code is leak-checked on SDL's dummy driver in platform_host_test.
extern "C" const char* __lsan_default_options() { return "detect_leaks=0"; }

namespace {

const std::filesystem::path references = VELMOR_REFERENCES;

class XServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!XvfbServer::installed()) GTEST_SKIP() << "Xvfb is not installed (Debian package xvfb)";
        ASSERT_TRUE(server_.start(screen_size_)) << "Xvfb did not start";
        started_ = true;
        display_ = server_.display();
        setenv("DISPLAY", display_.c_str(), 1);
        unsetenv("SDL_VIDEODRIVER");
        unsetenv("WAYLAND_DISPLAY");
        platform::clock::reset(platform::clock::Mode::virtual_time, 0);
        platform::devices::install_devices();
        platform::devices::reset_devices();
        window_events().clear();
    }

    void TearDown() override
    {
        if (!started_) return;
        platform::shell::stop_shell();
        platform::user::shut_down_thread_windows();
        platform::devices::uninstall_devices();
        window_events().clear();
        server_.stop();
    }

    // Compares with the kept picture, or keeps this one when asked to.
    void expect_reference(const Image& shown, const std::string& name)
    {
        auto file = references / name;
        if (std::getenv("VELMOR_UPDATE_REFERENCES") && std::string(std::getenv("VELMOR_UPDATE_REFERENCES")) == "1") {
            auto written = write_png(file, shown);
            ASSERT_TRUE(written) << written.failure().text();
            return;
        }
        auto expected = read_png(file);
        ASSERT_TRUE(expected) << expected.failure().text();
        auto comparison = compare_images(*expected, shown, 2);
        if (!comparison.matches) {
            // Kept in the system's temporary folder after the test, for a person to look at.
            auto actual_file = std::filesystem::temp_directory_path() / ("actual-" + name);
            auto written = write_png(actual_file, shown);
            ADD_FAILURE() << name << ": " << comparison.describe()
                          << " (this run's picture: " << (written ? actual_file.string() : written.failure().text())
                          << ")";
        }
    }

    const char* screen_size_ = "1280x1024x24";
    std::string display_;
    XvfbServer server_;
    bool started_ = false;
};

// A screen with room for the window at twice its size.
class LargeXServerTest : public XServerTest {
protected:
    LargeXServerTest() { screen_size_ = "2560x2048x24"; }
};

void pump_phone()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

void push_button(Uint32 type, int x, int y)
{
    SDL_Event event {};
    event.type = type;
    event.button.button = SDL_BUTTON_LEFT;
    event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.button.x = x;
    event.button.y = y;
    SDL_PushEvent(&event);
}

}  // namespace

TEST_F(XServerTest, ThePhoneInItsSkinBesideThePanel)
{
    std::vector<std::string> reports;
    DisplayOptions options;
    options.report = [&](const std::string& text) { reports.push_back(text); };
    auto created = create_sdl_display(options);
    ASSERT_TRUE(created) << created.failure().text();
    auto& display = *created;
    EXPECT_TRUE(reports.empty()) << "the window fits a 1280 x 1024 screen: " << reports.front();

    ASSERT_TRUE(platform::shell::start_shell());
    Presenter presenter(*display, nullptr, 30);
    presenter.attach();
    pump_phone();
    presenter.present_pending();

    EventHistory history;
    history.add(0, "shell started");
    platform::clock::advance_to(1'250);
    note_window_event("tap 120 300");
    history.add(1'250, "shell M key: the front window answered 1 and stays in front of the home screen");
    platform::devices::set_near(true);
    display->show_status(status_lines(collect_phone_status(history), 25));
    // Once no frame came for a second, the window's own figures settle.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    display->pump_events(0);

    auto window = display->capture_window();
    ASSERT_TRUE(window) << window.failure().text();
    auto layout = phone_skin_layout(480, 720, status_panel_width);
    EXPECT_EQ(window->width, layout.window_width);
    EXPECT_EQ(window->height, layout.window_height);
    expect_reference(*window, "window_home.png");
    presenter.detach();
}

TEST_F(XServerTest, AScaleTooLargeForTheScreenIsFittedAndSaid)
{
    std::vector<std::string> reports;
    DisplayOptions options;
    options.scale = 2;
    options.report = [&](const std::string& text) { reports.push_back(text); };
    auto created = create_sdl_display(options);
    ASSERT_TRUE(created) << created.failure().text();
    auto& display = *created;
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("does not fit the screen (1280 x 1024); shown at scale 1"), std::string::npos)
        << reports[0];
    auto window = display->capture_window();
    ASSERT_TRUE(window) << window.failure().text();
    auto layout = phone_skin_layout(480, 720, status_panel_width);
    EXPECT_EQ(window->width, layout.window_width);
    EXPECT_EQ(window->height, layout.window_height);
}

TEST_F(LargeXServerTest, AtTwiceTheSizeTheTextIsDrawnAnewAndAHeldKeyIsLit)
{
    std::vector<std::string> reports;
    std::vector<PhoneKey> pressed;
    DisplayOptions options;
    options.scale = 2;
    options.report = [&](const std::string& text) { reports.push_back(text); };
    options.key = [&](PhoneKey key) { pressed.push_back(key); };
    auto created = create_sdl_display(options);
    ASSERT_TRUE(created) << created.failure().text();
    auto& display = *created;
    EXPECT_TRUE(reports.empty()) << "scale 2 fits a 2560 x 2048 screen: " << reports.front();

    ASSERT_TRUE(platform::shell::start_shell());
    Presenter presenter(*display, nullptr, 30);
    presenter.attach();
    pump_phone();
    presenter.present_pending();
    EventHistory history;
    history.add(0, "shell started");
    display->show_status(status_lines(collect_phone_status(history), 25));
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));

    auto layout = phone_skin_layout(480, 720, status_panel_width);
    int key_x = 2 * layout.m_key.x + layout.m_key.width, key_y = 2 * layout.m_key.y + layout.m_key.height;
    push_button(SDL_MOUSEBUTTONDOWN, key_x, key_y);
    display->pump_events(0);
    auto window = display->capture_window();
    ASSERT_TRUE(window) << window.failure().text();
    EXPECT_EQ(window->width, 2 * layout.window_width);
    EXPECT_EQ(window->height, 2 * layout.window_height);
    expect_reference(*window, "window_home_scale2_m_key_held.png");
    push_button(SDL_MOUSEBUTTONUP, key_x, key_y);
    display->pump_events(0);
    EXPECT_EQ(pressed, std::vector<PhoneKey> {PhoneKey::m_key});
    presenter.detach();
}
