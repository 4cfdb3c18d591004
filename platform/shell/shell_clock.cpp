// The time of day the task bar shows.

#include "platform/shell/shell_clock.h"

#include <chrono>
#include <ctime>

#include "platform/kernel/clock.h"

namespace platform::shell {

namespace {

constexpr int minutes_per_day = 24 * 60;

bool follows_host() { return clock::mode() == clock::Mode::real_time; }

}  // namespace

int minute_of_day()
{
    if (follows_host()) {
        std::time_t now = std::time(nullptr);
        std::tm local {};
        localtime_r(&now, &local);
        return local.tm_hour * 60 + local.tm_min;
    }
    auto elapsed = static_cast<int>((clock::now() / milliseconds_per_minute) % minutes_per_day);
    return (virtual_day_start_minute + elapsed) % minutes_per_day;
}

std::u16string clock_text(int minute)
{
    minute = ((minute % minutes_per_day) + minutes_per_day) % minutes_per_day;
    int hours = minute / 60;
    int minutes = minute % 60;
    return std::u16string {static_cast<char16_t>(u'0' + hours / 10), static_cast<char16_t>(u'0' + hours % 10), u':',
        static_cast<char16_t>(u'0' + minutes / 10), static_cast<char16_t>(u'0' + minutes % 10)};
}

std::uint64_t milliseconds_to_next_minute()
{
    if (follows_host()) {
        auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
        auto ms =
            static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count());
        return milliseconds_per_minute - ms % milliseconds_per_minute;
    }
    return milliseconds_per_minute - clock::now() % milliseconds_per_minute;
}

}  // namespace platform::shell
