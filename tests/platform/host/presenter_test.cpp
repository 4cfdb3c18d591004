// When frames reach the display, how fast in real time, and how a scenario's
// steps meet the clock and the program's timers.

#include <gtest/gtest.h>

#include <windows.h>

#include "platform/gdi/pixel_format.h"
#include "platform/gdi/screen.h"
#include "platform/host/presenter.h"
#include "platform/host/scenario_runner.h"
#include "platform/kernel/clock.h"
#include "platform/user/host.h"

using namespace platform::host;
namespace phone_clock = platform::clock;

namespace {

class PresenterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        phone_clock::reset(phone_clock::Mode::virtual_time);
        display = create_headless_display({}).value();
        platform::gdi::screen().take_damage();
    }
    void TearDown() override
    {
        platform::gdi::screen().set_changed_hook({});
        phone_clock::reset(phone_clock::Mode::virtual_time);
    }

    static void fill_part(COLORREF colour, RECT area = {10, 10, 50, 60})
    {
        HDC screen_dc = GetDC(nullptr);
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(screen_dc, &area, brush);
        DeleteObject(brush);
        ReleaseDC(nullptr, screen_dc);
    }

    std::unique_ptr<Display> display;
};

}  // namespace

TEST(HeadlessDisplay, HasNeitherPanelNorWindowToCapture)
{
    auto display = create_headless_display({}).value();
    auto panel = display->capture_panel();
    ASSERT_FALSE(panel);
    EXPECT_EQ(panel.failure().text(), "this display has no status panel");
    auto window = display->capture_window();
    ASSERT_FALSE(window);
    EXPECT_EQ(window.failure().text(), "this display has no window");
    // The screen itself it always has.
    EXPECT_TRUE(display->capture());
}

TEST_F(PresenterTest, PartialDrawingWaitsForIdleWholeFramesShowAtOnce)
{
    Presenter presenter(*display, nullptr, 30);
    presenter.attach();
    fill_part(RGB(255, 0, 0));
    EXPECT_EQ(display->frames_presented(), 0);
    presenter.present_pending();
    EXPECT_EQ(display->frames_presented(), 1);
    EXPECT_EQ(display->capture()->at(20, 20), 0xFF0000u);
    presenter.present_pending();  // nothing new: no frame
    EXPECT_EQ(display->frames_presented(), 1);

    // An animation's frames, each a whole screen, each shown as it is drawn.
    // In virtual time the first costs nothing, since the phone was idle
    // before it; each later one drawn back to back costs a frame period.
    for (int frame = 0; frame < 5; ++frame) platform::gdi::screen().fill(RGB(0, 0, 95 + frame * 40));
    EXPECT_EQ(display->frames_presented(), 6);
    EXPECT_EQ(phone_clock::now(), 4 * presenter.pacer().period_ms());
    EXPECT_EQ(display->capture()->at(0, 0), 255u);  // the last one
    EXPECT_EQ(presenter.presented_screen().at(0, 0), 255u);

    // What was drawn since is not presented yet; checks see the frame shown.
    fill_part(RGB(0, 255, 0));
    EXPECT_EQ(presenter.presented_screen().at(20, 20), 255u);
    presenter.present_pending();
    EXPECT_EQ(presenter.presented_screen().at(20, 20), 0x00FF00u);

    // After an idle the next whole frame starts a new stretch: no cost.
    std::uint64_t idle_at = phone_clock::now();
    platform::gdi::screen().fill(RGB(9, 9, 9));
    platform::gdi::screen().fill(RGB(8, 8, 8));
    EXPECT_EQ(phone_clock::now(), idle_at + presenter.pacer().period_ms());
    EXPECT_EQ(display->frames_presented(), 9);

    presenter.detach();
    platform::gdi::screen().fill(RGB(1, 2, 3));
    EXPECT_EQ(display->frames_presented(), 9);
}

