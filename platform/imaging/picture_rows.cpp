#include "platform/imaging/picture_rows.h"

#include "platform/gdi/blend_kernels.h"

namespace platform::imaging {

namespace {

// x / 255 rounded to nearest for x up to 255 x 255, without a division:
// exact over that whole range.
[[gnu::always_inline]] inline std::uint32_t divide_255_rounded(std::uint32_t x)
{
    x += 127;
    return (x + 1 + (x >> 8)) >> 8;
}

[[gnu::always_inline]] inline std::uint32_t narrow_565(std::uint32_t r, std::uint32_t g, std::uint32_t b)
{
    return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
}

[[gnu::always_inline]] inline void premultiply_loop(
    const std::uint32_t* __restrict argb, std::uint32_t* __restrict out, int count)
{
    for (int i = 0; i < count; ++i) {
        std::uint32_t pixel = argb[i];
        std::uint32_t a = pixel >> 24;
        std::uint32_t r = divide_255_rounded(((pixel >> 16) & 0xFF) * a);
        std::uint32_t g = divide_255_rounded(((pixel >> 8) & 0xFF) * a);
        std::uint32_t b = divide_255_rounded((pixel & 0xFF) * a);
        out[i] = (a << 24) | (r << 16) | (g << 8) | b;
    }
}

[[gnu::always_inline]] inline void bgr24_565_loop(
    const std::uint8_t* __restrict bgr, std::uint16_t* __restrict out, int count)
{
    for (int i = 0; i < count; ++i)
        out[i] = static_cast<std::uint16_t>(narrow_565(bgr[3 * i + 2], bgr[3 * i + 1], bgr[3 * i]));
}

[[gnu::always_inline]] inline void bgr24_32_loop(
    const std::uint8_t* __restrict bgr, std::uint32_t* __restrict out, int count)
{
    for (int i = 0; i < count; ++i)
        out[i] =
            0xFF000000u | (std::uint32_t(bgr[3 * i + 2]) << 16) | (std::uint32_t(bgr[3 * i + 1]) << 8) | bgr[3 * i];
}

[[gnu::always_inline]] inline void xrgb_565_loop(
    const std::uint32_t* __restrict xrgb, std::uint16_t* __restrict out, int count)
{
    for (int i = 0; i < count; ++i) {
        std::uint32_t pixel = xrgb[i];
        out[i] = static_cast<std::uint16_t>(narrow_565((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF));
    }
}

[[gnu::always_inline]] inline void xrgb_32_loop(
    const std::uint32_t* __restrict xrgb, std::uint32_t* __restrict out, int count)
{
    for (int i = 0; i < count; ++i) out[i] = xrgb[i] | 0xFF000000u;
}

bool wide() { return gdi::cpu_level() == gdi::CpuLevel::avx2; }

// Each loop twice: for the build's baseline (SSE2) and for AVX2.
void premultiply_baseline(const std::uint32_t* s, std::uint32_t* d, int n) { premultiply_loop(s, d, n); }
[[gnu::target("avx2")]] void premultiply_avx2(const std::uint32_t* s, std::uint32_t* d, int n)
{
    premultiply_loop(s, d, n);
}
void bgr24_565_baseline(const std::uint8_t* s, std::uint16_t* d, int n) { bgr24_565_loop(s, d, n); }
[[gnu::target("avx2")]] void bgr24_565_avx2(const std::uint8_t* s, std::uint16_t* d, int n) { bgr24_565_loop(s, d, n); }
void bgr24_32_baseline(const std::uint8_t* s, std::uint32_t* d, int n) { bgr24_32_loop(s, d, n); }
[[gnu::target("avx2")]] void bgr24_32_avx2(const std::uint8_t* s, std::uint32_t* d, int n) { bgr24_32_loop(s, d, n); }
void xrgb_565_baseline(const std::uint32_t* s, std::uint16_t* d, int n) { xrgb_565_loop(s, d, n); }
[[gnu::target("avx2")]] void xrgb_565_avx2(const std::uint32_t* s, std::uint16_t* d, int n) { xrgb_565_loop(s, d, n); }
void xrgb_32_baseline(const std::uint32_t* s, std::uint32_t* d, int n) { xrgb_32_loop(s, d, n); }
[[gnu::target("avx2")]] void xrgb_32_avx2(const std::uint32_t* s, std::uint32_t* d, int n) { xrgb_32_loop(s, d, n); }

}  // namespace

void premultiply_row(const std::uint32_t* argb, std::uint32_t* out, int count)
{
    wide() ? premultiply_avx2(argb, out, count) : premultiply_baseline(argb, out, count);
}

void bgr24_row_to_rgb565(const std::uint8_t* bgr, std::uint16_t* out, int count)
{
    wide() ? bgr24_565_avx2(bgr, out, count) : bgr24_565_baseline(bgr, out, count);
}

void bgr24_row_to_opaque32(const std::uint8_t* bgr, std::uint32_t* out, int count)
{
    wide() ? bgr24_32_avx2(bgr, out, count) : bgr24_32_baseline(bgr, out, count);
}

void xrgb_row_to_rgb565(const std::uint32_t* xrgb, std::uint16_t* out, int count)
{
    wide() ? xrgb_565_avx2(xrgb, out, count) : xrgb_565_baseline(xrgb, out, count);
}

void xrgb_row_to_opaque32(const std::uint32_t* xrgb, std::uint32_t* out, int count)
{
    wide() ? xrgb_32_avx2(xrgb, out, count) : xrgb_32_baseline(xrgb, out, count);
}

}  // namespace platform::imaging
