// Case-insensitive comparison of the phone's file names.
//
// The phone's file system ignores case; the host's does not. Names are folded
// character by character (simple folding: one UTF-16 unit to one unit), which
// covers ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic and the full-width
// Latin letters, and leaves every other character as it is.
#pragma once

#include <string>
#include <string_view>

namespace platform::files {

char16_t fold_case(char16_t c);
std::u16string fold_case(std::u16string_view text);
bool equal_ignoring_case(std::u16string_view a, std::u16string_view b);

// Matches a name against a pattern with '*' (any run, also empty) and '?'
// (exactly one character), ignoring case.
bool wildcard_match(std::u16string_view pattern, std::u16string_view name);

}  // namespace platform::files
