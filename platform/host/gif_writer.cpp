// An animated GIF encoder: fixed palette, LZW with 12-bit codes, and frames
// cut down to the rectangle that changed since the previous one, so a long
// recording of a mostly still screen stays small.

#include "platform/host/gif_writer.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace platform::host {
namespace {

constexpr int cube_levels = 6;
constexpr int grey_levels = 40;

std::uint32_t rgb(int r, int g, int b) { return (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | std::uint32_t(b); }

// Weighted for the eye, which tells greens apart best and blues least.
int distance(std::uint32_t a, std::uint32_t b)
{
    int dr = int((a >> 16) & 0xFF) - int((b >> 16) & 0xFF);
    int dg = int((a >> 8) & 0xFF) - int((b >> 8) & 0xFF);
    int db = int(a & 0xFF) - int(b & 0xFF);
    return dr * dr * 2 + dg * dg * 4 + db * db;
}

int nearest_cube_level(int value) { return (value * (cube_levels - 1) + 127) / 255; }

// Appends codes of varying width, least significant bit first, as GIF wants.
class BitPacker {
public:
    explicit BitPacker(std::vector<std::uint8_t>& out)
        : out_(out)
    {
    }
    void put(unsigned code, int width)
    {
        buffer_ |= std::uint32_t(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            out_.push_back(static_cast<std::uint8_t>(buffer_ & 0xFF));
            buffer_ >>= 8;
            bits_ -= 8;
        }
    }
    void finish()
    {
        if (bits_ > 0) out_.push_back(static_cast<std::uint8_t>(buffer_ & 0xFF));
        buffer_ = 0;
        bits_ = 0;
    }

private:
    std::vector<std::uint8_t>& out_;
    std::uint32_t buffer_ = 0;
    int bits_ = 0;
};

}  // namespace

const std::vector<std::uint32_t>& gif_palette()
{
    static const std::vector<std::uint32_t> palette = [] {
        std::vector<std::uint32_t> colours;
        for (int r = 0; r < cube_levels; ++r)
            for (int g = 0; g < cube_levels; ++g)
                for (int b = 0; b < cube_levels; ++b) colours.push_back(rgb(r * 51, g * 51, b * 51));
        // Greys between the cube's own (which are multiples of 51).
        for (int i = 0; i < grey_levels; ++i) {
            int level = (i * 255 + (grey_levels + 1) / 2) / (grey_levels + 1) + 3;
            if (level % 51 == 0) ++level;
            colours.push_back(rgb(level, level, level));
        }
        return colours;
    }();
    return palette;
}

std::uint8_t gif_palette_index(std::uint32_t colour)
{
    const auto& palette = gif_palette();
    int r = int((colour >> 16) & 0xFF), g = int((colour >> 8) & 0xFF), b = int(colour & 0xFF);
    int cube = nearest_cube_level(r) * 36 + nearest_cube_level(g) * 6 + nearest_cube_level(b);
    int best = cube;
    int best_distance = distance(colour, palette[cube]);
    // The nearest grey can only win for colours close to grey: try the one
    // nearest to the colour's brightness.
    int level = (r * 2 + g * 4 + b) / 7;
    int grey = 216 + std::clamp((level - 3) * (grey_levels + 1) / 255, 0, grey_levels - 1);
    for (int candidate : {grey - 1, grey, grey + 1}) {
        if (candidate < 216 || candidate >= 256) continue;
        int d = distance(colour, palette[candidate]);
        if (d < best_distance) {
            best_distance = d;
            best = candidate;
        }
    }
    return static_cast<std::uint8_t>(best);
}

std::vector<std::uint8_t> gif_lzw_encode(const std::vector<std::uint8_t>& indices)
{
    constexpr unsigned clear_code = 256;
    constexpr unsigned end_code = 257;
    constexpr unsigned max_code = 4095;
    std::vector<std::uint8_t> out;
    BitPacker packer(out);
    std::unordered_map<std::uint32_t, std::uint16_t> table;
    table.reserve(8192);
    unsigned next_code = 258;
    int width = 9;
    packer.put(clear_code, width);
    if (indices.empty()) {
        packer.put(end_code, width);
        packer.finish();
        return out;
    }
    unsigned prefix = indices[0];
    for (std::size_t i = 1; i < indices.size(); ++i) {
        std::uint8_t symbol = indices[i];
        std::uint32_t key = (std::uint32_t(prefix) << 8) | symbol;
        auto found = table.find(key);
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        packer.put(prefix, width);
        if (next_code <= max_code) {
            table.emplace(key, static_cast<std::uint16_t>(next_code));
            // The decoder widens its codes once it has assigned the code
            // that no longer fits, so widen after assigning 2^width.
            if (next_code == (1u << width) && width < 12) ++width;
            ++next_code;
        } else {
            packer.put(clear_code, width);
            table.clear();
            next_code = 258;
            width = 9;
        }
        prefix = symbol;
    }
    packer.put(prefix, width);
    packer.put(end_code, width);
    packer.finish();
    return out;
}

GifWriter::~GifWriter()
{
    if (file_) std::fclose(file_);
}

void GifWriter::put(const void* data, std::size_t size)
{
    if (!file_ || failed_) return;
    if (std::fwrite(data, 1, size, file_) != size) failed_ = true;
    bytes_written_ += size;
}

void GifWriter::put_word(std::uint16_t value)
{
    std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>(value >> 8)};
    put(bytes, 2);
}

