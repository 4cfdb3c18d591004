#include "rgba_picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <png.h>

namespace brisell_test {

bool decode_png(std::span<const std::uint8_t> bytes, RgbaPicture& picture, std::string& error)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
        error = image.message;
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.pixels.assign(static_cast<std::size_t>(image.width) * image.height, {});
    if (!png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr)) {
        error = image.message;
        png_image_free(&image);
        return false;
    }
    return true;
}

void blend_over(RgbaPicture& canvas, const RgbaPicture& picture, int x, int y)
{
    for (int row = 0; row < picture.height; ++row)
        for (int column = 0; column < picture.width; ++column) {
            const int cx = x + column, cy = y + row;
            if (cx < 0 || cy < 0 || cx >= canvas.width || cy >= canvas.height) continue;
            const Rgba& source = picture.at(column, row);
            Rgba& target = canvas.at(cx, cy);
            auto mix = [&](std::uint8_t from, std::uint8_t to) {
                return static_cast<std::uint8_t>((from * source.a + to * (255 - source.a) + 127) / 255);
            };
            target = {mix(source.r, target.r), mix(source.g, target.g), mix(source.b, target.b),
                static_cast<std::uint8_t>(std::max(source.a, target.a))};
        }
}

double luminance(const Rgba& colour)
{
    auto linear = [](std::uint8_t channel) {
        const double value = channel / 255.0;
        return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.r) + 0.7152 * linear(colour.g) + 0.0722 * linear(colour.b);
}

double contrast_ratio(double first, double second)
{
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

double mean_luminance(const RgbaPicture& picture, int left, int top, int right, int bottom)
{
    double sum = 0;
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            sum += luminance(picture.at(x, y));
            ++count;
        }
    return count ? sum / count : 0;
}

}  // namespace brisell_test
