// The phone's language setting, which GetUserDefaultUILanguage and its
// companions report. The host sets it at start (its --lang option).
#pragma once

#include "platform/include/winbase.h"

namespace platform::language {

// Simplified Chinese (0x0804) unless the host says otherwise.
void set_ui_language(LANGID language);
LANGID ui_language();

}  // namespace platform::language
