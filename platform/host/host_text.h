// Text in the window's own parts (the status panel, the keys on the phone's
// skin), in the platform's face through its font cache, so the window reads
// as the phone does: anti-aliased, Chinese included.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host/png_image.h"

namespace platform::text {
class FontInstance;
}

namespace platform::host {

// Characters of UTF-8 text; a malformed byte stands for itself.
std::u32string decode_utf8(std::string_view text);

class HostFont {
public:
    // A face of the given character height in pixels.
    explicit HostFont(int char_height, bool bold = false);

    // False when the host has no font at all: text then draws nothing.
    bool usable() const { return font_ != nullptr; }
    int line_height() const { return line_height_; }
    int width(std::u32string_view text) const;
    int width(std::string_view utf8) const { return width(decode_utf8(utf8)); }
    // Draws text with the top of its cell at (x, top), clipped to the image.
    void draw(Image& image, int x, int top, std::u32string_view text, std::uint32_t colour) const;

    // Splits text into lines no wider than width, at spaces; a word wider
    // than a whole line is broken where it must be.
    std::vector<std::u32string> wrap(std::u32string_view text, int width) const;

private:
    std::shared_ptr<platform::text::FontInstance> font_;
    int line_height_ = 0;
    int ascent_ = 0;
};

}  // namespace platform::host
