// When frames reach the display, how fast in real time, and how a scenario's
// steps meet the clock and the program's timers.

#include <gtest/gtest.h>

#include <windows.h>

#include "platform/gdi/screen.h"
#include "platform/host/presenter.h"
#include "platform/host/scenario_runner.h"
#include "platform/kernel/clock.h"

using namespace platform::host;
namespace phone_clock = platform::clock;

namespace {

class PresenterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        phone_clock::reset(phone_clock::Mode::virtual_time);
        display = create_headless_display({}, nullptr);
        platform::gdi::screen().take_damage();
    }
    void TearDown() override
    {
        platform::gdi::screen().set_changed_hook({});
        phone_clock::reset(phone_clock::Mode::virtual_time);
    }

    static void fill_part(COLORREF colour)
    {
        HDC screen_dc = GetDC(nullptr);
        HBRUSH brush = CreateSolidBrush(colour);
        RECT area {10, 10, 50, 60};
        FillRect(screen_dc, &area, brush);
        DeleteObject(brush);
        ReleaseDC(nullptr, screen_dc);
    }

    std::unique_ptr<Display> display;
};

}  // namespace

TEST_F(PresenterTest, PartialDrawingWaitsForIdleWholeFramesShowAtOnce)
{
    Presenter presenter(*display, nullptr, 30);
    presenter.attach();
    fill_part(RGB(255, 0, 0));
    EXPECT_EQ(display->frames_presented(), 0);
    presenter.present_pending();
    EXPECT_EQ(display->frames_presented(), 1);
    EXPECT_EQ(display->capture(nullptr)->at(20, 20), 0xFF0000u);
    presenter.present_pending();  // nothing new: no frame
    EXPECT_EQ(display->frames_presented(), 1);

    // An animation's frames, each a whole screen, each shown as it is drawn
    // and at no cost in virtual time.
    for (int frame = 0; frame < 5; ++frame) platform::gdi::screen().fill(RGB(0, 0, 95 + frame * 40));
    EXPECT_EQ(display->frames_presented(), 6);
    EXPECT_EQ(phone_clock::now(), 0u);
    EXPECT_EQ(display->capture(nullptr)->at(0, 0), 255u);  // the last one

    presenter.detach();
    platform::gdi::screen().fill(RGB(1, 2, 3));
    EXPECT_EQ(display->frames_presented(), 6);
}

TEST_F(PresenterTest, RealTimeFramesKeepTheFramePeriod)
{
    phone_clock::reset(phone_clock::Mode::real_time);
    Presenter presenter(*display, nullptr, 50);  // 20 ms a frame
    presenter.attach();
    EXPECT_EQ(presenter.pacer().period_ms(), 20u);
    std::uint64_t start = phone_clock::now();
    for (int frame = 0; frame < 4; ++frame) platform::gdi::screen().fill(RGB(frame, 0, 0));
    // The first frame goes at once, each later one a period after the last.
    EXPECT_GE(phone_clock::now() - start, 60u);
    EXPECT_EQ(display->frames_presented(), 4);
}

TEST(ScenarioRunnerTiming, StepsRunAtTheirTimeAfterEarlierTimersAndOneTouchAtATime)
{
    phone_clock::reset(phone_clock::Mode::virtual_time);
    std::vector<std::string> errors;
    auto scenario = parse_scenario_text("wait 100\ntap 5 6\nwait 200\n", "s.txt", {}, &errors);
    ASSERT_TRUE(scenario.has_value());
    auto display = create_headless_display({}, nullptr);
    struct Touch {
        platform::user::PointerKind kind;
        std::uint64_t time;
    };
    std::vector<Touch> touches;
    ScenarioRunnerOptions options;
    options.pointer = [&](platform::user::PointerKind kind, int x, int y) {
        EXPECT_EQ(x, 5);
        EXPECT_EQ(y, 6);
        touches.push_back({kind, phone_clock::now()});
    };
    ScenarioRunner runner(std::move(*scenario), *display, options);

    runner.on_idle(std::uint64_t {40});  // a timer comes first: the clock is left to the loop
    EXPECT_EQ(phone_clock::now(), 0u);
    EXPECT_TRUE(touches.empty());
    runner.on_idle(std::nullopt);  // then the runner jumps to its press and stops there
    ASSERT_EQ(touches.size(), 1u);
    EXPECT_EQ(touches[0].time, 100u);
    runner.on_idle(std::nullopt);
    ASSERT_EQ(touches.size(), 2u);
    EXPECT_EQ(touches[1].kind, platform::user::PointerKind::up);
    EXPECT_EQ(touches[1].time, 150u);
    EXPECT_FALSE(runner.finished());
    runner.on_idle(std::nullopt);  // the last wait
    EXPECT_TRUE(runner.finished());
    EXPECT_EQ(phone_clock::now(), 350u);

    // In real time the runner never moves the clock; it waits to be asked.
    phone_clock::reset(phone_clock::Mode::real_time);
    auto later = parse_scenario_text("wait 100000\ntap 5 6\n", "s.txt", {}, &errors);
    ScenarioRunner patient(std::move(*later), *display, options);
    patient.on_idle(std::nullopt);
    EXPECT_EQ(touches.size(), 2u);
    EXPECT_LT(phone_clock::now(), 100000u);
    phone_clock::reset(phone_clock::Mode::virtual_time);
}
