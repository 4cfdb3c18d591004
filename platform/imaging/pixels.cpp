#include "platform/imaging/pixels.h"

#include <cstring>
#include <new>

namespace platform::imaging {

bool is_supported_format(PixelFormatID format)
{
    switch (format) {
    case PixelFormat16bppRGB555:
    case PixelFormat16bppRGB565:
    case PixelFormat24bppRGB:
    case PixelFormat32bppRGB:
    case PixelFormat32bppARGB:
    case PixelFormat32bppPARGB:
        return true;
    default:
        return false;
    }
}

int bytes_per_pixel(PixelFormatID format) { return PIXFMT_BITSPERPIXEL(format) / 8; }

bool has_alpha(PixelFormatID format) { return (format & PixelFormatAlpha) != 0; }

namespace {

// Rows padded to four bytes, as the phone's imaging hands them out.
std::int64_t stride_of(PixelFormatID format, int width)
{
    return (std::int64_t(width) * bytes_per_pixel(format) + 3) & ~3;
}

std::uint32_t divide_255(std::uint32_t x) { return (x + 127) / 255; }

}  // namespace

bool size_allowed(int width, int height, PixelFormatID format)
{
    if (!is_supported_format(format)) return false;
    if (width <= 0 || height <= 0 || width > max_image_side || height > max_image_side) return false;
    return stride_of(format, width) * height <= max_image_bytes;
}

std::unique_ptr<Pixels> Pixels::allocate(PixelFormatID format, int width, int height)
{
    if (!size_allowed(width, height, format)) return nullptr;
    std::unique_ptr<Pixels> pixels(new (std::nothrow) Pixels);
    if (!pixels) return nullptr;
    pixels->format_ = format;
    pixels->width_ = width;
    pixels->height_ = height;
    pixels->stride_ = stride_of(format, width);
    pixels->storage_.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(pixels->stride_ * height)]);
    if (!pixels->storage_) return nullptr;
    // Row padding is never written by the decoders; clear it so that a
    // caller reading whole strides sees the same bytes every time.
    std::size_t used = static_cast<std::size_t>(width) * static_cast<std::size_t>(bytes_per_pixel(format));
    std::size_t padding = static_cast<std::size_t>(pixels->stride_) - used;
    if (padding)
        for (int y = 0; y < height; ++y) std::memset(pixels->row(y) + used, 0, padding);
    return pixels;
}

std::unique_ptr<Pixels> Pixels::allocate_zeroed(PixelFormatID format, int width, int height)
{
    auto pixels = allocate(format, width, height);
    if (pixels) std::memset(pixels->storage_.get(), 0, static_cast<std::size_t>(pixels->stride_ * height));
    return pixels;
}

std::unique_ptr<Pixels> Pixels::converted(PixelFormatID format) const
{
    auto result = allocate(format, width_, height_);
    if (!result) return nullptr;
    for (int y = 0; y < height_; ++y) convert_row(format_, row(y), format, result->row(y), width_);
    return result;
}

std::unique_ptr<Pixels> Pixels::scaled(int width, int height, PixelFormatID format) const
{
    auto result = allocate(format, width, height);
    if (!result) return nullptr;
    for (int y = 0; y < height; ++y) {
        // Nearest source pixel through pixel centres.
        int source_y = static_cast<int>((std::int64_t(2 * y + 1) * height_) / (2 * std::int64_t(height)));
        const std::uint8_t* source = row(source_y);
        std::uint8_t* dest = result->row(y);
        for (int x = 0; x < width; ++x) {
            int source_x = static_cast<int>((std::int64_t(2 * x + 1) * width_) / (2 * std::int64_t(width)));
            write_argb(format, dest, x, read_argb(format_, source, source_x));
        }
    }
    return result;
}

