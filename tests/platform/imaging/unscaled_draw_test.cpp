// Pictures drawn at their own size go row by row into 16- and 32-bit
// bitmaps; every pixel must come out as the staged blit gives it.
#include <random>
#include <vector>

#include "imaging_test_support.h"
#include "platform/gdi/blend_kernels.h"
#include "platform/gdi/screen.h"
#include "platform/imaging/decoders.h"
#include "platform/imaging/image_source.h"
#include "platform/imaging/unscaled_draw.h"

using namespace imaging_test;
using namespace platform::imaging;
using platform::gdi::CpuLevel;

namespace {

struct Case {
    const char* name;
    std::unique_ptr<Pixels> pixels;
};

Bytes bytes_of(std::mt19937& random, std::size_t count)
{
    Bytes bytes(count);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

std::unique_ptr<Pixels> decoded(const Bytes& encoded)
{
    auto picture = decode_picture(encoded);
    EXPECT_TRUE(picture.ok()) << (picture.ok() ? "" : picture.failure().text());
    return picture.ok() ? std::move(picture.value().pixels) : nullptr;
}

// The pictures the decoders make (RGB, RGBA holding every alpha value, a
// palette with transparency, grey, JPEG) and bitmap formats beside them, at
// an odd width.
std::vector<Case> pictures()
{
    std::mt19937 random(14);
    const std::uint32_t width = 37, height = 11;
    std::vector<std::uint32_t> argb(width * height), rgb(width * height);
    for (std::uint32_t i = 0; i < argb.size(); ++i) {
        // Every alpha 0..255 appears, each over varied colours.
        argb[i] = ((i * 7) % 256) << 24 | (random() & 0xFFFFFF);
        rgb[i] = random() & 0xFFFFFF;
    }
    std::vector<Case> cases;
    cases.push_back({"png rgb", decoded(png_from_rgb(width, height, rgb))});
    cases.push_back({"png rgba", decoded(png_from_argb(width, height, argb))});
    PngPicture palette;
    palette.width = width;
    palette.height = height;
    palette.colour = PngColour::palette;
    palette.palette = bytes_of(random, 3 * 16);
    palette.transparency = {0, 128, 255, 1, 254};
    for (std::uint32_t y = 0; y < height; ++y) palette.rows.push_back(Bytes(width, std::uint8_t(y % 16)));
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) palette.rows[y][x] = std::uint8_t((x + y) % 16);
    cases.push_back({"png palette", decoded(encode_png(palette))});
    PngPicture grey;
    grey.width = width;
    grey.height = height;
    grey.colour = PngColour::grey;
    for (std::uint32_t y = 0; y < height; ++y) grey.rows.push_back(bytes_of(random, width));
    cases.push_back({"png grey", decoded(encode_png(grey))});
    cases.push_back({"jpeg", decoded(encode_jpeg(width, height, rgb, JpegKind::colour))});
    for (PixelFormatID format : {PixelFormat32bppRGB, PixelFormat16bppRGB565}) {
        auto pixels = Pixels::allocate(format, int(width), int(height));
        for (int y = 0; y < pixels->height(); ++y) {
            Bytes row = bytes_of(random, std::size_t(pixels->width()) * std::size_t(bytes_per_pixel(format)));
            std::copy(row.begin(), row.end(), pixels->row(y));
        }
        cases.push_back({format == PixelFormat32bppRGB ? "bitmap 32 rgb" : "bitmap 565", std::move(pixels)});
    }
    return cases;
}

struct Placement {
    RECT source;  // pixels of the picture
    POINT dest;
    RECT clip;  // DC coordinates; empty for none
    RECT excluded;  // cut out of the clip, making it several rectangles
};

std::vector<Placement> placements()
{
    return {
        {{0, 0, 37, 11}, {0, 0}, {}, {}},  // whole, at the corner
        {{0, 0, 37, 11}, {5, 3}, {}, {}},  // offset
        {{0, 0, 37, 11}, {-9, -4}, {}, {}},  // partly off the top-left
        {{0, 0, 37, 11}, {20, 8}, {}, {}},  // partly off the bottom-right
        {{3, 2, 34, 9}, {1, 1}, {}, {}},  // a part of the picture, odd width
        {{1, 0, 2, 11}, {7, 2}, {}, {}},  // a single column
        {{0, 0, 37, 11}, {2, 2}, {4, 3, 30, 12}, {10, 5, 19, 8}},  // clipped round a hole
        {{0, 0, 37, 11}, {100, 100}, {}, {}},  // wholly outside
    };
}

class Target {
public:
    Target(int bits, std::uint32_t seed)
        : surface(bits, 48, 16)
    {
        std::mt19937 random(seed);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 48; ++x) surface.set_raw(x, y, random() & (bits == 16 ? 0xFFFFu : 0xFFFFFFFFu));
        surface.pixels().set_change_hook([this](const RECT& area) { changes.push_back(area); });
    }
    ~Target() { surface.pixels().set_change_hook(nullptr); }

    void clip(const Placement& placement)
    {
        if (placement.clip.right > placement.clip.left)
            IntersectClipRect(
                surface.dc, placement.clip.left, placement.clip.top, placement.clip.right, placement.clip.bottom);
        if (placement.excluded.right > placement.excluded.left)
            ExcludeClipRect(surface.dc, placement.excluded.left, placement.excluded.top, placement.excluded.right,
                placement.excluded.bottom);
    }
    std::vector<std::uint32_t> raw() const
    {
        std::vector<std::uint32_t> values;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 48; ++x) values.push_back(surface.raw(x, y));
        return values;
    }

    Surface surface;
    std::vector<RECT> changes;
};

