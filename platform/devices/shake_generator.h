// The readings of a hand shaking the phone, made up from a seed.
//
// A shake is a burst of back-and-forth motion, strongest along one axis of
// the screen, at four to six swings a second, that builds up over a tenth of
// a second and dies away by the end of the burst, with a little sensor noise
// on top. Every reading is a function of the seed and the time alone, so a
// run that reads the sensor at the same moments sees the same values.
#pragma once

#include <cstdint>

namespace platform::devices {

// One reading of the accelerometer, in counts of 1/64 g on each axis.
struct Acceleration {
    std::int8_t x = 0;
    std::int8_t y = 0;
    std::int8_t z = 0;
    friend bool operator==(const Acceleration&, const Acceleration&) = default;
};

// The phone lying face up on a table.
inline constexpr Acceleration resting_acceleration {0, 0, 64};

class ShakeBurst {
public:
    ShakeBurst(std::uint32_t seed, std::uint64_t start_ms, std::uint32_t duration_ms);

    std::uint64_t start() const { return start_; }
    std::uint64_t end() const { return start_ + duration_; }
    bool active_at(std::uint64_t time) const { return time >= start_ && time < end(); }

    // rest plus the motion of the burst at time; rest itself outside the burst.
    Acceleration reading_at(std::uint64_t time, Acceleration rest) const;

    double frequency_hz() const { return frequency_hz_; }
    double peak_counts() const { return amplitude_; }

private:
    double envelope(double elapsed_ms) const;

    std::uint32_t seed_;
    std::uint64_t start_;
    std::uint32_t duration_;
    double frequency_hz_;
    double amplitude_;
    double weight_[3];
    double phase_[3];
    double wander_radians_;
    double wander_period_ms_;
    double wander_phase_;
};

}  // namespace platform::devices
