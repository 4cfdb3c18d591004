// AlphaBlend through each kernel level gives the compositor's pixels, with
// odd sizes, clipping, pictures partly off the bitmap and sources that
// overlap their destinations.
#include <pixman.h>

#include <random>
#include <vector>

#include "gdi_test_support.h"
#include "platform/gdi/blend_kernels.h"

using gdi_test::Surface;
using platform::gdi::CpuLevel;

namespace {

struct LevelGuard {
    CpuLevel saved = platform::gdi::cpu_level();
    ~LevelGuard() { platform::gdi::force_cpu_level(saved); }
};

std::vector<CpuLevel> levels_here()
{
    std::vector<CpuLevel> levels;
    for (CpuLevel level : {CpuLevel::scalar, CpuLevel::sse2, CpuLevel::avx2})
        if (level <= platform::gdi::supported_cpu_level()) levels.push_back(level);
    return levels;
}

// Pictures as they come: runs of clear, opaque and soft premultiplied pixels.
void fill_picture(Surface& surface, std::mt19937& random)
{
    auto& bitmap = surface.pixels();
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) {
            std::uint32_t kind = (static_cast<std::uint32_t>(x) / 7 + static_cast<std::uint32_t>(y)) % 3;
            std::uint32_t alpha = kind == 0 ? 0 : kind == 1 ? 255 : random() & 0xFF;
            std::uint32_t r = (random() & 0xFF) * alpha / 255, g = (random() & 0xFF) * alpha / 255,
                          b = (random() & 0xFF) * alpha / 255;
            surface.set_raw(x, y, (alpha << 24) | (r << 16) | (g << 8) | b);
        }
}

void fill_noise(Surface& surface, std::mt19937& random)
{
    auto& bitmap = surface.pixels();
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) surface.set_raw(x, y, static_cast<std::uint32_t>(random()));
}

std::vector<std::uint32_t> snapshot(const Surface& surface)
{
    std::vector<std::uint32_t> pixels;
    auto& bitmap = surface.pixels();
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) pixels.push_back(surface.raw(x, y));
    return pixels;
}

pixman_format_code_t format_of(const Surface& surface, bool with_alpha)
{
    switch (surface.pixels().format()) {
    case platform::gdi::PixelFormat::rgb565:
        return PIXMAN_r5g6b5;
    default:
        return with_alpha ? PIXMAN_a8r8g8b8 : PIXMAN_x8r8g8b8;
    }
}

// What the compositor makes of the blend of a copy of the source's pixels
// onto a copy of the destination's, inside the clip rectangle.
std::vector<std::uint32_t> composited(const Surface& source, const Surface& dest, const RECT& clip, int dest_x,
    int dest_y, int source_x, int source_y, int width, int height, bool per_pixel, unsigned constant)
{
    auto& s = source.pixels();
    auto& d = dest.pixels();
    std::vector<std::uint8_t> source_bytes(static_cast<std::size_t>(s.stride() * s.height()));
    std::vector<std::uint8_t> dest_bytes(static_cast<std::size_t>(d.stride() * d.height()));
    for (int y = 0; y < s.height(); ++y) std::copy_n(s.row(y), s.stride(), source_bytes.data() + y * s.stride());
    for (int y = 0; y < d.height(); ++y) std::copy_n(d.row(y), d.stride(), dest_bytes.data() + y * d.stride());
    pixman_image_t* source_image = pixman_image_create_bits(format_of(source, per_pixel), s.width(), s.height(),
        reinterpret_cast<std::uint32_t*>(source_bytes.data()), static_cast<int>(s.stride()));
    pixman_image_t* dest_image = pixman_image_create_bits(format_of(dest, true), d.width(), d.height(),
        reinterpret_cast<std::uint32_t*>(dest_bytes.data()), static_cast<int>(d.stride()));
    pixman_image_t* mask = nullptr;
    if (constant != 255) {
        pixman_color_t colour {0, 0, 0, static_cast<std::uint16_t>(constant * 257)};
        mask = pixman_image_create_solid_fill(&colour);
    }
    pixman_region32_t region;
    pixman_region32_init_rect(&region, clip.left, clip.top, static_cast<unsigned>(clip.right - clip.left),
        static_cast<unsigned>(clip.bottom - clip.top));
    pixman_image_set_clip_region32(dest_image, &region);
    pixman_image_composite32(
        PIXMAN_OP_OVER, source_image, mask, dest_image, source_x, source_y, 0, 0, dest_x, dest_y, width, height);
    pixman_region32_fini(&region);
    if (mask) pixman_image_unref(mask);
    pixman_image_unref(source_image);
    pixman_image_unref(dest_image);
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < d.height(); ++y)
        for (int x = 0; x < d.width(); ++x)
            pixels.push_back(platform::gdi::read_pixel(d.format(), dest_bytes.data() + y * d.stride(), x));
    return pixels;
}

