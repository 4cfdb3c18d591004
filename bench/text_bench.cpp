// The cost of a line of text: the shaver's countdown and a line of the
// message box drawn into the 16-bit back buffer, each beside a memcpy of the
// bytes of the rectangle it is drawn in. Glyphs are rendered once and cached,
// so these measure layout and blending, as every frame after the first pays.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include <windows.h>

#include "platform/include/wintext.h"

namespace {

struct TextSurface {
    TextSurface(int width, int height, LONG font_height)
    {
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateBitmap(width, height, 1, 16, nullptr);
        previous_bitmap = SelectObject(dc, bitmap);
        LOGFONTW description {};
        description.lfHeight = font_height;
        description.lfWeight = FW_NORMAL;
        description.lfQuality = CLEARTYPE_QUALITY;
        font = CreateFontIndirectW(&description);
        previous_font = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0x81, 0x76, 0x52));
    }
    ~TextSurface()
    {
        SelectObject(dc, previous_font);
        SelectObject(dc, previous_bitmap);
        DeleteObject(font);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    HDC dc;
    HBITMAP bitmap;
    HFONT font;
    HGDIOBJ previous_bitmap;
    HGDIOBJ previous_font;
};

void memcpy_bytes(benchmark::State& state, std::size_t bytes)
{
    std::vector<std::uint8_t> from(bytes, 0x5A), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_DrawTextCountdown(benchmark::State& state)
{
    TextSurface surface(480, 720, -44);
    for (auto _ : state) {
        RECT rect {200, 320, 260, 380};
        benchmark::DoNotOptimize(DrawTextW(surface.dc, u"50", -1, &rect, 0x8025));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 60 * 60 * 2);
}

void BM_MemcpyCountdownBytes(benchmark::State& state) { memcpy_bytes(state, std::size_t(60) * 60 * 2); }

void BM_DrawTextShortLine(benchmark::State& state)
{
    TextSurface surface(480, 720, -30);
    for (auto _ : state) {
        RECT rect {26, 220, 414, 260};
        benchmark::DoNotOptimize(DrawTextW(surface.dc, u"确定要退出剃须刀吗？Quit?", -1, &rect, DT_WORDBREAK));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 388 * 40 * 2);
}

void BM_MemcpyShortLineBytes(benchmark::State& state) { memcpy_bytes(state, std::size_t(388) * 40 * 2); }

}  // namespace

BENCHMARK(BM_DrawTextCountdown);
BENCHMARK(BM_MemcpyCountdownBytes);
BENCHMARK(BM_DrawTextShortLine);
BENCHMARK(BM_MemcpyShortLineBytes);
