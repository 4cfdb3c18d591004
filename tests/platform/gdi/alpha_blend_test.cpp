#include <vector>

#include "gdi_test_support.h"

using gdi_test::stored;
using gdi_test::Surface;

namespace {

// x / 255 rounded to nearest.
std::uint32_t divide(std::uint32_t x) { return (2 * x + 255) / 510; }

// One channel of dest = source' + (1 - alpha') x dest, where source' and
// alpha' are the source scaled by the constant alpha first.
std::uint32_t blended(std::uint32_t source, std::uint32_t alpha, std::uint32_t dest, std::uint32_t constant)
{
    std::uint32_t scaled = divide(source * constant);
    std::uint32_t scaled_alpha = divide(alpha * constant);
    return std::min<std::uint32_t>(255, scaled + divide(dest * (255 - scaled_alpha)));
}

std::uint32_t channel(std::uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }

BLENDFUNCTION blend(BYTE constant, BYTE format) { return BLENDFUNCTION {AC_SRC_OVER, 0, constant, format}; }

// Premultiplied source pixels and destination pixels covering the corners of
// the arithmetic: alpha 0, 1, 127, 128, 254, 255 with colours up to alpha.
struct Cases {
    std::vector<std::uint32_t> sources, dests;
    Cases()
    {
        const std::uint32_t alphas[] = {0, 1, 127, 128, 254, 255};
        const std::uint32_t dest_values[] = {0x00000000, 0xFFFFFFFF, 0x80FF7F01, 0x3C123456};
        for (std::uint32_t a : alphas)
            for (std::uint32_t d : dest_values) {
                sources.push_back((a << 24) | (a << 16) | ((a / 2) << 8) | (a / 3));
                dests.push_back(d);
            }
    }
};

}  // namespace

TEST(AlphaBlend, PerPixelAlphaOnto32BitsFollowsTheFormulaExactly)
{
    Cases cases;
    int n = static_cast<int>(cases.sources.size());
    for (BYTE constant : {255, 254, 128, 1}) {
        Surface source(32, n, 1), dest(32, n, 1);
        for (int i = 0; i < n; ++i) {
            source.set_raw(i, 0, cases.sources[static_cast<std::size_t>(i)]);
            dest.set_raw(i, 0, cases.dests[static_cast<std::size_t>(i)]);
        }
        ASSERT_TRUE(AlphaBlend(dest.dc, 0, 0, n, 1, source.dc, 0, 0, n, 1, blend(constant, AC_SRC_ALPHA)));
        for (int i = 0; i < n; ++i) {
            std::uint32_t s = cases.sources[static_cast<std::size_t>(i)], d = cases.dests[static_cast<std::size_t>(i)];
            std::uint32_t alpha = s >> 24;
            std::uint32_t got = dest.raw(i, 0);
            for (int shift : {0, 8, 16, 24})
                EXPECT_EQ(channel(got, shift), blended(channel(s, shift), alpha, channel(d, shift), constant))
                    << std::hex << "source " << s << " dest " << d << " constant " << std::dec << int(constant)
                    << " shift " << shift;
        }
    }
}

TEST(AlphaBlend, OntoSixteenBitsWidensBlendsAndNarrows)
{
    Cases cases;
    int n = static_cast<int>(cases.sources.size());
    for (BYTE constant : {255, 100}) {
        Surface source(32, n, 1), dest(16, n, 1);
        for (int i = 0; i < n; ++i) {
            source.set_raw(i, 0, cases.sources[static_cast<std::size_t>(i)]);
            dest.set_raw(i, 0, cases.dests[static_cast<std::size_t>(i)] & 0xFFFF);
        }
        ASSERT_TRUE(AlphaBlend(dest.dc, 0, 0, n, 1, source.dc, 0, 0, n, 1, blend(constant, AC_SRC_ALPHA)));
        for (int i = 0; i < n; ++i) {
            std::uint32_t s = cases.sources[static_cast<std::size_t>(i)];
            std::uint32_t d = cases.dests[static_cast<std::size_t>(i)] & 0xFFFF;
            std::uint32_t r = (d >> 11) & 31, g = (d >> 5) & 63, b = d & 31;
            std::uint32_t wide_r = (r << 3) | (r >> 2), wide_g = (g << 2) | (g >> 4), wide_b = (b << 3) | (b >> 2);
            std::uint32_t alpha = s >> 24;
            std::uint32_t out_r = blended(channel(s, 16), alpha, wide_r, constant);
            std::uint32_t out_g = blended(channel(s, 8), alpha, wide_g, constant);
            std::uint32_t out_b = blended(channel(s, 0), alpha, wide_b, constant);
            std::uint32_t expected = ((out_r >> 3) << 11) | ((out_g >> 2) << 5) | (out_b >> 3);
            EXPECT_EQ(dest.raw(i, 0), expected) << std::hex << "source " << s << " dest " << d;
        }
    }
}

