#include "platform/host/host_text.h"

#include <algorithm>
#include <mutex>

#include "platform/text/font_cache.h"

namespace platform::host {
namespace {

std::uint32_t blend(std::uint32_t under, std::uint32_t over, unsigned coverage)
{
    std::uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        unsigned a = (under >> shift) & 0xFF, b = (over >> shift) & 0xFF;
        result |= ((a * (255 - coverage) + b * coverage + 127) / 255) << shift;
    }
    return result;
}

}  // namespace

std::u32string decode_utf8(std::string_view text)
{
    std::u32string result;
    for (std::size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        int extra = lead >= 0xC0 && lead < 0xE0 ? 1
            : lead >= 0xE0 && lead < 0xF0       ? 2
            : lead >= 0xF0 && lead < 0xF8       ? 3
                                                : 0;
        char32_t c = extra == 0 ? lead : char32_t(lead & (0x3F >> extra));
        bool whole = i + std::size_t(extra) < text.size();
        for (int k = 1; whole && k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + std::size_t(k)]);
            whole = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (!whole) c = lead, extra = 0;
        result.push_back(c);
        i += std::size_t(extra) + 1;
    }
    return result;
}

HostFont::HostFont(int char_height, bool bold)
{
    LOGFONTW description {};
    description.lfHeight = -std::max(1, char_height);
    description.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    std::lock_guard lock(platform::text::text_mutex());
    font_ = platform::text::FontCache::instance().find(description);
    if (font_) {
        line_height_ = font_->metrics().height;
        ascent_ = font_->metrics().ascent;
    }
}

int HostFont::width(std::u32string_view text) const
{
    if (!font_) return 0;
    std::lock_guard lock(platform::text::text_mutex());
    int total = 0;
    for (char32_t c : text) total += font_->advance(c);
    return total;
}

void HostFont::draw(Image& image, int x, int top, std::u32string_view text, std::uint32_t colour) const
{
    if (!font_) return;
    std::lock_guard lock(platform::text::text_mutex());
    int pen = x, baseline = top + ascent_;
    for (char32_t c : text) {
        const auto& glyph = font_->glyph(c, platform::text::RenderMode::grey, 0);
        int left = pen + glyph.left, first_row = baseline - glyph.top;
        for (int row = 0; row < glyph.rows; ++row) {
            int y = first_row + row;
            if (y < 0 || y >= image.height) continue;
            for (int column = 0; column < glyph.width; ++column) {
                int px = left + column;
                if (px < 0 || px >= image.width) continue;
                unsigned coverage = glyph.coverage[std::size_t(row) * glyph.width + column];
                if (coverage) image.at(px, y) = blend(image.at(px, y), colour, coverage);
            }
        }
        pen += font_->advance(c);
    }
}

std::vector<std::u32string> HostFont::wrap(std::u32string_view text, int width) const
{
    std::vector<std::u32string> lines;
    std::u32string line;
    int line_width = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(U' ', at);
        if (end == std::u32string_view::npos) end = text.size();
        std::u32string_view word = text.substr(at, end - at);
        int word_width = this->width(word);
        int space = line.empty() ? 0 : this->width(U" ");
        if (!line.empty() && line_width + space + word_width > width) {
            lines.push_back(std::move(line));
            line.clear();
            line_width = 0;
            space = 0;
        }
        if (line.empty() && word_width > width) {
            // A word no line holds: as many characters a line as fit.
            for (char32_t c : word) {
                int c_width = this->width(std::u32string_view(&c, 1));
                if (!line.empty() && line_width + c_width > width) {
                    lines.push_back(std::move(line));
                    line.clear();
                    line_width = 0;
                }
                line.push_back(c);
                line_width += c_width;
            }
        } else {
            if (!line.empty()) line.push_back(U' ');
            line += word;
            line_width += space + word_width;
        }
        at = end + 1;
    }
    if (!line.empty() || lines.empty()) lines.push_back(std::move(line));
    return lines;
}

}  // namespace platform::host
