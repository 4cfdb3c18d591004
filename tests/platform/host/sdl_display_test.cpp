// The SDL window on SDL's dummy video driver: it opens, shows frames at its
// scale and turns mouse events into touches on the phone.

#include <SDL.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <set>
#include <thread>

#include "platform/devices/device_host.h"
#include "platform/gdi/pixel_format.h"
#include "platform/host/display_backend.h"
#include "platform/host/phone_skin.h"
#include "platform/host/status_panel.h"
#include "platform/kernel/clock.h"
#include "platform/shell/shell.h"
#include "platform/shell/shell_events.h"
#include "platform/shell/shell_keys.h"
#include "platform/user/host.h"
#include "tests/support/temp_folder.h"

using namespace platform::host;
using platform::user::PointerKind;

namespace {

class SdlDummyTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("SDL_VIDEODRIVER", "dummy", 1); }
};

// A colour as the 16-bit screen holds it, and as the window then shows it.
std::uint16_t screen_pixel(std::uint32_t xrgb)
{
    return static_cast<std::uint16_t>(platform::gdi::xrgb_to_pixel(platform::gdi::PixelFormat::rgb565, xrgb));
}
std::uint32_t as_shown(std::uint32_t xrgb)
{
    return platform::gdi::pixel_to_xrgb(platform::gdi::PixelFormat::rgb565, screen_pixel(xrgb));
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

void push_motion(int x, int y)
{
    SDL_Event event {};
    event.type = SDL_MOUSEMOTION;
    event.motion.x = x;
    event.motion.y = y;
    SDL_PushEvent(&event);
}

void push_key(SDL_Keycode key)
{
    SDL_Event event {};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = key;
    SDL_PushEvent(&event);
}

// Where the phone's screen sits in the window at scale 1.
const SkinLayout skin = phone_skin_layout(480, 720, status_panel_width);
const int screen_x = skin.screen.x;
const int screen_y = skin.screen.y;

void pump_phone()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

std::vector<MSG> received;

LRESULT CALLBACK recording_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST)
        received.push_back(MSG {hwnd, message, wparam, lparam, 0, {0, 0}});
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

// The window, or a failed test that says why it did not open.
std::unique_ptr<Display> open_window(const DisplayOptions& options)
{
    auto display = create_sdl_display(options);
    if (!display) {
        ADD_FAILURE() << display.failure().text();
        return nullptr;
    }
    return std::move(*display);
}

}  // namespace

TEST_F(SdlDummyTest, ShowsFramesAtItsScale)
{
    DisplayOptions options;
    options.scale = 2;
    options.fit_to_screen = false;
    auto display = open_window(options);
    ASSERT_NE(display, nullptr);
    EXPECT_TRUE(display->interactive());

    std::vector<std::uint16_t> pixels(480 * 720, screen_pixel(0x204060));
    pixels[100 * 480 + 30] = screen_pixel(0xFF8000);
    display->present(platform::gdi::ScreenFrame(pixels), RECT {0, 0, 480, 720});
    // Only the damaged part is taken from the second frame.
    std::vector<std::uint16_t> second(480 * 720, screen_pixel(0x00FF00));
    display->present(platform::gdi::ScreenFrame(second), RECT {0, 0, 10, 10});
    EXPECT_EQ(display->frames_presented(), 2);

    auto shown = display->capture();
    ASSERT_TRUE(shown) << shown.failure().text();
    ASSERT_EQ(shown->width, 960);
    ASSERT_EQ(shown->height, 1440);
    EXPECT_EQ(shown->at(60, 200), as_shown(0xFF8000));
    EXPECT_EQ(shown->at(61, 201), as_shown(0xFF8000));
    EXPECT_EQ(shown->at(62, 200), as_shown(0x204060));
    EXPECT_EQ(shown->at(19, 19), as_shown(0x00FF00));
    EXPECT_EQ(shown->at(20, 20), as_shown(0x204060));
}

