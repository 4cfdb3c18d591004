// Comparing a picture of the screen with a reference, the way a scenario's
// expect-screen does: channel by channel with a tolerance.
#pragma once

#include <cstdint>
#include <string>

#include "platform/host/png_image.h"

namespace platform::host {

struct Comparison {
    bool matches = false;
    bool same_size = false;
    long long differing_pixels = 0;
    // The first differing pixel in reading order, when there is one.
    int first_x = -1;
    int first_y = -1;
    std::uint32_t expected = 0;
    std::uint32_t actual = 0;

    // One line saying how the pictures differ ("matches" when they do).
    std::string describe() const;
};

// A pixel differs when any of its red, green or blue values differs by more
// than tolerance. Pictures of different sizes never match.
Comparison compare_images(const Image& expected, const Image& actual, int tolerance);

// A picture of where they differ: differing pixels in full red, the rest the
// actual picture faded to a third of its brightness. Sizes that differ give
// the actual picture's size, with everything outside the overlap red.
Image difference_image(const Image& expected, const Image& actual, int tolerance);

}  // namespace platform::host
