// The blends and copies of a 480 x 720 frame, each beside the bound it is
// measured against in the same run: pixman's OVER and its plain
// x8r8g8b8 -> r5g6b5 conversion for per-pixel blends, memcpy of the frame for
// fades and copies. Blends run at each kernel level (0 reference, 1 SSE2,
// 2 AVX2).
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstring>
#include <random>
#include <vector>

#include <windows.h>

#include "platform/gdi/blend_kernels.h"

namespace {

using platform::gdi::CpuLevel;

constexpr int frame_width = 480, frame_height = 720, strip_height = 96;

// A bitmap of the given depth selected into a memory DC, with its pixels at
// hand.
struct Frame {
    Frame(int bits, int width, int height)
    {
        // A header with the 5-6-5 masks after it for 16 bits.
        struct {
            BITMAPINFOHEADER header;
            DWORD masks[3];
        } info {};
        info.header = BITMAPINFOHEADER {sizeof(BITMAPINFOHEADER), width, -height, 1, static_cast<WORD>(bits),
            static_cast<DWORD>(bits == 16 ? BI_BITFIELDS : BI_RGB), 0, 0, 0, 0, 0};
        info.masks[0] = 0xF800;
        info.masks[1] = 0x07E0;
        info.masks[2] = 0x001F;
        void* bits_out = nullptr;
        bitmap = CreateDIBSection(
            nullptr, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits_out, nullptr, 0);
        pixels = bits_out;
        dc = CreateCompatibleDC(nullptr);
        previous = SelectObject(dc, bitmap);
        bytes = static_cast<std::size_t>(width) * height * static_cast<std::size_t>(bits / 8);
    }
    ~Frame()
    {
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    std::uint32_t* pixels32() const { return static_cast<std::uint32_t*>(pixels); }
    std::uint16_t* pixels16() const { return static_cast<std::uint16_t*>(pixels); }

    HBITMAP bitmap;
    HDC dc;
    HGDIOBJ previous;
    void* pixels;
    std::size_t bytes;
};

std::uint32_t premultiplied(std::uint32_t alpha, std::mt19937& random)
{
    std::uint32_t r = (random() & 0xFF) * alpha / 255, g = (random() & 0xFF) * alpha / 255,
                  b = (random() & 0xFF) * alpha / 255;
    return (alpha << 24) | (r << 16) | (g << 8) | b;
}

// Worst case: every pixel partly transparent.
void fill_worst(Frame& frame)
{
    std::mt19937 random(1);
    for (int i = 0; i < frame_width * frame_height; ++i)
        frame.pixels32()[i] = premultiplied(1 + random() % 254, random);
}

// Like a picture: shapes with soft edges, half of it clear, a third opaque
// (in each 48 pixels 24 clear, 4 edge, 16 opaque, 4 edge), shifted row by row.
void fill_picture(Frame& frame)
{
    std::mt19937 random(2);
    for (int y = 0; y < frame_height; ++y)
        for (int x = 0; x < frame_width; ++x) {
            int phase = (x + y) % 48;
            std::uint32_t alpha = phase < 24 ? 0
                : phase < 28                 ? 51 * static_cast<std::uint32_t>(phase - 23)
                : phase < 44                 ? 255
                                             : 51 * static_cast<std::uint32_t>(48 - phase);
            frame.pixels32()[y * frame_width + x] = alpha ? premultiplied(alpha, random) : 0;
        }
}

void fill_noise(Frame& frame)
{
    std::mt19937 random(3);
    auto bytes = static_cast<std::uint8_t*>(frame.pixels);
    for (std::size_t i = 0; i < frame.bytes; ++i) bytes[i] = static_cast<std::uint8_t>(random());
}

bool use_level(benchmark::State& state)
{
    auto level = static_cast<CpuLevel>(state.range(0));
    if (level > platform::gdi::supported_cpu_level()) {
        state.SkipWithError("this CPU lacks the level");
        return false;
    }
    platform::gdi::force_cpu_level(level);
    state.SetLabel(platform::gdi::cpu_level_name(level));
    return true;
}

void count_frame(benchmark::State& state, std::size_t bytes)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
}

void per_pixel_blend(benchmark::State& state, void (*fill)(Frame&))
{
    if (!use_level(state)) return;
    Frame picture(32, frame_width, frame_height), back(16, frame_width, frame_height);
    fill(picture);
    fill_noise(back);
    BLENDFUNCTION blend {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    for (auto _ : state) {
        AlphaBlend(back.dc, 0, 0, frame_width, frame_height, picture.dc, 0, 0, frame_width, frame_height, blend);
        benchmark::ClobberMemory();
    }
    count_frame(state, picture.bytes);
    platform::gdi::force_cpu_level(platform::gdi::supported_cpu_level());
}

void BM_AlphaBlendPerPixelWorst(benchmark::State& state) { per_pixel_blend(state, fill_worst); }
void BM_AlphaBlendPerPixelPicture(benchmark::State& state) { per_pixel_blend(state, fill_picture); }

// pixman straight on the same pixels.
void pixman_composite(benchmark::State& state, void (*fill)(Frame&), pixman_op_t op, pixman_format_code_t format)
{
    Frame picture(32, frame_width, frame_height), back(16, frame_width, frame_height);
    fill(picture);
    fill_noise(back);
    pixman_image_t* source =
        pixman_image_create_bits(format, frame_width, frame_height, picture.pixels32(), frame_width * 4);
    pixman_image_t* dest = pixman_image_create_bits(
        PIXMAN_r5g6b5, frame_width, frame_height, reinterpret_cast<std::uint32_t*>(back.pixels), frame_width * 2);
    for (auto _ : state) {
        pixman_image_composite32(op, source, nullptr, dest, 0, 0, 0, 0, 0, 0, frame_width, frame_height);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(source);
    pixman_image_unref(dest);
    count_frame(state, picture.bytes);
}

void BM_PixmanOverWorst(benchmark::State& state)
{
    pixman_composite(state, fill_worst, PIXMAN_OP_OVER, PIXMAN_a8r8g8b8);
}
void BM_PixmanOverPicture(benchmark::State& state)
{
    pixman_composite(state, fill_picture, PIXMAN_OP_OVER, PIXMAN_a8r8g8b8);
}
void BM_PixmanConvertX888To565(benchmark::State& state)
{
    pixman_composite(state, fill_picture, PIXMAN_OP_SRC, PIXMAN_x8r8g8b8);
}

// The least any per-pixel blend of the frame costs: the same bytes read and
// written (32-bit source read, 16-bit destination read and written) with a
// single operation per pixel, vectorised by the compiler.
void BM_TouchBlendBytes(benchmark::State& state)
{
    Frame picture(32, frame_width, frame_height), back(16, frame_width, frame_height);
    fill_worst(picture);
    fill_noise(back);
    const std::uint32_t* source = picture.pixels32();
    std::uint16_t* dest = back.pixels16();
    for (auto _ : state) {
        for (int i = 0; i < frame_width * frame_height; ++i) dest[i] ^= static_cast<std::uint16_t>(source[i] >> 8);
        benchmark::ClobberMemory();
    }
    count_frame(state, picture.bytes);
}

void BM_AlphaBlendFade565(benchmark::State& state)
{
    if (!use_level(state)) return;
    Frame from(16, frame_width, frame_height), back(16, frame_width, frame_height);
    fill_noise(from);
    fill_noise(back);
    BLENDFUNCTION blend {AC_SRC_OVER, 0, 128, 0};
    for (auto _ : state) {
        AlphaBlend(back.dc, 0, 0, frame_width, frame_height, from.dc, 0, 0, frame_width, frame_height, blend);
        benchmark::ClobberMemory();
    }
    count_frame(state, back.bytes);
    platform::gdi::force_cpu_level(platform::gdi::supported_cpu_level());
}

void BM_PixmanFade565(benchmark::State& state)
{
    Frame from(16, frame_width, frame_height), back(16, frame_width, frame_height);
    fill_noise(from);
    fill_noise(back);
    pixman_image_t* source = pixman_image_create_bits(
        PIXMAN_r5g6b5, frame_width, frame_height, reinterpret_cast<std::uint32_t*>(from.pixels), frame_width * 2);
    pixman_image_t* dest = pixman_image_create_bits(
        PIXMAN_r5g6b5, frame_width, frame_height, reinterpret_cast<std::uint32_t*>(back.pixels), frame_width * 2);
    pixman_color_t colour {0, 0, 0, 128 * 257};
    pixman_image_t* mask = pixman_image_create_solid_fill(&colour);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, source, mask, dest, 0, 0, 0, 0, 0, 0, frame_width, frame_height);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(mask);
    pixman_image_unref(source);
    pixman_image_unref(dest);
    count_frame(state, back.bytes);
}

void memcpy_bytes(benchmark::State& state, std::size_t bytes)
{
    std::vector<std::uint8_t> from(bytes, 0x5A), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    count_frame(state, bytes);
}

void BM_Memcpy565Frame(benchmark::State& state) { memcpy_bytes(state, std::size_t(frame_width) * frame_height * 2); }
void BM_Memcpy565Strip(benchmark::State& state) { memcpy_bytes(state, std::size_t(frame_width) * strip_height * 2); }

// The back buffer to the screen, as every frame ends.
void bitblt_to_screen(benchmark::State& state, int height)
{
    Frame back(16, frame_width, frame_height);
    fill_noise(back);
    HDC screen = GetDC(nullptr);
    for (auto _ : state) {
        BitBlt(screen, 0, 0, frame_width, height, back.dc, 0, 0, SRCCOPY);
        benchmark::ClobberMemory();
    }
    ReleaseDC(nullptr, screen);
    count_frame(state, std::size_t(frame_width) * height * 2);
}

void BM_BitBltFrameToScreen(benchmark::State& state) { bitblt_to_screen(state, frame_height); }
void BM_BitBltStripToScreen(benchmark::State& state) { bitblt_to_screen(state, strip_height); }

}  // namespace

BENCHMARK(BM_AlphaBlendPerPixelWorst)->DenseRange(0, 2);
BENCHMARK(BM_PixmanOverWorst);
BENCHMARK(BM_AlphaBlendPerPixelPicture)->DenseRange(0, 2);
BENCHMARK(BM_PixmanOverPicture);
BENCHMARK(BM_PixmanConvertX888To565);
BENCHMARK(BM_TouchBlendBytes);
BENCHMARK(BM_AlphaBlendFade565)->DenseRange(0, 2);
BENCHMARK(BM_PixmanFade565);
BENCHMARK(BM_Memcpy565Frame);
BENCHMARK(BM_BitBltFrameToScreen);
BENCHMARK(BM_Memcpy565Strip);
BENCHMARK(BM_BitBltStripToScreen);
