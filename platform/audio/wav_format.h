// Sound data as the phone stores it: PCM in RIFF/WAVE files and resources,
// and the PCM formats the wave-out device accepts.
//
// The parser only ever reads inside the bytes it is given, however the sizes
// inside them lie, and says in words what is wrong with data it refuses.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/include/mmsystem.h"
#include "platform/kernel/result.h"

namespace platform::audio {

// Linear PCM, 8-bit unsigned or 16-bit signed little-endian samples,
// channels interleaved.
struct PcmFormat {
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint16_t bits = 0;

    std::uint32_t frame_bytes() const { return channels * (bits / 8u); }
};

inline constexpr std::uint32_t lowest_rate = 1000;
inline constexpr std::uint32_t highest_rate = 192000;

struct WavSound {
    PcmFormat format;
    // Whole frames only; a trailing partial frame is dropped.
    std::span<const std::uint8_t> samples;
    // The data chunk claimed more bytes than there were.
    bool truncated = false;
};

// Reads a RIFF/WAVE image: "fmt " and "data" chunks in any order, other
// chunks skipped. Refuses, saying why, anything that is not PCM of 8 or 16
// bits, mono or stereo, at lowest_rate..highest_rate. A data chunk cut short
// plays what is there.
Result<WavSound> parse_wav(std::span<const std::uint8_t> bytes);

// How many bytes a WAV image in memory occupies according to its RIFF header
// (for sounds handed over by pointer alone); 0 when the first 8 bytes are not
// a RIFF header.
std::uint64_t riff_image_size(const std::uint8_t* header8);

// Checks a format passed to waveOutOpen. MMSYSERR_INVALPARAM for null,
// WAVERR_BADFORMAT for anything but consistent PCM the mixer can play.
MMRESULT check_wave_format(const WAVEFORMATEX* format, PcmFormat* pcm);

}  // namespace platform::audio
