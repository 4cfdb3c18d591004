// Mixing the shaver's worst case: the loop sound and all ten variant
// channels at once. "real_time_fraction" is the time one second of output
// takes to mix, as a fraction of that second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "platform/audio/mixer.h"

namespace {

using platform::audio::Mixer;
using platform::audio::output_channels;
using platform::audio::output_rate;
using platform::audio::OutputSamples;

std::shared_ptr<const OutputSamples> hum(double seconds, double frequency)
{
    auto samples = std::make_shared<OutputSamples>(static_cast<std::size_t>(seconds * output_rate) * output_channels);
    for (std::size_t i = 0; i < samples->size(); ++i) {
        double t = static_cast<double>(i / output_channels) / output_rate;
        (*samples)[i] = static_cast<std::int16_t>(6000 * std::sin(2 * M_PI * frequency * t));
    }
    return samples;
}

void BM_MixLoopAndTenVariants(benchmark::State& state)
{
    Mixer mixer(false);
    mixer.play_sound(u"loop", hum(1.3, 115), true);
    std::vector<WAVEHDR> headers(10);
    for (int i = 0; i < 10; ++i) {
        int channel = mixer.open_channel();
        WAVEHDR& header = headers[static_cast<std::size_t>(i)];
        // Looping buffers keep every channel busy however long the run.
        header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
        header.dwLoops = 0xFFFFFFFF;
        mixer.prepare_header(&header);
        mixer.write_buffer(channel, &header, hum(0.4 + 0.1 * i, 100 + 7 * i));
    }
    std::vector<std::int16_t> second(output_rate * output_channels);
    for (auto _ : state) {
        mixer.render(second);
        benchmark::DoNotOptimize(second.data());
    }
    state.counters["real_time_fraction"] =
        benchmark::Counter(1.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_MixLoopAndTenVariants)->Unit(benchmark::kMillisecond);

}  // namespace
