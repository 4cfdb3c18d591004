// The home screen's picture as a start paints it: on a phone starting for the
// first time (its art computed and kept in the device root), and on one that
// has started before (the kept picture read back by a fresh process), beside
// the same drawn from the kept soft shapes alone and a memcpy of the screen.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/files/device_root.h"
#include "platform/shell/art_cache.h"
#include "platform/shell/home_art.h"
#include "platform/shell/home_picture.h"

namespace {

namespace fs = std::filesystem;
using namespace platform::shell;

// The screen-compatible bitmap the home screen keeps its picture in, under a device root of its own.
struct HomePicture {
    fs::path root = fs::temp_directory_path() / ("velmor-shell-bench-" + std::to_string(getpid()));
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;

    HomePicture()
    {
        fs::remove_all(root);
        platform::files::set_device_root(root);
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, screen_width, screen_height);
        ReleaseDC(nullptr, screen);
        previous = SelectObject(dc, bitmap);
    }
    ~HomePicture()
    {
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(bitmap);
        fs::remove_all(root);
    }

    // Nothing kept, in the process or in the device root.
    void forget_everything()
    {
        forget_kept_layers();
        fs::remove_all(root / "Windows" / "Shell Art");
    }
};

void BM_HomeScreenFirstStart(benchmark::State& state)
{
    HomePicture home;
    for (auto _ : state) {
        state.PauseTiming();
        home.forget_everything();
        state.ResumeTiming();
        home_picture(0)->copy_onto(home.dc, 0, 0);
    }
}

// A new process: what the device root keeps is read, nothing is in memory yet.
void BM_HomeScreenStartedBefore(benchmark::State& state)
{
    HomePicture home;
    home_picture(0)->copy_onto(home.dc, 0, 0);
    for (auto _ : state) {
        state.PauseTiming();
        forget_kept_layers();
        state.ResumeTiming();
        home_picture(0)->copy_onto(home.dc, 0, 0);
    }
}

// The same drawn from the kept soft shapes alone, without the finished picture: what the picture saves.
void BM_HomeScreenFromKeptLayers(benchmark::State& state)
{
    HomePicture home;
    draw_home_screen(home.dc, 0);
    for (auto _ : state) {
        state.PauseTiming();
        forget_kept_layers();
        state.ResumeTiming();
        draw_home_screen(home.dc, 0);
    }
}

// A page turned in a running phone: the picture is in memory.
void BM_HomeScreenPageTurned(benchmark::State& state)
{
    HomePicture home;
    home_picture(1)->copy_onto(home.dc, 0, 0);
    for (auto _ : state) home_picture(1)->copy_onto(home.dc, 0, 0);
}

void BM_Memcpy565Screen(benchmark::State& state)
{
    std::size_t bytes = std::size_t(screen_width) * screen_height * 2;
    std::vector<char> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
    }
}

}  // namespace

BENCHMARK(BM_HomeScreenFirstStart)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HomeScreenStartedBefore)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HomeScreenFromKeptLayers)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HomeScreenPageTurned)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Memcpy565Screen)->Unit(benchmark::kMicrosecond);
