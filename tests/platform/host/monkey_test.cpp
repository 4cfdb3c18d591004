// The monkey's parts that need no running phone: the events it makes from a
// seed, the watch that tells a leak from a count that moves, and its options.

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>

#include "platform/gdi/screen.h"
#include "platform/host/monkey_events.h"
#include "platform/host/monkey_watch.h"
#include "platform/host/options.h"
#include "platform/host/scenario.h"
#include "platform/shell/shell_screens.h"

using namespace platform::host;

namespace {

std::string events(std::uint64_t seed, int count, const MonkeyView& view = {})
{
    MonkeyEvents maker(seed);
    std::string text;
    for (int i = 0; i < count; ++i) text += maker.next(view);
    return text;
}

// The touches of a script, each as its press and release points.
struct Touch {
    int down_x, down_y, up_x, up_y;
};
std::vector<Touch> touches(const Scenario& scenario)
{
    std::vector<Touch> found;
    for (const auto& step : scenario.steps) {
        if (step.kind != ScenarioStep::Kind::pointer) continue;
        if (step.pointer == platform::user::PointerKind::down) found.push_back({step.x, step.y, step.x, step.y});
        if (step.pointer == platform::user::PointerKind::up && !found.empty()) {
            found.back().up_x = step.x;
            found.back().up_y = step.y;
        }
    }
    return found;
}

Scenario parsed(const std::string& text)
{
    auto scenario = parse_scenario_text(text, "monkey.script", {});
    EXPECT_TRUE(scenario) << scenario.failure().text() << "\n" << text;
    return scenario ? *scenario : Scenario {};
}

bool inside(const RECT& area, int x, int y)
{
    return x >= area.left && x < area.right && y >= area.top && y < area.bottom;
}

ResourceCounts counts(std::size_t gdi, std::size_t heap = 1'000'000)
{
    ResourceCounts result;
    result[Resource::gdi_objects] = gdi;
    result[Resource::windows] = 5;
    result[Resource::kernel_handles] = 3;
    result[Resource::process_heap_bytes] = heap;
    return result;
}

}  // namespace

TEST(MonkeyEvents, ASeedMakesTheSameEventsEveryTimeAndOtherSeedsOthers)
{
    EXPECT_EQ(events(42, 300), events(42, 300));
    EXPECT_NE(events(42, 300), events(43, 300));
    EXPECT_NE(events(0, 300), events(1, 300));
}

TEST(MonkeyEvents, EveryEventIsAScenarioTheHostReadsAndAllKindsCome)
{
    Scenario scenario = parsed(events(7, 3000));
    std::set<ScenarioStep::Kind> kinds;
    std::uint64_t previous = 0;
    for (const auto& step : scenario.steps) {
        kinds.insert(step.kind);
        EXPECT_GE(step.time, previous);
        previous = step.time;
    }
    using Kind = ScenarioStep::Kind;
    for (Kind kind :
        {Kind::pointer, Kind::shake, Kind::tilt, Kind::near, Kind::call, Kind::sms, Kind::usb, Kind::mkey, Kind::power})
        EXPECT_TRUE(kinds.count(kind)) << int(kind);
    // Time goes on between events: 3000 events take more than a few minutes.
    EXPECT_GT(scenario.end_time, 3000u * 30);
    std::istringstream lines(events(7, 3000));
    int long_presses = 0, taps = 0;
    for (std::string line; std::getline(lines, line);) {
        long_presses += line == "power long";
        taps += line.starts_with("tap ") || line.starts_with("doubletap ");
    }
    // What ends a program is rare next to what explores it.
    EXPECT_LT(long_presses * 100, taps);
}

