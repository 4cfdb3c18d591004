#include "synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velmor_wavegen {

namespace {

constexpr int band_pass_taps = 63;

// Windowed-sinc band-pass: a low-pass at high_hz minus one at low_hz.
std::vector<double> band_pass(double low_hz, double high_hz, double sample_rate)
{
    std::vector<double> taps(band_pass_taps);
    const int middle = band_pass_taps / 2;
    const double low = low_hz / sample_rate;
    const double high = high_hz / sample_rate;
    for (int n = 0; n < band_pass_taps; ++n) {
        const int k = n - middle;
        auto low_pass = [k](double cutoff) {
            return k == 0 ? 2 * cutoff : std::sin(2 * std::numbers::pi * cutoff * k) / (std::numbers::pi * k);
        };
        const double window = 0.54 - 0.46 * std::cos(2 * std::numbers::pi * n / (band_pass_taps - 1));
        taps[n] = (low_pass(high) - low_pass(low)) * window;
    }
    return taps;
}

double rms(const Signal& signal)
{
    double sum = 0;
    for (double value : signal) sum += value * value;
    return signal.empty() ? 0 : std::sqrt(sum / static_cast<double>(signal.size()));
}

}  // namespace

NoiseSource::NoiseSource(std::uint64_t seed)
    : state_(seed)
{
}

double NoiseSource::next()
{
    // splitmix64: well mixed even from small consecutive seeds.
    state_ += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

Signal periodic_noise(std::size_t period, double low_hz, double high_hz, double sample_rate, std::uint64_t seed)
{
    if (period == 0) return {};
    NoiseSource source(seed);
    Signal white(period);
    for (double& value : white) value = source.next();

    const std::vector<double> taps = band_pass(low_hz, high_hz, sample_rate);
    const std::size_t middle = taps.size() / 2;
    Signal shaped(period);
    for (std::size_t i = 0; i < period; ++i) {
        double sum = 0;
        for (std::size_t t = 0; t < taps.size(); ++t) {
            // Indices wrap, so the filter sees the noise as an endless loop.
            std::size_t index = (i + period * taps.size() + t - middle) % period;
            sum += taps[t] * white[index];
        }
        shaped[i] = sum;
    }
    const double level = rms(shaped);
    if (level > 0)
        for (double& value : shaped) value /= level;
    return shaped;
}

void apply_fades(Signal& signal, std::size_t fade_in, std::size_t fade_out)
{
    const std::size_t size = signal.size();
    fade_in = std::min(fade_in, size);
    fade_out = std::min(fade_out, size);
    auto rise = [](std::size_t step, std::size_t steps) {
        return 0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(step) / static_cast<double>(steps));
    };
    for (std::size_t i = 0; i < fade_in; ++i) signal[i] *= rise(i, fade_in);
    // The last sample reaches exactly zero, so nothing pops when playback ends.
    for (std::size_t i = 0; i < fade_out; ++i) signal[size - 1 - i] *= rise(i, fade_out);
}

void normalise(Signal& signal, double peak)
{
    double largest = 0;
    for (double value : signal) largest = std::max(largest, std::abs(value));
    if (largest == 0) return;
    const double scale = peak / largest;
    for (double& value : signal) value *= scale;
}

std::vector<std::int16_t> to_pcm16(const Signal& signal)
{
    std::vector<std::int16_t> samples(signal.size());
    for (std::size_t i = 0; i < signal.size(); ++i) {
        double scaled = std::round(signal[i] * 32767.0);
        samples[i] = static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0));
    }
    return samples;
}

}  // namespace velmor_wavegen
