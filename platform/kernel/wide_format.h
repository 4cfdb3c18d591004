// The printf-style formatter behind wsprintfW and NKDbgPrintfW.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

#include "platform/include/wintypes.h"

namespace platform {

// Appends the formatted text to out, at most max_characters of it. Stops
// before a surrogate pair that would be cut in two. A null format gives
// nothing. The argument list is consumed; the caller owns va_start/va_end.
void format_wide(std::u16string& out, const WCHAR* format, va_list arguments, std::size_t max_characters);

}  // namespace platform
