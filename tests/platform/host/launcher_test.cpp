// The launcher on a headless phone with its shell: the host's own tap on the
// program's icon, the wait at the home screen for a tap of someone else's, a
// quit before any tap, and the programs that start at once.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/host/launcher.h"
#include "platform/host/options.h"
#include "platform/kernel/clock.h"
#include "platform/shell/home_screen.h"
#include "platform/shell/shell.h"
#include "platform/shell/shell_layout.h"

using namespace platform::host;
using platform::shell::app_icons;
using platform::shell::program_icon;
using platform::user::PointerKind;

namespace {

constexpr std::uint64_t start_ms = 5000;

COLORREF screen_pixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return colour;
}

int brightness(COLORREF colour) { return GetRValue(colour) + GetGValue(colour) + GetBValue(colour); }

// A point inside the program's tile, away from its glyph.
POINT tile_point()
{
    return POINT {program_icon().tile.left + 6, (program_icon().tile.top + program_icon().tile.bottom) / 2};
}

POINT centre_of(const platform::shell::AppIcon& icon)
{
    return POINT {(icon.tile.left + icon.tile.right) / 2, (icon.tile.top + icon.tile.bottom) / 2};
}

// What the program found when it started.
struct ProgramStart {
    std::uint64_t time = 0;
    int pressed_icon = -2;
    COLORREF tile_colour = 0;
};
std::optional<ProgramStart> program_start;

int WINAPI program(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    POINT point = tile_point();
    program_start =
        ProgramStart {platform::clock::now(), platform::shell::pressed_home_icon(), screen_pixel(point.x, point.y)};
    return 42;
}

void tap(POINT point)
{
    platform::user::inject_pointer(PointerKind::down, point.x, point.y);
    platform::user::inject_pointer(PointerKind::up, point.x, point.y);
}

class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::user::shut_down_thread_windows();
        platform::clock::reset(platform::clock::Mode::virtual_time, start_ms);
        ASSERT_TRUE(platform::shell::start_shell());
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        POINT point = tile_point();
        normal_tile_ = screen_pixel(point.x, point.y);
        program_start.reset();
    }
    void TearDown() override
    {
        set_started_from_home_screen(false);
        platform::user::set_idle_handler(nullptr);
        platform::shell::stop_shell();
        platform::user::shut_down_thread_windows();
    }

    // Hooks that inject the host's touches and note every touch, presentation
    // and report.
    LaunchHooks hooks()
    {
        LaunchHooks hooks;
        hooks.pointer = [this](PointerKind kind, int x, int y) {
            touches_.push_back({kind, x, y});
            platform::user::inject_pointer(kind, x, y);
        };
        hooks.present = [this] {
            POINT point = tile_point();
            presented_.push_back(
                {platform::clock::now(), platform::shell::pressed_home_icon(), screen_pixel(point.x, point.y)});
        };
        hooks.report = [this](const std::string& text) { reports_.push_back(text); };
        return hooks;
    }

    struct Touch {
        PointerKind kind;
        int x, y;
    };
    std::vector<Touch> touches_;
    std::vector<ProgramStart> presented_;
    std::vector<std::string> reports_;
    COLORREF normal_tile_ = 0;
};

TEST_F(LauncherTest, TheHostTapsTheIconAndTheProgramFindsTheHomeScreenReleased)
{
    set_started_from_home_screen(true);
    Launcher launcher(false, hooks());
    EXPECT_EQ(launcher.run(program), 42);
    EXPECT_TRUE(launcher.program_ran());
    EXPECT_TRUE(launcher.started_from_icon());

    // A press and a release on the middle of the program's tile, the press held for a moment.
    POINT centre = centre_of(program_icon());
    ASSERT_EQ(touches_.size(), 2u);
    EXPECT_EQ(touches_[0].kind, PointerKind::down);
    EXPECT_EQ(touches_[1].kind, PointerKind::up);
    for (const Touch& touch : touches_) {
        EXPECT_EQ(touch.x, centre.x);
        EXPECT_EQ(touch.y, centre.y);
    }

    // The pressed tile was shown, darker, before the program started; then the released home screen.
    ASSERT_GE(presented_.size(), 2u);
    EXPECT_EQ(presented_.front().time, start_ms);
    EXPECT_EQ(presented_.front().pressed_icon, 0);
    EXPECT_LT(brightness(presented_.front().tile_colour), brightness(normal_tile_));
    EXPECT_EQ(presented_.back().pressed_icon, -1);
    EXPECT_EQ(presented_.back().tile_colour, normal_tile_);

    ASSERT_TRUE(program_start.has_value());
    EXPECT_EQ(program_start->time, start_ms + icon_press_ms);
    EXPECT_EQ(program_start->pressed_icon, -1);
    EXPECT_EQ(program_start->tile_colour, normal_tile_);
    EXPECT_EQ(reports_,
        (std::vector<std::string> {"launch: the host taps the program's icon", "launch: the program starts"}));
}

