// What the window sends to the screen: a change of the phone's screen and of
// the panel beside it goes out once, and only the changed part is drawn
// again, which must leave the window as a whole redraw would. SDL's dummy
// driver saves each update of the window as a picture when asked to
// (SDL_VIDEO_DUMMY_SAVE_FRAMES), so the updates are counted and looked at.

#include <SDL.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/gdi/pixel_format.h"
#include "platform/gdi/screen.h"
#include "platform/host/display_backend.h"
#include "tests/support/temp_folder.h"

using namespace platform::host;

namespace {

class SdlWindowUpdates : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.made());
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_VIDEO_DUMMY_SAVE_FRAMES", "1", 1);
        previous_folder = std::filesystem::current_path();
        std::filesystem::current_path(folder.path());
    }
    void TearDown() override
    {
        std::filesystem::current_path(previous_folder);
        unsetenv("SDL_VIDEO_DUMMY_SAVE_FRAMES");
    }

    std::vector<std::filesystem::path> updates() const
    {
        std::vector<std::filesystem::path> pictures;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            if (entry.path().extension() == ".bmp") pictures.push_back(entry.path());
        std::sort(pictures.begin(), pictures.end());
        return pictures;
    }

    // The window as its last update sent it.
    Image last_update() const
    {
        auto pictures = updates();
        if (pictures.empty()) return {};
        SDL_Surface* saved = SDL_LoadBMP(pictures.back().c_str());
        if (!saved) return {};
        SDL_Surface* pixels = SDL_ConvertSurfaceFormat(saved, SDL_PIXELFORMAT_RGB888, 0);
        SDL_FreeSurface(saved);
        if (!pixels) return {};
        Image image(pixels->w, pixels->h);
        for (int y = 0; y < pixels->h; ++y)
            for (int x = 0; x < pixels->w; ++x)
                image.at(x, y) =
                    static_cast<const std::uint32_t*>(pixels->pixels)[std::size_t(y) * (pixels->pitch / 4) + x] &
                    0xFFFFFF;
        SDL_FreeSurface(pixels);
        return image;
    }

    velmor_test::TempFolder folder {"velmor-window-updates"};
    std::filesystem::path previous_folder;
};

platform::gdi::ScreenFrame frame_with_mark(std::uint16_t background, RECT mark, std::uint16_t mark_colour)
{
    std::vector<std::uint16_t> pixels(
        std::size_t(platform::gdi::Screen::width) * platform::gdi::Screen::height, background);
    for (LONG y = mark.top; y < mark.bottom; ++y)
        for (LONG x = mark.left; x < mark.right; ++x)
            pixels[std::size_t(y) * platform::gdi::Screen::width + std::size_t(x)] = mark_colour;
    return platform::gdi::ScreenFrame(pixels);
}

// A task bar's minute change as the host hands it over at an idle: the
// panel's text, then the frame with the new clock, then the wait.
void change_the_minute(Display& display, const RECT& clock)
{
    display.show_status({"=SHELL", "clock 12:01"});
    display.present(frame_with_mark(0x18E3, clock, 0xFFFF), clock);
    display.pump_events(0);
}

}  // namespace

TEST_F(SdlWindowUpdates, AMinuteChangeIsSentOnceAndLooksAsAWholeRedraw)
{
    for (bool fitted : {false, true}) {
        // At a whole scale only the changed pixels are drawn again; fitted
        // to the dummy's small screen the scale is a fraction, and the
        // smoothed screen is drawn again whole.
        SCOPED_TRACE(fitted ? "fitted" : "scale 2");
        DisplayOptions options;
        options.scale = fitted ? 1 : 2;
        options.fit_to_screen = fitted;
        auto display = create_sdl_display(options);
        ASSERT_TRUE(display) << display.failure().text();
        std::size_t opened = updates().size();
        EXPECT_GE(opened, 1u) << "the window shows itself once it is open";

        (*display)->present(frame_with_mark(0x18E3, RECT {0, 0, 0, 0}, 0), RECT {0, 0, 480, 720});
        EXPECT_EQ(updates().size(), opened + 1);
        (*display)->pump_events(0);
        EXPECT_EQ(updates().size(), opened + 1) << "nothing new to show";

        // An odd place and size, so the part drawn again starts between
        // the pixels a scaled picture is made of.
        change_the_minute(**display, RECT {211, 7, 258, 31});
        EXPECT_EQ(updates().size(), opened + 2);
        Image sent = last_update();
        auto whole = (*display)->capture_window();
        ASSERT_TRUE(whole) << whole.failure().text();
        ASSERT_EQ(sent.width, whole->width);
        ASSERT_EQ(sent.height, whole->height);
        std::size_t differing = 0;
        for (std::size_t i = 0; i < sent.pixels.size(); ++i) differing += sent.pixels[i] != whole->pixels[i];
        EXPECT_EQ(differing, 0u) << "of " << sent.pixels.size() << " pixels";
        display->reset();
        for (const auto& picture : updates()) std::filesystem::remove(picture);
    }
}
