// The SDL window on SDL's dummy video driver: it opens, shows frames at its
// scale and turns mouse events into touches on the phone.

#include <SDL.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>

#include "platform/host/display_backend.h"
#include "platform/user/host.h"

using namespace platform::host;
using platform::user::PointerKind;

namespace {

class SdlDummyTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("SDL_VIDEODRIVER", "dummy", 1); }
};

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

std::vector<MSG> received;

LRESULT CALLBACK recording_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST)
        received.push_back(MSG {hwnd, message, wparam, lparam, 0, {0, 0}});
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

TEST_F(SdlDummyTest, ShowsFramesAtItsScale)
{
    std::string error;
    DisplayOptions options;
    options.scale = 2;
    auto display = create_sdl_display(options, &error);
    ASSERT_NE(display, nullptr) << error;
    EXPECT_TRUE(display->interactive());

    std::vector<std::uint32_t> pixels(480 * 720, 0x204060);
    pixels[100 * 480 + 30] = 0xFF8000;
    display->present(pixels, RECT {0, 0, 480, 720});
    // Only the damaged part is taken from the second frame.
    std::vector<std::uint32_t> second(480 * 720, 0x00FF00);
    display->present(second, RECT {0, 0, 10, 10});
    EXPECT_EQ(display->frames_presented(), 2);

    auto shown = display->capture(&error);
    ASSERT_TRUE(shown.has_value()) << error;
    ASSERT_EQ(shown->width, 960);
    ASSERT_EQ(shown->height, 1440);
    EXPECT_EQ(shown->at(60, 200), 0xFF8000u);
    EXPECT_EQ(shown->at(61, 201), 0xFF8000u);
    EXPECT_EQ(shown->at(62, 200), 0x204060u);
    EXPECT_EQ(shown->at(19, 19), 0x00FF00u);
    EXPECT_EQ(shown->at(20, 20), 0x204060u);
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
    options.pointer = [&](PointerKind kind, int x, int y) { touches.push_back({kind, x, y}); };
    auto folder = std::filesystem::temp_directory_path() / "velmor-sdl-screenshots";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    options.screenshot_folder = folder;
    std::vector<std::string> reports;
    options.report = [&](const std::string& text) { reports.push_back(text); };
    std::string error;
    auto display = create_sdl_display(options, &error);
    ASSERT_NE(display, nullptr) << error;

    push_motion(10, 10);  // no finger down: nothing
    push_button(SDL_MOUSEBUTTONDOWN, 1000, 50);  // on the status panel: not the phone
    push_button(SDL_MOUSEBUTTONUP, 1000, 50);
    push_button(SDL_MOUSEBUTTONDOWN, 201, 301);
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

    // F12 saves what the window shows of the phone beside the recording.
    SDL_Event key {};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_F12;
    SDL_PushEvent(&key);
    EXPECT_TRUE(display->pump_events(0));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("screenshot saved to " + folder.string(), 0), 0u) << reports[0];
    int saved = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::string error;
        auto picture = read_png(entry.path(), &error);
        ASSERT_TRUE(picture.has_value()) << error;
        EXPECT_EQ(picture->width, 960);
        ++saved;
    }
    EXPECT_EQ(saved, 1);

    SDL_Event quit {};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    EXPECT_FALSE(display->pump_events(0));
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
    std::string error;
    auto display = create_sdl_display(options, &error);
    ASSERT_NE(display, nullptr) << error;
    push_button(SDL_MOUSEBUTTONDOWN, 300, 600);
    push_button(SDL_MOUSEBUTTONUP, 300, 600);
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
