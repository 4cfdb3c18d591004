#include "gdi_test_support.h"

using gdi_test::stored;
using gdi_test::Surface;

namespace {

class BlitPerDepth : public testing::TestWithParam<int> { };

}  // namespace

TEST_P(BlitPerDepth, RasterOperationsCombinePatternSourceAndDestinationBitwise)
{
    int depth = GetParam();
    std::uint32_t mask = depth == 1 ? 1u : depth == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    // Source and destination hold values whose bits differ in every way.
    std::uint32_t s = depth == 1 ? 1u : depth == 16 ? 0xF0F0u : 0x00F0F0F0u;
    std::uint32_t d = depth == 1 ? 0u : depth == 16 ? 0xCCCCu : 0x00CCCCCCu;
    COLORREF brush_colour = depth == 1 ? RGB(255, 255, 255) : RGB(0xA8, 0xAC, 0xA8);
    std::uint32_t p = stored(depth, brush_colour);
    struct {
        DWORD rop;
        std::uint32_t expected;
    } cases[] = {
        {SRCCOPY, s}, {SRCPAINT, s | d}, {SRCAND, s & d}, {SRCINVERT, s ^ d}, {SRCERASE, s & ~d}, {NOTSRCCOPY, ~s},
        {NOTSRCERASE, ~(s | d)}, {DSTINVERT, ~d}, {BLACKNESS, 0}, {WHITENESS, ~0u}, {PATCOPY, p}, {PATINVERT, p ^ d},
        {MERGECOPY, p & s}, {MERGEPAINT, ~s | d},
        {0x00B8074A, (p & ~s) | (d & s)},  // the pattern where the source is 0
    };
    Surface source(depth, 2, 1), dest(depth, 2, 1);
    HBRUSH brush = CreateSolidBrush(brush_colour);
    HGDIOBJ old_brush = SelectObject(dest.dc, brush);
    for (const auto& c : cases) {
        source.fill_raw(s);
        dest.fill_raw(d);
        ASSERT_TRUE(BitBlt(dest.dc, 0, 0, 1, 1, source.dc, 0, 0, c.rop));
        EXPECT_EQ(dest.raw(0, 0), c.expected & mask) << std::hex << "rop " << c.rop;
        EXPECT_EQ(dest.raw(1, 0), d) << "outside the rectangle";
    }
    SelectObject(dest.dc, old_brush);
    DeleteObject(brush);
}

