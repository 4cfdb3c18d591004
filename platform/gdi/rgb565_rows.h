// Rows of RGB565 pixels widened to 0x00RRGGBB, the form windows, pictures and
// recordings take the screen in. The same widening as pixel_to_xrgb (high
// bits repeated in the low ones), a whole row at a time: plain arithmetic on
// each pixel with no call and no branch, which the compiler turns into vector
// code as wide as the blend kernels' level allows (AVX2 or the baseline SSE2).
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::gdi {

void rgb565_row_to_xrgb(const std::uint16_t* source, std::uint32_t* target, std::size_t count);

}  // namespace platform::gdi