TEST_F(SdlDummyTest, MouseEventsBecomeTouchesInPhoneCoordinatesAndF12TakesAScreenshot)
{
    struct Touch {
        PointerKind kind;
        int x, y;
    };
    std::vector<Touch> touches;
    DisplayOptions options;
    options.scale = 2;
    options.fit_to_screen = false;
    options.pointer = [&](PointerKind kind, int x, int y) { touches.push_back({kind, x, y}); };
    velmor_test::TempFolder folder("velmor-sdl-screenshots");
    options.screenshot_folder = folder.path();
    std::vector<std::string> reports;
    options.report = [&](const std::string& text) { reports.push_back(text); };
    auto display = open_window(options);
    ASSERT_NE(display, nullptr);

    window_events().clear();
    push_motion(10, 10);  // no finger down: nothing
    push_button(SDL_MOUSEBUTTONDOWN, 1200, 100);  // on the status panel: not the phone
    push_button(SDL_MOUSEBUTTONUP, 1200, 100);
    push_button(SDL_MOUSEBUTTONDOWN, 10, 10);  // on the desk beside the phone: nothing
    push_button(SDL_MOUSEBUTTONUP, 10, 10);
    push_button(SDL_MOUSEBUTTONDOWN, 2 * screen_x + 201, 2 * screen_y + 301);
    push_motion(2000, 3000);  // slid off the screen: held at its edge
    push_button(SDL_MOUSEBUTTONUP, 2000, 3000);
    EXPECT_TRUE(display->pump_events(0));
    ASSERT_EQ(touches.size(), 3u);
    EXPECT_EQ(touches[0].kind, PointerKind::down);
    EXPECT_EQ(touches[0].x, 100);
    EXPECT_EQ(touches[0].y, 150);
    EXPECT_EQ(touches[1].kind, PointerKind::move);
    EXPECT_EQ(touches[1].x, 479);
    EXPECT_EQ(touches[1].y, 719);
    EXPECT_EQ(touches[2].kind, PointerKind::up);
    // A tap stays where it began; this finger slid away.
    push_button(SDL_MOUSEBUTTONDOWN, 2 * screen_x + 20, 2 * screen_y + 40);
    push_button(SDL_MOUSEBUTTONUP, 2 * screen_x + 24, 2 * screen_y + 42);
    display->pump_events(0);
    auto noted = window_events().events();
    ASSERT_EQ(noted.size(), 2u);
    EXPECT_EQ(noted[0].text, "swipe 100 150 to 479 719");
    EXPECT_EQ(noted[1].text, "tap 10 20");

    // F12 saves what the window shows of the phone beside the recording.
    SDL_Event key {};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_F12;
    SDL_PushEvent(&key);
    EXPECT_TRUE(display->pump_events(0));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("screenshot saved to " + folder.path().string(), 0), 0u) << reports[0];
    EXPECT_EQ(window_events().events().back().text.rfind("screenshot velmor-", 0), 0u);
    int saved = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        auto picture = read_png(entry.path());
        ASSERT_TRUE(picture) << picture.failure().text();
        EXPECT_EQ(picture->width, 960);
        ++saved;
    }
    EXPECT_EQ(saved, 1);

    // Shift+F12 saves the whole window: the phone's frame and the panel too.
    key.key.keysym.mod = KMOD_LSHIFT;
    SDL_PushEvent(&key);
    EXPECT_TRUE(display->pump_events(0));
    ASSERT_EQ(reports.size(), 2u);
    auto whole = display->capture_window();
    ASSERT_TRUE(whole) << whole.failure().text();
    bool found = false;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        if (!entry.path().filename().string().starts_with("velmor-window-")) continue;
        auto picture = read_png(entry.path());
        ASSERT_TRUE(picture) << picture.failure().text();
        EXPECT_EQ(picture->width, whole->width);
        EXPECT_EQ(picture->height, whole->height);
        found = true;
    }
    EXPECT_TRUE(found);

    SDL_Event quit {};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    EXPECT_FALSE(display->pump_events(0));
}

