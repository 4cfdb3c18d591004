#include "platform/gdi/rgb565_rows.h"

#include "platform/gdi/blend_kernels.h"

namespace platform::gdi {

namespace {

[[gnu::always_inline]] inline void widen_row(
    const std::uint16_t* __restrict source, std::uint32_t* __restrict target, std::size_t count)
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

// The same loop, vectorised for the build's baseline (SSE2) and, where the
// blend kernels run AVX2, twice as wide.
void widen_row_baseline(const std::uint16_t* source, std::uint32_t* target, std::size_t count)
{
    widen_row(source, target, count);
}

[[gnu::target("avx2")]] void widen_row_avx2(const std::uint16_t* source, std::uint32_t* target, std::size_t count)
{
    widen_row(source, target, count);
}

}  // namespace

void rgb565_row_to_xrgb(const std::uint16_t* source, std::uint32_t* target, std::size_t count)
{
    if (cpu_level() == CpuLevel::avx2)
        widen_row_avx2(source, target, count);
    else
        widen_row_baseline(source, target, count);
}

}  // namespace platform::gdi
