// The shaver's motor: a hum of harmonics over a fundamental around 100 Hz, a
// housing resonance that colours it, and the cutters' rasp, a band of noise
// that pulses with every turn of the motor.
#pragma once

#include <cstddef>
#include <cstdint>

#include "synth.h"

namespace velmor_wavegen {

struct MotorTimbre {
    int harmonics = 24;
    double roll_off = 1.0;  // harmonic k has level 1 / k^roll_off
    double odd_emphasis = 0.0;  // extra level of the odd harmonics: a squarer, harsher hum
    double body_hz = 1800;  // housing resonance lifting the harmonics near it
    double body_gain = 1.5;
    double rasp_level = 0.25;  // cutter noise against the hum
    double rasp_low_hz = 2200;
    double rasp_high_hz = 6500;
    double chop_depth = 0.6;  // 0: steady rasp; 1: the rasp falls silent between cutter passes
    std::uint64_t seed = 1;
};

// A steady motor sound that loops: every frequency in it (fundamental,
// harmonics, the flutter and the cutter pulses) is a whole number of cycles
// per loop, and the rasp is noise with the loop's period, so the sample after
// the last continues the waveform exactly.
struct MotorLoop {
    double fundamental_hz = 110;  // a whole number of cycles per loop
    double flutter_hz = 2;  // slow amplitude flutter, whole cycles per loop too
    double flutter_depth = 0.08;
    std::size_t loop_samples = 44100;
    MotorTimbre timbre;
};

// True when every frequency of the loop completes whole cycles in it.
bool loop_is_seamless(const MotorLoop& loop, double sample_rate);

// Renders count samples; past loop_samples the loop repeats itself.
Signal render_motor_loop(const MotorLoop& loop, std::size_t count, double sample_rate);

// A one-shot buzz whose pitch glides from start_hz to middle_hz (reached at
// middle_at, a fraction of the length) and on to end_hz, with an optional
// pulsing and a shaped attack and release.
struct MotorBurst {
    double seconds = 0.5;
    double start_hz = 100, middle_hz = 115, end_hz = 110;
    double middle_at = 0.3;
    double pulse_hz = 0;  // 0: steady
    double pulse_depth = 0.6;
    double attack_seconds = 0.03;
    double release_seconds = 0.08;
    MotorTimbre timbre;
};

Signal render_motor_burst(const MotorBurst& burst, double sample_rate);

}  // namespace velmor_wavegen
