// Writes the seed corpus of the image decoding fuzz target: small PNG and
// JPEG pictures of every form the decoders take apart.
//
//     make_image_corpus tests/fuzz/corpus/image
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "image_encoding.h"

using namespace imaging_test;

namespace {

void write(const std::filesystem::path& folder, const char* name, const Bytes& bytes)
{
    std::ofstream(folder / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<std::uint32_t> gradient(std::uint32_t width, std::uint32_t height)
{
    std::vector<std::uint32_t> pixels;
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            pixels.push_back(((x * 255 / width) << 24) | ((x * 37) & 0xFF) << 16 | ((y * 53) & 0xFF) << 8 | 0x40);
    return pixels;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_image_corpus FOLDER\n");
        return 2;
    }
    std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    auto pixels = gradient(12, 10);
    write(folder, "rgba.png", png_from_argb(12, 10, pixels));
    write(folder, "rgb.png", png_from_rgb(12, 10, pixels));
    write(folder, "palette-trns.png",
        encode_png({4, 2, palette, 4, {{0x01, 0x23}, {0x32, 0x10}}, {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9},
            {0x00, 0x80}, 3780}));
    write(folder, "grey16.png", encode_png({2, 2, grey, 16, {{0x12, 0x34, 0xFF, 0xFF}, {0, 0, 0x80, 0}}, {}, {}, 0}));
    write(folder, "grey-alpha.png", encode_png({2, 1, grey_alpha, 8, {{0x10, 0x20, 0x30, 0xFF}}, {}, {}, 0}));
    write(folder, "colour.jpg", encode_jpeg(12, 10, pixels, JpegKind::colour, 80, 72));
    write(folder, "grey.jpg", encode_jpeg(12, 10, pixels, JpegKind::grey, 80));
    write(folder, "cmyk.jpg", encode_jpeg(12, 10, pixels, JpegKind::cmyk_adobe, 80));
    write(folder, "progressive.jpg", encode_jpeg(12, 10, pixels, JpegKind::progressive, 80));
    return 0;
}
