// Puts text onto a DC's target: background cells, glyph coverage blended in
// the text colour, underlines and strike-outs, at any escapement.
//
// Anti-aliased glyphs are blended in 8 bits per channel and packed into the
// target's format, so a 16-bit target gets the same edges as a 24-bit one,
// rounded to its bits. Like every drawing call of the phone, text writes 0
// into the fourth byte of the 32-bit pixels it touches: GDI drawing leaves
// no alpha behind, and only pictures made with alpha carry it. A monochrome
// target takes the pixels at least half covered.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "platform/gdi/dc.h"
#include "platform/text/font_instance.h"

namespace platform::text {

// Where a line of text goes: its characters and their widths in pixels,
// starting with the top-left corner of the text cell at origin (DC
// coordinates). The cell turns about that corner with the escapement.
struct TextRun {
    std::u32string_view characters;
    const int* advances = nullptr;
    POINT origin {0, 0};
    // A character to underline (the mnemonic), -1 for none.
    long underlined = -1;
};

class TextPainter {
public:
    // Draws inside the DC's drawable area and, when clip is given, inside
    // that rectangle (DC coordinates).
    TextPainter(gdi::DeviceContext& dc, const RECT* clip);
    // Tells the target which part changed.
    ~TextPainter();
    TextPainter(const TextPainter&) = delete;
    TextPainter& operator=(const TextPainter&) = delete;

    // The DC's font, text colour and background mode decide the look; an
    // opaque background fills the run's cell first.
    void draw(FontInstance& font, const TextRun& run);
    void fill(const RECT& rect, COLORREF colour);

private:
    struct Frame;
    void blend(const Glyph& glyph, int x, int y);
    void fill_band(const Frame& frame, double along_begin, double along_end, double down_begin, double down_end,
        std::uint32_t value);
    void touch(const RECT& rect);

    gdi::DeviceContext& dc_;
    gdi::Bitmap& target_;
    std::vector<RECT> clip_rects_;
    std::uint32_t text_pixel_ = 0;
    std::uint32_t text_xrgb_ = 0;
    std::optional<RECT> touched_;
};

}  // namespace platform::text
