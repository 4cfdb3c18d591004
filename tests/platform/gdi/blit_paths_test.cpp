// Copies at fixed offsets and stretches through reused index tables give the
// same pixels as the sampling rule worked out pixel by pixel.
#include <random>

#include "gdi_test_support.h"
#include "platform/gdi/blit_engine.h"

using gdi_test::Surface;

namespace {

void fill_noise(Surface& surface, std::uint32_t seed)
{
    std::mt19937 random(seed);
    auto& bitmap = surface.pixels();
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) surface.set_raw(x, y, static_cast<std::uint32_t>(random()));
}

}  // namespace

TEST(BlitPaths, UnstretchedCopiesHangingOffTheSourceCopyOnlyWhatItHas)
{
    for (int depth : {16, 32}) {
        struct Case {
            int x, y, w, h, sx, sy;
        } cases[] = {{0, 0, 31, 17, 0, 0}, {3, 2, 29, 13, -5, -3}, {1, 1, 30, 16, 7, 4}, {-4, -2, 40, 30, 2, 1},
            {5, 0, 1, 1, 30, 16}, {2, 3, 9, 5, 31, 0}};
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message()
                << depth << " bits, copy to " << c.x << "," << c.y << " from " << c.sx << "," << c.sy);
            Surface source(depth, 31, 17), dest(depth, 37, 21);
            fill_noise(source, 1);
            fill_noise(dest, 2);
            IntersectClipRect(dest.dc, 1, 0, 36, 20);
            std::vector<std::uint32_t> before;
            for (int y = 0; y < 21; ++y)
                for (int x = 0; x < 37; ++x) before.push_back(dest.raw(x, y));
            ASSERT_TRUE(BitBlt(dest.dc, c.x, c.y, c.w, c.h, source.dc, c.sx, c.sy, SRCCOPY));
            for (int y = 0; y < 21; ++y)
                for (int x = 0; x < 37; ++x) {
                    int sx = x - c.x + c.sx, sy = y - c.y + c.sy;
                    bool inside = x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h && x >= 1 && x < 36 &&
                        y < 20 && sx >= 0 && sx < 31 && sy >= 0 && sy < 17;
                    std::uint32_t expected = inside ? source.raw(sx, sy) : before[static_cast<std::size_t>(y * 37 + x)];
                    ASSERT_EQ(dest.raw(x, y), expected) << "at " << x << "," << y;
                }
        }
    }
}

TEST(BlitPaths, StretchesOfChangingSizesEachSampleTheirOwnPixels)
{
    Surface source(16, 40, 30);
    fill_noise(source, 3);
    // Sizes come back after others, so reused tables must match their sizes.
    struct Size {
        int w, h, sx, sy, sw, sh;
    } sizes[] = {{20, 10, 0, 0, 40, 30}, {33, 27, 3, 1, 17, 29}, {20, 10, 0, 0, 40, 30}, {20, 10, 1, 0, 39, 30},
        {-20, 10, 0, 0, 40, 30}, {33, 27, 3, 1, 17, 29}, {20, 10, 0, 0, 40, 30}};
    for (int round = 0; round < 2; ++round)
        for (const Size& s : sizes) {
            SCOPED_TRACE(::testing::Message() << s.w << "x" << s.h << " from " << s.sw << "x" << s.sh);
            Surface dest(16, 40, 30);
            int left = s.w < 0 ? -s.w : 0;
            ASSERT_TRUE(StretchBlt(dest.dc, left, 0, s.w, s.h, source.dc, s.sx, s.sy, s.sw, s.sh, SRCCOPY));
            int width = s.w < 0 ? -s.w : s.w;
            for (int y = 0; y < s.h; ++y)
                for (int x = 0; x < width; ++x) {
                    // Nearest pixel through the centres, mirrored when the
                    // width is negative.
                    int kx = static_cast<int>(((2 * x + 1) * s.sw) / (2 * width));
                    if (s.w < 0) kx = s.sw - 1 - kx;
                    int ky = ((2 * y + 1) * s.sh) / (2 * s.h);
                    ASSERT_EQ(dest.raw(x, y), source.raw(s.sx + kx, s.sy + ky)) << "at " << x << "," << y;
                }
        }
}

TEST(BlitPaths, CachedTablesAreTheTablesOfTheirSizes)
{
    for (int i = 0; i < 40; ++i) {
        int length = 1 + i * 7 % 50, source_length = 1 + i * 13 % 61, start = i % 5 - 2;
        bool mirror = i % 3 == 0;
        auto cached = platform::gdi::cached_sample_axis(length, start, source_length, mirror, 0, 40);
        EXPECT_EQ(*cached, platform::gdi::sample_axis(length, start, source_length, mirror, 0, 40)) << i;
        auto again = platform::gdi::cached_sample_axis(length, start, source_length, mirror, 0, 40);
        EXPECT_EQ(again, cached) << "a table asked for twice in a row is built once";
    }
}
