#include "platform/gdi/rgb565_rows.h"

namespace platform::gdi {

void rgb565_row_to_xrgb(const std::uint16_t* __restrict source, std::uint32_t* __restrict target, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t pixel = source[i];
        // Red and blue move to their bytes' top bits together, then each
        // copies its top bits (three of five) into its low ones; green, with
        // six bits, copies two.
        std::uint32_t red_blue = ((pixel & 0xF800u) << 8) | ((pixel & 0x001Fu) << 3);
        red_blue |= (red_blue >> 5) & 0x070007u;
        std::uint32_t green = (pixel & 0x07E0u) << 5;
        green |= (green >> 6) & 0x000300u;
        target[i] = red_blue | green;
    }
}

}  // namespace platform::gdi
