#include "system_sounds.h"

#include <cmath>
#include <numbers>

namespace velmor_wavegen {

namespace {

constexpr double rate = system_sample_rate;
constexpr double two_pi = 2 * std::numbers::pi;

// Far below the shaver's clicks: the key tick plays on every button press.
constexpr double key_tick_peak = 0.3;
constexpr double switch_click_peak = 0.5;

std::size_t samples_for(double seconds) { return static_cast<std::size_t>(std::lround(seconds * rate)); }

// A burst of band-limited noise that dies away exponentially: the contact
// itself.
void add_contact(
    Signal& out, double at_seconds, double low_hz, double high_hz, double decay_ms, double level, std::uint64_t seed)
{
    const std::size_t start = samples_for(at_seconds);
    const Signal noise = periodic_noise(samples_for(decay_ms * 6 / 1000.0), low_hz, high_hz, rate, seed);
    for (std::size_t i = 0; i < noise.size() && start + i < out.size(); ++i)
        out[start + i] += level * std::exp(-static_cast<double>(i) / (decay_ms / 1000.0 * rate)) * noise[i];
}

// A decaying sine: the ring of the part that was struck.
void add_ring(Signal& out, double at_seconds, double hz, double decay_ms, double level)
{
    const std::size_t start = samples_for(at_seconds);
    const std::size_t length = samples_for(decay_ms * 6 / 1000.0);
    for (std::size_t i = 0; i < length && start + i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        out[start + i] += level * std::exp(-t / (decay_ms / 1000.0)) * std::sin(two_pi * hz * t);
    }
}

}  // namespace

Signal render_key_tick()
{
    Signal out(samples_for(0.035), 0.0);
    add_contact(out, 0.0, 3000, 9000, 0.8, 1.0, 3011);
    add_ring(out, 0.0, 3600, 2.5, 0.5);
    add_ring(out, 0.0, 5200, 1.5, 0.3);
    normalise(out, key_tick_peak);
    apply_fades(out, 0, samples_for(0.004));
    return out;
}

Signal render_switch_click()
{
    Signal out(samples_for(0.075), 0.0);
    add_contact(out, 0.0, 1000, 8000, 1.2, 1.0, 3021);
    add_ring(out, 0.0, 1700, 5, 0.7);
    add_ring(out, 0.0, 4300, 2, 0.35);
    // The lever's mass: a short low thump under the snap.
    add_ring(out, 0.0, 190, 9, 0.5);
    // The lever settling against its stop.
    add_contact(out, 0.024, 2000, 7000, 0.6, 0.35, 3022);
    add_ring(out, 0.024, 2500, 2.5, 0.25);
    normalise(out, switch_click_peak);
    apply_fades(out, 0, samples_for(0.005));
    return out;
}

std::vector<ShaverSound> system_sounds()
{
    return {
        {"keyloud.wav", to_pcm16(render_key_tick())},
        {"switch.wav", to_pcm16(render_switch_click())},
    };
}

}  // namespace velmor_wavegen
