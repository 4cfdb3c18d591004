#include "platform/imaging/decoders.h"

#include <png.h>

#include <cstdio>
#include <string>

#include <jpeglib.h>

namespace platform::imaging {

bool is_png(std::span<const std::uint8_t> data)
{
    static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (data.size() < sizeof signature) return false;
    for (std::size_t i = 0; i < sizeof signature; ++i)
        if (data[i] != signature[i]) return false;
    return true;
}

bool is_jpeg(std::span<const std::uint8_t> data)
{
    return data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

std::string decoder_output_version()
{
    // Bump the number with any change to the pixels, formats or flags the
    // decoders give.
    return "1 libpng " + std::string(png_get_libpng_ver(nullptr)) + " libjpeg " + std::to_string(JPEG_LIB_VERSION);
}

Result<std::unique_ptr<Pixels>> allocate_within_limits(PixelFormatID format, int width, int height)
{
    std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width <= 0 || height <= 0 || width > max_image_side || height > max_image_side ||
        !size_allowed(width, height, format))
        return Failure {"picture too large: " + size};
    auto pixels = Pixels::allocate(format, width, height);
    if (!pixels) return Failure {"picture does not fit in memory: " + size};
    return pixels;
}

Result<Picture> decode_picture(std::span<const std::uint8_t> data, const PixelAllocator& allocate)
{
    if (is_png(data)) return decode_png(data, allocate);
    if (is_jpeg(data)) return decode_jpeg(data, allocate);
    return Failure {"not a PNG or JPEG picture"};
}

}  // namespace platform::imaging
