// How DrawTextW places text in a rectangle, worked out on characters and
// their widths alone: mnemonic prefixes, line breaks, word wrapping (Unicode
// line breaking, so Chinese wraps between characters and Latin between
// words) and end ellipses. Drawing the lines is another file's job.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/include/wintypes.h"

namespace platform::text {

// The text as it is drawn: code points, with the '&' prefixes taken out.
struct PreparedText {
    std::u32string characters;
    // The character the last single '&' marked, to be underlined; -1 for none.
    long mnemonic = -1;
};

// Decodes UTF-16 (a lone surrogate becomes U+FFFD). With prefixes, "&x"
// becomes "x" marked as the mnemonic and "&&" becomes "&".
PreparedText prepare_text(std::u16string_view text, bool prefixes);

struct LayoutRequest {
    std::u32string_view characters;
    // Width of each character in pixels.
    std::vector<int> advances;
    int dot_advance = 0;
    // The rectangle's size; lines wider than width wrap or get an ellipsis,
    // and with an ellipsis the lines below height are left out.
    int width = 0;
    int height = 0;
    int line_height = 1;
    UINT format = 0;
};

// One line: characters [begin, end) followed by dots periods.
struct TextLine {
    std::size_t begin = 0;
    std::size_t end = 0;
    int dots = 0;
    int width = 0;
};

std::vector<TextLine> layout_text(const LayoutRequest& request);

// Characters a wrapped line may end in without counting them.
inline bool is_blank(char32_t c) { return c == U' ' || c == U'\t' || c == 0x3000; }

}  // namespace platform::text
