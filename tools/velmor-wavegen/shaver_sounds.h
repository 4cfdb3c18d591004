// Every sound the shaver ships: the two motor loops, the three clicks and the
// ten short buzzes a shake plays, each under the file name the build packs or
// installs it by.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "motor.h"
#include "synth.h"

namespace velmor_wavegen {

constexpr std::uint32_t shaver_sample_rate = 22050;
constexpr int shaver_variant_count = 10;

struct ShaverSound {
    std::string file_name;
    std::vector<std::int16_t> samples;
};

// The motor while it runs: the normal head, and the rougher, higher-pitched
// alternative head.
MotorLoop normal_motor();
MotorLoop alternative_motor();

enum class Click { switch_on, switch_off, mode };
Signal render_click(Click click);

// Variant index 0 to 9, the file shaver_v<index + 1>.wav.
MotorBurst variant_burst(int index);

// All of them, in a fixed order, ready to write.
std::vector<ShaverSound> shaver_sounds();

}  // namespace velmor_wavegen
