// Calling window procedures, and messages to every top-level window.
#pragma once

#include "platform/user/window.h"

namespace platform::user {

// Calls the window's procedure on the calling thread.
LRESULT call_procedure(const WindowPtr& window, UINT message, WPARAM wparam, LPARAM lparam);

// Sends or posts to every top-level window, hidden and disabled ones too.
// Runs on the UI thread.
void broadcast(UINT message, WPARAM wparam, LPARAM lparam, bool send);

}  // namespace platform::user
