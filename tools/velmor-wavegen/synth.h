// Building blocks of the shaver's sounds: deterministic noise, band-limited
// rasp, fades and the conversion to 16-bit samples. Every function gives the
// same numbers on every run, so a build always makes the same files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmor_wavegen {

using Signal = std::vector<double>;

// White noise from a fixed seed. The standard distributions are avoided: their
// output is left to the library, and the files must not change with it.
class NoiseSource {
public:
    explicit NoiseSource(std::uint64_t seed);
    double next();  // uniform in [-1, 1)

private:
    std::uint64_t state_;
};

// Noise between low_hz and high_hz that repeats every period samples: white
// noise of that period through a circular band-pass, so that a loop made of it
// has no seam. Its RMS is about 1.
Signal periodic_noise(std::size_t period, double low_hz, double high_hz, double sample_rate, std::uint64_t seed);

// Raised-cosine fade in over the first and out over the last samples.
void apply_fades(Signal& signal, std::size_t fade_in, std::size_t fade_out);

// Scales the signal so that its largest magnitude is peak (a silent signal
// stays silent).
void normalise(Signal& signal, double peak);

// Rounds to 16-bit samples, clamping anything beyond full scale.
std::vector<std::int16_t> to_pcm16(const Signal& signal);

}  // namespace velmor_wavegen
