// The pixel arithmetic shared by the blits and shapes: ternary raster
// operations over pattern, source and destination, and the colour rules for
// copying between depths. These work on whole pixel values of the
// destination's format, bit by bit, as the phone's raster operations do.
#pragma once

#include <cstdint>

#include "platform/gdi/bitmap.h"

namespace platform::gdi {

// The raster operation code in bits 16-23 of a ROP value.
inline std::uint8_t rop3_code(DWORD rop) { return static_cast<std::uint8_t>((rop >> 16) & 0xFF); }
inline bool rop_uses_source(std::uint8_t code) { return ((code >> 2) ^ code) & 0x33; }
inline bool rop_uses_pattern(std::uint8_t code) { return ((code >> 4) ^ code) & 0x0F; }

// Bit i of the code is the result for pattern, source and destination bits
// (i >> 2 & 1, i >> 1 & 1, i & 1).
inline std::uint32_t apply_rop3(std::uint8_t code, std::uint32_t pattern, std::uint32_t source, std::uint32_t dest)
{
    switch (code) {
    case 0xCC:
        return source;
    case 0xAA:
        return dest;
    case 0xF0:
        return pattern;
    case 0x00:
        return 0;
    case 0xFF:
        return ~0u;
    case 0x33:
        return ~source;
    case 0x55:
        return ~dest;
    case 0x66:
        return source ^ dest;
    case 0x88:
        return source & dest;
    case 0xEE:
        return source | dest;
    case 0x5A:
        return pattern ^ dest;
    default:
        break;
    }
    std::uint32_t result = 0;
    for (int i = 0; i < 8; ++i) {
        if (!((code >> i) & 1)) continue;
        std::uint32_t term = (i & 4) ? pattern : ~pattern;
        term &= (i & 2) ? source : ~source;
        term &= (i & 1) ? dest : ~dest;
        result |= term;
    }
    return result;
}

// Turns source pixel values into destination pixel values. A monochrome
// source paints its 0 bits in the destination DC's text colour and its 1 bits
// in its background colour; a colour source copied to monochrome gives 1
// where it matches the source DC's background colour and 0 elsewhere.
class PixelConverter {
public:
    PixelConverter(
        PixelFormat from, PixelFormat to, COLORREF dest_text, COLORREF dest_background, COLORREF source_background);

    std::uint32_t operator()(std::uint32_t value) const
    {
        if (from_ == to_) return value;
        if (from_ == PixelFormat::mono1) return (value & 1u) ? mono_one_ : mono_zero_;
        if (to_ == PixelFormat::mono1) return (value & colour_bits_) == background_match_ ? 1u : 0u;
        return xrgb_to_pixel(to_, pixel_to_xrgb(from_, value));
    }

private:
    PixelFormat from_;
    PixelFormat to_;
    std::uint32_t mono_zero_ = 0;
    std::uint32_t mono_one_ = 0;
    std::uint32_t colour_bits_ = 0;
    std::uint32_t background_match_ = 0;
};

// Fills a rectangle of target coordinates (already clipped) with one value.
void fill_rect(Bitmap& bitmap, const RECT& rect, std::uint32_t value);

}  // namespace platform::gdi
