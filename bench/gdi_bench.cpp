// The drawing costs of a frame: the full-screen background picture blended
// opaquely into the 16-bit back buffer, the back buffer copied to the screen,
// and the largest per-pixel-alpha picture (350 x 230) blended over it.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include <windows.h>

namespace {

struct Surface {
    Surface(int bits, int width, int height)
    {
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateBitmap(width, height, 1, static_cast<UINT>(bits), nullptr);
        previous = SelectObject(dc, bitmap);
        // Something other than zeros, with alpha varying across the picture.
        for (int y = 0; y < height; y += 7)
            for (int x = 0; x < width; x += 5) SetPixelV(dc, x, y, RGB(x & 0xFF, y & 0xFF, (x + y) & 0xFF));
    }
    ~Surface()
    {
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
};

constexpr int screen_width = 480, screen_height = 720;

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

void BM_OpaqueBlend32To565FullScreen(benchmark::State& state)
{
    Surface picture(32, screen_width, screen_height), back(16, screen_width, screen_height);
    BLENDFUNCTION opaque {AC_SRC_OVER, 0, 255, 0};
    for (auto _ : state)
        AlphaBlend(back.dc, 0, 0, screen_width, screen_height, picture.dc, 0, 0, screen_width, screen_height, opaque);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * screen_width * screen_height * 4);
}

void BM_Memcpy32BitScreen(benchmark::State& state)
{
    memcpy_bytes(state, std::size_t(screen_width) * screen_height * 4);
}

void BM_Copy565FullScreen(benchmark::State& state)
{
    Surface back(16, screen_width, screen_height);
    HDC screen = GetDC(nullptr);
    for (auto _ : state) BitBlt(screen, 0, 0, screen_width, screen_height, back.dc, 0, 0, SRCCOPY);
    ReleaseDC(nullptr, screen);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * screen_width * screen_height * 2);
}

void BM_Memcpy565Screen(benchmark::State& state) { memcpy_bytes(state, std::size_t(screen_width) * screen_height * 2); }

void BM_PerPixelBlend350x230(benchmark::State& state)
{
    // Premultiplied pixels with every alpha level, as pictures are drawn.
    BITMAPINFO info {};
    info.bmiHeader = BITMAPINFOHEADER {sizeof(BITMAPINFOHEADER), 350, -230, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto pixels = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < 230; ++y)
        for (int x = 0; x < 350; ++x) {
            std::uint32_t a = (x + y) & 0xFF;
            pixels[y * 350 + x] = (a << 24) | (a << 16) | ((a / 2) << 8) | (a / 3);
        }
    HDC picture = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(picture, section);
    Surface back(16, screen_width, screen_height);
    BLENDFUNCTION per_pixel {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    for (auto _ : state) AlphaBlend(back.dc, 63, 0, 350, 230, picture, 0, 0, 350, 230, per_pixel);
    SelectObject(picture, previous);
    DeleteDC(picture);
    DeleteObject(section);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 350 * 230 * 4);
}

void BM_Memcpy350x230x32(benchmark::State& state) { memcpy_bytes(state, std::size_t(350) * 230 * 4); }

}  // namespace

BENCHMARK(BM_OpaqueBlend32To565FullScreen);
BENCHMARK(BM_Memcpy32BitScreen);
BENCHMARK(BM_Copy565FullScreen);
BENCHMARK(BM_Memcpy565Screen);
BENCHMARK(BM_PerPixelBlend350x230);
BENCHMARK(BM_Memcpy350x230x32);
