// Small encoders that build the test pictures byte by byte, so every test
// says exactly what its picture holds (colour type, depth, palette,
// transparency) without shipping picture files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace imaging_test {

using Bytes = std::vector<std::uint8_t>;

// PNG colour types.
enum PngColour : std::uint8_t { grey = 0, rgb = 2, palette = 3, grey_alpha = 4, rgba = 6 };

struct PngPicture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    PngColour colour = rgb;
    std::uint8_t depth = 8;
    // Samples of each row in file order (big-endian for 16-bit), no filter
    // byte; rows are packed for depths below 8.
    std::vector<Bytes> rows;
    Bytes palette;  // PLTE body: R, G, B per entry
    Bytes transparency;  // tRNS body, when not empty
    std::uint32_t pixels_per_metre = 0;  // pHYs, when not 0
};

Bytes encode_png(const PngPicture& picture);

// A PNG of 8-bit RGBA pixels given as 0xAARRGGBB, row after row.
Bytes png_from_argb(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& argb);
// A PNG of 8-bit RGB pixels given as 0x00RRGGBB.
Bytes png_from_rgb(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& rgb);

enum class JpegKind { colour, grey, cmyk_adobe, progressive };

// A JPEG of pixels given as 0x00RRGGBB (grey takes the green channel; cmyk
// stores the ink inverted, as Adobe's marker says).
Bytes encode_jpeg(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& rgb, JpegKind kind,
    int quality = 95, int dots_per_inch = 0);

}  // namespace imaging_test
