// Whether an X display answers at all, asked before SDL opens it: SDL's X11
// driver waits as long as the network does for a display on another host,
// and a window must fail soon when there is none.
#pragma once

#include <string>

#include "platform/kernel/result.h"

namespace platform::host {

// Connects to the X server a DISPLAY value names (":1", "unix:1",
// "host:10.0") and hangs up again. Fails, saying why, when it cannot be
// reached; succeeds when it answers or the value is not one this check
// understands (SDL then has its say).
platform::Result<void> reach_x_display(const std::string& display, int timeout_ms);

}  // namespace platform::host
