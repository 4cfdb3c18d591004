// A small GIF decoder for checking what the recorder writes: it follows the
// format's rules (sub-blocks, variable code width, clear codes, frame
// rectangles over the previous picture) independently of the encoder.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/result.h"

namespace gif_test {

struct Frame {
    int delay_cs = 0;
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<std::uint32_t> picture;  // the whole canvas after this frame, 0x00RRGGBB
};

struct Animation {
    int width = 0;
    int height = 0;
    bool loops = false;
    std::vector<Frame> frames;
};

inline std::optional<std::vector<std::uint8_t>> lzw_decode(
    const std::vector<std::uint8_t>& data, int minimum_code_size, std::size_t expected_count)
{
    const unsigned clear = 1u << minimum_code_size, end = clear + 1;
    std::vector<std::vector<std::uint8_t>> table;
    auto reset = [&] {
        table.assign(clear + 2, {});
        for (unsigned i = 0; i < clear; ++i) table[i] = {static_cast<std::uint8_t>(i)};
    };
    reset();
    int width = minimum_code_size + 1;
    std::size_t bit = 0;
    // A plain sentinel rather than std::optional: GCC 12 at -O3 takes the
    // optional's value for uninitialised on the paths that test it first.
    constexpr unsigned no_code = ~0u;
    unsigned previous = no_code;
    std::vector<std::uint8_t> out;
    for (;;) {
        if (bit + width > data.size() * 8) return std::nullopt;  // ran out before the end code
        unsigned code = 0;
        for (int i = 0; i < width; ++i, ++bit)
            if (data[bit / 8] & (1u << (bit % 8))) code |= 1u << i;
        if (code == clear) {
            reset();
            width = minimum_code_size + 1;
            previous = no_code;
            continue;
        }
        if (code == end) break;
        std::vector<std::uint8_t> entry;
        if (code < table.size()) {
            entry = table[code];
            if (previous != no_code && table.size() < 4096) {
                auto added = table[previous];
                added.push_back(entry[0]);
                table.push_back(added);
            }
        } else if (code == table.size() && previous != no_code) {
            entry = table[previous];
            entry.push_back(entry[0]);
            if (table.size() < 4096) table.push_back(entry);
        } else {
            return std::nullopt;
        }
        if (table.size() == (1u << width) && width < 12) ++width;
        out.insert(out.end(), entry.begin(), entry.end());
        previous = code;
    }
    if (out.size() != expected_count) return std::nullopt;
    return out;
}

// A failure says at which byte the data stopped making sense.
inline platform::Result<Animation> read_gif(const std::vector<std::uint8_t>& bytes)
{
    std::size_t at = 0;
    auto fail = [&](const char* what) {
        return platform::Failure {std::string(what) + " at byte " + std::to_string(at)};
    };
    auto need = [&](std::size_t n) { return at + n <= bytes.size(); };
    auto word = [&] {
        unsigned value = bytes[at] | (bytes[at + 1] << 8);
        at += 2;
        return value;
    };
    auto blocks = [&](std::vector<std::uint8_t>& out) {
        for (;;) {
            if (!need(1)) return false;
            std::uint8_t length = bytes[at++];
            if (length == 0) return true;
            if (!need(length)) return false;
            out.insert(out.end(), bytes.begin() + at, bytes.begin() + at + length);
            at += length;
        }
    };
    if (!need(13) || std::string(bytes.begin(), bytes.begin() + 6) != "GIF89a") return fail("no GIF89a header");
    at = 6;
    Animation animation;
    animation.width = int(word());
    animation.height = int(word());
    std::uint8_t flags = bytes[at];
    at += 3;
    if (!(flags & 0x80)) return fail("no global palette");
    std::size_t colours = std::size_t(2) << (flags & 7);
    if (!need(colours * 3)) return fail("short palette");
    std::vector<std::uint32_t> palette(colours);
    for (auto& colour : palette) {
        colour = (std::uint32_t(bytes[at]) << 16) | (std::uint32_t(bytes[at + 1]) << 8) | bytes[at + 2];
        at += 3;
    }
    std::vector<std::uint32_t> canvas(std::size_t(animation.width) * animation.height, 0);
    int delay = 0;
    for (;;) {
        if (!need(1)) return fail("missing trailer");
        std::uint8_t kind = bytes[at++];
        if (kind == 0x3B) break;
        if (kind == 0x21) {
            if (!need(1)) return fail("short extension");
            std::uint8_t label = bytes[at++];
            std::vector<std::uint8_t> body;
            if (!blocks(body)) return fail("bad extension blocks");
            if (label == 0xF9 && body.size() == 4) delay = body[1] | (body[2] << 8);
            if (label == 0xFF && body.size() >= 11 && std::string(body.begin(), body.begin() + 11) == "NETSCAPE2.0")
                animation.loops = true;
            continue;
        }
        if (kind != 0x2C || !need(10)) return fail("unexpected block");
        Frame frame;
        frame.delay_cs = delay;
        frame.left = int(word());
        frame.top = int(word());
        frame.width = int(word());
        frame.height = int(word());
        if (bytes[at++] != 0) return fail("unexpected local palette or interlace");
        if (frame.left + frame.width > animation.width || frame.top + frame.height > animation.height)
            return fail("frame outside the canvas");
        int minimum = bytes[at++];
        std::vector<std::uint8_t> data;
        if (!blocks(data)) return fail("bad image blocks");
        auto indices = lzw_decode(data, minimum, std::size_t(frame.width) * frame.height);
        if (!indices) return fail("bad LZW data");
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x)
                canvas[std::size_t(frame.top + y) * animation.width + frame.left + x] =
                    palette[(*indices)[std::size_t(y) * frame.width + x]];
        frame.picture = canvas;
        animation.frames.push_back(std::move(frame));
    }
    return animation;
}

inline platform::Result<Animation> read_gif_file(const std::string& path)
{
    std::ifstream stream(path, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    auto animation = read_gif(bytes);
    if (!animation) return platform::failure_at(path, animation.failure().message);
    return animation;
}

}  // namespace gif_test