TEST_F(LauncherTest, AtHomeOnlyATapOnTheProgramsIconStartsIt)
{
    // Any program waits at home when asked to; the touches come from outside, here on idle.
    int idles = 0;
    platform::user::set_idle_handler([&](std::optional<std::uint64_t>) {
        ++idles;
        if (idles == 1) {
            tap(centre_of(app_icons().back()));
        } else if (idles == 2) {
            // A press that slides off the tile before lifting is no tap.
            POINT centre = centre_of(program_icon());
            platform::user::inject_pointer(PointerKind::down, centre.x, centre.y);
            platform::user::inject_pointer(PointerKind::move, centre.x, centre.y + 200);
            platform::user::inject_pointer(PointerKind::up, centre.x, centre.y + 200);
        } else if (idles == 3) {
            EXPECT_FALSE(program_start.has_value());
            platform::clock::advance(250);
            tap(centre_of(program_icon()));
        } else {
            PostQuitMessage(9);
        }
    });
    Launcher launcher(true, hooks());
    EXPECT_EQ(launcher.run(program), 42);
    EXPECT_TRUE(launcher.started_from_icon());
    EXPECT_EQ(idles, 3);
    EXPECT_TRUE(touches_.empty()) << "the host does not tap when waiting at home";
    ASSERT_TRUE(program_start.has_value());
    EXPECT_EQ(program_start->time, start_ms + 250);
    EXPECT_EQ(program_start->pressed_icon, -1);
    EXPECT_EQ(program_start->tile_colour, normal_tile_);
    ASSERT_FALSE(reports_.empty());
    EXPECT_EQ(reports_.front(), "launch: the phone waits at its home screen for a tap on the program's icon");
    EXPECT_EQ(reports_.back(), "launch: the program starts");
}

TEST_F(LauncherTest, AQuitAtHomeEndsTheRunWithoutTheProgram)
{
    set_started_from_home_screen(true);
    platform::user::set_idle_handler([](std::optional<std::uint64_t>) { PostQuitMessage(5); });
    Launcher launcher(true, hooks());
    EXPECT_EQ(launcher.run(program), 5);
    EXPECT_FALSE(launcher.program_ran());
    EXPECT_FALSE(launcher.started_from_icon());
    EXPECT_FALSE(program_start.has_value());
    ASSERT_FALSE(reports_.empty());
    EXPECT_EQ(reports_.back(), "launch: the phone was asked to quit at its home screen; the program did not run");

    // A quit already asked for ends the host's own tap as well.
    reports_.clear();
    PostQuitMessage(6);
    Launcher tapping(false, hooks());
    EXPECT_EQ(tapping.run(program), 6);
    EXPECT_FALSE(tapping.program_ran());
    EXPECT_FALSE(program_start.has_value());
}

TEST_F(LauncherTest, OtherProgramsAndAPhoneWithoutItsHomeScreenStartAtOnce)
{
    Launcher direct(false, hooks());
    EXPECT_EQ(direct.run(program), 42);
    EXPECT_TRUE(direct.program_ran());
    EXPECT_FALSE(direct.started_from_icon());
    ASSERT_TRUE(program_start.has_value());
    EXPECT_EQ(program_start->time, start_ms);
    EXPECT_TRUE(touches_.empty());
    EXPECT_TRUE(presented_.empty());
    EXPECT_TRUE(reports_.empty());

    platform::shell::stop_shell();
    program_start.reset();
    set_started_from_home_screen(true);
    Launcher without_shell(true, hooks());
    EXPECT_EQ(without_shell.run(program), 42);
    EXPECT_FALSE(without_shell.started_from_icon()) << "there is no home screen to come back to";
    ASSERT_TRUE(program_start.has_value());
    EXPECT_EQ(program_start->time, start_ms);
    EXPECT_TRUE(touches_.empty());
    ASSERT_FALSE(reports_.empty());
    EXPECT_EQ(reports_.front(), "launch: there is no home screen to start the program from; it starts at once");
}

TEST(LaunchOptions, HomeIsAFlagAndARestartAddsItOnce)
{
    auto options = parse_options({"--home", "--headless"});
    ASSERT_TRUE(options) << options.failure().text();
    EXPECT_TRUE(options->home);
    EXPECT_FALSE(parse_options({})->home);
    auto with_value = parse_options({"--home=yes"});
    ASSERT_FALSE(with_value);
    EXPECT_EQ(with_value.failure().text(), "--home takes no value");
    EXPECT_NE(usage_text().find("--home"), std::string::npos);

    using Words = std::vector<std::string>;
    EXPECT_EQ(home_restart_arguments({"--window", "--scale", "2"}), (Words {"--window", "--scale", "2", "--home"}));
    EXPECT_EQ(home_restart_arguments({"--home", "--window"}), (Words {"--home", "--window"}));
    EXPECT_EQ(home_restart_arguments({}), (Words {"--home"}));
}

}  // namespace
