// What taps, timers and the phone's messages do to the running shaver.

#include <gtest/gtest.h>

#include "platform/devices/device_host.h"
#include "platform/shell/platform_mode.h"
#include "platform/shell/shell_keys.h"
#include "shaver_fixture.h"

namespace shaver_test {
namespace {

using platform::shell::Phase;

// A plain top-level popup of a class of its own, owned by owner when given.
HWND make_popup(HWND owner)
{
    WNDCLASSW description {};
    description.lpfnWndProc = DefWindowProcW;
    description.lpszClassName = u"ShaverTestPopup";
    RegisterClassW(&description);
    return CreateWindowExW(
        0, u"ShaverTestPopup", nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, owner, nullptr, nullptr, nullptr);
}

TEST_F(ShaverTest, TouchAreasHaveInclusiveBoundsAndAreTestedInOrder)
{
    start_main_screen();
    tap(240, 230);
    pump();
    EXPECT_TRUE(window().IsAltMode()) << "y 230 is in the top band";
    tap(240, 231);
    pump();
    EXPECT_TRUE(window().IsAltMode()) << "y 231 is in no area";
    EXPECT_FALSE(window().IsRunning());
    EXPECT_TRUE(window().NeedsNear());

    tap(200, 500);
    pump();
    EXPECT_TRUE(window().IsRunning()) << "(200, 500) is the switch's before the near mark's";
    EXPECT_TRUE(window().NeedsNear());
    tap(315, 650);
    pump();
    EXPECT_FALSE(window().IsRunning()) << "(315, 650) is the switch's last corner";
    tap(316, 650);
    tap(165, 651);
    pump();
    EXPECT_FALSE(window().IsRunning());

    tap(300, 400);
    pump();
    EXPECT_FALSE(window().NeedsNear()) << "(300, 400) is on the near mark";
    EXPECT_EQ(picture_at(240, 440), 102) << "the mark is gone";
    tap(301, 450);
    tap(250, 399);
    pump();
    EXPECT_FALSE(window().NeedsNear());
    tap(200, 450);
    pump();
    EXPECT_TRUE(window().NeedsNear());
    EXPECT_EQ(picture_at(240, 440), 104);
}

TEST_F(ShaverTest, AnyTapDuringThePromptOnlyDismissesIt)
{
    start_window();
    wait(600);
    tap(240, 560);  // the switch
    pump();
    EXPECT_FALSE(window().IsRunning());
    EXPECT_EQ(window().GetPromptState(), SHAVER_PROMPT_DISMISSED);
    EXPECT_TRUE(sounds("started").empty()) << "no click either";
}

TEST_F(ShaverTest, CountdownRunsFiftyTicksAndTheLastSwitchesOff)
{
    start_main_screen();
    tap(240, 560);
    pump();
    ASSERT_TRUE(window().IsRunning());
    wait(49000);
    EXPECT_TRUE(window().IsRunning());
    EXPECT_EQ(window().GetCountdown(), 0);
    EXPECT_TRUE(playing("104"));
    wait(1000);
    EXPECT_FALSE(window().IsRunning());
    EXPECT_FALSE(playing("104"));
    EXPECT_EQ(picture_at(240, 560), 102) << "the stopped screen";
    EXPECT_EQ(picture_at(135, 232), 102) << "no panel";
    // Switched on again, the countdown starts from the top.
    tap(240, 560);
    pump();
    EXPECT_EQ(window().GetCountdown(), 49);
}

class ShakeTest : public ShaverTest {
protected:
    // Switches on with the accelerometer reading (10, 10, 10).
    void switch_on()
    {
        platform::devices::tilt(10, 10, 10);
        start_main_screen();
        tap(240, 560);
        pump();
        ASSERT_TRUE(window().IsRunning());
        clear_sounds();
    }
    // The variant channels that started since the last clear.
    int variants_started()
    {
        int count = 0;
        for (const auto& name : sounds("started"))
            if (name.rfind("wave-out", 0) == 0) ++count;
        return count;
    }
};

TEST_F(ShakeTest, AChangeOfMoreThanFiveOnAnAxisPlaysAVariant)
{
    switch_on();
    tap(250, 450);  // only-when-near off
    pump();
    platform::devices::tilt(15, 5, 15);
    wait(300);
    EXPECT_EQ(variants_started(), 0) << "5 on every axis is no shake";
    platform::devices::tilt(10, 10, 16);
    wait(300);
    EXPECT_EQ(variants_started(), 1) << "6 on one axis is";
    // The reading played for is the new baseline.
    wait(600);
    EXPECT_EQ(variants_started(), 1);
    platform::devices::tilt(10, 10, 10);
    wait(300);
    EXPECT_EQ(variants_started(), 2);
}

TEST_F(ShakeTest, OnlyWhenNearNeedsSomethingNear)
{
    switch_on();
    ASSERT_TRUE(window().NeedsNear());
    platform::devices::tilt(40, 10, 10);
    wait(600);
    EXPECT_EQ(variants_started(), 0) << "nothing near";
    platform::devices::set_near(true);
    pump();
    EXPECT_TRUE(window().IsNear());
    wait(300);
    EXPECT_EQ(variants_started(), 1);
    platform::devices::set_near(false);
    pump();
    EXPECT_FALSE(window().IsNear()) << "a report with lParam 0";
    platform::devices::tilt(10, 10, 10);
    wait(600);
    EXPECT_EQ(variants_started(), 1);
    tap(250, 450);  // only-when-near off: shakes play whatever is near
    pump();
    wait(300);
    EXPECT_EQ(variants_started(), 2);
}

TEST_F(ShakeTest, WithoutAnAccelerometerNothingCountsAsAShake)
{
    platform::devices::set_device_present(platform::devices::Device::accelerometer, false);
    switch_on();
    tap(250, 450);
    pump();
    wait(3000);
    EXPECT_EQ(variants_started(), 0);
    EXPECT_TRUE(window().IsRunning());
}

TEST_F(ShakeTest, WithoutTheProximitySensorTheShaverRunsWithoutShakeSounds)
{
    platform::devices::set_device_present(platform::devices::Device::proximity_sensor, false);
    switch_on();
    tap(250, 450);
    pump();
    platform::devices::tilt(60, 60, 60);
    wait(3000);
    EXPECT_EQ(variants_started(), 0);
    EXPECT_EQ(window().GetCountdown(), 46);
    EXPECT_TRUE(playing("104"));
}

TEST_F(ShaverTest, CallOrSmsStopsTheShaverAndItsEndRestoresTheScreen)
{
    start_main_screen();
    ASSERT_FALSE(task_bar_visible());
    tap(240, 560);
    pump();
    ASSERT_TRUE(window().IsRunning());

    ASSERT_TRUE(platform::shell::signal_call(Phase::begins));
    pump();
    EXPECT_FALSE(window().IsRunning());
    EXPECT_FALSE(playing("104"));
    EXPECT_TRUE(task_bar_visible());

    phone().clear_trace();
    ASSERT_TRUE(platform::shell::signal_call(Phase::ends));
    pump();
    EXPECT_FALSE(task_bar_visible());
    EXPECT_EQ(picture_at(240, 560), 102);
    // The phone was in call mode: media mode on, then the earpiece.
    EXPECT_EQ(trace_with("[PlatformMode]").size(), 4u);
    EXPECT_EQ(platform::shell::platform_mode_state().media_mode, 1u);
    EXPECT_EQ(platform::shell::platform_mode_state().audio_route, 2u);
    EXPECT_EQ(platform::shell::platform_mode_state().owner, hwnd());

    // An SMS while stopped leaves it stopped and shows the task bar.
    ASSERT_TRUE(platform::shell::signal_sms(Phase::begins));
    pump();
    EXPECT_FALSE(window().IsRunning());
    EXPECT_TRUE(task_bar_visible());
    ASSERT_TRUE(platform::shell::signal_sms(Phase::ends));
    pump();
    EXPECT_FALSE(task_bar_visible());
    // In media mode now: back to the loudspeaker, media mode off.
    EXPECT_EQ(platform::shell::platform_mode_state().media_mode, 0u);
    EXPECT_EQ(platform::shell::platform_mode_state().audio_route, 1u);
}

TEST_F(ShaverTest, TaskBarFollowsActivationExceptForTheShaversOwnWindows)
{
    start_main_screen();
    ASSERT_FALSE(task_bar_visible());
    // A window the shaver owns takes the foreground: the bar stays hidden.
    HWND owned = make_popup(hwnd());
    ASSERT_NE(owned, nullptr);
    SetForegroundWindow(owned);
    pump();
    EXPECT_FALSE(task_bar_visible());
    SetForegroundWindow(hwnd());
    pump();
    DestroyWindow(owned);
    pump();
    // Another program's window: the bar comes back; the shaver hides it
    // again when it is active once more.
    HWND other = make_popup(nullptr);
    ASSERT_NE(other, nullptr);
    SetForegroundWindow(other);
    pump();
    EXPECT_TRUE(task_bar_visible());
    SetForegroundWindow(hwnd());
    pump();
    EXPECT_FALSE(task_bar_visible());
    DestroyWindow(other);
}

}  // namespace
}  // namespace shaver_test
