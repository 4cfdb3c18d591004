// Case-insensitive matching of the phone's file names.
//
// The phone's file system ignores case; the host's does not. Names fold by
// the phone's one rule (platform/kernel/case_fold.h), the same one the
// registry and the loader use, so a name that matches a file also matches a
// registry key or a module of that name.
#pragma once

#include <string>
#include <string_view>

#include "platform/kernel/case_fold.h"

namespace platform::files {

using platform::equal_ignoring_case;
using platform::fold_case;

// Matches a name against a pattern with '*' (any run, also empty) and '?'
// (exactly one character), ignoring case.
bool wildcard_match(std::u16string_view pattern, std::u16string_view name);

}  // namespace platform::files