bool same_rects(const std::vector<RECT>& a, const std::vector<RECT>& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].left != b[i].left || a[i].top != b[i].top || a[i].right != b[i].right || a[i].bottom != b[i].bottom)
            return false;
    return true;
}

std::vector<CpuLevel> levels()
{
    std::vector<CpuLevel> all;
    for (CpuLevel level : {CpuLevel::scalar, CpuLevel::sse2, CpuLevel::avx2})
        if (level <= platform::gdi::supported_cpu_level()) all.push_back(level);
    return all;
}

class UnscaledDraw : public ImagingTest {
protected:
    void TearDown() override
    {
        platform::gdi::force_cpu_level(platform::gdi::supported_cpu_level());
        ImagingTest::TearDown();
    }
};

}  // namespace

TEST_F(UnscaledDraw, GivesTheStagedBlitsPixelsForEveryFormatPlacementDepthAndCpuLevel)
{
    auto cases = pictures();
    for (CpuLevel level : levels()) {
        platform::gdi::force_cpu_level(level);
        for (const Case& picture : cases) {
            ASSERT_TRUE(picture.pixels) << picture.name;
            for (int bits : {16, 32}) {
                int index = 0;
                for (const Placement& placement : placements()) {
                    SCOPED_TRACE(std::string(picture.name) + ", " + std::to_string(bits) + " bits, placement " +
                        std::to_string(index++) + ", " + platform::gdi::cpu_level_name(level));
                    Target fast(bits, 7), staged(bits, 7);
                    fast.clip(placement);
                    staged.clip(placement);
                    ASSERT_TRUE(draw_unscaled(fast.surface.dc, *picture.pixels, placement.source, placement.dest));
                    RECT dest {placement.dest.x, placement.dest.y,
                        placement.dest.x + placement.source.right - placement.source.left,
                        placement.dest.y + placement.source.bottom - placement.source.top};
                    ASSERT_EQ(draw_image_staged(staged.surface.dc, *picture.pixels, placement.source, dest), S_OK);
                    EXPECT_EQ(fast.raw(), staged.raw());
                    EXPECT_TRUE(same_rects(fast.changes, staged.changes));
                }
            }
        }
    }
}

TEST_F(UnscaledDraw, DecodedImagesTakeItAtTheirOwnSizeAndOtherDrawsKeepTheStagedPath)
{
    std::vector<std::uint32_t> argb(9 * 5);
    for (std::size_t i = 0; i < argb.size(); ++i) argb[i] = std::uint32_t(i * 37) << 24 | std::uint32_t(i * 0x10305);
    Bytes encoded = png_from_argb(9, 5, argb);
    Ref<IImage> image;
    ASSERT_EQ(load(encoded, image), S_OK);
    auto pixels = decoded(encoded);
    ASSERT_TRUE(pixels);
    for (RECT dest : {RECT {2, 1, 11, 6}, RECT {0, 0, 18, 10}, RECT {1, 1, 5, 4}}) {
        Target drawn(16, 3), staged(16, 3);
        ASSERT_EQ(image->Draw(drawn.surface.dc, &dest, nullptr), S_OK);
        ASSERT_EQ(draw_image_staged(staged.surface.dc, *pixels, RECT {0, 0, 9, 5}, dest), S_OK);
        EXPECT_EQ(drawn.raw(), staged.raw());
    }
}

TEST_F(UnscaledDraw, LeavesTargetsAndFormatsItDoesNotCoverToTheBlits)
{
    auto pixels = Pixels::allocate_zeroed(PixelFormat24bppRGB, 4, 4);
    RECT whole {0, 0, 4, 4};
    for (int bits : {1, 24}) {
        Surface surface(bits, 8, 8);
        EXPECT_FALSE(draw_unscaled(surface.dc, *pixels, whole, POINT {0, 0})) << bits;
    }
    Surface surface(16, 8, 8);
    for (PixelFormatID format : {PixelFormat32bppPARGB, PixelFormat16bppRGB555}) {
        auto other = Pixels::allocate_zeroed(format, 4, 4);
        EXPECT_FALSE(draw_unscaled(surface.dc, *other, whole, POINT {0, 0}));
    }
    EXPECT_FALSE(draw_unscaled(nullptr, *pixels, whole, POINT {0, 0}));
    // Where coordinates are clamped the drawn size would differ.
    EXPECT_FALSE(draw_unscaled(surface.dc, *pixels, whole, POINT {(1 << 28) - 2, 0}));
}

TEST_F(UnscaledDraw, AWindowsDcDrawsAtItsOriginInsideItsVisibleRegion)
{
    using namespace platform::gdi;
    auto cases = pictures();
    Region visible(RECT {100, 100, 150, 115});
    visible.subtract(Region(RECT {110, 104, 120, 108}));  // covered by another window
    for (const Case& picture : cases) {
        SCOPED_TRACE(picture.name);
        std::vector<std::uint32_t> drawn[2];
        for (int staged = 0; staged < 2; ++staged) {
            screen().fill(RGB(40, 90, 160));
            HDC dc = create_window_dc(POINT {100, 100}, visible);
            RECT source {0, 0, 37, 11};
            if (staged)
                ASSERT_EQ(draw_image_staged(dc, *picture.pixels, source, RECT {-3, 2, 34, 13}), S_OK);
            else
                ASSERT_TRUE(draw_unscaled(dc, *picture.pixels, source, POINT {-3, 2}));
            ReleaseDC(nullptr, dc);
            drawn[staged] = screen().read_xrgb();
        }
        EXPECT_EQ(drawn[0], drawn[1]);
    }
}
