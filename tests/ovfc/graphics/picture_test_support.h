// Helpers of the picture tests: PNG files made in memory, 32-bit canvases
// whose bytes can be read back, and resource libraries with chosen pictures
// laid into a phone's device root.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <vector>

#include <windows.h>

#include "tests/ovfc/phone_fixture.h"
#include "tests/support/pixel_surface.h"

namespace ovfc_test {

// Pixels as 0xAARRGGBB, rows from the top.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    Picture(int w, int h, std::uint32_t fill = 0xFF000000u)
        : width(w)
        , height(h)
        , pixels(size_t(w) * h, fill)
    {
    }
    std::uint32_t& at(int x, int y) { return pixels[size_t(y) * width + x]; }
};

// A PNG (stored deflate blocks) of the picture: RGBA, or RGB without alpha.
std::vector<std::uint8_t> encode_png(const Picture& picture, bool with_alpha);

// A 32-bit bitmap selected into a memory DC, filled with one colour.
using Canvas = velmor_test::PixelSurface;
using velmor_test::bitmap_bits_per_pixel;
using velmor_test::bitmap_pixel;

// Writes a resource library with the pictures as RCDATA to
// device_root/relative_path.
bool write_picture_library(const std::filesystem::path& device_root, const std::filesystem::path& relative_path,
    const std::map<int, std::vector<std::uint8_t>>& pictures);

// The device root the build lays out (with the built ovres.dll libraries).
std::filesystem::path built_device_root();

// A phone with COM started on the test's thread; afterwards every graphics
// cache is released and forgotten, as the application's exit would.
class GraphicsTest : public PhoneTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Lays the built ovres.dll libraries (every theme) into this phone.
    void install_built_libraries();
};

}  // namespace ovfc_test
