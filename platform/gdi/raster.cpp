#include "platform/gdi/raster.h"

#include <algorithm>

namespace platform::gdi {

PixelConverter::PixelConverter(
    PixelFormat from, PixelFormat to, COLORREF dest_text, COLORREF dest_background, COLORREF source_background)
    : from_(from)
    , to_(to)
{
    if (from == PixelFormat::mono1) {
        mono_zero_ = encode_colour(to, dest_text);
        mono_one_ = encode_colour(to, dest_background);
    }
    if (to == PixelFormat::mono1) {
        // Compare colour bits only: the alpha byte of a 32-bit source is not
        // part of its colour.
        colour_bits_ = from == PixelFormat::xrgb32 ? 0xFFFFFFu : pixel_mask(from);
        background_match_ = encode_colour(from, source_background) & colour_bits_;
    }
}

void fill_rect(Bitmap& bitmap, const RECT& rect, std::uint32_t value)
{
    int width = rect.right - rect.left;
    if (width <= 0 || rect.bottom <= rect.top) return;
    PixelFormat format = bitmap.format();
    for (int y = rect.top; y < rect.bottom; ++y) {
        std::uint8_t* row = bitmap.row(y);
        switch (format) {
        case PixelFormat::rgb555:
        case PixelFormat::rgb565:
            std::fill_n(reinterpret_cast<std::uint16_t*>(row) + rect.left, width, static_cast<std::uint16_t>(value));
            break;
        case PixelFormat::xrgb32:
            std::fill_n(reinterpret_cast<std::uint32_t*>(row) + rect.left, width, value);
            break;
        default:
            for (int x = rect.left; x < rect.right; ++x) write_pixel(format, row, x, value);
            break;
        }
    }
}

}  // namespace platform::gdi
