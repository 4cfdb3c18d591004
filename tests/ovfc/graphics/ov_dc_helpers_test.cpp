#include <gtest/gtest.h>

#include <windows.h>

#include "ovfc/graphics/ov_dc_helpers.h"
#include "ovfc/graphics/ov_image.h"
#include "picture_test_support.h"

namespace ovfc_test {
namespace {

using DcHelpersTest = GraphicsTest;

// Opaque source whose pixel tells where it came from: red = column,
// green = row, blue = 0x5A.
Picture coordinates(int width, int height, std::uint32_t alpha = 0xFF)
{
    Picture picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.at(x, y) = alpha << 24 | std::uint32_t(x) << 16 | std::uint32_t(y) << 8 | 0x5A;
    return picture;
}

std::uint32_t from(int x, int y) { return std::uint32_t(x) << 16 | std::uint32_t(y) << 8 | 0x5A; }

// The source column each destination column of row y shows (-1 where the
// canvas is untouched).
std::vector<int> source_columns(const Canvas& canvas, int width, int y)
{
    std::vector<int> columns;
    for (int x = 0; x < width; ++x) {
        std::uint32_t p = canvas.rgb(x, y);
        columns.push_back((p & 0xFF) == 0x5A ? int(p >> 16) : -1);
    }
    return columns;
}

// The picture in a 32-bit DC (the alpha path), so every coordinate survives
// exactly whichever kind of blit copies it.
class SourceSurface {
public:
    explicit SourceSurface(const Picture& picture)
    {
        png_ = encode_png(picture, true);
        loaded_ = image_.LoadFromBuffer(png_.data(), UINT(png_.size()), 1, 1, 1) != FALSE;
    }
    bool loaded() const { return loaded_; }
    HDC dc() const { return image_.GetDC(); }

private:
    std::vector<std::uint8_t> png_;
    OvImage image_;
    bool loaded_ = false;
};

TEST_F(DcHelpersTest, ThreePartTilesWholePiecesThenTheRemainder)
{
    // Caps 2 and 2 around a 6-column middle (source columns 2..7).
    for (BYTE alpha : {0, 1}) {
        SCOPED_TRACE(alpha ? "alpha blits" : "opaque blits");
        SourceSurface source(coordinates(10, 3));
        ASSERT_TRUE(source.loaded());
        RECT src = {0, 0, 10, 3};

        Canvas exact(20, 3, 0);
        RECT dst = {1, 0, 17, 3};  // middle 12: two whole pieces
        EXPECT_EQ(OvDrawThreePartH(exact.dc(), &dst, source.dc(), &src, 0, 2, 2, alpha), 1);
        EXPECT_EQ(source_columns(exact, 20, 1),
            (std::vector<int> {-1, 0, 1, 2, 3, 4, 5, 6, 7, 2, 3, 4, 5, 6, 7, 8, 9, -1, -1, -1}));

        Canvas rest(20, 3, 0);
        dst = {0, 0, 19, 3};  // middle 15: two pieces and 3 columns
        OvDrawThreePartH(rest.dc(), &dst, source.dc(), &src, 0, 2, 2, alpha);
        EXPECT_EQ(source_columns(rest, 20, 2),
            (std::vector<int> {0, 1, 2, 3, 4, 5, 6, 7, 2, 3, 4, 5, 6, 7, 2, 3, 4, 8, 9, -1}));
        EXPECT_EQ(rest.rgb(5, 2), from(5, 2));
    }
}

TEST_F(DcHelpersTest, ThreePartStretchesNarrowCasesAndOtherModes)
{
    SourceSurface source(coordinates(10, 4));
    ASSERT_TRUE(source.loaded());
    RECT src = {0, 0, 10, 4};

    Canvas stretched(22, 4, 0);
    RECT dst = {0, 0, 22, 4};
    OvDrawThreePartH(stretched.dc(), &dst, source.dc(), &src, 1, 2, 2, 0);
    std::vector<int> columns = source_columns(stretched, 22, 0);
    EXPECT_EQ(columns[1], 1);
    EXPECT_EQ(columns[2], 2);
    EXPECT_EQ(columns[19], 7);
    EXPECT_EQ(columns[21], 9);
    for (int x = 3; x < 20; ++x) EXPECT_LE(columns[x - 1], columns[x]) << "a stretched middle keeps its order";

    // Narrower than the two caps: nothing drawn, still 1.
    Canvas narrow(6, 4, 0);
    dst = {0, 0, 3, 4};
    EXPECT_EQ(OvDrawThreePartH(narrow.dc(), &dst, source.dc(), &src, 0, 2, 2, 0), 1);
    EXPECT_EQ(source_columns(narrow, 6, 0), std::vector<int>(6, -1));

    // Caps that leave the source no middle cannot be tiled: the caps alone.
    Canvas noMiddle(14, 4, 0);
    dst = {0, 0, 14, 4};
    EXPECT_EQ(OvDrawThreePartH(noMiddle.dc(), &dst, source.dc(), &src, 0, 5, 5, 0), 1);
    EXPECT_EQ(source_columns(noMiddle, 14, 0), (std::vector<int> {0, 1, 2, 3, 4, -1, -1, -1, -1, 5, 6, 7, 8, 9}));

    // Mode 2: caps only. The row height is the smaller of the two.
    Canvas capsOnly(12, 6, 0);
    dst = {0, 0, 12, 6};
    OvDrawThreePartH(capsOnly.dc(), &dst, source.dc(), &src, 2, 2, 2, 0);
    EXPECT_EQ(source_columns(capsOnly, 12, 0), (std::vector<int> {0, 1, -1, -1, -1, -1, -1, -1, -1, -1, 8, 9}));
    EXPECT_EQ(capsOnly.rgb(0, 3), from(0, 3));
    EXPECT_EQ(capsOnly.rgb(0, 4), 0u);
}

TEST_F(DcHelpersTest, VerticalThreePartTilesRows)
{
    SourceSurface source(coordinates(3, 8));
    ASSERT_TRUE(source.loaded());
    RECT src = {0, 0, 3, 8};
    Canvas canvas(3, 14, 0);
    RECT dst = {0, 0, 3, 13};  // caps 1 and 2, middle 10 from 5 rows
    OvDrawThreePartV(canvas.dc(), &dst, source.dc(), &src, 0, 1, 2, 1);
    const int expected[14] = {0, 1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 6, 7, -1};
    for (int y = 0; y < 14; ++y) {
        std::uint32_t p = canvas.rgb(2, y);
        EXPECT_EQ((p & 0xFF) == 0x5A ? int((p >> 8) & 0xFF) : -1, expected[y]) << "row " << y;
    }
}

TEST_F(DcHelpersTest, NinePatchKeepsCornersAndTilesTheCentre)
{
    SourceSurface source(coordinates(6, 6));
    ASSERT_TRUE(source.loaded());
    RECT src = {0, 0, 6, 6};
    Canvas canvas(12, 12, 0);
    RECT dst = {1, 1, 11, 11};  // insets 2: a 6 x 6 centre from a 2 x 2 one
    OvDrawNinePatch(canvas.dc(), &dst, source.dc(), &src, 0, 2, 2, 2, 2, 0);
    EXPECT_EQ(canvas.rgb(0, 0), 0u);
    EXPECT_EQ(canvas.rgb(1, 1), from(0, 0));
    EXPECT_EQ(canvas.rgb(10, 10), from(5, 5));
    EXPECT_EQ(canvas.rgb(10, 1), from(5, 0));
    EXPECT_EQ(canvas.rgb(3, 3), from(2, 2));
    EXPECT_EQ(canvas.rgb(5, 5), from(2, 2));  // the centre tiles every 2
    EXPECT_EQ(canvas.rgb(6, 4), from(3, 3));
    EXPECT_EQ(canvas.rgb(5, 1), from(2, 0));  // the top edge tiles too
    EXPECT_EQ(canvas.rgb(11, 11), 0u);
}

TEST_F(DcHelpersTest, CenterRectUsesTruncatingHalves)
{
    RECT outer = {10, 20, 31, 40};
    RECT r = {0, 0, 6, 7};
    OvCenterRect(&outer, &r);
    EXPECT_EQ(r.left, 17);  // 10 + (21 - 6) / 2
    EXPECT_EQ(r.top, 26);  // 20 + (20 - 7) / 2
    EXPECT_EQ(r.right, 23);
    EXPECT_EQ(r.bottom, 33);
    RECT big = {0, 0, 9, 9};
    RECT small = {0, 0, 5, 5};
    OvCenterRect(&small, &big);  // larger than the outer: overhangs evenly
    EXPECT_EQ(big.left, -2);
    EXPECT_EQ(big.right, 7);
}

// A picture library standing in for ovres.dll, with the popup frame made of
// coordinate pixels and small bars.
class PlatformPictureTest : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        std::map<int, std::vector<std::uint8_t>> pictures;
        pictures[116] = encode_png(coordinates(158, 162), true);
        pictures[209] = encode_png(coordinates(24, 6), true);
        pictures[210] = encode_png(coordinates(6, 24), true);
        pictures[101] = encode_png(coordinates(5, 3), true);
        ASSERT_TRUE(write_picture_library(device_root(), "Windows/Themes/Default/ovres.dll", pictures));
    }
};

