// The time of day the task bar shows. In real time it is the host's local time. In virtual time the phone
// has no wall clock to follow, so its day starts at a fixed 09:41 and moves with the platform clock; two runs
// of the same scenario then show the same times.
#pragma once

#include <cstdint>
#include <string>

namespace platform::shell {

inline constexpr int virtual_day_start_minute = 9 * 60 + 41;
inline constexpr std::uint64_t milliseconds_per_minute = 60'000;

// Minutes since midnight, 0 to 1439.
int minute_of_day();

// "HH:MM" on a 24-hour clock.
std::u16string clock_text(int minute_of_day);

// Milliseconds until the shown minute next changes, at least 1.
std::uint64_t milliseconds_to_next_minute();

}  // namespace platform::shell
