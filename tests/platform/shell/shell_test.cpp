// The shell's windows as a program meets them: found by class, stacked around the program's windows,
// repainting what the task bar uncovers, keeping the clock on the minute, and drawing the home screen's
// wallpaper and tiles where the layout says.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>
#include <wintext.h>

#include "platform/kernel/clock.h"
#include "platform/shell/home_art.h"
#include "platform/shell/home_screen.h"
#include "platform/shell/shell.h"
#include "platform/shell/shell_clock.h"
#include "platform/shell/shell_layout.h"
#include "platform/shell/task_bar.h"
#include "platform/user/host.h"

using namespace platform::shell;

namespace {

LRESULT CALLBACK plain_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

// A screen-sized 16-bit picture to compare the screen with.
class Picture {
public:
    Picture()
    {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, screen_width, screen_height);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~Picture()
    {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(bitmap_);
    }
    HDC dc() const { return dc_; }
    COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

COLORREF screen_pixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return colour;
}

std::vector<COLORREF> screen_pixels(const RECT& area)
{
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(nullptr);
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) pixels.push_back(GetPixel(screen, x, y));
    ReleaseDC(nullptr, screen);
    return pixels;
}

bool close_to(COLORREF a, COLORREF b, int tolerance)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
        std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

void pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::user::shut_down_thread_windows();
        platform::clock::reset(platform::clock::Mode::virtual_time, 1000);
        HDC screen = GetDC(nullptr);
        RECT all {0, 0, screen_width, screen_height};
        FillRect(screen, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        ReleaseDC(nullptr, screen);
        ASSERT_TRUE(start_shell());
        task_bar_ = FindWindowW(u"CTaskBar", nullptr);
        home_ = FindWindowW(home_screen_class, nullptr);
        ASSERT_NE(task_bar_, nullptr);
        ASSERT_NE(home_, nullptr);

        red_ = CreateSolidBrush(RGB(255, 0, 0));
        WNDCLASSW program {};
        program.lpfnWndProc = plain_procedure;
        program.hbrBackground = red_;
        program.lpszClassName = u"ShellTestProgram";
        RegisterClassW(&program);
    }
    void TearDown() override
    {
        set_icon_tap_listener({});
        stop_shell();
        platform::user::shut_down_thread_windows();
        platform::user::set_idle_handler(nullptr);
        UnregisterClassW(u"ShellTestProgram", nullptr);
        DeleteObject(red_);
    }
    static HWND program_window(int x, int y, int width, int height)
    {
        HWND hwnd = CreateWindowExW(0, u"ShellTestProgram", u"program", WS_POPUP | WS_VISIBLE, x, y, width, height,
            nullptr, nullptr, nullptr, nullptr);
        EXPECT_NE(hwnd, nullptr);
        return hwnd;
    }

    HWND task_bar_ = nullptr;
    HWND home_ = nullptr;
    HBRUSH red_ = nullptr;
};

TEST_F(ShellTest, WindowsHaveTheirClassesPlacesAndStyles)
{
    RECT rect {};
    GetWindowRect(task_bar_, &rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, screen_width);
    EXPECT_EQ(rect.bottom, task_bar_height);
    GetWindowRect(home_, &rect);
    EXPECT_EQ(rect.right - rect.left, screen_width);
    EXPECT_EQ(rect.bottom - rect.top, screen_height);
    EXPECT_TRUE(IsWindowVisible(task_bar_));
    EXPECT_TRUE(IsWindowVisible(home_));
    EXPECT_EQ(GetWindowTextLengthW(task_bar_), 0);
    EXPECT_TRUE(GetWindowLongW(task_bar_, GWL_EXSTYLE) & WS_EX_TOPMOST);
    // Neither window takes the foreground from the program.
    EXPECT_EQ(GetForegroundWindow(), nullptr);

    // A second start keeps the running shell.
    EXPECT_TRUE(start_shell());
    EXPECT_EQ(FindWindowW(u"CTaskBar", nullptr), task_bar_);
    DestroyWindow(task_bar_);
    EXPECT_TRUE(start_shell()) << "a lost task bar is made again";
    EXPECT_NE(FindWindowW(u"CTaskBar", nullptr), nullptr);
    EXPECT_EQ(FindWindowW(home_screen_class, nullptr), home_);

    stop_shell();
    EXPECT_EQ(FindWindowW(u"CTaskBar", nullptr), nullptr);
    EXPECT_EQ(FindWindowW(home_screen_class, nullptr), nullptr);
    stop_shell();
    EXPECT_TRUE(start_shell()) << "the shell starts again after a stop";
}