TEST_F(SdlDummyTest, InputOneAtATimeEachAnnouncedAndAWakeEndsAWaitWithoutLimit)
{
    std::vector<std::string> seen;
    DisplayOptions options;
    options.fit_to_screen = false;
    options.one_input_per_pump = true;
    options.before_input = [&] { seen.push_back("before"); };
    options.pointer = [&](PointerKind kind, int, int) { seen.push_back(kind == PointerKind::down ? "down" : "other"); };
    options.key = [&](PhoneKey) { seen.push_back("key"); };
    auto display = open_window(options);
    ASSERT_NE(display, nullptr);

    // A replay gives the phone one input per idle; so does the window.
    push_motion(screen_x + 5, screen_y + 5);  // no finger: no input, no announcement
    push_button(SDL_MOUSEBUTTONDOWN, screen_x + 5, screen_y + 5);
    push_key(SDLK_s);
    EXPECT_TRUE(display->pump_events(0));
    EXPECT_EQ(seen, (std::vector<std::string> {"before", "down"}));
    EXPECT_TRUE(display->pump_events(0));
    EXPECT_EQ(seen, (std::vector<std::string> {"before", "down", "before", "key"}));

    // Another thread (the console's, say) ends a wait that has no limit.
    std::thread waker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        display->wake();
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(display->pump_events(-1));
    waker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(seen.size(), 4u);  // the wake is no input
}

TEST_F(SdlDummyTest, AClickReachesTheWindowUnderIt)
{
    WNDCLASSW window_class {};
    window_class.lpfnWndProc = recording_procedure;
    window_class.lpszClassName = u"SdlClickTarget";
    RegisterClassW(&window_class);
    HWND target =
        CreateWindowExW(0, u"SdlClickTarget", u"", WS_VISIBLE, 0, 0, 480, 720, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(target, nullptr);

    DisplayOptions options;  // the real finger: platform::user::inject_pointer
    options.scale = 3;
    options.fit_to_screen = false;
    auto display = open_window(options);
    ASSERT_NE(display, nullptr);
    push_button(SDL_MOUSEBUTTONDOWN, 3 * screen_x + 300, 3 * screen_y + 600);
    push_button(SDL_MOUSEBUTTONUP, 3 * screen_x + 300, 3 * screen_y + 600);
    display->pump_events(0);

    received.clear();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].hwnd, target);
    EXPECT_EQ(received[0].message, UINT(WM_LBUTTONDOWN));
    EXPECT_EQ(LOWORD(received[0].lParam), 100);
    EXPECT_EQ(HIWORD(received[0].lParam), 200);
    EXPECT_EQ(received[1].message, UINT(WM_LBUTTONUP));
    platform::user::shut_down_thread_windows();
}

TEST_F(SdlDummyTest, WindowKeysReachTheSensorsAndTheShell)
{
    platform::clock::reset(platform::clock::Mode::virtual_time, 0);
    platform::devices::install_devices();
    platform::devices::reset_devices();
    std::vector<std::string> shell_events;
    platform::shell::set_event_listener(
        [&](const platform::shell::ShellEvent& event) { shell_events.push_back(event.text); });
    ASSERT_TRUE(platform::shell::start_shell());

    std::vector<std::string> reports;
    DisplayOptions options;  // the real keys: press_phone_key
    options.fit_to_screen = false;
    options.report = [&](const std::string& text) { reports.push_back(text); };
    auto display = open_window(options);
    ASSERT_NE(display, nullptr);

    push_key(SDLK_n);
    push_key(SDLK_u);
    push_key(SDLK_s);
    display->pump_events(0);
    auto devices = platform::devices::device_status();
    EXPECT_TRUE(devices.near);
    EXPECT_TRUE(devices.usb_disk_mode);
    EXPECT_TRUE(devices.shaking);
    push_key(SDLK_n);
    push_key(SDLK_u);
    display->pump_events(0);
    devices = platform::devices::device_status();
    EXPECT_FALSE(devices.near);
    EXPECT_FALSE(devices.usb_disk_mode);

    // The shell acts when its window takes the request.
    push_key(SDLK_c);
    push_key(SDLK_m);
    display->pump_events(0);
    pump_phone();
    auto shell = platform::shell::shell_status();
    EXPECT_TRUE(shell.call_active);
    EXPECT_TRUE(shell.sms_active);
    push_key(SDLK_c);
    display->pump_events(0);
    pump_phone();
    EXPECT_FALSE(platform::shell::shell_status().call_active);

    shell_events.clear();
    push_key(SDLK_ESCAPE);
    push_key(SDLK_HOME);
    push_key(SDLK_p);
    push_key(SDLK_x);  // not a phone key
    display->pump_events(0);
    pump_phone();
    int m_keys = 0, power = 0;
    for (const auto& text : shell_events) {
        if (text.starts_with("M key")) ++m_keys;
        if (text.find("EntryLockphone") != std::string::npos) ++power;
    }
    EXPECT_EQ(m_keys, 2) << ::testing::PrintToString(shell_events);
    EXPECT_EQ(power, 1) << ::testing::PrintToString(shell_events);
    ASSERT_EQ(reports.size(), 11u) << ::testing::PrintToString(reports);
    EXPECT_EQ(reports[0], "window key: near on (0 reports)");
    EXPECT_EQ(reports[10], "window key: power");

    display.reset();
    platform::shell::stop_shell();
    platform::shell::set_event_listener(nullptr);
    platform::devices::uninstall_devices();
    platform::user::shut_down_thread_windows();
}

