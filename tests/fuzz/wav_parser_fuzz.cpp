// Feeds arbitrary bytes to the WAV parser and, when it accepts them, reads
// every sample and converts them to the output format, so a bound that is
// off anywhere shows up as a sanitizer report.
#include <cstddef>
#include <cstdint>

#include "platform/audio/sample_conversion.h"
#include "platform/audio/wav_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::span<const std::uint8_t> bytes(data, size);
    auto sound = platform::audio::parse_wav(bytes);
    if (!sound) {
        if (sound.failure().message.empty()) __builtin_trap();  // a refusal must say why
        return 0;
    }
    if (sound->samples.data() < data || sound->samples.data() + sound->samples.size() > data + size) __builtin_trap();
    if (sound->samples.size() % sound->format.frame_bytes() != 0) __builtin_trap();
    auto converted = platform::audio::convert_to_output(sound->format, sound->samples);
    if (!converted || (*converted)->size() % 2 != 0) __builtin_trap();
    unsigned sum = 0;
    for (std::uint8_t byte : sound->samples) sum += byte;
    volatile unsigned keep = sum;
    (void)keep;
    return 0;
}