TEST_F(PlatformPictureTest, PopupFrameOn428x280FollowsItsPieceGeometry)
{
    Canvas canvas(440, 300, 0);
    RECT panel = {6, 10, 6 + 428, 10 + 280};
    ASSERT_EQ(OvDrawPopupFrame(canvas.dc(), &panel), 1);
    const int left = 6, top = 10;
    // W = 428, H = 279: the last row of the rectangle stays untouched.
    EXPECT_EQ(canvas.rgb(left + 427, top + 278), from(157, 161));
    EXPECT_EQ(canvas.rgb(left + 427, top + 279), 0u);
    EXPECT_EQ(canvas.rgb(left - 1, top), 0u);
    // Corners.
    EXPECT_EQ(canvas.rgb(left, top), from(0, 0));
    EXPECT_EQ(canvas.rgb(left + 31, top + 31), from(31, 31));
    EXPECT_EQ(canvas.rgb(left + 428 - 33, top), from(125, 0));
    EXPECT_EQ(canvas.rgb(left, top + 279 - 34), from(0, 128));
    // The top run: three pieces of 93, then 84 columns.
    for (int piece = 0; piece < 3; ++piece) {
        EXPECT_EQ(canvas.rgb(left + 32 + 93 * piece, top + 5), from(32, 5)) << piece;
        EXPECT_EQ(canvas.rgb(left + 32 + 93 * piece + 92, top + 5), from(124, 5)) << piece;
    }
    EXPECT_EQ(canvas.rgb(left + 32 + 279, top + 5), from(32, 5));
    EXPECT_EQ(canvas.rgb(left + 32 + 279 + 83, top + 5), from(115, 5));
    // The left run: two pieces of 96, then 21 rows.
    EXPECT_EQ(canvas.rgb(left + 3, top + 32 + 96), from(3, 32));
    EXPECT_EQ(canvas.rgb(left + 3, top + 32 + 192 + 20), from(3, 52));
    EXPECT_EQ(canvas.rgb(left + 3, top + 32 + 192 + 21), from(3, 128));
    // Right and bottom edges, and the centre cut to the last column and row.
    EXPECT_EQ(canvas.rgb(left + 427, top + 40), from(157, 40));
    EXPECT_EQ(canvas.rgb(left + 40, top + 278), from(40, 161));
    EXPECT_EQ(canvas.rgb(left + 32 + 279 + 83, top + 32 + 192 + 20), from(115, 52));
    EXPECT_EQ(canvas.rgb(left + 32 + 93, top + 32 + 96), from(32, 32));
}

