// How many windows are alive, for the host's leak watch.
#pragma once

#include <cstddef>

namespace platform::user {

std::size_t live_window_count();

}  // namespace platform::user
