// Text that came from outside (a script, a console client, the command line)
// quoted in a message. Control characters in it would move a terminal's
// cursor, retitle its window or start a line of their own in a log, so they
// are written as escapes; everything else stays as it was typed.
#pragma once

#include <string>
#include <string_view>

namespace platform::host {

// C0 and C1 control characters and DEL become \xHH (C1 as \u0080 ...),
// bytes that are not UTF-8 \xHH; backslashes are left alone, so text that
// went through once comes through again unchanged.
std::string printable_text(std::string_view text);

}  // namespace platform::host
