#include "motor.h"

#include <cmath>
#include <numbers>

namespace velmor_wavegen {

namespace {

constexpr double two_pi = 2 * std::numbers::pi;

// Cutter passes per motor turn: the rasp pulses this much faster than the hum.
constexpr int cutter_passes = 2;

double harmonic_level(const MotorTimbre& timbre, int k, double frequency)
{
    double level = 1.0 / std::pow(static_cast<double>(k), timbre.roll_off);
    if (k % 2 == 1) level *= 1.0 + timbre.odd_emphasis;
    const double distance = (frequency - timbre.body_hz) / (0.35 * timbre.body_hz);
    return level * (1.0 + timbre.body_gain * std::exp(-distance * distance));
}

// Random but fixed starting phases: aligned phases would stack every harmonic
// into one tall spike per cycle and leave the rest of the waveform quiet.
std::vector<double> harmonic_phases(const MotorTimbre& timbre)
{
    NoiseSource source(timbre.seed * 7919 + 17);
    std::vector<double> phases(timbre.harmonics + 1);
    for (double& phase : phases) phase = std::numbers::pi * source.next();
    return phases;
}

// The fraction of the largest level the rasp keeps at a point of the motor
// turn.
double chop(double depth, double turn_phase)
{
    return 1.0 - depth * (0.5 + 0.5 * std::cos(cutter_passes * turn_phase));
}

bool whole_cycles(double frequency, std::size_t samples, double sample_rate)
{
    const double cycles = frequency * static_cast<double>(samples) / sample_rate;
    return std::abs(cycles - std::round(cycles)) < 1e-9;
}

}  // namespace

bool loop_is_seamless(const MotorLoop& loop, double sample_rate)
{
    return loop.loop_samples > 0 && whole_cycles(loop.fundamental_hz, loop.loop_samples, sample_rate) &&
        whole_cycles(loop.flutter_hz, loop.loop_samples, sample_rate);
}

Signal render_motor_loop(const MotorLoop& loop, std::size_t count, double sample_rate)
{
    const MotorTimbre& timbre = loop.timbre;
    const std::vector<double> phases = harmonic_phases(timbre);
    const Signal rasp =
        periodic_noise(loop.loop_samples, timbre.rasp_low_hz, timbre.rasp_high_hz, sample_rate, timbre.seed);
    std::vector<double> levels(timbre.harmonics + 1, 0.0);
    for (int k = 1; k <= timbre.harmonics; ++k)
        if (k * loop.fundamental_hz < 0.45 * sample_rate)
            levels[k] = harmonic_level(timbre, k, k * loop.fundamental_hz);

    Signal out(count);
    for (std::size_t i = 0; i < count; ++i) {
        // Phases from the sample index, not an accumulator, so the second pass
        // through the loop repeats the first to the last bit the sine allows.
        const double t = static_cast<double>(i) / sample_rate;
        const double turn = two_pi * loop.fundamental_hz * t;
        double hum = 0;
        for (int k = 1; k <= timbre.harmonics; ++k)
            if (levels[k] != 0) hum += levels[k] * std::sin(k * turn + phases[k]);
        const double noise = rasp.empty() ? 0 : rasp[i % loop.loop_samples];
        const double flutter = 1.0 - loop.flutter_depth * (0.5 + 0.5 * std::sin(two_pi * loop.flutter_hz * t));
        out[i] = flutter * (hum + timbre.rasp_level * 3.0 * chop(timbre.chop_depth, turn) * noise);
    }
    return out;
}

Signal render_motor_burst(const MotorBurst& burst, double sample_rate)
{
    const MotorTimbre& timbre = burst.timbre;
    const auto count = static_cast<std::size_t>(std::lround(burst.seconds * sample_rate));
    const std::vector<double> phases = harmonic_phases(timbre);
    const Signal rasp = periodic_noise(count, timbre.rasp_low_hz, timbre.rasp_high_hz, sample_rate, timbre.seed);

    Signal out(count);
    double turn = 0;  // accumulated, since the pitch glides
    for (std::size_t i = 0; i < count; ++i) {
        const double progress = count > 1 ? static_cast<double>(i) / static_cast<double>(count - 1) : 0;
        double frequency;
        if (progress < burst.middle_at)
            frequency = burst.start_hz + (burst.middle_hz - burst.start_hz) * progress / burst.middle_at;
        else
            frequency = burst.middle_hz +
                (burst.end_hz - burst.middle_hz) * (progress - burst.middle_at) / (1.0 - burst.middle_at);

        double hum = 0;
        for (int k = 1; k <= timbre.harmonics; ++k) {
            if (k * frequency >= 0.45 * sample_rate) break;
            hum += harmonic_level(timbre, k, k * frequency) * std::sin(k * turn + phases[k]);
        }
        const double t = static_cast<double>(i) / sample_rate;
        double level = 1.0;
        if (burst.pulse_hz > 0) level -= burst.pulse_depth * (0.5 - 0.5 * std::cos(two_pi * burst.pulse_hz * t));
        out[i] = level * (hum + timbre.rasp_level * 3.0 * chop(timbre.chop_depth, turn) * rasp[i]);
        turn = std::fmod(turn + two_pi * frequency / sample_rate, two_pi * 64);
    }
    apply_fades(out, static_cast<std::size_t>(burst.attack_seconds * sample_rate),
        static_cast<std::size_t>(burst.release_seconds * sample_rate));
    return out;
}

}  // namespace velmor_wavegen