TEST_F(PlatformPictureTest, PopupFrameNarrowerThanItsCornersDrawsOnlyCorners)
{
    Canvas canvas(80, 80, 0);
    RECT tiny = {0, 0, 60, 62};
    ASSERT_EQ(OvDrawPopupFrame(canvas.dc(), &tiny), 1);
    // W = 60 - (-5 rem 3 = -2) = 62; no edge run of negative width.
    EXPECT_EQ(canvas.rgb(0, 0), from(0, 0));
    EXPECT_EQ(canvas.rgb(61, 0), from(157, 0));
    EXPECT_EQ(canvas.rgb(62, 0), 0u);
}

TEST_F(PlatformPictureTest, BarsHaveAMinimumLengthAndAreCentred)
{
    Canvas canvas(20, 30, 0);
    RECT thin = {6, 10, 11, 20};  // 5 wide: a 9-wide bar from x = 4
    ASSERT_EQ(OvDrawHorzBar(canvas.dc(), &thin), 1);
    EXPECT_EQ(canvas.rgb(3, 12), 0u);
    EXPECT_EQ(canvas.rgb(4, 12), from(0, 0));
    EXPECT_EQ(canvas.rgb(12, 17), from(23, 5));
    EXPECT_EQ(canvas.rgb(13, 12), 0u);

    Canvas vertical(20, 40, 0);
    RECT strip = {0, 0, 20, 30};
    ASSERT_EQ(OvDrawVertBar(vertical.dc(), &strip), 1);
    EXPECT_EQ(vertical.rgb(7, 0), from(0, 0));
    EXPECT_EQ(vertical.rgb(12, 29), from(5, 23));
    EXPECT_EQ(vertical.rgb(7, 30), 0u);
    EXPECT_EQ(vertical.rgb(6, 10), 0u);

    EXPECT_EQ(OvDrawVertBarImage(vertical.dc(), &strip, 4242), 0);
    Canvas bar(12, 9, 0);
    RECT row = {0, 0, 12, 9};
    ASSERT_EQ(OvDrawPlatformBarH(bar.dc(), &row, 101, 1, 1, 0), 1);
    EXPECT_EQ(source_columns(bar, 12, 3), (std::vector<int> {0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 4}));
    EXPECT_EQ(bar.rgb(0, 2), 0u);
    EXPECT_EQ(OvDrawPlatformImage(bar.dc(), &row, 101), 1);
    EXPECT_EQ(bar.rgb(3, 3), from(0, 0));
    EXPECT_EQ(OvDrawPlatformImage(bar.dc(), &row, 4242), 0);
}

