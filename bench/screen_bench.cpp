// Reading the 480 x 720 RGB565 screen back as 0x00RRGGBB, as a window, a
// recording or a check takes it, beside a memcpy of the screen's own bytes:
// the row conversion, the per-pixel conversion it replaced, and the frame
// copy every presentation makes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/gdi/pixel_format.h"
#include "platform/gdi/rgb565_rows.h"
#include "platform/gdi/screen.h"

namespace {

using platform::gdi::Screen;

constexpr std::size_t screen_pixels = Screen::pixel_count;

std::vector<std::uint16_t> noise_frame()
{
    std::mt19937 random(565);
    std::vector<std::uint16_t> pixels(screen_pixels);
    for (auto& pixel : pixels) pixel = static_cast<std::uint16_t>(random());
    return pixels;
}

void BM_MemcpyScreen(benchmark::State& state)
{
    auto source = noise_frame();
    std::vector<std::uint16_t> target(screen_pixels);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), screen_pixels * sizeof(std::uint16_t));
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(screen_pixels * sizeof(std::uint16_t)));
}

void BM_RowConversionToXrgb(benchmark::State& state)
{
    auto source = noise_frame();
    std::vector<std::uint32_t> target(screen_pixels);
    for (auto _ : state) {
        for (int y = 0; y < Screen::height; ++y)
            platform::gdi::rgb565_row_to_xrgb(source.data() + std::size_t(y) * Screen::width,
                target.data() + std::size_t(y) * Screen::width, Screen::width);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(screen_pixels * sizeof(std::uint16_t)));
}

void BM_PerPixelConversionToXrgb(benchmark::State& state)
{
    auto source = noise_frame();
    std::vector<std::uint32_t> target(screen_pixels);
    for (auto _ : state) {
        for (std::size_t i = 0; i < screen_pixels; ++i)
            target[i] = platform::gdi::pixel_to_xrgb(platform::gdi::PixelFormat::rgb565, source[i]);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(screen_pixels * sizeof(std::uint16_t)));
}

// What a presentation costs when nothing records and no window shows it:
// one copy of the screen into a frame of its own.
void BM_ScreenFrame(benchmark::State& state)
{
    for (auto _ : state) {
        platform::gdi::ScreenFrame frame = platform::gdi::screen().frame();
        benchmark::DoNotOptimize(frame.row(0));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(screen_pixels * sizeof(std::uint16_t)));
}

void BM_ScreenReadXrgb(benchmark::State& state)
{
    for (auto _ : state) {
        auto pixels = platform::gdi::screen().read_xrgb();
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(screen_pixels * sizeof(std::uint16_t)));
}

}  // namespace

BENCHMARK(BM_MemcpyScreen)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RowConversionToXrgb)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PerPixelConversionToXrgb)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScreenFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScreenReadXrgb)->Unit(benchmark::kMicrosecond);