TEST_F(SdlDummyTest, TheStatusPanelBesideThePhoneShowsWhatChanged)
{
    platform::clock::reset(platform::clock::Mode::virtual_time, 0);
    platform::devices::install_devices();
    platform::devices::reset_devices();
    DisplayOptions options;
    options.scale = 2;
    options.fit_to_screen = false;
    auto display = open_window(options);
    ASSERT_NE(display, nullptr);
    EventHistory history;

    display->show_status(status_lines(collect_phone_status(history), 25));
    auto far = display->capture_panel();
    ASSERT_TRUE(far) << far.failure().text();
    EXPECT_EQ(far->width, status_panel_width * 2);
    EXPECT_EQ(far->height, skin.panel.height * 2);
    std::set<std::uint32_t> colours(far->pixels.begin(), far->pixels.end());
    EXPECT_GE(colours.size(), 2u) << "the panel shows text";

    platform::devices::tilt(30, -30, 10);
    display->show_status(status_lines(collect_phone_status(history), 25));
    auto tilted = display->capture_panel();
    ASSERT_TRUE(tilted) << tilted.failure().text();
    int differing = 0;
    for (std::size_t i = 0; i < far->pixels.size(); ++i) differing += far->pixels[i] != tilted->pixels[i];
    EXPECT_GT(differing, 0);

    // The phone's own area is not touched by the panel.
    std::vector<std::uint16_t> pixels(480 * 720, screen_pixel(0x123456));
    display->present(platform::gdi::ScreenFrame(pixels), RECT {0, 0, 480, 720});
    auto phone = display->capture();
    ASSERT_TRUE(phone) << phone.failure().text();
    EXPECT_EQ(phone->at(959, 1439), as_shown(0x123456));
    auto window = display->capture_window();
    ASSERT_TRUE(window) << window.failure().text();
    EXPECT_EQ(window->width, skin.window_width * 2);
    EXPECT_EQ(window->at(2 * skin.screen.x, 2 * skin.screen.y), as_shown(0x123456));
    EXPECT_NE(window->at(2 * skin.screen.x - 1, 2 * skin.screen.y - 1), as_shown(0x123456));
    display.reset();
    platform::devices::uninstall_devices();
}

TEST_F(SdlDummyTest, ThePhonesKeysAreClickedOnItsSkin)
{
    std::vector<PhoneKey> pressed;
    DisplayOptions options;
    options.scale = 2;
    options.fit_to_screen = false;
    options.key = [&](PhoneKey key) { pressed.push_back(key); };
    auto display = open_window(options);
    ASSERT_NE(display, nullptr);
    int m_x = 2 * skin.m_key.x + skin.m_key.width, m_y = 2 * skin.m_key.y + skin.m_key.height;
    auto idle = display->capture_window();
    ASSERT_TRUE(idle) << idle.failure().text();

    push_button(SDL_MOUSEBUTTONDOWN, m_x, m_y);
    display->pump_events(0);
    EXPECT_TRUE(pressed.empty()) << "a key acts when it is let go";
    auto held = display->capture_window();
    ASSERT_TRUE(held) << held.failure().text();
    EXPECT_NE(held->at(m_x - 30, m_y), idle->at(m_x - 30, m_y)) << "the held key is lit";
    push_button(SDL_MOUSEBUTTONUP, m_x, m_y);
    display->pump_events(0);
    ASSERT_EQ(pressed.size(), 1u);
    EXPECT_EQ(pressed[0], PhoneKey::m_key);
    auto after = display->capture_window();
    ASSERT_TRUE(after) << after.failure().text();
    EXPECT_EQ(after->at(m_x - 30, m_y), idle->at(m_x - 30, m_y));

    // Let go away from the key: it does not act. The power key on the edge does.
    push_button(SDL_MOUSEBUTTONDOWN, m_x, m_y);
    push_button(SDL_MOUSEBUTTONUP, 20, 20);
    int power_x = 2 * skin.power_key.x + 4, power_y = 2 * skin.power_key.y + skin.power_key.height;
    push_button(SDL_MOUSEBUTTONDOWN, power_x, power_y);
    push_button(SDL_MOUSEBUTTONUP, power_x, power_y);
    display->pump_events(0);
    ASSERT_EQ(pressed.size(), 2u);
    EXPECT_EQ(pressed[1], PhoneKey::power);

    // On the keyboard P is a short press and Shift+P holds the key down.
    for (Uint16 modifiers : {Uint16(KMOD_NONE), Uint16(KMOD_LSHIFT)}) {
        SDL_Event event {};
        event.type = SDL_KEYDOWN;
        event.key.state = SDL_PRESSED;
        event.key.keysym.sym = SDLK_p;
        event.key.keysym.mod = modifiers;
        SDL_PushEvent(&event);
    }
    display->pump_events(0);
    ASSERT_EQ(pressed.size(), 4u);
    EXPECT_EQ(pressed[2], PhoneKey::power);
    EXPECT_EQ(pressed[3], PhoneKey::power_long);
}

