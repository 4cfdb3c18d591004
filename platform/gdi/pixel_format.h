// Pixel formats of the phone's bitmaps and the conversions between them.
//
// Colours cross formats the way the phone's display driver does it: a colour
// is narrowed to fewer bits by dropping low bits, and widened back by repeating
// the high bits in the low ones, so white stays white and black stays black.
// Monochrome pixels are one bit each, most significant bit first, 0 black and
// 1 white.
#pragma once

#include <cstdint>

#include "platform/include/wintypes.h"

namespace platform::gdi {

enum class PixelFormat { mono1, rgb555, rgb565, bgr24, xrgb32 };

int bits_per_pixel(PixelFormat format);

// Bytes per row, padded to four bytes as the pixel libraries need it.
std::int64_t aligned_stride(PixelFormat format, int width);

// The bits a pixel value may carry (32-bit pixels carry their alpha byte too).
std::uint32_t pixel_mask(PixelFormat format);

// COLORREF (0x00BBGGRR) to a pixel value; monochrome takes the nearer of black
// and white.
std::uint32_t encode_colour(PixelFormat format, COLORREF colour);

// Pixel value to COLORREF, widening short channels by bit repetition.
COLORREF decode_colour(PixelFormat format, std::uint32_t pixel);

// 0x00RRGGBB of a pixel value, the byte order of the pixel libraries.
std::uint32_t pixel_to_xrgb(PixelFormat format, std::uint32_t pixel);
std::uint32_t xrgb_to_pixel(PixelFormat format, std::uint32_t xrgb);

inline std::uint32_t read_pixel(PixelFormat format, const std::uint8_t* row, int x)
{
    switch (format) {
    case PixelFormat::mono1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case PixelFormat::rgb555:
    case PixelFormat::rgb565:
        return reinterpret_cast<const std::uint16_t*>(row)[x];
    case PixelFormat::bgr24: {
        const std::uint8_t* p = row + 3 * x;
        return p[0] | (p[1] << 8) | (p[2] << 16);
    }
    case PixelFormat::xrgb32:
        return reinterpret_cast<const std::uint32_t*>(row)[x];
    }
    return 0;
}

inline void write_pixel(PixelFormat format, std::uint8_t* row, int x, std::uint32_t value)
{
    switch (format) {
    case PixelFormat::mono1: {
        std::uint8_t bit = static_cast<std::uint8_t>(0x80u >> (x & 7));
        if (value & 1u)
            row[x >> 3] |= bit;
        else
            row[x >> 3] &= static_cast<std::uint8_t>(~bit);
        return;
    }
    case PixelFormat::rgb555:
    case PixelFormat::rgb565:
        reinterpret_cast<std::uint16_t*>(row)[x] = static_cast<std::uint16_t>(value);
        return;
    case PixelFormat::bgr24: {
        std::uint8_t* p = row + 3 * x;
        p[0] = static_cast<std::uint8_t>(value);
        p[1] = static_cast<std::uint8_t>(value >> 8);
        p[2] = static_cast<std::uint8_t>(value >> 16);
        return;
    }
    case PixelFormat::xrgb32:
        reinterpret_cast<std::uint32_t*>(row)[x] = value;
        return;
    }
}

}  // namespace platform::gdi