struct Path {
    int source_bits, dest_bits;
    bool per_pixel;
    BYTE constant;
};

const Path paths[] = {{32, 16, true, 255}, {32, 32, true, 255}, {16, 16, false, 128}, {16, 16, false, 1},
    {32, 16, false, 200}, {16, 16, false, 255}};

}  // namespace

TEST(AlphaBlendLevels, ClippedOddSizedBlendsGiveTheCompositorsPixels)
{
    LevelGuard guard;
    for (CpuLevel level : levels_here()) {
        platform::gdi::force_cpu_level(level);
        for (const Path& path : paths) {
            SCOPED_TRACE(::testing::Message() << platform::gdi::cpu_level_name(level) << " " << path.source_bits
                                              << " onto " << path.dest_bits << " constant " << int(path.constant));
            std::mt19937 random(static_cast<unsigned>(path.constant) * 31 + static_cast<unsigned>(level));
            Surface source(path.source_bits, 61, 23), dest(path.dest_bits, 53, 19);
            if (path.per_pixel)
                fill_picture(source, random);
            else
                fill_noise(source, random);
            fill_noise(dest, random);
            // The picture hangs off the right edge, and a clip keeps a band
            // starting at an odd column.
            RECT clip {5, 2, 50, 17};
            IntersectClipRect(dest.dc, clip.left, clip.top, clip.right, clip.bottom);
            auto expected = composited(source, dest, clip, 9, 1, 3, 2, 47, 18, path.per_pixel, path.constant);
            BLENDFUNCTION blend {AC_SRC_OVER, 0, path.constant, static_cast<BYTE>(path.per_pixel ? AC_SRC_ALPHA : 0)};
            ASSERT_TRUE(AlphaBlend(dest.dc, 9, 1, 47, 18, source.dc, 3, 2, 47, 18, blend));
            EXPECT_EQ(snapshot(dest), expected);
        }
    }
}

TEST(AlphaBlendLevels, SourcesOverlappingTheirDestinationBlendTheirPixelsBeforeTheBlend)
{
    LevelGuard guard;
    for (CpuLevel level : levels_here()) {
        platform::gdi::force_cpu_level(level);
        for (const Path& path : paths) {
            if (path.source_bits != path.dest_bits) continue;
            SCOPED_TRACE(::testing::Message() << platform::gdi::cpu_level_name(level) << " " << path.source_bits
                                              << " bits, constant " << int(path.constant));
            std::mt19937 random(99);
            Surface surface(path.source_bits, 45, 20), original(path.source_bits, 45, 20);
            if (path.per_pixel)
                fill_picture(surface, random);
            else
                fill_noise(surface, random);
            BitBlt(original.dc, 0, 0, 45, 20, surface.dc, 0, 0, SRCCOPY);
            auto expected =
                composited(original, surface, RECT {0, 0, 45, 20}, 6, 3, 1, 1, 37, 15, path.per_pixel, path.constant);
            BLENDFUNCTION blend {AC_SRC_OVER, 0, path.constant, static_cast<BYTE>(path.per_pixel ? AC_SRC_ALPHA : 0)};
            ASSERT_TRUE(AlphaBlend(surface.dc, 6, 3, 37, 15, surface.dc, 1, 1, 37, 15, blend));
            EXPECT_EQ(snapshot(surface), expected);
        }
    }
}
