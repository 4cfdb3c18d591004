#include "platform/host/screen_compare.h"

#include <cstdio>
#include <cstdlib>

namespace platform::host {
namespace {

bool pixels_differ(std::uint32_t a, std::uint32_t b, int tolerance)
{
    for (int shift : {16, 8, 0}) {
        int difference = std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
        if (difference > tolerance) return true;
    }
    return false;
}

std::string hex_colour(std::uint32_t colour)
{
    char text[16];
    std::snprintf(text, sizeof text, "#%06X", unsigned(colour & 0xFFFFFF));
    return text;
}

}  // namespace

std::string Comparison::describe() const
{
    if (matches) return "matches";
    if (!same_size) return "the pictures differ in size";
    return std::to_string(differing_pixels) + " pixels differ; the first at (" + std::to_string(first_x) + ", " +
        std::to_string(first_y) + "): expected " + hex_colour(expected) + ", actual " + hex_colour(actual);
}

Comparison compare_images(const Image& expected, const Image& actual, int tolerance)
{
    Comparison result;
    result.same_size = expected.width == actual.width && expected.height == actual.height;
    if (!result.same_size) return result;
    for (int y = 0; y < actual.height; ++y) {
        for (int x = 0; x < actual.width; ++x) {
            if (!pixels_differ(expected.at(x, y), actual.at(x, y), tolerance)) continue;
            if (result.differing_pixels++ == 0) {
                result.first_x = x;
                result.first_y = y;
                result.expected = expected.at(x, y);
                result.actual = actual.at(x, y);
            }
        }
    }
    result.matches = result.differing_pixels == 0;
    return result;
}

Image difference_image(const Image& expected, const Image& actual, int tolerance)
{
    constexpr std::uint32_t red = 0xFF0000;
    Image difference(actual.width, actual.height, red);
    for (int y = 0; y < actual.height; ++y) {
        for (int x = 0; x < actual.width; ++x) {
            if (x >= expected.width || y >= expected.height) continue;
            std::uint32_t pixel = actual.at(x, y);
            if (pixels_differ(expected.at(x, y), pixel, tolerance)) continue;
            std::uint32_t faded = 0;
            for (int shift : {16, 8, 0}) faded |= (((pixel >> shift) & 0xFF) / 3) << shift;
            difference.at(x, y) = faded;
        }
    }
    return difference;
}

}  // namespace platform::host
