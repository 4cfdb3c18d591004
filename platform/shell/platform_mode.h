// The platform mode object (CLSID_PlatformMode, <platformmode.h>): the
// shell's switch between the phone's media mode and its call mode. The phone
// keeps one such state; each object a program creates reads and changes it,
// and every call is written to the debug output, so a run's log shows the
// exchange.
#pragma once

#include <cstdint>

#include "platform/include/wintypes.h"

namespace platform::shell {

// Offers the class to CoCreateInstance. The shell does this when it starts.
void register_platform_mode();

struct PlatformModeState {
    HWND owner = nullptr;
    std::uint32_t media_mode = 0;  // 1 in media mode
    std::uint32_t audio_route = 1;  // 1 loudspeaker, 2 earpiece
};

PlatformModeState platform_mode_state();
// Back to the power-on state: no owner, call mode, loudspeaker.
void reset_platform_mode();

}  // namespace platform::shell
