// A tiny built-in 5 x 7 pixel font for the host's own text (the status
// panel beside the phone). The panel is not the phone's UI, so it needs no
// font files, fontconfig or shaping: printable ASCII, one cell per byte.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/host/png_image.h"

namespace platform::host {

inline constexpr int glyph_width = 5;
inline constexpr int glyph_height = 7;
// A character cell: the glyph and one column and two rows of spacing.
inline constexpr int cell_width = glyph_width + 1;
inline constexpr int cell_height = glyph_height + 2;

// Draws text with its first cell's top left corner at (x, y), clipped to the
// image. Bytes outside printable ASCII show as '?'.
void draw_text(Image& image, int x, int y, std::string_view text, std::uint32_t colour);

}  // namespace platform::host
