// Every sound the phone plays is brought to the one output format before it
// is mixed, so mixing is a plain sum of equal samples.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/audio/wav_format.h"
#include "platform/kernel/result.h"

namespace platform::audio {

inline constexpr std::uint32_t output_rate = 44100;
inline constexpr unsigned output_channels = 2;

// Interleaved stereo 16-bit samples at output_rate.
using OutputSamples = std::vector<std::int16_t>;
using SharedSamples = std::shared_ptr<const OutputSamples>;

// Converts whole frames of PCM in the given format (8-bit unsigned or 16-bit
// little-endian) to the output format. Fails only when the format is empty
// or the converter cannot be set up.
Result<SharedSamples> convert_to_output(const PcmFormat& format, std::span<const std::uint8_t> samples);

// Frames of output in a span of milliseconds, and back (rounded down).
constexpr std::uint64_t frames_in_ms(std::uint64_t ms) { return ms * output_rate / 1000; }
constexpr std::uint64_t ms_of_frames(std::uint64_t frames) { return frames * 1000 / output_rate; }

}  // namespace platform::audio