// A window that paints a background and text-like marks over it, as every
// control does: overlapping drawing inside one paint.
LRESULT CALLBACK layered_paint(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message != WM_PAINT) return DefWindowProcW(hwnd, message, wparam, lparam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    const COLORREF layers[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
    for (int layer = 0; layer < 3; ++layer) {
        HBRUSH brush = CreateSolidBrush(layers[layer]);
        RECT area {layer * 10, layer * 10, 200, 200};
        FillRect(dc, &area, brush);
        DeleteObject(brush);
    }
    EndPaint(hwnd, &paint);
    return 0;
}

// A 200 x 200 window at (0, y) whose paint draws over itself.
HWND open_layered_paint_window(const char16_t* class_name, int y)
{
    WNDCLASSW description {};
    description.lpfnWndProc = layered_paint;
    description.lpszClassName = class_name;
    RegisterClassW(&description);
    return CreateWindowExW(
        0, class_name, u"", WS_POPUP | WS_VISIBLE, 0, y, 200, 200, nullptr, nullptr, nullptr, nullptr);
}

TEST_F(PresenterTest, APartialAnimationDrawnOverItselfIsShownStepByStepAPeriodApart)
{
    Presenter presenter(*display, nullptr, 30);
    presenter.attach();
    std::uint64_t period = presenter.pacer().period_ms();

    // Three steps of a wipe, each over the last, straight to the screen:
    // a step shows once the next starts drawing over it, unmixed with it.
    const std::uint32_t steps[] = {0xFF0000, 0x00FF00, 0x0000FF};
    auto colour = [](std::uint32_t xrgb) { return RGB(xrgb >> 16, (xrgb >> 8) & 0xFF, xrgb & 0xFF); };
    for (int step = 0; step < 3; ++step) {
        fill_part(colour(steps[step]), RECT {0, 0, 40 * (step + 1), 30});
        // A mark beside each step's bar, drawn after it: part of that step.
        fill_part(RGB(255, 255, 255), RECT {40 * step, 30, 40 * (step + 1), 40});
        EXPECT_EQ(display->frames_presented(), step);
        if (step > 0) {
            auto shown = display->capture();
            EXPECT_EQ(shown->at(5, 5), steps[step - 1]) << "step " << step;
            EXPECT_EQ(shown->at(40 * step - 5, 35), 0xFFFFFFu) << "step " << step;
            // Nothing of the step being drawn is in it yet.
            EXPECT_NE(shown->at(40 * step + 5, 5), steps[step]) << "step " << step;
        }
    }
    EXPECT_EQ(phone_clock::now(), period);
    // The last step shows when the program goes idle, its period kept too.
    presenter.present_pending();
    EXPECT_EQ(display->frames_presented(), 3);
    EXPECT_EQ(phone_clock::now(), 2 * period);
    EXPECT_EQ(display->capture()->at(100, 5), 0x0000FFu);

    // Drawing side by side, never over itself, is one frame at the idle.
    std::uint64_t idle_at = phone_clock::now();
    for (int column = 0; column < 4; ++column)
        fill_part(RGB(200, 0, 0), RECT {column * 50, 300, column * 50 + 40, 340});
    EXPECT_EQ(display->frames_presented(), 3);
    presenter.present_pending();
    EXPECT_EQ(display->frames_presented(), 4);
    EXPECT_EQ(phone_clock::now(), idle_at);

    // So is a paint that draws over itself.
    HWND window = open_layered_paint_window(u"LayeredPaint", 400);
    ASSERT_NE(window, nullptr);
    UpdateWindow(window);
    EXPECT_EQ(display->frames_presented(), 4);
    presenter.present_pending();
    EXPECT_EQ(display->frames_presented(), 5);
    EXPECT_EQ(display->capture()->at(100, 500), 0x0000FFu);
    EXPECT_EQ(phone_clock::now(), idle_at);
    DestroyWindow(window);
    platform::user::shut_down_thread_windows();
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
    auto scenario = parse_scenario_text("wait 100\ntap 5 6\nwait 200\n", "s.txt", {});
    ASSERT_TRUE(scenario) << scenario.failure().text();
    auto display = create_headless_display({}).value();
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

    // Something due at 70 ms (a sound's end, say) that nobody waits for.
    int stop = phone_clock::add_stop(
        [](std::uint64_t now) { return now < 70 ? std::optional<std::uint64_t>(70) : std::nullopt; });
    runner.on_idle(std::uint64_t {40});  // a timer comes first: the clock is left to the loop
    EXPECT_EQ(phone_clock::now(), 0u);
    EXPECT_TRUE(touches.empty());
    // Then the runner moves the clock on its way to the press, stopping at
    // 70 ms first, and each time leaves the phone to take what came due.
    runner.on_idle(std::nullopt);
    EXPECT_EQ(phone_clock::now(), 70u);
    runner.on_idle(std::nullopt);
    EXPECT_EQ(phone_clock::now(), 100u);
    EXPECT_TRUE(touches.empty());
    runner.on_idle(std::nullopt);  // the press, and there it stops
    ASSERT_EQ(touches.size(), 1u);
    EXPECT_EQ(touches[0].time, 100u);
    runner.on_idle(std::nullopt);
    runner.on_idle(std::nullopt);
    ASSERT_EQ(touches.size(), 2u);
    EXPECT_EQ(touches[1].kind, platform::user::PointerKind::up);
    EXPECT_EQ(touches[1].time, 150u);
    runner.on_idle(std::nullopt);  // the last wait
    EXPECT_FALSE(runner.finished());
    EXPECT_EQ(phone_clock::now(), 350u);
    runner.on_idle(std::nullopt);
    EXPECT_TRUE(runner.finished());
    phone_clock::remove_stop(stop);

    // In real time the runner never moves the clock; it waits to be asked.
    phone_clock::reset(phone_clock::Mode::real_time);
    auto later = parse_scenario_text("wait 100000\ntap 5 6\n", "s.txt", {});
    ASSERT_TRUE(later) << later.failure().text();
    ScenarioRunner patient(std::move(*later), *display, options);
    patient.on_idle(std::nullopt);
    EXPECT_EQ(touches.size(), 2u);
    EXPECT_LT(phone_clock::now(), 100000u);
    phone_clock::reset(phone_clock::Mode::virtual_time);
}

namespace {

// A display that keeps every frame it is given, as a slow window or a
// check holding on to a frame would.
class KeepingDisplay final : public Display {
public:
    explicit KeepingDisplay(bool watched = false)
        : watched_(watched)
    {
    }
    void present(const platform::gdi::ScreenFrame& frame, const RECT&) override { frames.push_back(frame); }
    bool pump_events(int) override { return true; }
    platform::Result<Image> capture() override { return platform::Failure {"a keeping display shows nothing"}; }
    bool interactive() const override { return watched_; }
    int frames_presented() const override { return int(frames.size()); }

    std::vector<platform::gdi::ScreenFrame> frames;

private:
    bool watched_;
};

}  // namespace

TEST_F(PresenterTest, AFrameShownNeverChangesAndAnAnimationReusesAFewScreenBuffers)
{
    // Whole frames and partial steps over them, every frame still held:
    // each must show what stood when it was presented.
    KeepingDisplay keeping;
    {
        Presenter presenter(keeping, nullptr, 30);
        presenter.attach();
        for (int frame = 0; frame < 6; ++frame) {
            platform::gdi::screen().fill(RGB(0, 0, 10 * frame));
            fill_part(RGB(10 * frame, 0, 0), RECT {0, 0, 20, 20});
            fill_part(RGB(0, 10 * frame, 0), RECT {10, 10, 30, 30});  // over the last: a step
        }
        presenter.present_pending();
        presenter.detach();
    }
    // Each round: its whole frame, then the step before the draw over it;
    // the last draw shows at the idle.
    ASSERT_EQ(keeping.frames.size(), 13u);
    auto screen_colour = [](COLORREF colour) {
        return platform::gdi::pixel_to_xrgb(platform::gdi::PixelFormat::rgb565,
            platform::gdi::encode_colour(platform::gdi::PixelFormat::rgb565, colour));
    };
    for (int frame = 0; frame < 6; ++frame) {
        const auto& whole = keeping.frames[std::size_t(frame) * 2];
        const auto& step = keeping.frames[std::size_t(frame) * 2 + 1];
        SCOPED_TRACE("frame " + std::to_string(frame));
        EXPECT_EQ(whole.xrgb_at(5, 5), screen_colour(RGB(0, 0, 10 * frame)));
        EXPECT_EQ(whole.xrgb_at(25, 25), screen_colour(RGB(0, 0, 10 * frame)));
        EXPECT_EQ(step.xrgb_at(5, 5), screen_colour(RGB(10 * frame, 0, 0)));
        EXPECT_EQ(step.xrgb_at(25, 25), screen_colour(RGB(0, 0, 10 * frame)));
    }
    EXPECT_EQ(keeping.frames.back().xrgb_at(25, 25), screen_colour(RGB(0, 50, 0)));

    // A display that keeps only the last frame lets the buffers go round.
    Presenter presenter(*display, nullptr, 30);
    presenter.attach();
    for (int frame = 0; frame < 40; ++frame) {
        platform::gdi::screen().fill(RGB(frame, 0, 0));
        fill_part(RGB(0, frame, 0));
    }
    presenter.present_pending();
    EXPECT_EQ(display->frames_presented(), 41);
    EXPECT_LE(presenter.frame_buffers(), 4u);
    EXPECT_EQ(presenter.presented_screen().pixels, platform::gdi::screen().read_xrgb());
}

TEST_F(PresenterTest, WhenNobodySeesTheFramesNoScreenIsCopiedYetTheyAreCountedAndPacedAlike)
{
    auto run = [&](bool seen, std::vector<std::uint64_t>& times) {
        auto headless = create_headless_display({}).value();
        phone_clock::reset(phone_clock::Mode::virtual_time);
        Presenter presenter(*headless, nullptr, 30, seen);
        presenter.attach();
        for (int frame = 0; frame < 4; ++frame) {
            platform::gdi::screen().fill(RGB(0, 0, 50 * frame));
            times.push_back(phone_clock::now());
        }
        for (int step = 0; step < 3; ++step) {
            fill_part(RGB(200, 0, 0), RECT {0, 0, 40 * (step + 1), 30});
            times.push_back(phone_clock::now());
        }
        presenter.present_pending();
        times.push_back(phone_clock::now());
        times.push_back(std::uint64_t(headless->frames_presented()));
        // What the checks see at the idle is the screen either way.
        EXPECT_EQ(presenter.presented_screen().pixels, platform::gdi::screen().read_xrgb());
        EXPECT_EQ(headless->capture()->pixels, platform::gdi::screen().read_xrgb());
        std::size_t buffers = presenter.frame_buffers();
        presenter.detach();
        return buffers;
    };
    std::vector<std::uint64_t> seen_times, unseen_times;
    EXPECT_GT(run(true, seen_times), 0u);
    EXPECT_EQ(run(false, unseen_times), 0u);
    EXPECT_EQ(unseen_times, seen_times);
    EXPECT_EQ(unseen_times.back(), 7u) << "4 whole frames, 2 steps and the last at the idle";
}

TEST_F(PresenterTest, AWatchedShortPaintShowsOnceAtTheIdleAndALongStretchAtTheFrameRate)
{
    phone_clock::reset(phone_clock::Mode::real_time);
    KeepingDisplay window(true);
    Presenter presenter(window, nullptr, 50);  // 20 ms a frame
    presenter.attach();

    // A clock's repaint: a background and the digits over it, drawn at once
    // long after the last frame.
    HWND bar = open_layered_paint_window(u"LayeredPaintWatched", 0);
    ASSERT_NE(bar, nullptr);
    UpdateWindow(bar);
    EXPECT_EQ(window.frames.size(), 0u) << "nothing shows in the middle of the paint";
    presenter.present_pending();
    ASSERT_EQ(window.frames.size(), 1u);
    EXPECT_EQ(window.frames.back().xrgb_at(100, 100), 0x0000FFu);
    DestroyWindow(bar);
    platform::user::shut_down_thread_windows();
    presenter.present_pending();
    std::size_t before_stretch = window.frames.size();

    // Drawing side by side for a good while shows as it goes, a frame at a
    // time, rather than only at its end.
    for (int column = 0; column < 6; ++column) {
        fill_part(RGB(0, 200, 0), RECT {column * 50, 300, column * 50 + 40, 340});
        Sleep(15);
    }
    EXPECT_GE(window.frames.size(), before_stretch + 2);
    EXPECT_LE(window.frames.size(), before_stretch + 5);
    presenter.detach();
}
