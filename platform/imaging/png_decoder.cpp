// PNG through libpng's simplified reading interface. That interface keeps
// libpng's longjmp error handling inside the library, so no C++ frame is
// ever jumped over; it also expands palettes, grey and 16-bit samples to
// 8-bit BGR(A) for us.
#include <png.h>

#include <cstring>

#include "platform/imaging/decoders.h"

namespace platform::imaging {

namespace {

std::uint32_t big_endian32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

// The pHYs chunk, which libpng's simplified interface does not report: the
// resolution when it is given in pixels per metre.
void read_resolution(std::span<const std::uint8_t> data, Picture& picture)
{
    std::size_t at = 8;
    while (at + 12 <= data.size()) {
        std::uint32_t length = big_endian32(&data[at]);
        const std::uint8_t* type = &data[at + 4];
        if (length > data.size() - at - 12) return;
        if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0) return;
        if (std::memcmp(type, "pHYs", 4) == 0 && length == 9) {
            const std::uint8_t* body = &data[at + 8];
            std::uint32_t x = big_endian32(body), y = big_endian32(body + 4);
            if (body[8] == 1 && x > 0 && y > 0) {
                picture.x_dpi = x * 0.0254;
                picture.y_dpi = y * 0.0254;
                picture.flags |= ImageFlagsHasRealDPI;
            }
            return;
        }
        at += 12 + std::size_t(length);
    }
}

bool has_translucent_pixel(const Pixels& pixels)
{
    for (int y = 0; y < pixels.height(); ++y) {
        const std::uint8_t* row = pixels.row(y);
        for (int x = 0; x < pixels.width(); ++x) {
            std::uint8_t alpha = row[4 * x + 3];
            if (alpha != 0 && alpha != 255) return true;
        }
    }
    return false;
}

struct ImageReader {
    png_image image {};
    ImageReader() { image.version = PNG_IMAGE_VERSION; }
    ImageReader(const ImageReader&) = delete;
    ImageReader& operator=(const ImageReader&) = delete;
    ~ImageReader() { png_image_free(&image); }
};

}  // namespace

Result<Picture> decode_png(std::span<const std::uint8_t> data, const PixelAllocator& allocate)
{
    ImageReader reader;
    png_image& image = reader.image;
    if (!png_image_begin_read_from_memory(&image, data.data(), data.size()))
        return Failure {std::string("damaged PNG header: ") + image.message};
    bool alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    bool colour = (image.format & PNG_FORMAT_FLAG_COLOR) != 0;
    PixelFormatID format = alpha ? PixelFormat32bppARGB : PixelFormat24bppRGB;
    // PNG sides stop below 2^31, so they fit an int.
    auto allocated = allocate(format, int(image.width), int(image.height));
    if (!allocated) return Failure {"PNG " + allocated.failure().text()};
    std::unique_ptr<Pixels> pixels = std::move(allocated).value();
    // 16-bit samples without gamma information are almost always sRGB in
    // practice; libpng would otherwise take them as linear and brighten them.
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    image.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    if (!png_image_finish_read(&image, nullptr, pixels->row(0), png_int_32(pixels->stride()), nullptr))
        return Failure {std::string("damaged PNG data: ") + image.message};
    Picture picture;
    picture.raw_format = ImageFormatPNG;
    picture.flags =
        ImageFlagsHasRealPixelSize | ImageFlagsReadOnly | (colour ? ImageFlagsColorSpaceRGB : ImageFlagsColorSpaceGRAY);
    if (alpha) {
        picture.flags |= ImageFlagsHasAlpha;
        if (has_translucent_pixel(*pixels)) picture.flags |= ImageFlagsHasTranslucent;
    }
    read_resolution(data, picture);
    picture.pixels = std::move(pixels);
    return picture;
}

}  // namespace platform::imaging
