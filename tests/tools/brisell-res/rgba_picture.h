// Pictures of the resource library as a person sees them: decoded to 8-bit
// RGBA, laid over one another where the shaver draws them, and measured.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brisell_test {

struct Rgba {
    std::uint8_t r = 0, g = 0, b = 0, a = 0;
};

struct RgbaPicture {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;  // rows top to bottom

    const Rgba& at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    Rgba& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Decodes a PNG file image; false with error for anything else.
bool decode_png(std::span<const std::uint8_t> bytes, RgbaPicture& picture, std::string& error);

// Blends over with the picture's own alpha, as the shaver's per-pixel blend
// does; the parts outside the canvas are dropped.
void blend_over(RgbaPicture& canvas, const RgbaPicture& picture, int x, int y);

// Relative luminance of a colour, 0 for black to 1 for white.
double luminance(const Rgba& colour);

// Contrast ratio of two luminances, 1 (none) to 21 (black on white).
double contrast_ratio(double first, double second);

// Mean luminance of a rectangle (right and bottom exclusive).
double mean_luminance(const RgbaPicture& picture, int left, int top, int right, int bottom);

}  // namespace brisell_test