TEST(AlphaBlend, ConstantAlphaMixesEveryChannelIncludingAlpha)
{
    Surface source(32, 2, 1), dest(32, 2, 1);
    source.set_raw(0, 0, 0x10FF8000);
    source.set_raw(1, 0, 0xFF204060);
    dest.set_raw(0, 0, 0xF0000080);
    dest.set_raw(1, 0, 0x00FFFFFF);
    ASSERT_TRUE(AlphaBlend(dest.dc, 0, 0, 2, 1, source.dc, 0, 0, 2, 1, blend(96, 0)));
    for (int i = 0; i < 2; ++i) {
        std::uint32_t s = i ? 0xFF204060u : 0x10FF8000u, d = i ? 0x00FFFFFFu : 0xF0000080u;
        for (int shift : {0, 8, 16, 24}) {
            std::uint32_t expected = divide(channel(s, shift) * 96) + divide(channel(d, shift) * (255 - 96));
            EXPECT_EQ(channel(dest.raw(i, 0), shift), expected) << i << " shift " << shift;
        }
    }
}

TEST(AlphaBlend, OpaqueAndTransparentAreExact)
{
    for (int depth : {16, 32}) {
        Surface picture(32, 3, 1), copied(depth, 3, 1), blended_copy(depth, 3, 1);
        picture.set_raw(0, 0, 0xFF123456);
        picture.set_raw(1, 0, 0x00ABCDEF);
        picture.set_raw(2, 0, 0x7F010203);
        // Constant 255 without per-pixel alpha is a plain copy.
        BitBlt(copied.dc, 0, 0, 3, 1, picture.dc, 0, 0, SRCCOPY);
        ASSERT_TRUE(AlphaBlend(blended_copy.dc, 0, 0, 3, 1, picture.dc, 0, 0, 3, 1, blend(255, 0)));
        for (int x = 0; x < 3; ++x) EXPECT_EQ(blended_copy.raw(x, 0) & 0xFFFFFF, copied.raw(x, 0) & 0xFFFFFF) << depth;
        // Constant 0 leaves the destination alone.
        std::uint32_t before = blended_copy.raw(1, 0);
        ASSERT_TRUE(AlphaBlend(blended_copy.dc, 0, 0, 3, 1, picture.dc, 0, 0, 3, 1, blend(0, AC_SRC_ALPHA)));
        EXPECT_EQ(blended_copy.raw(1, 0), before);
    }
}

