// What the shaver pays for its frames and its start: the main screen while
// running (every countdown tick and tap redraws it), one intro frame, one
// fade frame, the start-up with its twenty pictures and ten sounds, and a
// whole golden session of velmor in virtual time, wall clock.
#include <benchmark/benchmark.h>

#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "app/shaver_main_wnd.h"
#include "app/shaver_messages.h"
#include "platform/host/phone_boot.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/debug_output.h"

namespace {

namespace fs = std::filesystem;

// A headless phone on a copy of the device root the build lays out, started
// as the host starts one, without the shell.
class Phone {
public:
    Phone()
    {
        root_ = fs::temp_directory_path() / ("shaver-bench-" + std::to_string(getpid()));
        fs::remove_all(root_);
        fs::copy(VELMOR_BUILT_DEVICE_ROOT, root_, fs::copy_options::recursive);
        fs::remove(root_ / "registry.reg");
        platform::debug_output::discard();
        platform::host::PhoneBootOptions options;
        options.device_root = root_;
        options.shell = false;
        boot_ = std::make_unique<platform::host::PhoneBoot>(options);
        if (auto up = boot_->bring_up(); !up) {
            std::fprintf(stderr, "shaver_bench: %s\n", up.failure().text().c_str());
            std::exit(1);
        }
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    }
    ~Phone()
    {
        boot_.reset();
        fs::remove_all(root_);
    }

private:
    fs::path root_;
    std::unique_ptr<platform::host::PhoneBoot> boot_;
};

Phone& phone()
{
    static Phone instance;
    return instance;
}

void pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

// A shaver window whose start-up has run, on the main screen.
std::unique_ptr<ShaverMainWnd> main_screen()
{
    phone();
    ShaverForgetFirstPaint();
    auto window = std::make_unique<ShaverMainWnd>();
    window->Create(0, 0, SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT, nullptr, 0, 0, 0);
    window->Show(true, true);
    UpdateWindow(window->GetHwnd());
    window->OnLButtonDown(0, 400, 300);
    pump();
    return window;
}

void BM_DrawMainScreenRunning(benchmark::State& state)
{
    auto window = main_screen();
    window->OnLButtonDown(0, 240, 560);
    window->OnLButtonDown(0, 240, 100);
    if (!window->IsRunning()) state.SkipWithError("the shaver did not start");
    for (auto _ : state) window->DrawMainScreen();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DrawMainScreenRunning)->Unit(benchmark::kMicrosecond);

// The intro draws 68 frames; its cost per frame.
void BM_IntroFrame(benchmark::State& state)
{
    auto window = main_screen();
    for (auto _ : state) window->RunIntro();
    state.SetItemsProcessed(state.iterations() * 68);
    state.counters["ms/frame"] =
        benchmark::Counter(double(state.iterations() * 68), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_IntroFrame)->Unit(benchmark::kMillisecond);

// The fade draws 50 frames and the main screen.
void BM_FadeFrame(benchmark::State& state)
{
    auto window = main_screen();
    for (auto _ : state) window->RunPromptFade();
    state.SetItemsProcessed(state.iterations() * 51);
    state.counters["ms/frame"] =
        benchmark::Counter(double(state.iterations() * 51), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FadeFrame)->Unit(benchmark::kMillisecond);

// A new window through its first paint: the intro, then twenty pictures
// decoded and ten variant files read and opened.
void BM_StartUp(benchmark::State& state)
{
    phone();
    for (auto _ : state) {
        ShaverForgetFirstPaint();
        ShaverMainWnd window;
        window.Create(0, 0, SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT, nullptr, 0, 0, 0);
        window.Show(true, true);
        UpdateWindow(window.GetHwnd());
        if (window.GetVariantChannel(0) == nullptr) state.SkipWithError("the variants did not load");
    }
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond)->Iterations(10);

// velmor under the golden script, as its own process: start, a minute of
// the shaver's time, exit.
void BM_GoldenSessionWallTime(benchmark::State& state)
{
    fs::path root = fs::temp_directory_path() / ("shaver-golden-" + std::to_string(getpid()));
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(root);
        fs::copy(VELMOR_BUILT_DEVICE_ROOT, root, fs::copy_options::recursive);
        fs::remove(root / "registry.reg");
        std::string command = std::string("'") + SHAVER_VELMOR + "' --headless --device-root '" + root.string() +
            "' --script '" + SHAVER_GOLDEN_SCRIPT + "' >/dev/null 2>&1";
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0) state.SkipWithError("the golden session failed");
    }
    fs::remove_all(root);
}
BENCHMARK(BM_GoldenSessionWallTime)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