TEST_F(SdlDummyTest, AWindowLargerThanTheScreenIsFittedAndSaysSo)
{
    // SDL's dummy screen is 1024 x 768: the phone at scale 3 is far larger.
    std::vector<std::string> reports;
    std::vector<std::pair<int, int>> touches;
    DisplayOptions options;
    options.scale = 3;
    options.report = [&](const std::string& text) { reports.push_back(text); };
    options.pointer = [&](PointerKind, int x, int y) { touches.push_back({x, y}); };
    auto display = open_window(options);
    ASSERT_NE(display, nullptr);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("the window at scale 3"), std::string::npos) << reports[0];
    EXPECT_NE(reports[0].find("does not fit the screen (1024 x 768); shown at scale 0.8"), std::string::npos)
        << reports[0];
    auto window = display->capture_window();
    ASSERT_TRUE(window) << window.failure().text();
    EXPECT_LE(window->width, 1024);
    EXPECT_LE(window->height, 768);

    // The mouse still finds the phone's pixels under it.
    double scale = double(window->width) / skin.window_width;
    int x = int((skin.screen.x + 240) * scale), y = int((skin.screen.y + 360) * scale);
    push_button(SDL_MOUSEBUTTONDOWN, x, y);
    push_button(SDL_MOUSEBUTTONUP, x, y);
    display->pump_events(0);
    ASSERT_EQ(touches.size(), 2u);
    EXPECT_NEAR(touches[0].first, 240, 2);
    EXPECT_NEAR(touches[0].second, 360, 2);
}

TEST(SdlWithoutADisplay, FailsAtOnceNamingTheDisplayItTried)
{
    // A display number no X server has: SDL would fall back to drawing off
    // screen, where nobody would see the window.
    std::string saved_display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    std::string saved_driver = std::getenv("SDL_VIDEODRIVER") ? std::getenv("SDL_VIDEODRIVER") : "";
    std::string saved_wayland = std::getenv("WAYLAND_DISPLAY") ? std::getenv("WAYLAND_DISPLAY") : "";
    setenv("DISPLAY", ":987", 1);
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("WAYLAND_DISPLAY");
    auto display = create_sdl_display(DisplayOptions {});
    ASSERT_FALSE(display);
    EXPECT_EQ(display.failure().where, "sdl");
    EXPECT_TRUE(
        display.failure().text().starts_with("sdl: cannot open the window: the X display :987 does not answer ("))
        << display.failure().text();

    unsetenv("DISPLAY");
    display = create_sdl_display(DisplayOptions {});
    ASSERT_FALSE(display);
    EXPECT_EQ(display.failure().text(), "sdl: cannot open the window: neither DISPLAY nor WAYLAND_DISPLAY is set");

    auto restore = [](const char* name, const std::string& value) {
        if (value.empty())
            unsetenv(name);
        else
            setenv(name, value.c_str(), 1);
    };
    restore("DISPLAY", saved_display);
    restore("SDL_VIDEODRIVER", saved_driver);
    restore("WAYLAND_DISPLAY", saved_wayland);
}
