#include "shaver_sounds.h"

#include <cmath>
#include <numbers>

namespace velmor_wavegen {

namespace {

constexpr double rate = shaver_sample_rate;
constexpr double two_pi = 2 * std::numbers::pi;

// Peaks leave room for a shake's buzz to mix over the running loop.
constexpr double loop_peak = 0.42;
constexpr double click_peak = 0.6;
constexpr double variant_peak = 0.55;

std::size_t samples_for(double seconds) { return static_cast<std::size_t>(std::lround(seconds * rate)); }

// The switch itself: a short broadband snap and the ring of the plastic
// around it, decaying within a few milliseconds.
void add_snap(Signal& out, double at_seconds, double ring_hz, double ring_ms, double level, std::uint64_t seed)
{
    const std::size_t start = samples_for(at_seconds);
    const Signal snap = periodic_noise(samples_for(0.006), 1500, 9000, rate, seed);
    for (std::size_t i = 0; i < snap.size() && start + i < out.size(); ++i) {
        const double decay = std::exp(-static_cast<double>(i) / (0.0012 * rate));
        out[start + i] += level * 0.5 * decay * snap[i];
    }
    const std::size_t ring = samples_for(ring_ms * 5 / 1000.0);
    for (std::size_t i = 0; i < ring && start + i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double decay = std::exp(-t / (ring_ms / 1000.0));
        out[start + i] += level * decay * (std::sin(two_pi * ring_hz * t) + 0.4 * std::sin(two_pi * ring_hz * 2.7 * t));
    }
}

// The motor catching or dying away behind the switch.
void add_whir(Signal& out, double at_seconds, double seconds, double from_hz, double to_hz, double level, bool rising,
    std::uint64_t seed)
{
    MotorBurst whir;
    whir.seconds = seconds;
    whir.start_hz = from_hz;
    whir.middle_hz = (from_hz + to_hz) / 2;
    whir.end_hz = to_hz;
    whir.middle_at = 0.5;
    whir.attack_seconds = rising ? seconds * 0.8 : 0.01;
    whir.release_seconds = rising ? 0.015 : seconds * 0.85;
    whir.timbre.harmonics = 16;
    whir.timbre.rasp_level = 0.15;
    whir.timbre.seed = seed;
    Signal sound = render_motor_burst(whir, rate);
    normalise(sound, level);
    const std::size_t start = samples_for(at_seconds);
    for (std::size_t i = 0; i < sound.size() && start + i < out.size(); ++i) out[start + i] += sound[i];
}

}  // namespace

MotorLoop normal_motor()
{
    MotorLoop loop;
    loop.fundamental_hz = 112;
    loop.flutter_hz = 3;
    loop.flutter_depth = 0.06;
    loop.loop_samples = samples_for(2.0);
    loop.timbre.harmonics = 28;
    loop.timbre.roll_off = 1.1;
    loop.timbre.body_hz = 1600;
    loop.timbre.body_gain = 1.2;
    loop.timbre.rasp_level = 0.18;
    loop.timbre.chop_depth = 0.5;
    loop.timbre.seed = 104;
    return loop;
}

MotorLoop alternative_motor()
{
    MotorLoop loop;
    loop.fundamental_hz = 146;
    loop.flutter_hz = 7;
    loop.flutter_depth = 0.18;
    loop.loop_samples = samples_for(2.0);
    loop.timbre.harmonics = 36;
    loop.timbre.roll_off = 0.8;
    loop.timbre.odd_emphasis = 0.9;
    loop.timbre.body_hz = 2600;
    loop.timbre.body_gain = 2.0;
    loop.timbre.rasp_level = 0.38;
    loop.timbre.rasp_low_hz = 2800;
    loop.timbre.rasp_high_hz = 8500;
    loop.timbre.chop_depth = 0.85;
    loop.timbre.seed = 101;
    return loop;
}

Signal render_click(Click click)
{
    Signal out;
    switch (click) {
    case Click::switch_on:
        out.assign(samples_for(0.20), 0.0);
        add_snap(out, 0.0, 1900, 6, 1.0, 1061);
        add_whir(out, 0.012, 0.18, 45, 112, 0.35, true, 1062);
        break;
    case Click::switch_off:
        out.assign(samples_for(0.22), 0.0);
        add_snap(out, 0.0, 1150, 9, 1.0, 1051);
        add_whir(out, 0.004, 0.21, 112, 35, 0.3, false, 1052);
        break;
    case Click::mode:
        // Two light ticks, a detent clicking into place.
        out.assign(samples_for(0.09), 0.0);
        add_snap(out, 0.0, 2700, 3, 0.8, 1081);
        add_snap(out, 0.045, 3400, 3, 1.0, 1082);
        break;
    }
    normalise(out, click_peak);
    apply_fades(out, 0, samples_for(0.004));
    return out;
}

MotorBurst variant_burst(int index)
{
    struct Shape {
        double seconds, start_hz, middle_hz, end_hz, middle_at, pulse_hz, attack, release, roll_off, odd, rasp;
    };
    // Each one a different stroke: quick passes, a long pull with the motor
    // dragging, a stutter, a rev against the skin ...
    static const Shape shapes[shaver_variant_count] = {
        {0.45, 104, 118, 112, 0.25, 0, 0.02, 0.10, 1.1, 0.0, 0.20},
        {0.80, 88, 126, 104, 0.45, 0, 0.12, 0.20, 1.0, 0.2, 0.25},
        {0.32, 132, 138, 124, 0.30, 0, 0.01, 0.06, 0.9, 0.4, 0.30},
        {1.00, 114, 112, 78, 0.35, 0, 0.04, 0.35, 1.1, 0.1, 0.22},
        {0.62, 112, 116, 112, 0.50, 7, 0.02, 0.10, 1.0, 0.3, 0.25},
        {0.50, 142, 152, 140, 0.40, 0, 0.03, 0.12, 0.8, 0.9, 0.40},
        {0.72, 96, 100, 94, 0.50, 0, 0.10, 0.25, 1.3, 0.0, 0.12},
        {0.90, 120, 122, 116, 0.50, 4, 0.05, 0.15, 0.9, 0.5, 0.45},
        {0.40, 84, 136, 136, 0.70, 0, 0.15, 0.05, 1.0, 0.3, 0.28},
        {0.66, 126, 102, 124, 0.50, 0, 0.04, 0.12, 1.0, 0.6, 0.32},
    };
    const Shape& shape = shapes[index < 0 ? 0 : index % shaver_variant_count];
    MotorBurst burst;
    burst.seconds = shape.seconds;
    burst.start_hz = shape.start_hz;
    burst.middle_hz = shape.middle_hz;
    burst.end_hz = shape.end_hz;
    burst.middle_at = shape.middle_at;
    burst.pulse_hz = shape.pulse_hz;
    burst.attack_seconds = shape.attack;
    burst.release_seconds = shape.release;
    burst.timbre.roll_off = shape.roll_off;
    burst.timbre.odd_emphasis = shape.odd;
    burst.timbre.rasp_level = shape.rasp;
    burst.timbre.seed = 200 + static_cast<std::uint64_t>(index);
    return burst;
}

std::vector<ShaverSound> shaver_sounds()
{
    auto loop = [](const MotorLoop& motor) {
        Signal signal = render_motor_loop(motor, motor.loop_samples, rate);
        normalise(signal, loop_peak);
        return to_pcm16(signal);
    };
    std::vector<ShaverSound> sounds;
    sounds.push_back({"motor_normal.wav", loop(normal_motor())});
    sounds.push_back({"motor_alternative.wav", loop(alternative_motor())});
    sounds.push_back({"click_on.wav", to_pcm16(render_click(Click::switch_on))});
    sounds.push_back({"click_off.wav", to_pcm16(render_click(Click::switch_off))});
    sounds.push_back({"click_mode.wav", to_pcm16(render_click(Click::mode))});
    for (int i = 0; i < shaver_variant_count; ++i) {
        Signal signal = render_motor_burst(variant_burst(i), rate);
        normalise(signal, variant_peak);
        sounds.push_back({"shaver_v" + std::to_string(i + 1) + ".wav", to_pcm16(signal)});
    }
    return sounds;
}

}  // namespace velmor_wavegen
