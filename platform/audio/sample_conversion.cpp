// Conversion to the output format through SDL's audio streams, which
// resample with a windowed-sinc filter and need no audio device: SDL need
// not be initialised for them.
#include "platform/audio/sample_conversion.h"

#include <SDL.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

namespace platform::audio {

static_assert(std::endian::native == std::endian::little, "samples are handled in the host's byte order");

namespace {

Failure sdl_refused() { return Failure {std::string("cannot convert the sound: ") + SDL_GetError()}; }

}  // namespace

Result<SharedSamples> convert_to_output(const PcmFormat& format, std::span<const std::uint8_t> samples)
{
    std::size_t frame_bytes = format.frame_bytes();
    if (frame_bytes == 0) return Failure {"no sample format"};
    std::size_t usable = samples.size() - samples.size() % frame_bytes;
    auto result = std::make_shared<OutputSamples>();
    if (usable == 0) return SharedSamples(std::move(result));

    // The common case needs no conversion at all.
    if (format.rate == output_rate && format.channels == output_channels && format.bits == 16) {
        result->resize(usable / 2);
        std::memcpy(result->data(), samples.data(), usable);
        return SharedSamples(std::move(result));
    }

    SDL_AudioFormat source_format = format.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    SDL_AudioStream* stream = SDL_NewAudioStream(source_format, static_cast<Uint8>(format.channels),
        static_cast<int>(format.rate), AUDIO_S16SYS, output_channels, output_rate);
    if (!stream) return sdl_refused();
    // SDL's stream drops the tail its resampler still holds when it is
    // flushed, so the sound is followed by silence that carries the tail out,
    // and the result is cut to the sound's own length.
    std::size_t padding_frames = format.rate / 5 + 64;
    std::vector<std::uint8_t> padding(padding_frames * frame_bytes, format.bits == 8 ? 0x80 : 0x00);
    // Fed in slices: SDL takes an int length.
    constexpr std::size_t slice = 1u << 24;
    bool fed = true;
    for (std::size_t offset = 0; offset < usable && fed; offset += slice) {
        std::size_t length = std::min(slice, usable - offset);
        fed = SDL_AudioStreamPut(stream, samples.data() + offset, static_cast<int>(length)) == 0;
    }
    if (fed) fed = SDL_AudioStreamPut(stream, padding.data(), static_cast<int>(padding.size())) == 0;
    if (fed) fed = SDL_AudioStreamFlush(stream) == 0;
    if (!fed) {
        Failure failure = sdl_refused();
        SDL_FreeAudioStream(stream);
        return failure;
    }
    int available = SDL_AudioStreamAvailable(stream);
    result->resize(static_cast<std::size_t>(available) / sizeof(std::int16_t));
    int got = available > 0 ? SDL_AudioStreamGet(stream, result->data(), available) : 0;
    // SDL's message is read before the stream goes: freeing may set another.
    std::optional<Failure> refused;
    if (got < 0) refused = sdl_refused();
    SDL_FreeAudioStream(stream);
    if (refused) return *refused;
    std::uint64_t source_frames = usable / frame_bytes;
    std::uint64_t wanted = std::max<std::uint64_t>(1, (source_frames * output_rate + format.rate / 2) / format.rate);
    std::uint64_t frames =
        std::min<std::uint64_t>(wanted, static_cast<std::size_t>(got) / (sizeof(std::int16_t) * output_channels));
    result->resize(static_cast<std::size_t>(frames) * output_channels);
    return SharedSamples(std::move(result));
}

}  // namespace platform::audio