TEST_F(DcHelpersTest, WithoutALibraryPlatformPicturesAreUnavailable)
{
    Canvas canvas(10, 10, 0);
    RECT all = {0, 0, 10, 10};
    EXPECT_EQ(OvGetPlatformResModule(), nullptr);
    EXPECT_EQ(OvDrawPopupFrame(canvas.dc(), &all), 0);
    EXPECT_EQ(OvDrawHorzBar(canvas.dc(), &all), 0);
    EXPECT_EQ(OvDrawPlatformBarH(canvas.dc(), &all, 205, 24, 24, 1), 0);
    EXPECT_EQ(canvas.rgb(5, 5), 0u);
}

TEST_F(DcHelpersTest, CaptureAndCropCopyTheRightArea)
{
    HDC screen = GetDC(nullptr);
    HBRUSH brush = CreateSolidBrush(0x0000FF00);
    RECT spot = {100, 200, 110, 205};
    FillRect(screen, &spot, brush);
    DeleteObject(brush);
    ReleaseDC(nullptr, screen);

    HBITMAP whole = OvCaptureScreen(nullptr);
    BITMAP info {};
    ASSERT_TRUE(GetObjectW(whole, sizeof info, &info));
    EXPECT_EQ(info.bmWidth, 480);
    EXPECT_EQ(info.bmHeight, 720);
    EXPECT_EQ(bitmap_pixel(whole, 105, 202) & 0xFFFFFF, 0x00FF00u);

    RECT area = {95, 195, 115, 210};
    HBITMAP part = OvCaptureScreen(&area);
    ASSERT_TRUE(GetObjectW(part, sizeof info, &info));
    EXPECT_EQ(info.bmWidth, 20);
    EXPECT_EQ(info.bmHeight, 15);
    EXPECT_EQ(bitmap_pixel(part, 5, 5) & 0xFFFFFF, 0x00FF00u);
    EXPECT_NE(bitmap_pixel(part, 4, 4) & 0xFFFFFF, 0x00FF00u);

    EXPECT_EQ(OvCopyBitmapRect(whole, nullptr), whole);
    HBITMAP cropped = OvCopyBitmapRect(whole, &spot);
    ASSERT_TRUE(GetObjectW(cropped, sizeof info, &info));
    EXPECT_EQ(info.bmWidth, 10);
    EXPECT_EQ(bitmap_pixel(cropped, 0, 0) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(bitmap_pixel(cropped, 9, 4) & 0xFFFFFF, 0x00FF00u);
    DeleteObject(cropped);
    DeleteObject(part);
    DeleteObject(whole);
}

}  // namespace
}  // namespace ovfc_test
