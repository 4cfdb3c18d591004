// The reference kernels: one pixel at a time, the arithmetic written out.
#include <algorithm>

#include "platform/gdi/blend_kernels.h"

namespace platform::gdi::scalar_kernels {

namespace {

// a x b / 255 rounded to nearest, for a and b up to 255.
inline std::uint32_t multiply(std::uint32_t a, std::uint32_t b)
{
    std::uint32_t t = a * b + 0x80;
    return (t + (t >> 8)) >> 8;
}

inline std::uint32_t widen5(std::uint32_t v) { return (v << 3) | (v >> 2); }
inline std::uint32_t widen6(std::uint32_t v) { return (v << 2) | (v >> 4); }

inline std::uint16_t to_565(std::uint32_t r, std::uint32_t g, std::uint32_t b)
{
    return static_cast<std::uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

inline std::uint32_t over(std::uint32_t source, std::uint32_t dest, std::uint32_t keep)
{
    return std::min<std::uint32_t>(255, source + multiply(dest, keep));
}

}  // namespace

void premultiplied_to_565(std::uint16_t* dest, const std::uint32_t* source, int count)
{
    for (int i = 0; i < count; ++i) {
        std::uint32_t s = source[i];
        if (s == 0) continue;
        std::uint32_t keep = 255 - (s >> 24);
        std::uint32_t d = dest[i];
        dest[i] = to_565(over((s >> 16) & 0xFF, widen5(d >> 11), keep),
            over((s >> 8) & 0xFF, widen6((d >> 5) & 0x3F), keep), over(s & 0xFF, widen5(d & 0x1F), keep));
    }
}

void premultiplied_to_32(std::uint32_t* dest, const std::uint32_t* source, int count)
{
    for (int i = 0; i < count; ++i) {
        std::uint32_t s = source[i];
        if (s == 0) continue;
        std::uint32_t keep = 255 - (s >> 24);
        std::uint32_t d = dest[i];
        std::uint32_t out = 0;
        for (int shift = 0; shift < 32; shift += 8)
            out |= over((s >> shift) & 0xFF, (d >> shift) & 0xFF, keep) << shift;
        dest[i] = out;
    }
}

void constant_565_to_565(std::uint16_t* dest, const std::uint16_t* source, int count, unsigned alpha)
{
    std::uint32_t keep = 255 - alpha;
    for (int i = 0; i < count; ++i) {
        std::uint32_t s = source[i], d = dest[i];
        dest[i] = to_565(over(multiply(widen5(s >> 11), alpha), widen5(d >> 11), keep),
            over(multiply(widen6((s >> 5) & 0x3F), alpha), widen6((d >> 5) & 0x3F), keep),
            over(multiply(widen5(s & 0x1F), alpha), widen5(d & 0x1F), keep));
    }
}

void constant_32_to_565(std::uint16_t* dest, const std::uint32_t* source, int count, unsigned alpha)
{
    std::uint32_t keep = 255 - alpha;
    for (int i = 0; i < count; ++i) {
        std::uint32_t s = source[i], d = dest[i];
        dest[i] = to_565(over(multiply((s >> 16) & 0xFF, alpha), widen5(d >> 11), keep),
            over(multiply((s >> 8) & 0xFF, alpha), widen6((d >> 5) & 0x3F), keep),
            over(multiply(s & 0xFF, alpha), widen5(d & 0x1F), keep));
    }
}

}  // namespace platform::gdi::scalar_kernels
