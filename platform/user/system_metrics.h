// The double-click distance, shared by input routing and GetSystemMetrics.
#pragma once

namespace platform::user {

// A second press counts as a double click within a rectangle this large,
// centred on the first press. Fingers are less exact than a stylus.
int double_click_width();
int double_click_height();

}  // namespace platform::user
