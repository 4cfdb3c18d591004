// Pixel buffers of the imaging layer: the decoded or bitmap image's rows in
// one of the imaging pixel formats, with conversion to and from straight
// ARGB so that a caller may lock them in another format than they are kept.
//
// Byte order follows the Windows convention: a 32-bit pixel is B, G, R, A in
// memory (0xAARRGGBB read as a little-endian word), a 24-bit pixel B, G, R.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/include/imaging.h"

namespace platform::imaging {

// Images beyond these are refused before anything is allocated for them, so
// hostile headers cannot make the phone reserve gigabytes.
inline constexpr int max_image_side = 8192;
inline constexpr std::int64_t max_image_bytes = std::int64_t(64) << 20;

// The formats whose pixels this layer can keep, convert and draw.
bool is_supported_format(PixelFormatID format);
int bytes_per_pixel(PixelFormatID format);
bool has_alpha(PixelFormatID format);

// Whether an image of this size would be accepted in this format.
bool size_allowed(int width, int height, PixelFormatID format);

class Pixels {
public:
    // Uninitialised rows (decoders overwrite every byte), or null when the
    // size is refused or memory runs out.
    static std::unique_ptr<Pixels> allocate(PixelFormatID format, int width, int height);
    // Rows of zero bytes: transparent black, or black for opaque formats.
    static std::unique_ptr<Pixels> allocate_zeroed(PixelFormatID format, int width, int height);

    PixelFormatID format() const { return format_; }
    int width() const { return width_; }
    int height() const { return height_; }
    std::int64_t stride() const { return stride_; }
    std::uint8_t* row(int y) { return storage_.get() + stride_ * y; }
    const std::uint8_t* row(int y) const { return storage_.get() + stride_ * y; }

    // A copy in another supported format, or resampled (nearest pixel centre)
    // to another size; null when refused.
    std::unique_ptr<Pixels> converted(PixelFormatID format) const;
    std::unique_ptr<Pixels> scaled(int width, int height, PixelFormatID format) const;

private:
    Pixels() = default;

    PixelFormatID format_ = PixelFormatUndefined;
    int width_ = 0;
    int height_ = 0;
    std::int64_t stride_ = 0;
    std::unique_ptr<std::uint8_t[]> storage_;
};

// One pixel as straight 0xAARRGGBB, and back. Opaque formats read as alpha
// 255 and drop the alpha they are given; premultiplied pixels are divided
// out on reading and multiplied in on writing.
std::uint32_t read_argb(PixelFormatID format, const std::uint8_t* row, int x);
void write_argb(PixelFormatID format, std::uint8_t* row, int x, std::uint32_t argb);

// Copies width pixels from one format into another; both pointers are at
// the first pixel.
void convert_row(PixelFormatID from, const std::uint8_t* source, PixelFormatID to, std::uint8_t* dest, int width);

// Straight to premultiplied 0xAARRGGBB, each channel c x a / 255 rounded.
std::uint32_t premultiply(std::uint32_t argb);

}  // namespace platform::imaging
