// The sound files the phone plays: 16-bit PCM in a RIFF/WAVE file with the
// canonical 44-byte header (a "fmt " chunk of 16 bytes, then "data"), the one
// layout the shaver's variant reader understands.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/kernel/result.h"

namespace velmor_wavegen {

constexpr std::size_t wave_header_bytes = 44;

// The whole file image of mono or interleaved 16-bit samples.
std::vector<std::uint8_t> encode_wave(
    const std::vector<std::int16_t>& samples, std::uint32_t samples_per_second, std::uint16_t channels = 1);

// Writes the image of encode_wave; fails, naming the file, when it cannot be
// written completely.
platform::Result<void> write_wave(
    const std::filesystem::path& path, const std::vector<std::int16_t>& samples, std::uint32_t samples_per_second);

}  // namespace velmor_wavegen
