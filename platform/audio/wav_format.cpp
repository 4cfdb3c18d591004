// Parsing of RIFF/WAVE images and checking of wave-out formats.
#include "platform/audio/wav_format.h"

#include <cstring>
#include <optional>

namespace platform::audio {
namespace {

std::uint16_t read16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t read32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
        (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool tag_is(const std::uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

// The checks shared by files and wave-out.
Result<void> check_pcm(
    std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t block_align, std::uint16_t bits)
{
    if (tag != WAVE_FORMAT_PCM) return Failure("format tag " + std::to_string(tag) + " is not PCM");
    if (channels != 1 && channels != 2)
        return Failure(std::to_string(channels) + " channels (only mono or stereo play)");
    if (bits != 8 && bits != 16) return Failure(std::to_string(bits) + " bits per sample (only 8 or 16 play)");
    if (rate < lowest_rate || rate > highest_rate)
        return Failure("sample rate " + std::to_string(rate) + " Hz is out of range");
    unsigned expected = channels * (bits / 8u);
    if (block_align != expected) {
        return Failure("block align " + std::to_string(block_align) + " does not match " + std::to_string(channels) +
            " channels of " + std::to_string(bits) + " bits");
    }
    return {};
}

}  // namespace

Result<WavSound> parse_wav(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 12) return Failure("shorter than a RIFF header (" + std::to_string(bytes.size()) + " bytes)");
    const std::uint8_t* base = bytes.data();
    if (!tag_is(base, "RIFF") || !tag_is(base + 8, "WAVE")) return Failure("not a RIFF/WAVE file");

    // Writers that stream often leave the RIFF size at 0 or too large, so it
    // only narrows the walk when it is plausible.
    std::uint64_t end = bytes.size();
    std::uint64_t riff_end = 8 + static_cast<std::uint64_t>(read32(base + 4));
    if (riff_end >= 12 && riff_end < end) end = riff_end;

    const std::uint8_t* fmt = nullptr;
    std::optional<std::span<const std::uint8_t>> data;
    bool truncated = false;

    std::uint64_t offset = 12;
    while (offset + 8 <= end) {
        const std::uint8_t* header = base + offset;
        std::uint32_t size = read32(header + 4);
        std::uint64_t body = offset + 8;
        std::uint64_t available = end - body;
        if (tag_is(header, "fmt ") && !fmt) {
            if (size < 16) return Failure("fmt chunk of " + std::to_string(size) + " bytes is too short");
            if (size > available) return Failure("fmt chunk is cut short");
            fmt = base + body;
        } else if (tag_is(header, "data") && !data) {
            std::uint64_t length = size;
            if (length > available) {
                length = available;
                truncated = true;
            }
            data = bytes.subspan(static_cast<std::size_t>(body), static_cast<std::size_t>(length));
        }
        // Chunks are padded to an even size.
        offset = body + static_cast<std::uint64_t>(size) + (size & 1u);
    }

    if (!fmt) return Failure("no fmt chunk");
    if (!data) return Failure("no data chunk");

    std::uint16_t tag = read16(fmt);
    WavSound sound;
    sound.format.channels = read16(fmt + 2);
    sound.format.rate = read32(fmt + 4);
    std::uint16_t block_align = read16(fmt + 12);
    sound.format.bits = read16(fmt + 14);
    Result<void> playable = check_pcm(tag, sound.format.channels, sound.format.rate, block_align, sound.format.bits);
    if (!playable) return playable.failure();

    std::size_t whole = data->size() - data->size() % sound.format.frame_bytes();
    sound.samples = data->first(whole);
    sound.truncated = truncated;
    return sound;
}

std::uint64_t riff_image_size(const std::uint8_t* header8)
{
    if (!header8 || !tag_is(header8, "RIFF")) return 0;
    return 8 + static_cast<std::uint64_t>(read32(header8 + 4));
}

MMRESULT check_wave_format(const WAVEFORMATEX* format, PcmFormat* pcm)
{
    if (!format) return MMSYSERR_INVALPARAM;
    Result<void> playable = check_pcm(
        format->wFormatTag, format->nChannels, format->nSamplesPerSec, format->nBlockAlign, format->wBitsPerSample);
    if (!playable) return WAVERR_BADFORMAT;
    if (pcm) *pcm = PcmFormat {format->nChannels, format->nSamplesPerSec, format->wBitsPerSample};
    return MMSYSERR_NOERROR;
}

}  // namespace platform::audio
