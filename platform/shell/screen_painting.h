// How each of the shell's screens looks. Kept apart from the windows' behaviour (shell_screens.cpp) so the
// pictures can be changed without touching what a tap does.
#pragma once

#include "platform/include/wingdi.h"
#include "platform/shell/shell_layout.h"
#include "platform/shell/shell_screens.h"

namespace platform::shell {

struct ScreenLook {
    ScreenKind kind = ScreenKind::placeholder;
    bool call_answered = false;
    const AppIcon* icon = nullptr;  // the placeholder's app
    // What the screen lay over when it was shown (its size, screen-compatible), seen around rounded corners;
    // null paints them dark.
    HDC backdrop = nullptr;
};

// Paints the whole screen into a DC whose origin is the screen's top-left corner.
void paint_screen(HDC dc, const ScreenLook& look);

}  // namespace platform::shell