TEST_P(BlitPerDepth, StretchSamplesNearestPixelsAndMirrors)
{
    int depth = GetParam();
    Surface source(depth, 2, 2), dest(depth, 4, 4);
    std::uint32_t a = stored(depth, RGB(255, 255, 255)), b = stored(depth, RGB(0, 0, 0));
    source.set_raw(0, 0, a);
    source.set_raw(1, 0, b);
    source.set_raw(0, 1, b);
    source.set_raw(1, 1, a);
    ASSERT_TRUE(StretchBlt(dest.dc, 0, 0, 4, 4, source.dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(dest.picture(a), "##..\n##..\n..##\n..##\n");
    // A negative destination width mirrors left and right.
    ASSERT_TRUE(StretchBlt(dest.dc, 4, 0, -4, 2, source.dc, 0, 0, 2, 1, SRCCOPY));
    EXPECT_EQ(dest.picture(a), "..##\n..##\n..##\n..##\n");
    // Shrinking keeps one pixel of each pair.
    Surface small(depth, 2, 2);
    ASSERT_TRUE(StretchBlt(small.dc, 0, 0, 2, 2, dest.dc, 0, 0, 4, 4, SRCCOPY));
    EXPECT_EQ(small.picture(a), ".#\n.#\n");
}

INSTANTIATE_TEST_SUITE_P(Depths, BlitPerDepth, testing::Values(1, 16, 32));

TEST(BitBlt, MonochromeSourceTakesTheDestinationColours)
{
    for (int depth : {16, 32}) {
        Surface mono(1, 2, 1), dest(depth, 2, 1);
        mono.set_raw(0, 0, 0);
        mono.set_raw(1, 0, 1);
        SetTextColor(dest.dc, RGB(255, 0, 0));
        SetBkColor(dest.dc, RGB(0, 0, 255));
        // The source DC's colours play no part.
        SetTextColor(mono.dc, RGB(0, 255, 0));
        SetBkColor(mono.dc, RGB(0, 255, 0));
        ASSERT_TRUE(BitBlt(dest.dc, 0, 0, 2, 1, mono.dc, 0, 0, SRCCOPY));
        EXPECT_EQ(GetPixel(dest.dc, 0, 0), RGB(255, 0, 0)) << depth;
        EXPECT_EQ(GetPixel(dest.dc, 1, 0), RGB(0, 0, 255)) << depth;
    }
}

TEST(BitBlt, ColourToMonochromeMarksTheSourceBackgroundColour)
{
    for (int depth : {16, 32}) {
        Surface colour(depth, 3, 1), mono(1, 3, 1);
        SetPixel(colour.dc, 0, 0, RGB(10, 20, 30));
        SetPixel(colour.dc, 1, 0, RGB(255, 255, 255));
        SetPixel(colour.dc, 2, 0, RGB(0, 0, 0));
        SetBkColor(colour.dc, RGB(10, 20, 30));
        SetBkColor(mono.dc, RGB(255, 255, 255));  // not the one that counts
        ASSERT_TRUE(BitBlt(mono.dc, 0, 0, 3, 1, colour.dc, 0, 0, SRCCOPY));
        EXPECT_EQ(mono.picture(1), "#..\n") << depth;
    }
    // The comparison is made in the source's own format: on 16 bits a colour
    // that stores the same as the background counts as the background.
    Surface colour(16, 1, 1), mono(1, 1, 1);
    SetPixel(colour.dc, 0, 0, RGB(0x12, 0x34, 0x56));
    SetBkColor(colour.dc, RGB(0x13, 0x35, 0x57));
    BitBlt(mono.dc, 0, 0, 1, 1, colour.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(mono.raw(0, 0), 1u);
    // The alpha byte of a 32-bit source is no part of its colour.
    Surface deep(32, 1, 1);
    deep.set_raw(0, 0, 0x80FFFFFFu);
    SetBkColor(deep.dc, RGB(255, 255, 255));
    mono.set_raw(0, 0, 0);
    BitBlt(mono.dc, 0, 0, 1, 1, deep.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(mono.raw(0, 0), 1u);
}

TEST(BitBlt, BetweenColourDepthsWidensAndNarrowsChannels)
{
    Surface deep(32, 1, 1), shallow(16, 1, 1);
    deep.set_raw(0, 0, 0xFF123456u);
    ASSERT_TRUE(BitBlt(shallow.dc, 0, 0, 1, 1, deep.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(shallow.raw(0, 0), stored(16, RGB(0x12, 0x34, 0x56)));
    ASSERT_TRUE(BitBlt(deep.dc, 0, 0, 1, 1, shallow.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(deep.raw(0, 0), 0x00103452u);
    // 32 to 32 keeps the alpha byte: pictures are copied with it.
    Surface other(32, 1, 1);
    deep.set_raw(0, 0, 0x80402010u);
    BitBlt(other.dc, 0, 0, 1, 1, deep.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(other.raw(0, 0), 0x80402010u);
}

TEST(BitBlt, ClipsToTheSourceTheDestinationAndTheClipRegion)
{
    Surface source(16, 4, 4), dest(16, 6, 6);
    source.fill_raw(0xFFFF);
    dest.fill_raw(0);
    // Only the part of the source that exists is copied.
    ASSERT_TRUE(BitBlt(dest.dc, 0, 0, 6, 6, source.dc, -1, 2, SRCCOPY));
    EXPECT_EQ(dest.picture(0xFFFF), ".####.\n.####.\n......\n......\n......\n......\n");
    dest.fill_raw(0);
    IntersectClipRect(dest.dc, 1, 1, 3, 6);
    HRGN hole = CreateRectRgn(0, 2, 6, 3);
    ExtSelectClipRgn(dest.dc, hole, RGN_DIFF);
    ASSERT_TRUE(BitBlt(dest.dc, -2, -2, 10, 10, source.dc, -2, -2, SRCCOPY));
    EXPECT_EQ(dest.picture(0xFFFF), "......\n.##...\n......\n.##...\n......\n......\n");
    DeleteObject(hole);
}

TEST(BitBlt, OverlappingCopyWithinOneBitmapReadsTheOriginal)
{
    for (int depth : {1, 16}) {
        Surface surface(depth, 5, 1);
        std::uint32_t on = stored(depth, RGB(255, 255, 255));
        surface.set_raw(0, 0, on);
        surface.set_raw(2, 0, on);
        ASSERT_TRUE(BitBlt(surface.dc, 1, 0, 4, 1, surface.dc, 0, 0, SRCCOPY));
        EXPECT_EQ(surface.picture(on), "##.#.\n") << depth;
    }
}

TEST(MaskBlt, ForegroundWhereTheMaskIsSetBackgroundElsewhere)
{
    for (int depth : {16, 32}) {
        Surface source(depth, 3, 2), dest(depth, 3, 2), mask(1, 4, 3);
        std::uint32_t red = stored(depth, RGB(255, 0, 0)), green = stored(depth, RGB(0, 255, 0));
        source.fill_raw(red);
        dest.fill_raw(green);
        // Mask read from (1, 1): only its pixels (2, 1) and (1, 2) are set.
        mask.set_raw(2, 1, 1);
        mask.set_raw(1, 2, 1);
        SelectObject(mask.dc, mask.previous);  // a mask need not be in a DC
        ASSERT_TRUE(MaskBlt(dest.dc, 0, 0, 3, 2, source.dc, 0, 0, mask.bitmap, 1, 1, MAKEROP4(SRCCOPY, 0x00AA0029)));
        EXPECT_EQ(MAKEROP4(SRCCOPY, 0x00AA0029), 0xAACC0020u);
        EXPECT_EQ(dest.picture(red), ".#.\n#..\n") << depth;
        // Without a mask, the foreground applies everywhere.
        ASSERT_TRUE(MaskBlt(dest.dc, 0, 0, 3, 2, source.dc, 0, 0, nullptr, 0, 0, 0xAACC0020));
        EXPECT_EQ(dest.picture(red), "###\n###\n");
        // A colour mask is refused.
        EXPECT_FALSE(MaskBlt(dest.dc, 0, 0, 3, 2, source.dc, 0, 0, source.bitmap, 0, 0, 0xAACC0020));
        SelectObject(mask.dc, mask.bitmap);
    }
}

TEST(PatBlt, PaintsWithTheBrushAndRefusesSourceOperations)
{
    Surface dest(16, 3, 1);
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
    HGDIOBJ old = SelectObject(dest.dc, brush);
    ASSERT_TRUE(PatBlt(dest.dc, 2, 0, -2, 1, PATCOPY));
    EXPECT_EQ(dest.picture(0x001F), "##.\n");
    ASSERT_TRUE(PatBlt(dest.dc, 0, 0, 3, 1, DSTINVERT));
    EXPECT_EQ(dest.picture(0xFFFF), "..#\n");
    EXPECT_FALSE(PatBlt(dest.dc, 0, 0, 3, 1, SRCCOPY));
    // A hollow brush paints nothing.
    SelectObject(dest.dc, GetStockObject(NULL_BRUSH));
    dest.fill_raw(0);
    ASSERT_TRUE(PatBlt(dest.dc, 0, 0, 3, 1, PATCOPY));
    EXPECT_EQ(dest.picture(0), "###\n");
    SelectObject(dest.dc, old);
    DeleteObject(brush);
}
