// The animated picture of a recorded run: a GIF with a fixed palette, so it
// needs no library and every frame maps colours the same way.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/host/png_image.h"
#include "platform/kernel/result.h"

namespace platform::host {

// The 256 colours every frame uses: a 6 x 6 x 6 colour cube and 40 greys.
const std::vector<std::uint32_t>& gif_palette();
// The palette entry nearest to a 0x00RRGGBB colour.
std::uint8_t gif_palette_index(std::uint32_t colour);

// The LZW-compressed image data of one frame (without the leading minimum
// code size and without sub-block framing), 8-bit codes.
std::vector<std::uint8_t> gif_lzw_encode(const std::vector<std::uint8_t>& indices);

class GifWriter {
public:
    GifWriter() = default;
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;
    ~GifWriter();

    // Starts the file; every frame must have this size. min_delay_ms is the
    // shortest time a frame stays up, also for frames that came at the same
    // moment (in virtual time animations take no time). A failure concerns
    // the file.
    platform::Result<void> open(const std::filesystem::path& file, int width, int height, int min_delay_ms);

    // Adds the picture shown from time_ms on. A frame is written when the
    // next one arrives (that fixes its delay, so the GIF plays at the pace
    // the pictures came); a picture equal to the last one only lengthens it.
    // Only the rectangle that changed is stored.
    void add_frame(const Image& image, std::uint64_t time_ms);

    // Writes the last frame and the trailer. Fails if anything the file was
    // given could not be written.
    platform::Result<void> close();

    int frames_written() const { return frames_written_; }
    // What the file holds so far.
    std::uint64_t bytes_written() const { return bytes_written_; }

private:
    void write_pending(std::uint64_t until_ms);
    void write_image(int left, int top, int right, int bottom, std::uint16_t delay_cs);

    static constexpr std::uint64_t max_delay_cs = 0xFFFF;
    void put(const void* data, std::size_t size);
    void put_word(std::uint16_t value);

    std::FILE* file_ = nullptr;
    std::filesystem::path path_;
    int width_ = 0;
    int height_ = 0;
    int min_delay_ms_ = 0;
    bool failed_ = false;
    std::uint64_t bytes_written_ = 0;
    bool has_pending_ = false;
    std::vector<std::uint8_t> written_;  // the picture the viewer shows so far
    std::vector<std::uint8_t> pending_;
    std::uint64_t pending_time_ = 0;
    std::uint64_t shown_until_cs_ = 0;  // when the last written frame gives way, in hundredths
    int frames_written_ = 0;
};

}  // namespace platform::host
