// Pictures of the screen as files: the host's screenshots, recorded frames
// and the references that scenario checks compare against.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/kernel/result.h"

namespace platform::host {

// Pixels as 0x00RRGGBB, rows from the top.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    Image() = default;
    Image(int w, int h, std::uint32_t fill = 0)
        : width(w)
        , height(h)
        , pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill)
    {
    }

    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    std::uint32_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Writes an 8-bit RGB PNG (fast compression: the recorder writes one per
// frame). Writes to a temporary name and renames, so a reader never sees half
// a file. A failure concerns the file.
platform::Result<void> write_png(const std::filesystem::path& file, const Image& image);

// Reads any PNG as RGB; transparent pixels are composed over black. A
// failure concerns the file.
platform::Result<Image> read_png(const std::filesystem::path& file);

}  // namespace platform::host
