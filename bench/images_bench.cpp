// The framework's picture costs: decoding a full-screen PNG into an OvImage
// (once per picture per run), drawing it over the whole 16-bit screen-sized
// back buffer (every frame), and the message box's popup frame from the
// built ovres.dll.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include <objbase.h>
#include <windows.h>
#include <zlib.h>

#include "ovfc/graphics/ov_dc_helpers.h"
#include "ovfc/graphics/ov_image.h"
#include "platform/files/device_root.h"
#include "platform/imaging/imaging_factory.h"

namespace {

constexpr int screen_width = 480, screen_height = 720;

void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data)
{
    put32(out, static_cast<std::uint32_t>(data.size()));
    std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, static_cast<std::uint32_t>(crc32(0, &out[start], static_cast<uInt>(out.size() - start))));
}

// A compressed RGBA PNG with smooth gradients and a soft alpha edge, the
// kind of picture the shaver's screens are made of.
std::vector<std::uint8_t> make_png(int width, int height)
{
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            raw.push_back(static_cast<std::uint8_t>(x * 255 / width));
            raw.push_back(static_cast<std::uint8_t>(y * 255 / height));
            raw.push_back(static_cast<std::uint8_t>((x ^ y) & 0x3F));
            raw.push_back(static_cast<std::uint8_t>(x < 16 ? x * 16 : 255));
        }
    }
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> compressed(size);
    compress2(compressed.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 6);
    compressed.resize(size);
    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<std::uint8_t> header;
    put32(header, static_cast<std::uint32_t>(width));
    put32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0});
    chunk(out, "IHDR", header);
    chunk(out, "IDAT", compressed);
    chunk(out, "IEND", {});
    return out;
}

struct Phone {
    Phone()
    {
        platform::imaging::register_factory();
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        platform::files::set_device_root(VELMOR_BUILT_DEVICE_ROOT);
    }
};

void ensure_phone() { static Phone phone; }

struct BackBuffer {
    BackBuffer()
    {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, screen_width, screen_height);
        ReleaseDC(nullptr, screen);
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

void BM_ImageLoadFullScreenPng(benchmark::State& state)
{
    ensure_phone();
    std::vector<std::uint8_t> png = make_png(screen_width, screen_height);
    for (auto _ : state) {
        OvImage image;
        if (!image.LoadFromBuffer(png.data(), static_cast<UINT>(png.size()), 1, 1, 1)) state.SkipWithError("load");
        benchmark::DoNotOptimize(image.GetDC());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * screen_width * screen_height * 4);
}
BENCHMARK(BM_ImageLoadFullScreenPng)->Unit(benchmark::kMillisecond);

void BM_ImageDrawFullScreen(benchmark::State& state)
{
    ensure_phone();
    std::vector<std::uint8_t> png = make_png(screen_width, screen_height);
    OvImage image;
    if (!image.LoadFromBuffer(png.data(), static_cast<UINT>(png.size()), 1, 1, state.range(0) != 0)) {
        state.SkipWithError("load");
        return;
    }
    BackBuffer buffer;
    RECT all = {0, 0, screen_width, screen_height};
    for (auto _ : state) image.Draw(buffer.dc, &all, TRUE, FALSE);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * screen_width * screen_height * 2);
}
// 1: the alpha path's AlphaBlend; 0: the plain path's StretchBlt.
BENCHMARK(BM_ImageDrawFullScreen)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_PopupFrame(benchmark::State& state)
{
    ensure_phone();
    BackBuffer buffer;
    RECT panel = {26, 220, 26 + 428, 220 + 280};
    if (!OvDrawPopupFrame(buffer.dc, &panel)) {
        state.SkipWithError("ovres.dll not found in the built device root");
        return;
    }
    for (auto _ : state) OvDrawPopupFrame(buffer.dc, &panel);
}
BENCHMARK(BM_PopupFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