TEST(AlphaBlend, RefusesBadRectanglesAndSources)
{
    Surface source(32, 4, 4), dest(16, 4, 4), shallow(16, 4, 4);
    SetLastError(0);
    EXPECT_FALSE(AlphaBlend(dest.dc, 0, 0, 4, 4, source.dc, 1, 0, 4, 4, blend(255, AC_SRC_ALPHA)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(AlphaBlend(dest.dc, 0, 0, 4, 4, source.dc, -1, 0, 2, 2, blend(255, AC_SRC_ALPHA)));
    EXPECT_FALSE(AlphaBlend(dest.dc, 0, 0, 4, 4, source.dc, 0, 1, 4, 4, blend(255, 0)));
    EXPECT_FALSE(AlphaBlend(dest.dc, 4, 0, -4, 4, source.dc, 0, 0, 4, 4, blend(255, AC_SRC_ALPHA)));
    EXPECT_FALSE(AlphaBlend(dest.dc, 0, 0, 4, 4, source.dc, 4, 0, -4, 4, blend(255, AC_SRC_ALPHA)));
    // Per-pixel alpha needs a source with alpha.
    EXPECT_FALSE(AlphaBlend(dest.dc, 0, 0, 4, 4, shallow.dc, 0, 0, 4, 4, blend(255, AC_SRC_ALPHA)));
    EXPECT_TRUE(AlphaBlend(dest.dc, 0, 0, 4, 4, shallow.dc, 0, 0, 4, 4, blend(255, 0)));
    EXPECT_FALSE(AlphaBlend(dest.dc, 0, 0, 4, 4, nullptr, 0, 0, 4, 4, blend(255, 0)));
    EXPECT_FALSE(AlphaBlend(nullptr, 0, 0, 4, 4, source.dc, 0, 0, 4, 4, blend(255, 0)));
    EXPECT_FALSE(AlphaBlend(dest.dc, 0, 0, 4, 4, source.dc, 0, 0, 4, 4, BLENDFUNCTION {1, 0, 255, 0}));
    // Empty pieces draw nothing and succeed.
    EXPECT_TRUE(AlphaBlend(dest.dc, 0, 0, 0, 357, source.dc, 0, 0, 0, 4, blend(10, 0)));
}

TEST(AlphaBlend, StretchesClipsAndWorksOnBottomUpSections)
{
    BITMAPINFO info {};
    info.bmiHeader = BITMAPINFOHEADER {sizeof(BITMAPINFOHEADER), 2, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto words = static_cast<std::uint32_t*>(bits);
    words[0] = 0xFF0000FF;  // bottom-left: opaque blue
    words[1] = 0x00000000;  // bottom-right: transparent
    words[2] = 0xFFFF0000;  // top-left: opaque red
    words[3] = 0x80400000;  // top-right: half red, premultiplied
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(source, section);

    Surface dest(32, 4, 4);
    dest.fill_raw(0xFF00FF00);
    IntersectClipRect(dest.dc, 0, 0, 4, 3);
    ASSERT_TRUE(AlphaBlend(dest.dc, 0, 0, 4, 4, source, 0, 0, 2, 2, blend(255, AC_SRC_ALPHA)));
    EXPECT_EQ(dest.raw(0, 0), 0xFFFF0000u);
    EXPECT_EQ(dest.raw(1, 1), 0xFFFF0000u);
    EXPECT_EQ(dest.raw(3, 0), 0xFF407F00u);  // 0x40 + 0; green 255 x 127 / 255
    EXPECT_EQ(dest.raw(0, 2), 0xFF0000FFu);
    EXPECT_EQ(dest.raw(3, 2), 0xFF00FF00u);
    EXPECT_EQ(dest.raw(0, 3), 0xFF00FF00u) << "clipped away";
    SelectObject(source, previous);
    DeleteDC(source);
    DeleteObject(section);
}

TEST(AlphaBlend, FadingToBlackOnSixteenBitsReachesBlack)
{
    // A screen fades by blending black over itself with a small constant
    // alpha again and again; rounding must not keep it from going dark.
    Surface black(16, 4, 1), screen(16, 4, 1);
    screen.fill_raw(0xFFFF);
    for (int alpha = 0; alpha <= 120; alpha += 5)
        AlphaBlend(screen.dc, 0, 0, 4, 1, black.dc, 0, 0, 4, 1, blend(static_cast<BYTE>(alpha), 0));
    COLORREF left = GetPixel(screen.dc, 0, 0);
    EXPECT_LE(GetRValue(left), 16);
    EXPECT_LE(GetGValue(left), 16);
}

TEST(AlphaBlend, OntoMonochromeTakesTheNearerOfBlackAndWhite)
{
    Surface source(32, 2, 1), dest(1, 2, 1);
    source.set_raw(0, 0, 0xFFF0F0F0);
    source.set_raw(1, 0, 0x40101010);
    dest.fill_raw(1);
    ASSERT_TRUE(AlphaBlend(dest.dc, 0, 0, 2, 1, source.dc, 0, 0, 2, 1, blend(255, AC_SRC_ALPHA)));
    EXPECT_EQ(dest.picture(1), "##\n");
    ASSERT_TRUE(AlphaBlend(dest.dc, 0, 0, 2, 1, source.dc, 1, 0, 1, 1, blend(40, 0)));
    EXPECT_EQ(dest.picture(1), "##\n");
    source.set_raw(0, 0, 0xFF000000);
    ASSERT_TRUE(AlphaBlend(dest.dc, 0, 0, 2, 1, source.dc, 0, 0, 1, 1, blend(255, AC_SRC_ALPHA)));
    EXPECT_EQ(dest.picture(1), "..\n");
}
