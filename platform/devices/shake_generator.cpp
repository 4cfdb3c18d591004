#include "platform/devices/shake_generator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace platform::devices {
namespace {

// splitmix64: a fixed, portable mixer, so the same seed gives the same shake
// on every build (the standard distributions may differ between libraries).
std::uint64_t mix(std::uint64_t value)
{
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

// A value in [0, 1) from the seed and a small index telling draws apart.
double uniform(std::uint32_t seed, std::uint64_t index)
{
    return static_cast<double>(mix((static_cast<std::uint64_t>(seed) << 32) ^ mix(index)) >> 11) * 0x1.0p-53;
}

constexpr double attack_ms = 100.0;
constexpr double noise_counts = 3.0;

}  // namespace

ShakeBurst::ShakeBurst(std::uint32_t seed, std::uint64_t start_ms, std::uint32_t duration_ms)
    : seed_(seed)
    , start_(start_ms)
    , duration_(std::max<std::uint32_t>(duration_ms, 1))
{
    frequency_hz_ = 4.0 + 2.0 * uniform(seed, 1);
    amplitude_ = 60.0 + 40.0 * uniform(seed, 2);
    // Mostly side to side or up and down the screen; little towards the face.
    int main_axis = uniform(seed, 3) < 0.5 ? 0 : 1;
    weight_[main_axis] = 1.0;
    weight_[1 - main_axis] = 0.2 + 0.3 * uniform(seed, 4);
    weight_[2] = 0.1 + 0.2 * uniform(seed, 5);
    phase_[main_axis] = 0.0;
    // A hand does not swing like a clock: the pace wanders within each burst,
    // so a sensor read at a fixed period never keeps meeting the same point of
    // the swing.
    wander_radians_ = 1.0 + uniform(seed, 8);
    wander_period_ms_ = 450.0 + 200.0 * uniform(seed, 9);
    wander_phase_ = 2.0 * std::numbers::pi * uniform(seed, 10);
    phase_[1 - main_axis] = std::numbers::pi / 2 * uniform(seed, 6);
    phase_[2] = std::numbers::pi / 2 * uniform(seed, 7);
}

double ShakeBurst::envelope(double elapsed_ms) const
{
    double rise = std::min(elapsed_ms / attack_ms, 1.0);
    rise = rise * rise * (3.0 - 2.0 * rise);
    double progress = elapsed_ms / duration_;
    // Dies away along the burst and reaches exactly nothing at its end, so
    // the last readings join the resting ones without a jump.
    return rise * std::exp(-1.5 * progress) * (1.0 - std::pow(progress, 4.0));
}

Acceleration ShakeBurst::reading_at(std::uint64_t time, Acceleration rest) const
{
    if (!active_at(time)) return rest;
    double elapsed = static_cast<double>(time - start_);
    double swing = 2.0 * std::numbers::pi * frequency_hz_ * elapsed / 1000.0 +
        wander_radians_ * std::sin(2.0 * std::numbers::pi * elapsed / wander_period_ms_ + wander_phase_);
    double strength = amplitude_ * envelope(elapsed);
    const std::int8_t resting[3] {rest.x, rest.y, rest.z};
    std::int8_t axes[3];
    for (int axis = 0; axis < 3; ++axis) {
        double noise = noise_counts * (2.0 * uniform(seed_, 16 + (time - start_) * 3 + axis) - 1.0);
        double value = resting[axis] + strength * weight_[axis] * std::sin(swing + phase_[axis]) + noise;
        axes[axis] = static_cast<std::int8_t>(std::clamp(std::lround(value), -128l, 127l));
    }
    return {axes[0], axes[1], axes[2]};
}

}  // namespace platform::devices
