// The shell's own words, in the phone's language: Simplified Chinese unless the phone is set to US English
// (GetUserDefaultUILanguage() 0x0409). The language is read each time a text is asked for, so a screen drawn
// after the setting changes speaks the new one.
#pragma once

#include "platform/shell/shell_layout.h"

namespace platform::shell {

enum class ShellText {
    incoming_call,
    in_call,
    caller_name,
    caller_number,
    answer,
    decline,
    hang_up,
    new_message,
    message_sender,
    message_body,
    disk_mode_title,
    disk_mode_detail,
    disk_mode_hint,
    swipe_to_unlock,
    shutdown_title,
    shutdown_question,
    power_off,
    cancel,
    placeholder_detail,
    placeholder_back,
    weekday,
};

// Whether the shell speaks English rather than Chinese.
bool shell_speaks_english();

const char16_t* shell_text(ShellText text);

// The icon's label in the phone's language.
const char16_t* icon_label(const AppIcon& icon);

}  // namespace platform::shell
