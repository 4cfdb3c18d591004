// The phone's one event stream: every part's events reach every listener in
// the order they happened, stamped with the clock; a part's own listener
// hears only its part, and a new one replaces the last.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel/clock.h"
#include "platform/kernel/phone_events.h"

namespace events = platform::phone_events;

TEST(PhoneEvents, OneStreamForEveryPartAndSlotsForEachPart)
{
    platform::clock::reset(platform::clock::Mode::virtual_time, 500);
    std::vector<std::string> all;
    int listener = events::add_listener([&](const events::PhoneEvent& event) {
        all.push_back(std::to_string(event.time) + " " + events::source_name(event.source) + " " + event.text);
    });
    std::vector<std::string> shell_only, replaced;
    events::set_source_listener(
        events::Source::shell, [&](const events::PhoneEvent& e) { replaced.push_back(e.text); });
    events::set_source_listener(
        events::Source::shell, [&](const events::PhoneEvent& e) { shell_only.push_back(e.text); });

    events::report(events::Source::device, "near on");
    platform::clock::advance(20);
    events::report(events::Source::shell, "M key");
    events::report_at(events::Source::sound, 505, "started ring.wav");

    EXPECT_EQ(all, (std::vector<std::string> {"500 device near on", "520 shell M key", "505 sound started ring.wav"}));
    EXPECT_EQ(shell_only, (std::vector<std::string> {"M key"}));
    EXPECT_TRUE(replaced.empty());

    // Removed listeners hear nothing more; the others go on.
    events::set_source_listener(events::Source::shell, nullptr);
    events::remove_listener(listener);
    events::report(events::Source::shell, "call begin");
    EXPECT_EQ(all.size(), 3u);
    EXPECT_EQ(shell_only.size(), 1u);
}
