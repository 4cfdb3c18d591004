// The framework's drawing costs that a screen pays per frame: a rounded
// gradient panel (off-screen gradient, four masked corners, three copies)
// and a full-screen window transition, reported as frames per second.
#include <benchmark/benchmark.h>

#include <windows.h>

#include "ovfc/graphics/ov_shapes.h"
#include "ovfc/graphics/ov_transition.h"

namespace {

// A 16-bit screen-sized back buffer, as the framework's windows draw into.
struct BackBuffer {
    BackBuffer(int width, int height)
    {
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateBitmap(width, height, 1, 16, nullptr);
        previous = SelectObject(dc, bitmap);
    }
    ~BackBuffer()
    {
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
};

void BM_RoundPanel(benchmark::State& state)
{
    BackBuffer buffer(480, 720);
    RECT panel {20, 200, 460, 200 + static_cast<LONG>(state.range(0))};
    for (auto _ : state) OvDrawRoundPanel(buffer.dc, &panel, 14, 0xF09036, 0xDB621A);
    state.SetItemsProcessed(state.iterations());
    OvReleaseCornerMasks();
}
BENCHMARK(BM_RoundPanel)->Arg(60)->Arg(320);

// Frames of transition nAnim on 480 x 720, counted per second.
void BM_TransitionFrames(benchmark::State& state)
{
    BackBuffer screen(480, 720), from(480, 720), to(480, 720);
    RECT all {0, 0, 480, 720};
    PatBlt(to.dc, 0, 0, 480, 720, WHITENESS);
    // Unselect the pictures: the painter selects them into DCs of its own.
    SelectObject(from.dc, from.previous);
    SelectObject(to.dc, to.previous);
    static const int frames[16] = {0, 22, 22, 22, 22, 19, 19, 19, 19, 23, 23, 20, 20, 46, 55, 11};
    int anim = static_cast<int>(state.range(0));
    for (auto _ : state) OvDrawTransition(from.bitmap, to.bitmap, screen.dc, &all, anim, 24);
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(frames[anim]) * state.iterations(), benchmark::Counter::kIsRate);
    SelectObject(from.dc, from.bitmap);
    SelectObject(to.dc, to.bitmap);
}
BENCHMARK(BM_TransitionFrames)->Arg(1)->Arg(13)->Arg(14)->Arg(15)->Unit(benchmark::kMillisecond);

}  // namespace