std::uint32_t premultiply(std::uint32_t argb)
{
    std::uint32_t a = argb >> 24;
    if (a == 255) return argb;
    std::uint32_t r = divide_255(((argb >> 16) & 0xFF) * a);
    std::uint32_t g = divide_255(((argb >> 8) & 0xFF) * a);
    std::uint32_t b = divide_255((argb & 0xFF) * a);
    return (a << 24) | (r << 16) | (g << 8) | b;
}

namespace {

std::uint32_t unpremultiply(std::uint32_t pargb)
{
    std::uint32_t a = pargb >> 24;
    if (a == 255) return pargb;
    if (a == 0) return 0;
    auto channel = [a](std::uint32_t c) {
        std::uint32_t value = (c * 255 + a / 2) / a;
        return value > 255 ? 255u : value;
    };
    return (a << 24) | (channel((pargb >> 16) & 0xFF) << 16) | (channel((pargb >> 8) & 0xFF) << 8) |
        channel(pargb & 0xFF);
}

// Short channels are widened by repeating their high bits, so white stays
// white, as the display driver does it.
std::uint32_t widen5(std::uint32_t v) { return (v << 3) | (v >> 2); }
std::uint32_t widen6(std::uint32_t v) { return (v << 2) | (v >> 4); }

std::uint32_t load32(const std::uint8_t* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void store32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

std::uint16_t load16(const std::uint8_t* p)
{
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

void store16(std::uint8_t* p, std::uint32_t v)
{
    auto narrow = static_cast<std::uint16_t>(v);
    std::memcpy(p, &narrow, 2);
}

}  // namespace

std::uint32_t read_argb(PixelFormatID format, const std::uint8_t* row, int x)
{
    switch (format) {
    case PixelFormat16bppRGB555: {
        std::uint32_t v = load16(row + 2 * x);
        return 0xFF000000u | (widen5((v >> 10) & 31) << 16) | (widen5((v >> 5) & 31) << 8) | widen5(v & 31);
    }
    case PixelFormat16bppRGB565: {
        std::uint32_t v = load16(row + 2 * x);
        return 0xFF000000u | (widen5((v >> 11) & 31) << 16) | (widen6((v >> 5) & 63) << 8) | widen5(v & 31);
    }
    case PixelFormat24bppRGB: {
        const std::uint8_t* p = row + 3 * x;
        return 0xFF000000u | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
    }
    case PixelFormat32bppRGB:
        return 0xFF000000u | load32(row + 4 * x);
    case PixelFormat32bppARGB:
        return load32(row + 4 * x);
    case PixelFormat32bppPARGB:
        return unpremultiply(load32(row + 4 * x));
    default:
        return 0;
    }
}

void write_argb(PixelFormatID format, std::uint8_t* row, int x, std::uint32_t argb)
{
    std::uint32_t r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
    switch (format) {
    case PixelFormat16bppRGB555:
        store16(row + 2 * x, ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
        return;
    case PixelFormat16bppRGB565:
        store16(row + 2 * x, ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
        return;
    case PixelFormat24bppRGB: {
        std::uint8_t* p = row + 3 * x;
        p[0] = static_cast<std::uint8_t>(b);
        p[1] = static_cast<std::uint8_t>(g);
        p[2] = static_cast<std::uint8_t>(r);
        return;
    }
    case PixelFormat32bppRGB:
        store32(row + 4 * x, 0xFF000000u | (argb & 0x00FFFFFFu));
        return;
    case PixelFormat32bppARGB:
        store32(row + 4 * x, argb);
        return;
    case PixelFormat32bppPARGB:
        store32(row + 4 * x, premultiply(argb));
        return;
    default:
        return;
    }
}

void convert_row(PixelFormatID from, const std::uint8_t* source, PixelFormatID to, std::uint8_t* dest, int width)
{
    if (from == to) {
        std::memcpy(dest, source, static_cast<std::size_t>(width) * static_cast<std::size_t>(bytes_per_pixel(from)));
        return;
    }
    for (int x = 0; x < width; ++x) write_argb(to, dest, x, read_argb(from, source, x));
}

}  // namespace platform::imaging
