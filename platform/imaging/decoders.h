// The codecs behind CreateImageFromBuffer: PNG through libpng and JPEG
// through libjpeg-turbo, chosen by the data's signature. Both decode the
// whole picture at once, so a damaged or truncated file is refused when the
// image is created rather than half drawn later.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/imaging/pixels.h"
#include "platform/kernel/result.h"

namespace platform::imaging {

struct Picture {
    GUID raw_format = ImageFormatUndefined;
    std::unique_ptr<Pixels> pixels;
    double x_dpi = 96.0;
    double y_dpi = 96.0;
    UINT flags = ImageFlagsNone;  // ImageFlags* describing the source
};

// Gives a decoder the rows to decode into once the header has told it the
// picture's size and format. A failure refuses the picture before any pixel
// is read; the caller sets the limits, so it knows such a refusal as its own.
using PixelAllocator = std::function<Result<std::unique_ptr<Pixels>>(PixelFormatID format, int width, int height)>;

// Rows within max_image_side and max_image_bytes, or "picture too large:
// W x H"; "picture does not fit in memory: W x H" when allocation fails.
Result<std::unique_ptr<Pixels>> allocate_within_limits(PixelFormatID format, int width, int height);

// The picture, decoded by the codec its signature names. A failure says
// what is wrong, for the log: "not a PNG or JPEG picture", "damaged PNG
// data: ...", or the allocator's refusal after the codec's name ("PNG
// picture too large: 9000 x 9000").
Result<Picture> decode_picture(
    std::span<const std::uint8_t> data, const PixelAllocator& allocate = allocate_within_limits);

Result<Picture> decode_png(std::span<const std::uint8_t> data, const PixelAllocator& allocate = allocate_within_limits);
Result<Picture> decode_jpeg(
    std::span<const std::uint8_t> data, const PixelAllocator& allocate = allocate_within_limits);

bool is_png(std::span<const std::uint8_t> data);

// Names what the decoders make of the data: it changes whenever the same
// data could come out as other pixels (a change to the decoders here, which
// bumps its number, or another libpng or libjpeg), so pixels kept from other
// decoders are never taken for these.
std::string decoder_output_version();
bool is_jpeg(std::span<const std::uint8_t> data);

}  // namespace platform::imaging