TEST_F(ShellTest, TaskBarStaysAboveAndHomeScreenBelowTheProgram)
{
    HWND program = program_window(0, 0, screen_width, screen_height);
    SetForegroundWindow(program);
    pump();
    EXPECT_EQ(WindowFromPoint(POINT {240, 10}), task_bar_);
    EXPECT_EQ(WindowFromPoint(POINT {240, 400}), program);
    EXPECT_EQ(GetWindow(program, GW_HWNDFIRST), task_bar_);
    EXPECT_EQ(GetWindow(program, GW_HWNDLAST), home_);
    // The shell's hidden key window may lie between; nothing visible does.
    HWND below = GetWindow(program, GW_HWNDNEXT);
    while (below && !IsWindowVisible(below)) below = GetWindow(below, GW_HWNDNEXT);
    EXPECT_EQ(below, home_);
    EXPECT_EQ(screen_pixel(240, 400), RGB(255, 0, 0));
    EXPECT_NE(screen_pixel(240, 5), RGB(255, 0, 0));

    // A touch on the home screen beside a small program leaves the program in front.
    DestroyWindow(program);
    program = program_window(0, 400, 100, 100);
    SetForegroundWindow(program);
    pump();
    const AppIcon& icon = app_icons()[0];
    platform::user::inject_pointer(platform::user::PointerKind::down, icon.tile.left + 36, icon.tile.top + 36);
    pump();
    EXPECT_EQ(GetForegroundWindow(), program);
    EXPECT_EQ(GetWindow(program, GW_HWNDLAST), home_);
}

TEST_F(ShellTest, HidingAndShowingTheTaskBarRepaintsWhatLiesUnder)
{
    pump();
    Picture home;
    draw_home_screen(home.dc());
    COLORREF bar = screen_pixel(200, 4);
    EXPECT_NE(bar, home.at(200, 4));

    ShowWindow(task_bar_, SW_HIDE);
    pump();
    EXPECT_EQ(screen_pixel(200, 4), home.at(200, 4)) << "the home screen shows where the bar was";
    EXPECT_EQ(screen_pixel(20, 30), home.at(20, 30));
    ShowWindow(task_bar_, SW_SHOW);
    pump();
    EXPECT_EQ(screen_pixel(200, 4), bar);
    EXPECT_EQ(GetForegroundWindow(), nullptr) << "showing the bar does not activate it";

    // Over a full-screen program the program's own paint fills the strip.
    HWND program = program_window(0, 0, screen_width, screen_height);
    pump();
    EXPECT_EQ(screen_pixel(200, 4), bar);
    ShowWindow(task_bar_, SW_HIDE);
    pump();
    EXPECT_EQ(screen_pixel(200, 4), RGB(255, 0, 0));
    ShowWindow(task_bar_, SW_SHOW);
    pump();
    EXPECT_EQ(screen_pixel(200, 4), bar);
    DestroyWindow(program);
    pump();
    EXPECT_EQ(screen_pixel(240, 400), home.at(240, 400)) << "closing the program uncovers the home screen";
}

TEST(ShellClock, FormatsTheTimeOfDayOnTwentyFourHours)
{
    EXPECT_EQ(clock_text(0), u"00:00");
    EXPECT_EQ(clock_text(9 * 60 + 41), u"09:41");
    EXPECT_EQ(clock_text(23 * 60 + 59), u"23:59");
    EXPECT_EQ(clock_text(24 * 60 + 5), u"00:05");
    EXPECT_EQ(clock_text(-1), u"23:59");
}

