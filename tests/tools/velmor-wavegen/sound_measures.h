// What a listener would notice about a sound, measured on its samples: its
// pitch, its loudness over time, how bright it is.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace velmor_wavegen_test {

inline std::vector<double> as_doubles(const std::vector<std::int16_t>& samples)
{
    std::vector<double> out(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) out[i] = samples[i] / 32768.0;
    return out;
}

inline double rms(const std::vector<double>& signal, std::size_t begin, std::size_t end)
{
    end = std::min(end, signal.size());
    if (begin >= end) return 0;
    double sum = 0;
    for (std::size_t i = begin; i < end; ++i) sum += signal[i] * signal[i];
    return std::sqrt(sum / static_cast<double>(end - begin));
}

// The fundamental of a buzz in [begin, end): the shortest lag whose
// normalised autocorrelation comes within 10 % of the best in the 60–400 Hz
// range, so a harmonic-rich hum is not read an octave low.
inline double pitch_hz(const std::vector<double>& signal, std::size_t begin, std::size_t end, double rate)
{
    end = std::min(end, signal.size());
    const auto shortest = static_cast<std::size_t>(rate / 400);
    const auto longest = static_cast<std::size_t>(rate / 60);
    if (end < begin + 2 * longest) return 0;
    std::vector<double> correlation(longest + 1, 0.0);
    double best = 0;
    for (std::size_t lag = shortest; lag <= longest; ++lag) {
        double product = 0, energy_a = 0, energy_b = 0;
        for (std::size_t i = begin; i + lag < end; ++i) {
            product += signal[i] * signal[i + lag];
            energy_a += signal[i] * signal[i];
            energy_b += signal[i + lag] * signal[i + lag];
        }
        correlation[lag] = energy_a > 0 && energy_b > 0 ? product / std::sqrt(energy_a * energy_b) : 0;
        best = std::max(best, correlation[lag]);
    }
    for (std::size_t lag = shortest; lag <= longest; ++lag) {
        // A local peak near the best one.
        bool peak =
            correlation[lag] >= correlation[lag - 1] && (lag == longest || correlation[lag] >= correlation[lag + 1]);
        if (peak && correlation[lag] >= 0.9 * best) return rate / static_cast<double>(lag);
    }
    return 0;
}

// Mean size of a step between neighbouring samples against the mean size of
// a sample: higher for a brighter, rougher sound.
inline double brightness(const std::vector<double>& signal)
{
    double steps = 0, level = 0;
    for (std::size_t i = 1; i < signal.size(); ++i) {
        steps += std::abs(signal[i] - signal[i - 1]);
        level += std::abs(signal[i]);
    }
    return level > 0 ? steps / level : 0;
}

// Where the sound's energy sits in time, from 0 (all at the start) to 1.
inline double energy_centre(const std::vector<double>& signal)
{
    double weighted = 0, total = 0;
    for (std::size_t i = 0; i < signal.size(); ++i) {
        weighted += static_cast<double>(i) * signal[i] * signal[i];
        total += signal[i] * signal[i];
    }
    return total > 0 && signal.size() > 1 ? weighted / total / static_cast<double>(signal.size() - 1) : 0;
}

inline int largest_step(const std::vector<std::int16_t>& samples)
{
    int largest = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) largest = std::max(largest, std::abs(samples[i] - samples[i - 1]));
    return largest;
}

}  // namespace velmor_wavegen_test
