// Whole rows of a picture's pixels turned into what the screen's bitmaps
// hold, for drawing a picture at its own size. Each gives exactly what
// read_argb followed by the blits' conversion gives pixel by pixel; plain
// loops with no call and no branch, so the compiler vectorises them as wide
// as the blend kernels' level allows.
#pragma once

#include <cstdint>

namespace platform::imaging {

// Straight 0xAARRGGBB to premultiplied, each channel c x a / 255 rounded to
// nearest, as premultiply() does it.
void premultiply_row(const std::uint32_t* argb, std::uint32_t* out, int count);

// 24-bit B, G, R to RGB565, dropping the low bits.
void bgr24_row_to_rgb565(const std::uint8_t* bgr, std::uint16_t* out, int count);
// 24-bit B, G, R to opaque 0xFFRRGGBB.
void bgr24_row_to_opaque32(const std::uint8_t* bgr, std::uint32_t* out, int count);

// 32-bit pixels whose alpha byte is not alpha, to RGB565 and to 0xFFRRGGBB.
void xrgb_row_to_rgb565(const std::uint32_t* xrgb, std::uint16_t* out, int count);
void xrgb_row_to_opaque32(const std::uint32_t* xrgb, std::uint32_t* out, int count);

}  // namespace platform::imaging
