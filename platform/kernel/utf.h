// Conversions between the system's UTF-16 text and the host's UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "platform/include/wintypes.h"

namespace platform {

// Invalid sequences become U+FFFD rather than failing: host names and file
// contents are outside the system's control.
std::string to_utf8(std::u16string_view text);
std::u16string from_utf8(std::string_view text);

// Length of a zero-terminated UTF-16 text; 0 for null.
std::size_t text_length(const WCHAR* text);
inline std::u16string_view text_view(const WCHAR* text)
{
    return text ? std::u16string_view(text, text_length(text)) : std::u16string_view();
}

}  // namespace platform
