#include "platform/text/text_layout.h"

#include <linebreak.h>

#include <mutex>

#include "platform/include/wintext.h"

namespace platform::text {
namespace {

int width_of(const LayoutRequest& request, std::size_t begin, std::size_t end)
{
    int width = 0;
    for (std::size_t i = begin; i < end; ++i) width += request.advances[i];
    return width;
}

void trim_blanks(const LayoutRequest& request, TextLine& line)
{
    while (line.end > line.begin && is_blank(request.characters[line.end - 1])) --line.end;
}

// Cuts the line until it fits the width with "..." after it. When not even
// the periods fit, as many as fit are kept.
void add_ellipsis(const LayoutRequest& request, TextLine& line)
{
    int width = width_of(request, line.begin, line.end);
    line.dots = 3;
    while (line.end > line.begin && width + line.dots * request.dot_advance > request.width)
        width -= request.advances[--line.end];
    std::size_t end = line.end;
    trim_blanks(request, line);
    width -= width_of(request, line.end, end);
    while (line.dots > 0 && width + line.dots * request.dot_advance > request.width) --line.dots;
    line.width = width + line.dots * request.dot_advance;
}

TextLine whole_line(const LayoutRequest& request, std::size_t begin, std::size_t end)
{
    return TextLine {begin, end, 0, width_of(request, begin, end)};
}

// Fills lines greedily up to the width, ending each at the last place the
// line-breaking rules allow. A word wider than the line is never cut: it
// takes a line of its own and runs past the width, and measuring widens the
// rectangle to it. Chinese still breaks between any two characters, as the
// rules allow there. Blanks at the end of a line take no room, so they never
// push a word down.
void wrap(const LayoutRequest& request, std::size_t begin, std::size_t end, std::vector<TextLine>& lines)
{
    static std::once_flag initialised;
    std::call_once(initialised, init_linebreak);
    std::vector<char> breaks(end - begin);
    static_assert(sizeof(utf32_t) == sizeof(char32_t));
    set_linebreaks_utf32(
        reinterpret_cast<const utf32_t*>(request.characters.data() + begin), end - begin, nullptr, breaks.data());

    std::size_t position = begin;
    while (position < end) {
        int width = 0;
        std::size_t last_break = position;
        std::size_t i = position;
        bool forced = false;
        while (i < end) {
            int advance = request.advances[i];
            bool overflows = width + advance > request.width && !is_blank(request.characters[i]);
            if (overflows && last_break != position) break;
            width += advance;
            char rule = breaks[i - begin];
            ++i;
            if (rule == LINEBREAK_MUSTBREAK && i < end) {
                forced = true;
                break;
            }
            if (rule == LINEBREAK_ALLOWBREAK) {
                last_break = i;
                // A word that did not fit ends here, alone on its line.
                if (width > request.width) break;
            }
        }
        std::size_t line_end = (i == end || forced) ? i : last_break;
        TextLine line {position, line_end, 0, 0};
        trim_blanks(request, line);
        line.width = width_of(request, line.begin, line.end);
        lines.push_back(line);
        position = line_end;
    }
}

}  // namespace

PreparedText prepare_text(std::u16string_view text, bool prefixes)
{
    std::u32string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t unit = text[i];
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            decoded.push_back(0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit < 0xE000) {
            decoded.push_back(0xFFFD);
        } else {
            decoded.push_back(unit);
        }
    }

    PreparedText prepared;
    if (!prefixes) {
        prepared.characters = std::move(decoded);
        return prepared;
    }
    prepared.characters.reserve(decoded.size());
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        if (decoded[i] != U'&') {
            prepared.characters.push_back(decoded[i]);
            continue;
        }
        if (i + 1 >= decoded.size()) break;  // a final '&' marks nothing
        if (decoded[i + 1] == U'&') {
            prepared.characters.push_back(U'&');
            ++i;
        } else {
            prepared.mnemonic = static_cast<long>(prepared.characters.size());
        }
    }
    return prepared;
}

std::vector<TextLine> layout_text(const LayoutRequest& request)
{
    std::vector<TextLine> lines;
    std::size_t length = request.characters.size();
    if (length == 0) return lines;
    UINT format = request.format;
    bool ellipsis = format & DT_END_ELLIPSIS;

    if (format & DT_SINGLELINE) {
        lines.push_back(whole_line(request, 0, length));
    } else {
        // CR, LF and CR LF each end a line; a break at the very end starts
        // no further line.
        std::size_t begin = 0;
        auto end_line = [&](std::size_t end) {
            if (format & DT_WORDBREAK) {
                if (begin == end)
                    lines.push_back(whole_line(request, begin, end));
                else
                    wrap(request, begin, end, lines);
            } else {
                lines.push_back(whole_line(request, begin, end));
            }
        };
        for (std::size_t i = 0; i < length; ++i) {
            char32_t c = request.characters[i];
            if (c != U'\r' && c != U'\n') continue;
            end_line(i);
            if (c == U'\r' && i + 1 < length && request.characters[i + 1] == U'\n') ++i;
            begin = i + 1;
        }
        if (begin < length) end_line(length);
    }

    if (ellipsis)
        for (TextLine& line : lines)
            if (line.width > request.width) add_ellipsis(request, line);

    // Wrapped text that runs below the rectangle ends in an ellipsis on the
    // last line that fits; measuring grows the rectangle instead.
    if (ellipsis && (format & DT_WORDBREAK) && !(format & (DT_SINGLELINE | DT_CALCRECT))) {
        std::size_t visible = request.line_height > 0 && request.height > 0
            ? static_cast<std::size_t>(request.height / request.line_height)
            : 0;
        if (visible == 0) visible = 1;
        if (lines.size() > visible) {
            lines.resize(visible);
            add_ellipsis(request, lines.back());
        }
    }
    return lines;
}

}  // namespace platform::text