TEST(ShellClock, VirtualDayStartsAtNineFortyOneAndFollowsThePlatformClock)
{
    platform::clock::reset(platform::clock::Mode::virtual_time, 0);
    EXPECT_EQ(clock_text(minute_of_day()), u"09:41");
    EXPECT_EQ(milliseconds_to_next_minute(), 60'000u);
    platform::clock::advance(59'999);
    EXPECT_EQ(clock_text(minute_of_day()), u"09:41");
    EXPECT_EQ(milliseconds_to_next_minute(), 1u);
    platform::clock::advance(1);
    EXPECT_EQ(clock_text(minute_of_day()), u"09:42");
    platform::clock::advance((14 * 60 + 18) * milliseconds_per_minute);
    EXPECT_EQ(clock_text(minute_of_day()), u"00:00") << "the day wraps at midnight";
}

TEST_F(ShellTest, TaskBarClockTurnsWithTheMinuteInVirtualTime)
{
    pump();
    EXPECT_EQ(task_bar_painted_clock(), u"09:41");
    RECT clock_area = task_bar_clock_area();
    auto before = screen_pixels(clock_area);

    // Time inside the minute does not disturb the bar.
    platform::clock::advance(30'000);
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, task_bar_, task_bar_refresh_message, task_bar_refresh_message, PM_NOREMOVE));

    platform::clock::advance(30'000);
    pump();
    EXPECT_EQ(task_bar_painted_clock(), u"09:42");
    EXPECT_NE(screen_pixels(clock_area), before) << "the clock area shows the new minute";
    EXPECT_NE(screen_pixel(200, 4), RGB(0, 0, 0));
}

TEST_F(ShellTest, TheTaskBarShowsItsStripAsDrawnAnewForEachMinute)
{
    RECT strip {0, 0, screen_width, task_bar_height};
    for (int minute : {9 * 60 + 41, 9 * 60 + 42}) {
        pump();
        ASSERT_EQ(minute_of_day(), minute);
        Picture fresh;
        draw_task_bar(fresh.dc(), minute);
        std::vector<COLORREF> drawn;
        for (int y = 0; y < task_bar_height; ++y)
            for (int x = 0; x < screen_width; ++x) drawn.push_back(fresh.at(x, y));
        EXPECT_EQ(screen_pixels(strip), drawn) << "at " << minute / 60 << ":" << minute % 60;
        platform::clock::advance(milliseconds_per_minute);
    }
}

TEST_F(ShellTest, IdleShellLetsAVirtualRunStallAndFollowsItsJumps)
{
    // The shell keeps no timer in virtual time, so a program waiting for nothing still ends.
    EXPECT_EQ(platform::user::run_until_quit(), platform::user::stalled_exit_code);

    // The idle loop's jumps to a program's timer move the bar's clock.
    HWND program = program_window(0, 100, 50, 50);
    SetTimer(program, 7, 3 * 60'000, [](HWND hwnd, UINT, UINT_PTR id, DWORD) {
        KillTimer(hwnd, id);
        PostQuitMessage(3);
    });
    EXPECT_EQ(platform::user::run_until_quit(), 3);
    pump();
    EXPECT_EQ(task_bar_painted_clock(), clock_text(minute_of_day()));
    EXPECT_NE(task_bar_painted_clock(), u"09:41");
}

TEST_F(ShellTest, HomeScreenDrawsWallpaperAndTilesWhereTheLayoutSays)
{
    pump();
    EXPECT_NE(screen_pixel(240, 60), screen_pixel(240, 560)) << "the wallpaper is a gradient";
    Picture backdrop;
    draw_wallpaper(backdrop.dc());
    draw_dock(backdrop.dc());
    for (const AppIcon& icon : app_icons()) {
        int middle = (icon.tile.top + icon.tile.bottom) / 2;
        // Just inside the tile's left edge lies its own colour, not the wallpaper; well beside it, the backdrop.
        COLORREF inside = screen_pixel(icon.tile.left + 2, middle);
        int along = middle - icon.tile.top;
        auto blend = [&](int top, int bottom) { return top + (bottom - top) * along / (tile_size - 1); };
        COLORREF expected = RGB(blend(GetRValue(icon.top), GetRValue(icon.bottom)),
            blend(GetGValue(icon.top), GetGValue(icon.bottom)), blend(GetBValue(icon.top), GetBValue(icon.bottom)));
        EXPECT_TRUE(close_to(inside, expected, 10)) << "tile of " << static_cast<int>(icon.glyph);
        EXPECT_EQ(screen_pixel(icon.tile.left - 12, middle), backdrop.at(icon.tile.left - 12, middle));
        EXPECT_EQ(screen_pixel(icon.tile.left, icon.tile.top), backdrop.at(icon.tile.left, icon.tile.top))
            << "the tile's corners are rounded off";
        // The label draws under the tile.
        bool drawn = false;
        for (int y = icon.label_area.top; y < icon.label_area.bottom && !drawn; ++y)
            for (int x = icon.label_area.left; x < icon.label_area.right && !drawn; ++x)
                drawn = screen_pixel(x, y) != backdrop.at(x, y);
        EXPECT_TRUE(drawn) << "label of " << static_cast<int>(icon.glyph);
    }
}

TEST_F(ShellTest, PressingATileDarkensItUntilTheFingerLifts)
{
    pump();
    const AppIcon& icon = app_icons()[8];
    int x = icon.tile.left + 4;
    int y = (icon.tile.top + icon.tile.bottom) / 2;
    COLORREF normal = screen_pixel(x, y);
    platform::user::inject_pointer(platform::user::PointerKind::down, x, y);
    pump();
    EXPECT_EQ(pressed_home_icon(), 8);
    COLORREF pressed = screen_pixel(x, y);
    EXPECT_LT(GetRValue(pressed) + GetGValue(pressed) + GetBValue(pressed),
        GetRValue(normal) + GetGValue(normal) + GetBValue(normal));

    // Sliding off the tile cancels the press.
    platform::user::inject_pointer(platform::user::PointerKind::move, x - 30, y);
    pump();
    EXPECT_EQ(pressed_home_icon(), -1);
    EXPECT_EQ(screen_pixel(x, y), normal);
    platform::user::inject_pointer(platform::user::PointerKind::up, x - 30, y);
    pump();
    EXPECT_EQ(GetCapture(), nullptr);

    platform::user::inject_pointer(platform::user::PointerKind::down, x, y);
    platform::user::inject_pointer(platform::user::PointerKind::up, x, y);
    pump();
    EXPECT_EQ(pressed_home_icon(), -1);
    EXPECT_EQ(screen_pixel(x, y), normal);
}

TEST_F(ShellTest, TheShaverLeadsTheGridDrawnWithItsLabel)
{
    pump();
    const AppIcon& icon = program_icon();
    EXPECT_EQ(&icon, &app_icons()[0]);
    EXPECT_EQ(icon.glyph, Glyph::shaver);
    EXPECT_FALSE(icon.in_dock);
    EXPECT_EQ(std::u16string(icon.label), u"剃须刀");
    // The shaver's white body below its head, in the middle of the teal tile.
    EXPECT_TRUE(close_to(screen_pixel(icon.tile.left + 36, icon.tile.top + 32), RGB(255, 255, 255), 8));
    EXPECT_FALSE(close_to(screen_pixel(icon.tile.left + 8, icon.tile.top + 36), RGB(255, 255, 255), 60));

    // The label is three characters centred under the tile: white text no wider than the tile.
    Picture backdrop;
    draw_wallpaper(backdrop.dc());
    int left = screen_width, right = -1;
    for (int y = icon.label_area.top; y < icon.label_area.bottom; ++y)
        for (int x = icon.label_area.left; x < icon.label_area.right; ++x)
            if (screen_pixel(x, y) != backdrop.at(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_GE(right, left) << "no label drawn";
    int centre = (icon.tile.left + icon.tile.right) / 2;
    EXPECT_LE(std::abs((left + right) / 2 - centre), 3);
    EXPECT_GT(right - left, 30);
    EXPECT_LT(right - left, tile_size);
}

TEST_F(ShellTest, ATapOnATileIsReportedOnceItsPressedLookIsGone)
{
    pump();
    std::vector<Glyph> tapped;
    std::vector<int> pressed_when_told;
    set_icon_tap_listener([&](const AppIcon& icon) {
        tapped.push_back(icon.glyph);
        pressed_when_told.push_back(pressed_home_icon());
    });
    auto touch = [&](platform::user::PointerKind kind, const AppIcon& icon, int dx) {
        platform::user::inject_pointer(kind, (icon.tile.left + icon.tile.right) / 2 + dx, icon.tile.top + 36);
        pump();
    };
    using Kind = platform::user::PointerKind;
    const AppIcon& shaver = program_icon();
    const AppIcon& music = app_icons().back();

    touch(Kind::down, shaver, 0);
    EXPECT_TRUE(tapped.empty()) << "a press alone starts nothing";
    touch(Kind::up, shaver, 0);
    touch(Kind::down, music, 0);
    touch(Kind::up, music, 0);
    EXPECT_EQ(tapped, (std::vector<Glyph> {Glyph::shaver, Glyph::music}));
    EXPECT_EQ(pressed_when_told, (std::vector<int> {-1, -1}));

    // Sliding off the tile, or onto another, before lifting is no tap.
    tapped.clear();
    touch(Kind::down, shaver, 0);
    touch(Kind::move, shaver, 60);
    touch(Kind::up, shaver, 60);
    touch(Kind::down, shaver, 0);
    touch(Kind::up, app_icons()[1], 0);
    // A release on a tile whose press began off it is no tap either.
    platform::user::inject_pointer(Kind::down, 5, 400);
    pump();
    touch(Kind::up, shaver, 0);
    EXPECT_TRUE(tapped.empty());

    // Without a listener a tap only shows.
    set_icon_tap_listener({});
    touch(Kind::down, shaver, 0);
    touch(Kind::up, shaver, 0);
    EXPECT_TRUE(tapped.empty());
    EXPECT_EQ(pressed_home_icon(), -1);
}

}  // namespace