Result<void> GifWriter::open(const std::filesystem::path& file, int width, int height, int min_delay_ms)
{
    if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF)
        return failure_at(file.string(), "cannot be written: bad picture size");
    file_ = std::fopen(file.c_str(), "wb");
    if (!file_) return failure_at(file.string(), std::string("cannot be written: ") + std::strerror(errno));
    path_ = file;
    width_ = width;
    height_ = height;
    min_delay_ms_ = std::max(min_delay_ms, 20);
    put("GIF89a", 6);
    put_word(static_cast<std::uint16_t>(width));
    put_word(static_cast<std::uint16_t>(height));
    const std::uint8_t screen_flags[3] = {0xF7, 0, 0};  // global palette of 256, 8-bit colour
    put(screen_flags, 3);
    for (std::uint32_t colour : gif_palette()) {
        std::uint8_t entry[3] = {static_cast<std::uint8_t>(colour >> 16), static_cast<std::uint8_t>(colour >> 8),
            static_cast<std::uint8_t>(colour)};
        put(entry, 3);
    }
    // Loop for ever.
    const std::uint8_t loop[19] = {
        0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0x03, 0x01, 0x00, 0x00, 0x00};
    put(loop, sizeof loop);
    if (failed_) return failure_at(file.string(), "cannot be written: the disk refused the data");
    return {};
}

void GifWriter::add_frame(const Image& image, std::uint64_t time_ms)
{
    if (!file_ || image.width != width_ || image.height != height_) return;
    std::vector<std::uint8_t> indices(image.pixels.size());
    for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = gif_palette_index(image.pixels[i]);
    if (has_pending_) {
        if (indices == pending_) return;
        write_pending(time_ms);
    }
    pending_ = std::move(indices);
    pending_time_ = time_ms;
    has_pending_ = true;
}

void GifWriter::write_pending(std::uint64_t until_ms)
{
    has_pending_ = false;
    // Delays are counted on the GIF's own timeline in hundredths, from the
    // rounded moments the pictures appear, so rounding never adds up and a
    // frame held up by the shortest delay is made up for by the next one.
    std::uint64_t until_cs = (until_ms + 5) / 10;
    if (frames_written_ == 0) shown_until_cs_ = (pending_time_ + 5) / 10;
    std::uint64_t delay = until_cs > shown_until_cs_ ? until_cs - shown_until_cs_ : 0;
    delay = std::max<std::uint64_t>(delay, std::uint64_t(min_delay_ms_ + 5) / 10);
    shown_until_cs_ += delay;

    // The changed rectangle; the first frame is stored whole.
    int left = 0, top = 0, right = width_, bottom = height_;
    if (!written_.empty()) {
        left = width_;
        top = height_;
        right = 0;
        bottom = 0;
        for (int y = 0; y < height_; ++y) {
            const std::uint8_t* now = pending_.data() + std::size_t(y) * width_;
            const std::uint8_t* before = written_.data() + std::size_t(y) * width_;
            if (std::memcmp(now, before, std::size_t(width_)) == 0) continue;
            top = std::min(top, y);
            bottom = y + 1;
            for (int x = 0; x < width_; ++x)
                if (now[x] != before[x]) {
                    left = std::min(left, x);
                    right = std::max(right, x + 1);
                }
        }
        if (left >= right) {  // unchanged since the last written frame: show one pixel again
            left = 0;
            top = 0;
            right = 1;
            bottom = 1;
        }
    }
    // A frame holds at most 655.35 s; a longer stay goes on in frames that
    // show one unchanged pixel again.
    std::uint64_t first = std::min<std::uint64_t>(delay, max_delay_cs);
    write_image(left, top, right, bottom, static_cast<std::uint16_t>(first));
    written_ = pending_;
    for (std::uint64_t left_over = delay - first; left_over > 0;) {
        std::uint64_t part = std::min<std::uint64_t>(left_over, max_delay_cs);
        write_image(0, 0, 1, 1, static_cast<std::uint16_t>(part));
        left_over -= part;
    }
}

void GifWriter::write_image(int left, int top, int right, int bottom, std::uint16_t delay_cs)
{
    std::vector<std::uint8_t> part;
    part.reserve(std::size_t(right - left) * (bottom - top));
    for (int y = top; y < bottom; ++y) {
        const std::uint8_t* row = pending_.data() + std::size_t(y) * width_;
        part.insert(part.end(), row + left, row + right);
    }

    // Graphic control: keep the previous picture under this one, no transparency.
    const std::uint8_t control[8] = {0x21, 0xF9, 0x04, 0x04, static_cast<std::uint8_t>(delay_cs & 0xFF),
        static_cast<std::uint8_t>(delay_cs >> 8), 0x00, 0x00};
    put(control, sizeof control);
    const std::uint8_t separator = 0x2C;
    put(&separator, 1);
    put_word(static_cast<std::uint16_t>(left));
    put_word(static_cast<std::uint16_t>(top));
    put_word(static_cast<std::uint16_t>(right - left));
    put_word(static_cast<std::uint16_t>(bottom - top));
    const std::uint8_t no_local_palette = 0;
    put(&no_local_palette, 1);
    const std::uint8_t minimum_code_size = 8;
    put(&minimum_code_size, 1);
    auto data = gif_lzw_encode(part);
    for (std::size_t offset = 0; offset < data.size(); offset += 255) {
        auto length = static_cast<std::uint8_t>(std::min<std::size_t>(255, data.size() - offset));
        put(&length, 1);
        put(data.data() + offset, length);
    }
    const std::uint8_t block_end = 0;
    put(&block_end, 1);
    ++frames_written_;
}

Result<void> GifWriter::close()
{
    if (file_) {
        if (has_pending_) write_pending(pending_time_);
        const std::uint8_t trailer = 0x3B;
        put(&trailer, 1);
        if (std::fclose(file_) != 0) failed_ = true;
        file_ = nullptr;
    }
    if (failed_) return failure_at(path_.string(), "cannot be written: the disk refused the data");
    return {};
}

}  // namespace platform::host
