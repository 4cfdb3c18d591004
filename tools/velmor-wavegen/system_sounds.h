// The phone's own click sounds, which the key-sound service plays from
// \Windows whatever program runs: the soft tick of a key and the firmer
// click of a switch.
#pragma once

#include <cstdint>
#include <vector>

#include "shaver_sounds.h"
#include "synth.h"

namespace velmor_wavegen {

constexpr std::uint32_t system_sample_rate = 22050;

// A light, bright tick, over in a few tens of milliseconds: a key press
// should be heard, not noticed.
Signal render_key_tick();

// A toggle snapping over: a harder snap with a little body behind it and
// the lever settling a moment later.
Signal render_switch_click();

// keyloud.wav and switch.wav, ready to write.
std::vector<ShaverSound> system_sounds();

}  // namespace velmor_wavegen
