// Window and thread timers. A due timer is a WM_TIMER the queue makes when
// it is read and finds nothing else; a timer fires at most once per read and
// then falls due again an interval later.
#pragma once

#include <optional>

#include "platform/user/message_queue.h"

namespace platform::user {

bool take_timer(
    ThreadQueue& queue, MSG& message, bool (*passes)(const MSG&, const void*), const void* filter, bool remove);
std::optional<std::uint64_t> next_timer_due(ThreadQueue& queue);
void kill_window_timers(ThreadQueue& queue, std::uint32_t window);

}  // namespace platform::user
