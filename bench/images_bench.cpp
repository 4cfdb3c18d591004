// The framework's picture costs: decoding a full-screen PNG into an OvImage
// (once per picture per run), drawing it over the whole 16-bit screen-sized
// back buffer (every frame), and the message box's popup frame from the
// built ovres.dll. Then the shaver's own pictures at start-up: each decoded
// from its PNG against read back from the kept pictures, and the main
// picture put into a 16-bit bitmap row by row against staged and blitted.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <objbase.h>
#include <windows.h>
#include <zlib.h>

#include "ovfc/graphics/ov_dc_helpers.h"
#include "ovfc/graphics/ov_image.h"
#include "platform/files/device_root.h"
#include "platform/imaging/image_source.h"
#include "platform/imaging/imaging_factory.h"
#include "platform/imaging/picture_keeper.h"
#include "platform/imaging/sha256.h"

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

namespace fs = std::filesystem;

// A copy of the built phone, so the pictures the factory keeps stay out of
// the build's own device root.
struct Phone {
    Phone()
    {
        platform::imaging::register_factory();
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        std::string pattern = (fs::temp_directory_path() / "images-bench-XXXXXX").string();
        if (mkdtemp(pattern.data())) root = pattern;
        std::error_code error;
        fs::copy(VELMOR_BUILT_DEVICE_ROOT, root, fs::copy_options::recursive, error);
        platform::files::set_device_root(root);
    }
    ~Phone()
    {
        std::error_code error;
        fs::remove_all(root, error);
    }
    fs::path root;
};

Phone& ensure_phone()
{
    static Phone phone;
    return phone;
}

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

// The shaver's pictures as the build made them, beside its device root.
const std::vector<std::string>& shaver_pictures()
{
    static const std::vector<std::string> names = {"101_intro", "102_main", "103_switch_on", "104_near_mark",
        "105_panel", "106_head_alt_still", "107_head_rotary", "108_head_alt_running", "109_level_1", "114_cycle_2",
        "119_prompt_lit"};
    return names;
}

std::vector<std::uint8_t> shaver_picture(const std::string& name)
{
    fs::path file = fs::path(VELMOR_BUILT_DEVICE_ROOT).parent_path() / "brisell" / (name + ".png");
    std::ifstream in(file, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void BM_ShaverPictureDecode(benchmark::State& state)
{
    std::vector<std::uint8_t> png = shaver_picture(shaver_pictures()[std::size_t(state.range(0))]);
    state.SetLabel(shaver_pictures()[std::size_t(state.range(0))] + " " + std::to_string(png.size()) + " B");
    for (auto _ : state) {
        auto picture = platform::imaging::decode_picture(png);
        if (!picture) state.SkipWithError("decode");
        benchmark::DoNotOptimize(picture);
    }
}

// Found by the digest of its bytes and read back; the first pass keeps it.
void BM_ShaverPictureKept(benchmark::State& state)
{
    std::vector<std::uint8_t> png = shaver_picture(shaver_pictures()[std::size_t(state.range(0))]);
    state.SetLabel(shaver_pictures()[std::size_t(state.range(0))] + " " + std::to_string(png.size()) + " B");
    // Every size is kept here, to see where reading back stops paying.
    platform::imaging::PictureKeeper keeper(
        ensure_phone().root / "bench-kept", platform::imaging::PictureKeeper::default_folder_limit, 0);
    if (!keeper.decode(png)) state.SkipWithError("decode");
    for (auto _ : state) {
        auto picture = keeper.decode(png);
        if (!picture) state.SkipWithError("kept");
        benchmark::DoNotOptimize(picture);
    }
}

void BM_ShaverPictureDigest(benchmark::State& state)
{
    std::vector<std::uint8_t> png = shaver_picture(shaver_pictures()[std::size_t(state.range(0))]);
    for (auto _ : state) benchmark::DoNotOptimize(platform::imaging::Sha256::of(png));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * png.size()));
}

void every_shaver_picture(benchmark::internal::Benchmark* benchmark)
{
    for (std::size_t i = 0; i < shaver_pictures().size(); ++i) benchmark->Arg(std::int64_t(i));
}
BENCHMARK(BM_ShaverPictureDecode)->Apply(every_shaver_picture)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ShaverPictureKept)->Apply(every_shaver_picture)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ShaverPictureDigest)->Arg(1)->Unit(benchmark::kMicrosecond);

// Square pictures of the side given, decoded against read back, for where
// keeping stops paying.
void BM_SmallPictureDecode(benchmark::State& state)
{
    std::vector<std::uint8_t> png = make_png(int(state.range(0)), int(state.range(0)));
    state.SetLabel(std::to_string(png.size()) + " B");
    for (auto _ : state) benchmark::DoNotOptimize(platform::imaging::decode_picture(png));
}

void BM_SmallPictureKept(benchmark::State& state)
{
    std::vector<std::uint8_t> png = make_png(int(state.range(0)), int(state.range(0)));
    state.SetLabel(std::to_string(png.size()) + " B");
    platform::imaging::PictureKeeper keeper(
        ensure_phone().root / "bench-kept", platform::imaging::PictureKeeper::default_folder_limit, 0);
    if (!keeper.decode(png)) state.SkipWithError("decode");
    for (auto _ : state) benchmark::DoNotOptimize(keeper.decode(png));
}
BENCHMARK(BM_SmallPictureDecode)->Arg(4)->Arg(8)->Arg(16)->Arg(32)->Arg(64)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SmallPictureKept)->Arg(4)->Arg(8)->Arg(16)->Arg(32)->Arg(64)->Unit(benchmark::kMicrosecond);

// A shaver picture put at its own size into a 16-bit bitmap, as the shaver
// converts its screens at start: 0 staged and blitted (the general path), 1
// row by row.
void draw_at_own_size(benchmark::State& state, const std::string& name)
{
    ensure_phone();
    auto picture = platform::imaging::decode_picture(shaver_picture(name));
    if (!picture) {
        state.SkipWithError("decode");
        return;
    }
    const platform::imaging::Pixels& pixels = *picture->pixels;
    BackBuffer buffer;
    RECT whole = {0, 0, pixels.width(), pixels.height()};
    platform::imaging::ImageDescription description;
    for (auto _ : state) {
        if (state.range(0) == 0)
            platform::imaging::draw_image_staged(buffer.dc, pixels, whole, whole);
        else
            platform::imaging::draw_image(buffer.dc, pixels, description, &whole, nullptr);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * pixels.width() * pixels.height());
}

void BM_MainPictureToBitmap(benchmark::State& state) { draw_at_own_size(state, "102_main"); }
void BM_HeadPictureToBitmap(benchmark::State& state) { draw_at_own_size(state, "108_head_alt_running"); }
BENCHMARK(BM_MainPictureToBitmap)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeadPictureToBitmap)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
