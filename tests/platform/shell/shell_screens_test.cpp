// The shell's screens as a person meets them on the phone: the incoming call answered, declined or ended by
// the caller, the SMS banner going by itself, the USB-disk screen waiting behind the program's own notice,
// the lock screen and its swipe, the power-off question, the placeholder an unknown app opens to, the home
// screen's pages and the English texts. Each reaction is checked on the screen and in the shell's events.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/devices/device_host.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/language.h"
#include "platform/shell/home_screen.h"
#include "platform/shell/shell.h"
#include "platform/shell/shell_events.h"
#include "platform/shell/shell_keys.h"
#include "platform/shell/shell_layout.h"
#include "platform/shell/shell_screens.h"
#include "platform/shell/shell_texts.h"
#include "platform/user/host.h"

using namespace platform::shell;
using Kind = platform::user::PointerKind;

namespace {

constexpr COLORREF program_red = RGB(255, 0, 0);

std::vector<UINT>& call_broadcasts()
{
    static std::vector<UINT> phases;
    return phases;
}

LRESULT CALLBACK program_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == RegisterWindowMessageW(u"CALL_MESSAGE")) call_broadcasts().push_back(static_cast<UINT>(wparam));
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

COLORREF screen_pixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return colour;
}

POINT centre(const RECT& rect) { return POINT {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

// A point of the rectangle away from its middle, where buttons carry their glyph or label.
COLORREF pixel_at(const RECT& rect) { return screen_pixel(rect.left + 12, (rect.top + rect.bottom) / 2); }

bool reddish(COLORREF colour) { return GetRValue(colour) > 180 && GetGValue(colour) < 110 && GetBValue(colour) < 110; }
bool greenish(COLORREF colour) { return GetGValue(colour) > 150 && GetRValue(colour) < 110 && GetBValue(colour) < 140; }
bool light(COLORREF colour) { return GetRValue(colour) > 200 && GetGValue(colour) > 200 && GetBValue(colour) > 200; }

class ShellScreensTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::user::shut_down_thread_windows();
        platform::clock::reset(platform::clock::Mode::virtual_time, 1000);
        platform::language::set_ui_language(0x0804);
        platform::devices::install_devices();
        call_broadcasts().clear();
        set_event_listener([this](const ShellEvent& event) { events_.push_back(event.text); });
        ASSERT_TRUE(start_shell());
        red_ = CreateSolidBrush(program_red);
        WNDCLASSW program {};
        program.lpfnWndProc = program_procedure;
        program.hbrBackground = red_;
        program.lpszClassName = u"ShellScreensTestProgram";
        RegisterClassW(&program);
        pump();
    }
    void TearDown() override
    {
        set_icon_tap_listener({});
        stop_shell();
        set_event_listener(nullptr);
        platform::user::shut_down_thread_windows();
        platform::devices::uninstall_devices();
        platform::devices::reset_devices();
        platform::language::set_ui_language(0x0804);
        UnregisterClassW(u"ShellScreensTestProgram", nullptr);
        DeleteObject(red_);
    }

    // A full-screen red program in front that has hidden the task bar, as the shaver does.
    HWND start_program()
    {
        HWND program = CreateWindowExW(0, u"ShellScreensTestProgram", nullptr, WS_POPUP | WS_VISIBLE, 0, 0,
            screen_width, screen_height, nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(program);
        ShowWindow(FindWindowW(u"CTaskBar", nullptr), SW_HIDE);
        pump();
        return program;
    }

    // Dispatches what is queued; a quit is noted rather than dispatched.
    void pump()
    {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit_code_ = static_cast<int>(message.wParam);
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    void touch(Kind kind, POINT point)
    {
        platform::user::inject_pointer(kind, point.x, point.y);
        pump();
    }
    void tap(POINT point)
    {
        touch(Kind::down, point);
        touch(Kind::up, point);
    }
    void swipe(POINT from, POINT to)
    {
        touch(Kind::down, from);
        touch(Kind::move, POINT {(from.x + to.x) / 2, (from.y + to.y) / 2});
        touch(Kind::up, to);
    }

    // Events in order containing each part; fails at the first missing.
    bool logged(const std::string& part) const
    {
        for (const auto& text : events_)
            if (text.find(part) != std::string::npos) return true;
        return false;
    }
    int count_logged(const std::string& part) const
    {
        int count = 0;
        for (const auto& text : events_)
            if (text.find(part) != std::string::npos) ++count;
        return count;
    }

    HBRUSH red_ = nullptr;
    std::vector<std::string> events_;
    std::optional<int> quit_code_;
};

TEST_F(ShellScreensTest, AnIncomingCallShowsItsScreenOverTheProgramUntilTheCallEnds)
{
    HWND program = start_program();
    ASSERT_TRUE(signal_call(Phase::begins));
    pump();
    ASSERT_NE(shown_screen(ScreenKind::incoming_call), nullptr);
    EXPECT_EQ(call_broadcasts(), std::vector<UINT> {1u}) << "the program hears of the call as before";
    EXPECT_EQ(GetForegroundWindow(), program) << "the call screen never takes the front";
    EXPECT_TRUE(reddish(pixel_at(decline_button())));
    EXPECT_TRUE(greenish(pixel_at(answer_button())));
    EXPECT_FALSE(reddish(screen_pixel(240, 300))) << "the caller covers the program";
    EXPECT_EQ(screen_pixel(240, 10), program_red) << "the strip of the task bar is left to the program";
    EXPECT_TRUE(logged("call begins: CALL_MESSAGE"));
    EXPECT_TRUE(logged("incoming call screen shown"));

    // A second begin keeps the one screen.
    HWND screen = shown_screen(ScreenKind::incoming_call);
    ASSERT_TRUE(signal_call(Phase::begins));
    pump();
    EXPECT_EQ(shown_screen(ScreenKind::incoming_call), screen);
    EXPECT_EQ(count_logged("incoming call screen shown"), 1);

    // The caller hangs up: the screen goes and the program shows again.
    ASSERT_TRUE(signal_call(Phase::ends));
    pump();
    EXPECT_EQ(shown_screen(ScreenKind::incoming_call), nullptr);
    EXPECT_FALSE(IsWindow(screen));
    EXPECT_EQ(screen_pixel(240, 300), program_red);
    EXPECT_EQ(pixel_at(answer_button()), program_red);
    EXPECT_TRUE(logged("incoming call screen removed: the call ended"));
}

TEST_F(ShellScreensTest, AnsweringThenHangingUpOrDecliningEndsTheCallForEveryone)
{
    start_program();
    ASSERT_TRUE(signal_call(Phase::begins));
    pump();
    // A press that slides off the button before lifting does nothing.
    touch(Kind::down, centre(answer_button()));
    touch(Kind::up, POINT {centre(answer_button()).x, 300});
    EXPECT_FALSE(call_answered());

    tap(centre(answer_button()));
    EXPECT_TRUE(call_answered());
    EXPECT_TRUE(logged("incoming call screen: answered"));
    EXPECT_TRUE(reddish(pixel_at(hang_up_button()))) << "only the hang-up button is left";
    EXPECT_FALSE(greenish(pixel_at(answer_button())));
    EXPECT_TRUE(shell_status().call_active);
    // Where answer and decline were, nothing happens now.
    tap(centre(decline_button()));
    EXPECT_TRUE(shell_status().call_active);

    tap(centre(hang_up_button()));
    pump();
    EXPECT_FALSE(shell_status().call_active);
    EXPECT_EQ(call_broadcasts(), (std::vector<UINT> {1u, 2u})) << "the program hears the end it reacts to";
    EXPECT_EQ(shown_screen(ScreenKind::incoming_call), nullptr);
    EXPECT_TRUE(logged("incoming call screen: hung up"));

    // The next call starts unanswered, and declining it ends it too.
    ASSERT_TRUE(signal_call(Phase::begins));
    pump();
    EXPECT_FALSE(call_answered());
    EXPECT_TRUE(greenish(pixel_at(answer_button())));
    tap(centre(decline_button()));
    pump();
    EXPECT_EQ(call_broadcasts(), (std::vector<UINT> {1u, 2u, 1u, 2u}));
    EXPECT_EQ(shown_screen(ScreenKind::incoming_call), nullptr);
    EXPECT_EQ(screen_pixel(240, 300), program_red);
    EXPECT_TRUE(logged("incoming call screen: declined"));
}

TEST_F(ShellScreensTest, TheSmsBannerGoesByItselfOrByATap)
{
    start_program();
    ASSERT_TRUE(signal_sms(Phase::begins));
    pump();
    RECT banner = screen_area(ScreenKind::sms_banner);
    ASSERT_NE(shown_screen(ScreenKind::sms_banner), nullptr);
    EXPECT_TRUE(light(screen_pixel(240, banner.bottom - 8)));
    EXPECT_EQ(screen_pixel(240, 400), program_red) << "a banner, not a screen";
    EXPECT_TRUE(logged("SMS banner shown"));

    platform::clock::advance(sms_banner_ms - 1);
    pump();
    EXPECT_NE(shown_screen(ScreenKind::sms_banner), nullptr);
    platform::clock::advance(1);
    pump();
    EXPECT_EQ(shown_screen(ScreenKind::sms_banner), nullptr);
    EXPECT_EQ(screen_pixel(240, banner.bottom - 8), program_red);
    EXPECT_TRUE(logged("SMS banner removed: timed out"));

    // A tap puts it away early; the SMS's end takes away one still showing.
    ASSERT_TRUE(signal_sms(Phase::begins));
    pump();
    tap(centre(banner));
    EXPECT_EQ(shown_screen(ScreenKind::sms_banner), nullptr);
    EXPECT_TRUE(logged("SMS banner removed: tapped"));
    ASSERT_TRUE(signal_sms(Phase::begins));
    pump();
    ASSERT_TRUE(signal_sms(Phase::ends));
    pump();
    EXPECT_EQ(shown_screen(ScreenKind::sms_banner), nullptr);
    EXPECT_TRUE(logged("SMS banner removed: the SMS ended"));
    // No timer is left behind to keep an idle phone's clock running.
    MSG message;
    platform::clock::advance(sms_banner_ms * 2);
    EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
}

TEST_F(ShellScreensTest, TheUsbDiskScreenWaitsBehindTheProgramAndGoesWhenTheCableIsOut)
{
    // At home the disk screen shows at once, the task bar above it.
    EXPECT_EQ(platform::devices::set_usb_disk_mode(true), 1) << "the shell listens to the bus";
    pump();
    ASSERT_NE(shown_screen(ScreenKind::disk_mode), nullptr);
    COLORREF disk_blue = screen_pixel(60, 650);
    EXPECT_GT(GetBValue(disk_blue), GetRValue(disk_blue) + 40);
    EXPECT_TRUE(logged("USB-disk screen shown"));
    platform::devices::set_usb_disk_mode(false);
    pump();
    EXPECT_EQ(shown_screen(ScreenKind::disk_mode), nullptr);
    EXPECT_TRUE(logged("USB-disk screen removed: USB-disk mode left"));
    EXPECT_NE(screen_pixel(60, 650), disk_blue);

    // With a program in front, its own notice stays in sight until it ends.
    HWND program = start_program();
    platform::devices::set_usb_disk_mode(true);
    pump();
    ASSERT_NE(shown_screen(ScreenKind::disk_mode), nullptr);
    EXPECT_EQ(screen_pixel(60, 650), program_red);
    DestroyWindow(program);
    pump();
    EXPECT_EQ(screen_pixel(60, 650), disk_blue);
}

TEST_F(ShellScreensTest, ThePowerKeyLocksTheScreenUntilASwipe)
{
    HWND program = start_program();
    ASSERT_TRUE(press_power());
    pump();
    ASSERT_NE(shown_screen(ScreenKind::lock), nullptr);
    EXPECT_NE(screen_pixel(240, 400), program_red);
    EXPECT_NE(screen_pixel(240, 10), program_red) << "the lock screen covers all of it";
    EXPECT_EQ(GetForegroundWindow(), program);
    EXPECT_TRUE(logged("lock screen shown"));

    // Its clock turns with the minute.
    auto clock_pixels = [] {
        std::vector<COLORREF> pixels;
        for (int y = 150; y < 250; y += 2)
            for (int x = 100; x < 380; x += 2) pixels.push_back(screen_pixel(x, y));
        return pixels;
    };
    auto before = clock_pixels();
    platform::clock::advance(60'000);
    pump();
    EXPECT_NE(clock_pixels(), before);

    // Taps and short drags leave it locked.
    tap(POINT {240, 400});
    swipe(POINT {240, 600}, POINT {240, 600 - unlock_swipe_distance + 20});
    ASSERT_NE(shown_screen(ScreenKind::lock), nullptr);

    swipe(POINT {240, 600}, POINT {240, 600 - unlock_swipe_distance});
    EXPECT_EQ(shown_screen(ScreenKind::lock), nullptr);
    EXPECT_EQ(screen_pixel(240, 400), program_red);
    EXPECT_TRUE(logged("lock screen removed: unlocked by a swipe"));
}

TEST_F(ShellScreensTest, ALongPressAsksBeforeThePhonePowersOff)
{
    start_program();
    ASSERT_TRUE(press_power(PowerPress::long_press));
    pump();
    ASSERT_NE(shown_screen(ScreenKind::shutdown_question), nullptr);
    EXPECT_TRUE(reddish(pixel_at(power_off_button())));
    EXPECT_EQ(screen_pixel(30, 400), program_red) << "a question, not a screen";
    EXPECT_TRUE(logged("power-off question shown"));

    tap(centre(cancel_button()));
    EXPECT_EQ(shown_screen(ScreenKind::shutdown_question), nullptr);
    EXPECT_EQ(pixel_at(power_off_button()), program_red);
    EXPECT_FALSE(quit_code_.has_value());
    EXPECT_TRUE(logged("power-off question removed: cancelled"));

    ASSERT_TRUE(press_power(PowerPress::long_press));
    pump();
    tap(centre(power_off_button()));
    EXPECT_EQ(quit_code_, 0) << "the program's loop ends as the phone goes down";
    EXPECT_EQ(shown_screen(ScreenKind::shutdown_question), nullptr);
    EXPECT_TRUE(logged("power off: the phone shuts down"));
}

TEST_F(ShellScreensTest, OtherIconsOpenAPlaceholderThatATapOrTheMKeyCloses)
{
    std::vector<Glyph> told;
    set_icon_tap_listener([&](const AppIcon& icon) { told.push_back(icon.glyph); });
    const AppIcon& camera = app_icons()[1];
    RECT card = screen_area(ScreenKind::placeholder);
    COLORREF home_under_card = pixel_at(card);
    COLORREF home_at_corner = screen_pixel(card.left + 1, card.top + 1);

    tap(centre(camera.tile));
    ASSERT_NE(shown_screen(ScreenKind::placeholder), nullptr);
    EXPECT_TRUE(light(screen_pixel(card.left + 30, card.bottom - 20)));
    EXPECT_EQ(screen_pixel(card.left + 1, card.top + 1), home_at_corner) << "the home screen shows round the card";
    EXPECT_TRUE(logged("placeholder screen of 相机 shown"));
    EXPECT_EQ(told, std::vector<Glyph> {Glyph::camera}) << "the host still hears of the tap";
    tap(centre(card));
    EXPECT_EQ(shown_screen(ScreenKind::placeholder), nullptr);
    EXPECT_EQ(pixel_at(card), home_under_card);
    EXPECT_TRUE(logged("placeholder screen of 相机 removed: back (tap)"));

    // The M key goes back too, and asks no program.
    tap(centre(app_icons().back().tile));
    ASSERT_NE(shown_screen(ScreenKind::placeholder), nullptr);
    ASSERT_TRUE(press_m_key());
    pump();
    EXPECT_EQ(shown_screen(ScreenKind::placeholder), nullptr);
    EXPECT_TRUE(logged("placeholder screen of 音乐 removed: back (M key)"));
    EXPECT_FALSE(logged("ClickMKey"));

    // The program's icon, tapped beside an open placeholder, closes it on its way to starting the program.
    tap(centre(camera.tile));
    tap(centre(program_icon().tile));
    EXPECT_EQ(shown_screen(ScreenKind::placeholder), nullptr);
    EXPECT_EQ(told.back(), Glyph::shaver);
    EXPECT_TRUE(logged("removed: the program's icon was tapped"));
}

TEST_F(ShellScreensTest, SwipingTheHomeScreenTurnsItsPages)
{
    POINT first_tile = centre(program_icon().tile);
    COLORREF shaver_tile = screen_pixel(first_tile.x - 30, first_tile.y);
    POINT lit_dot = page_dots_centre();
    lit_dot.x -= 16;
    COLORREF lit = screen_pixel(lit_dot.x, lit_dot.y);

    // A short drag, even across an icon, neither turns the page nor opens the icon.
    swipe(POINT {first_tile.x + 40, first_tile.y}, POINT {first_tile.x - 10, first_tile.y});
    EXPECT_EQ(home_page(), 0);
    EXPECT_EQ(shown_screen(ScreenKind::placeholder), nullptr);

    // To the left: the next page; the dock stays, the grid changes, the next dot lights.
    swipe(POINT {400, 400}, POINT {200, 400});
    EXPECT_EQ(home_page(), 1);
    EXPECT_TRUE(logged("home screen: page 2 of 3"));
    EXPECT_NE(screen_pixel(first_tile.x - 30, first_tile.y), shaver_tile);
    EXPECT_NE(screen_pixel(lit_dot.x, lit_dot.y), lit);
    EXPECT_EQ(screen_pixel(lit_dot.x + 16, lit_dot.y), lit);

    // Its icons open as the first page's do.
    tap(centre(page_icons(1)[0].tile));
    EXPECT_TRUE(logged("placeholder screen of 联系人 shown"));
    tap(centre(screen_area(ScreenKind::placeholder)));

    // Past the last page nothing turns; to the right goes back.
    swipe(POINT {400, 400}, POINT {200, 400});
    swipe(POINT {400, 400}, POINT {200, 400});
    EXPECT_EQ(home_page(), 2);
    swipe(POINT {100, 400}, POINT {300, 400});
    swipe(POINT {100, 400}, POINT {300, 400});
    swipe(POINT {100, 400}, POINT {300, 400});
    EXPECT_EQ(home_page(), 0);
    EXPECT_EQ(screen_pixel(first_tile.x - 30, first_tile.y), shaver_tile);
    EXPECT_EQ(count_logged("home screen: page"), 4);
}

TEST_F(ShellScreensTest, InEnglishTheShellSpeaksEnglish)
{
    RECT label = program_icon().label_area;
    auto label_pixels = [&] {
        std::vector<COLORREF> pixels;
        for (int y = label.top; y < label.bottom; ++y)
            for (int x = label.left; x < label.right; ++x) pixels.push_back(screen_pixel(x, y));
        return pixels;
    };
    auto chinese = label_pixels();
    stop_shell();
    platform::language::set_ui_language(0x0409);
    ASSERT_TRUE(start_shell());
    pump();
    EXPECT_NE(label_pixels(), chinese) << "the labels are drawn anew in English";
    EXPECT_EQ(std::u16string(icon_label(program_icon())), u"Shaver");
    EXPECT_EQ(std::u16string(icon_label(app_icons().back())), u"Music");
    EXPECT_EQ(std::u16string(shell_text(ShellText::answer)), u"Answer");
    EXPECT_EQ(std::u16string(shell_text(ShellText::swipe_to_unlock)), u"Swipe to unlock");

    // Every text has its English, and none is left in Chinese.
    for (int text = 0; text <= static_cast<int>(ShellText::weekday); ++text) {
        std::u16string english = shell_text(static_cast<ShellText>(text));
        EXPECT_FALSE(english.empty());
        for (char16_t c : english) EXPECT_LT(c, 0x2E80) << "text " << text;
    }
    for (int page = 0; page < home_page_count; ++page)
        for (const AppIcon& icon : page_icons(page)) EXPECT_NE(std::u16string(icon_label(icon)), icon.label);

    // Any other language keeps the shell's Chinese.
    platform::language::set_ui_language(0x0407);
    EXPECT_EQ(std::u16string(shell_text(ShellText::answer)), u"接听");
}

}  // namespace
