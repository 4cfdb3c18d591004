// Copies at fixed offsets and stretches through reused index tables give the
// same pixels as the sampling rule worked out pixel by pixel.
#include <initializer_list>
#include <random>
#include <vector>

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

namespace {

struct Copy {
    int x, y, w, h, sx, sy;
};

// Copies between bitmaps of the given sizes, with an optional clip, checked
// pixel by pixel: inside everything, the source pixel; elsewhere, untouched.
void check_copies(int depth, SIZE source_size, SIZE dest_size, const RECT* clip, std::initializer_list<Copy> copies)
{
    for (const Copy& c : copies) {
        SCOPED_TRACE(::testing::Message() << depth << " bits, " << dest_size.cx << " wide, copy to " << c.x << ","
                                          << c.y << " from " << c.sx << "," << c.sy);
        Surface source(depth, source_size.cx, source_size.cy), dest(depth, dest_size.cx, dest_size.cy);
        fill_noise(source, 1);
        fill_noise(dest, 2);
        if (clip) IntersectClipRect(dest.dc, clip->left, clip->top, clip->right, clip->bottom);
        RECT allowed = clip ? *clip : RECT {0, 0, dest_size.cx, dest_size.cy};
        std::vector<std::uint32_t> before;
        for (int y = 0; y < dest_size.cy; ++y)
            for (int x = 0; x < dest_size.cx; ++x) before.push_back(dest.raw(x, y));
        ASSERT_TRUE(BitBlt(dest.dc, c.x, c.y, c.w, c.h, source.dc, c.sx, c.sy, SRCCOPY));
        for (int y = 0; y < dest_size.cy; ++y)
            for (int x = 0; x < dest_size.cx; ++x) {
                int sx = x - c.x + c.sx, sy = y - c.y + c.sy;
                bool inside = x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h && x >= allowed.left &&
                    x < allowed.right && y >= allowed.top && y < allowed.bottom && sx >= 0 && sx < source_size.cx &&
                    sy >= 0 && sy < source_size.cy;
                std::uint32_t expected =
                    inside ? source.raw(sx, sy) : before[static_cast<std::size_t>(y * dest_size.cx + x)];
                ASSERT_EQ(dest.raw(x, y), expected) << "at " << x << "," << y;
            }
    }
}

}  // namespace

TEST(BlitPaths, UnstretchedCopiesHangingOffTheSourceCopyOnlyWhatItHas)
{
    RECT clip {1, 0, 36, 20};
    for (int depth : {16, 32}) {
        check_copies(depth, SIZE {31, 17}, SIZE {37, 21}, &clip,
            {{0, 0, 31, 17, 0, 0}, {3, 2, 29, 13, -5, -3}, {1, 1, 30, 16, 7, 4}, {-4, -2, 40, 30, 2, 1},
                {5, 0, 1, 1, 30, 16}, {2, 3, 9, 5, 31, 0}});
        // Bitmaps of one width: whole rows, the frame's case, some of them
        // above or below the source.
        check_copies(depth, SIZE {40, 30}, SIZE {40, 26}, nullptr,
            {{0, 0, 40, 30, 0, 0}, {0, 3, 40, 30, 0, -2}, {0, -1, 40, 12, 0, 25}, {0, 0, 40, 26, 1, 0},
                {0, 5, 40, 7, 0, 0}});
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
