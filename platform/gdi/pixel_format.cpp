#include "platform/gdi/pixel_format.h"

namespace platform::gdi {

int bits_per_pixel(PixelFormat format)
{
    switch (format) {
    case PixelFormat::mono1:
        return 1;
    case PixelFormat::rgb555:
    case PixelFormat::rgb565:
        return 16;
    case PixelFormat::bgr24:
        return 24;
    case PixelFormat::xrgb32:
        return 32;
    }
    return 0;
}

std::int64_t aligned_stride(PixelFormat format, int width)
{
    std::int64_t bits = static_cast<std::int64_t>(width) * bits_per_pixel(format);
    return ((bits + 31) / 32) * 4;
}

std::uint32_t pixel_mask(PixelFormat format)
{
    switch (format) {
    case PixelFormat::mono1:
        return 1u;
    case PixelFormat::rgb555:
        return 0x7FFFu;
    case PixelFormat::rgb565:
        return 0xFFFFu;
    case PixelFormat::bgr24:
        return 0xFFFFFFu;
    case PixelFormat::xrgb32:
        return 0xFFFFFFFFu;
    }
    return 0;
}

namespace {

inline std::uint32_t widen5(std::uint32_t v) { return (v << 3) | (v >> 2); }
inline std::uint32_t widen6(std::uint32_t v) { return (v << 2) | (v >> 4); }

}  // namespace

std::uint32_t xrgb_to_pixel(PixelFormat format, std::uint32_t xrgb)
{
    std::uint32_t r = (xrgb >> 16) & 0xFF, g = (xrgb >> 8) & 0xFF, b = xrgb & 0xFF;
    switch (format) {
    case PixelFormat::mono1: {
        // Nearer of black and white by squared distance; a tie is black.
        std::uint32_t to_black = r * r + g * g + b * b;
        std::uint32_t to_white = (255 - r) * (255 - r) + (255 - g) * (255 - g) + (255 - b) * (255 - b);
        return to_white < to_black ? 1u : 0u;
    }
    case PixelFormat::rgb555:
        return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    case PixelFormat::rgb565:
        return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    case PixelFormat::bgr24:
        return xrgb & 0xFFFFFFu;
    case PixelFormat::xrgb32:
        return xrgb;
    }
    return 0;
}

std::uint32_t pixel_to_xrgb(PixelFormat format, std::uint32_t pixel)
{
    switch (format) {
    case PixelFormat::mono1:
        return (pixel & 1u) ? 0xFFFFFFu : 0u;
    case PixelFormat::rgb555:
        return (widen5((pixel >> 10) & 0x1F) << 16) | (widen5((pixel >> 5) & 0x1F) << 8) | widen5(pixel & 0x1F);
    case PixelFormat::rgb565:
        return (widen5((pixel >> 11) & 0x1F) << 16) | (widen6((pixel >> 5) & 0x3F) << 8) | widen5(pixel & 0x1F);
    case PixelFormat::bgr24:
    case PixelFormat::xrgb32:
        return pixel & 0xFFFFFFu;
    }
    return 0;
}

std::uint32_t encode_colour(PixelFormat format, COLORREF colour)
{
    std::uint32_t xrgb = ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
    return xrgb_to_pixel(format, xrgb);
}

COLORREF decode_colour(PixelFormat format, std::uint32_t pixel)
{
    std::uint32_t xrgb = pixel_to_xrgb(format, pixel);
    return ((xrgb >> 16) & 0xFF) | (xrgb & 0xFF00) | ((xrgb & 0xFF) << 16);
}

}  // namespace platform::gdi
