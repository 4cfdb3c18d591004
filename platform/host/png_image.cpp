// PNG files through libpng's simplified interface, which reports errors as
// return values instead of long jumps through our frames.

#include "platform/host/png_image.h"

#include <png.h>

#include <cstring>
#include <system_error>

namespace platform::host {

Result<void> write_png(const std::filesystem::path& file, const Image& image)
{
    if (image.width <= 0 || image.height <= 0 || image.pixels.size() != std::size_t(image.width) * image.height)
        return failure_at(file.string(), "cannot be written: the picture has no pixels");
    std::vector<std::uint8_t> rgb(image.pixels.size() * 3);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        std::uint32_t pixel = image.pixels[i];
        rgb[i * 3] = static_cast<std::uint8_t>(pixel >> 16);
        rgb[i * 3 + 1] = static_cast<std::uint8_t>(pixel >> 8);
        rgb[i * 3 + 2] = static_cast<std::uint8_t>(pixel);
    }
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    png.flags = PNG_IMAGE_FLAG_FAST;

    auto temporary = file;
    temporary += ".partial";
    if (!png_image_write_to_file(&png, temporary.c_str(), 0, rgb.data(), image.width * 3, nullptr)) {
        std::string why = png.message;
        png_image_free(&png);
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return failure_at(file.string(), "cannot be written: " + why);
    }
    std::error_code failure;
    std::filesystem::rename(temporary, file, failure);
    if (failure) {
        std::string why = failure.message();
        std::filesystem::remove(temporary, failure);
        return failure_at(file.string(), "cannot be written: " + why);
    }
    return {};
}

Result<Image> read_png(const std::filesystem::path& file)
{
    // libpng's message lives in the png_image, which must be freed on the way out.
    auto refuse = [&](png_image& png, std::string why) {
        png_image_free(&png);
        return failure_at(file.string(), "cannot be read: " + why);
    };
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, file.c_str())) return refuse(png, png.message);
    // A reference far larger than any screen is a broken or hostile file.
    if (png.width == 0 || png.height == 0 || png.width > 16384 || png.height > 16384)
        return refuse(png, "unreasonable size " + std::to_string(png.width) + "x" + std::to_string(png.height));
    png.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(png));
    png_color black {0, 0, 0};
    if (!png_image_finish_read(&png, &black, rgb.data(), 0, nullptr)) return refuse(png, png.message);
    Image image(static_cast<int>(png.width), static_cast<int>(png.height));
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = (std::uint32_t(rgb[i * 3]) << 16) | (std::uint32_t(rgb[i * 3 + 1]) << 8) | rgb[i * 3 + 2];
    return image;
}

}  // namespace platform::host