TEST(MonkeyEvents, AnswersTheScreensInFrontAsAPersonMostlyWould)
{
    auto share_of = [](const MonkeyView& view, auto matches) {
        auto found = touches(parsed(events(11, 400, view)));
        int hits = 0;
        for (const auto& touch : found) hits += matches(touch);
        return found.empty() ? 0.0 : double(hits) / 400;
    };
    MonkeyView question;
    question.shutdown_question = true;
    EXPECT_GT(
        share_of(question, [](const Touch& t) { return inside(platform::shell::cancel_button(), t.up_x, t.up_y); }),
        0.7);
    MonkeyView popup;
    popup.popup = true;
    constexpr int middle = platform::gdi::Screen::height / 2;
    EXPECT_GT(share_of(popup,
                  [](const Touch& t) {
                      return t.down_x == t.up_x && t.down_x >= 240 && t.down_x < 430 && t.down_y > middle + 26 &&
                          t.down_y < middle + 101;
                  }),
        0.7);
    MonkeyView locked;
    locked.locked = true;
    EXPECT_GT(share_of(locked,
                  [](const Touch& t) {
                      return std::abs(t.up_x - t.down_x) >= platform::shell::unlock_swipe_distance ||
                          std::abs(t.up_y - t.down_y) >= platform::shell::unlock_swipe_distance;
                  }),
        0.6);
    // With nothing in front, taps land all over the screen.
    auto free = touches(parsed(events(11, 400)));
    int left_top = 0;
    for (const auto& touch : free) left_top += touch.down_x < 240 && touch.down_y < middle;
    EXPECT_GT(left_top, 30);
}

TEST(LeakWatch, ACountThatMovesWithinItsSlackIsNoLeak)
{
    LeakWatch watch(10);
    for (int event = 1; event <= 10; ++event) EXPECT_FALSE(watch.sample(event, counts(100 + event % 3)));
    EXPECT_EQ(watch.high_marks()[Resource::gdi_objects], 102u);
    // A question's objects come and go; the heap breathes.
    for (int event = 11; event <= 1000; ++event)
        EXPECT_FALSE(watch.sample(event, counts(event % 50 == 0 ? 140 : 101, 1'000'000 + (event % 7) * 100'000)));
}

TEST(LeakWatch, GrowthIsReportedWithTheEventItBeganAt)
{
    LeakWatch watch(10);
    for (int event = 1; event <= 10; ++event) watch.sample(event, counts(100));
    // Up at event 20 and back down: not where the leak began.
    watch.sample(20, counts(120));
    watch.sample(21, counts(100));
    std::optional<std::string> report;
    int event = 30;
    for (std::size_t gdi = 101; !report && event < 1000; ++event, ++gdi) report = watch.sample(event, counts(gdi));
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(*report, "GDI objects grew from 100 to 165 (above 100 since event 30)");
    LeakWatch heap(1);
    heap.sample(1, counts(0, 10u << 20));
    EXPECT_FALSE(heap.sample(2, counts(0, 40u << 20)));
    auto heap_report = heap.sample(3, counts(0, 50u << 20));
    ASSERT_TRUE(heap_report.has_value());
    EXPECT_EQ(*heap_report, "the heap grew from 10240 KiB to 51200 KiB (above 10240 KiB since event 2)");
}

TEST(MonkeyOptions, ReadsTheSeedAndRefusesWhatCannotGoWithIt)
{
    auto options = parse_options({"--monkey", "18446744073709551615", "--events=250"});
    ASSERT_TRUE(options) << options.failure().text();
    EXPECT_EQ(*options->monkey_seed, 18446744073709551615ull);
    EXPECT_EQ(options->monkey_events, 250);
    EXPECT_EQ(options->display, DisplayChoice::headless);
    EXPECT_EQ(options->time, TimeChoice::virtual_time);
    EXPECT_EQ(parse_options({"--monkey", "3"})->monkey_events, 1000);

    const std::pair<std::vector<std::string>, const char*> refused[] = {
        {{"--monkey", "-1"}, "--monkey needs a seed"},
        {{"--monkey", "12x"}, "not \"12x\""},
        {{"--events", "5"}, "give --monkey SEED as well"},
        {{"--monkey", "1", "--events", "0"}, "--events needs a whole number"},
        {{"--monkey", "1", "--script", "a.txt"}, "leave out --script"},
        {{"--monkey", "1", "--console"}, "leave out --script, --console"},
        {{"--monkey", "1", "--window"}, "runs headless"},
        {{"--monkey", "1", "--real-time"}, "virtual time"},
    };
    for (const auto& [arguments, named] : refused) {
        auto options = parse_options(arguments);
        ASSERT_FALSE(options) << arguments.front();
        EXPECT_NE(options.failure().text().find(named), std::string::npos) << options.failure().text();
    }
}
