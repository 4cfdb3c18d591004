#include <gtest/gtest.h>

#include <windows.h>

#include "ovfc/graphics/ov_image.h"
#include "picture_test_support.h"
#include "platform/kernel/system_parameters.h"

namespace ovfc_test {
namespace {

using ImageTest = GraphicsTest;

HBITMAP bitmap_of(const OvImage& image) { return static_cast<HBITMAP>(GetCurrentObject(image.GetDC(), OBJ_BITMAP)); }

// Row 0 alpha 0, row 1 alpha 255, row 2 alpha 128; the colour bytes of
// column v are v (red), 255 - v (green) and v / 2 (blue).
Picture alpha_rows()
{
    Picture picture(256, 3);
    const std::uint32_t alphas[3] = {0, 255, 128};
    for (int y = 0; y < 3; ++y)
        for (std::uint32_t v = 0; v < 256; ++v)
            picture.at(int(v), y) = alphas[y] << 24 | v << 16 | (255 - v) << 8 | (v / 2);
    return picture;
}

std::uint32_t premultiplied(std::uint32_t c, std::uint32_t a) { return (c * a + 255) >> 8; }

TEST_F(ImageTest, AlphaPathPremultipliesEveryByteValue)
{
    std::vector<std::uint8_t> png = encode_png(alpha_rows(), true);
    OvImage image;
    ASSERT_TRUE(image.LoadFromBuffer(png.data(), UINT(png.size()), 1, 1, 1));
    EXPECT_TRUE(image.HasAlpha());
    EXPECT_EQ(image.GetWidth(), 256);
    EXPECT_EQ(image.GetHeight(), 3);
    HBITMAP bitmap = bitmap_of(image);
    ASSERT_EQ(bitmap_bits_per_pixel(bitmap), 32);
    const std::uint32_t alphas[3] = {0, 255, 128};
    for (int y = 0; y < 3; ++y) {
        std::uint32_t a = alphas[y];
        for (std::uint32_t v = 0; v < 256; ++v) {
            std::uint32_t expected =
                a << 24 | premultiplied(v, a) << 16 | premultiplied(255 - v, a) << 8 | premultiplied(v / 2, a);
            ASSERT_EQ(bitmap_pixel(bitmap, int(v), y), expected) << "alpha " << a << " value " << v;
        }
    }
    // With alpha 255 the rounding gives back every value unchanged.
    for (std::uint32_t v = 0; v < 256; ++v) ASSERT_EQ(premultiplied(v, 255), v);
}

TEST_F(ImageTest, CompactOneKeepsStraightAlphaAndIsAskedOnce)
{
    std::u16string saved = platform::system_parameters::device_identification();
    platform::system_parameters::set_device_identification(u"compactOne");
    OvForgetPlatformName();
    std::vector<std::uint8_t> png = encode_png(alpha_rows(), true);
    OvImage straight;
    ASSERT_TRUE(straight.LoadFromBuffer(png.data(), UINT(png.size()), 1, 1, 1));
    EXPECT_EQ(bitmap_pixel(bitmap_of(straight), 200, 2), 0x80C83764u);
    EXPECT_EQ(bitmap_pixel(bitmap_of(straight), 10, 0), 0x000AF505u);

    // The answer holds for the rest of the run, whatever the device says.
    platform::system_parameters::set_device_identification(saved);
    OvImage again;
    ASSERT_TRUE(again.LoadFromBuffer(png.data(), UINT(png.size()), 1, 1, 1));
    EXPECT_EQ(bitmap_pixel(bitmap_of(again), 200, 2), 0x80C83764u);
    OvForgetPlatformName();
    OvImage premultipliedImage;
    ASSERT_TRUE(premultipliedImage.LoadFromBuffer(png.data(), UINT(png.size()), 1, 1, 1));
    EXPECT_EQ(bitmap_pixel(bitmap_of(premultipliedImage), 200, 2), 0x80641C32u);
}

TEST_F(ImageTest, OpaqueSourcesAndTheAlphaOptionOffTakeThePlainPath)
{
    Picture picture(4, 2, 0xFFFF0000u);
    std::vector<std::uint8_t> rgb = encode_png(picture, false);
    OvImage plain;
    ASSERT_TRUE(plain.LoadFromBuffer(rgb.data(), UINT(rgb.size()), 1, 1, 1));
    EXPECT_FALSE(plain.HasAlpha());
    EXPECT_NE(bitmap_bits_per_pixel(bitmap_of(plain)), 32);
    EXPECT_EQ(bitmap_pixel(bitmap_of(plain), 3, 1) & 0xFFFFFF, 0xFF0000u);

    std::vector<std::uint8_t> rgba = encode_png(picture, true);
    OvImage optionOff;
    ASSERT_TRUE(optionOff.LoadFromBuffer(rgba.data(), UINT(rgba.size()), 1, 1, 0));
    EXPECT_FALSE(optionOff.HasAlpha());
}

TEST_F(ImageTest, FailedLoadsReportFalseAndDrawNothing)
{
    OvImage image;
    const std::uint8_t junk[] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(image.LoadFromBuffer(nullptr, 10, 1, 1, 1));
    EXPECT_FALSE(image.LoadFromBuffer(junk, 0, 1, 1, 1));
    EXPECT_FALSE(image.LoadFromBuffer(junk, sizeof junk, 1, 1, 1));
    EXPECT_FALSE(image.LoadFromResource(nullptr, 10, 102, 1, 1, 1));
    Canvas canvas(4, 4, 0x00123456);
    RECT all = {0, 0, 4, 4};
    image.Draw(canvas.dc(), &all, TRUE, FALSE);
    image.Draw(canvas.dc(), nullptr, TRUE, FALSE);
    EXPECT_EQ(canvas.rgb(1, 1), 0x563412u);
}

// A 4 x 4 picture in quadrants: red, green over blue, white.
Picture quadrants()
{
    Picture picture(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            picture.at(x, y) = y < 2 ? (x < 2 ? 0xFFFF0000u : 0xFF00FF00u) : (x < 2 ? 0xFF0000FFu : 0xFFFFFFFFu);
    return picture;
}

TEST_F(ImageTest, StretchWithCropTakesTheTopLeftOfTheSource)
{
    for (bool alpha : {false, true}) {
        SCOPED_TRACE(alpha ? "alpha path" : "plain path");
        std::vector<std::uint8_t> png = encode_png(quadrants(), alpha);
        OvImage image;
        ASSERT_TRUE(image.LoadFromBuffer(png.data(), UINT(png.size()), 1, 1, 1));
        // Twice the picture's aspect ratio: the full width, the top half.
        Canvas canvas(8, 4, 0);
        RECT wide = {0, 0, 8, 4};
        image.Draw(canvas.dc(), &wide, TRUE, TRUE);
        for (int y = 0; y < 4; ++y) {
            EXPECT_EQ(canvas.rgb(0, y), 0xFF0000u) << y;
            EXPECT_EQ(canvas.rgb(7, y), 0x00FF00u) << y;
        }
        // Half the ratio: the full height, the left half.
        Canvas tall(2, 8, 0);
        RECT high = {0, 0, 2, 8};
        image.Draw(tall.dc(), &high, TRUE, TRUE);
        EXPECT_EQ(tall.rgb(1, 0), 0xFF0000u);
        EXPECT_EQ(tall.rgb(1, 7), 0x0000FFu);
        // Stretch without crop shows all four quadrants.
        Canvas whole(8, 4, 0);
        image.Draw(whole.dc(), &wide, TRUE, FALSE);
        EXPECT_EQ(whole.rgb(0, 0), 0xFF0000u);
        EXPECT_EQ(whole.rgb(7, 3), 0xFFFFFFu);
        EXPECT_EQ(whole.rgb(0, 3), 0x0000FFu);
    }
}

TEST_F(ImageTest, WithoutStretchThePictureIsCentredAtItsSize)
{
    std::vector<std::uint8_t> png = encode_png(quadrants(), true);
    for (BYTE release : {1, 0}) {
        SCOPED_TRACE(release ? "from the bitmap" : "from the source");
        OvImage image;
        ASSERT_TRUE(image.LoadFromBuffer(png.data(), UINT(png.size()), 1, release, 1));
        Canvas canvas(9, 9, 0x00808080);
        RECT all = {0, 0, 9, 9};
        image.Draw(canvas.dc(), &all, FALSE, FALSE);
        // (9 - 4) / 2 = 2: the picture covers 2..5 in both directions.
        EXPECT_EQ(canvas.rgb(1, 1), 0x808080u);
        EXPECT_EQ(canvas.rgb(2, 2), 0xFF0000u);
        EXPECT_EQ(canvas.rgb(5, 5), 0xFFFFFFu);
        EXPECT_EQ(canvas.rgb(6, 6), 0x808080u);
    }
}

TEST_F(ImageTest, LoadingAgainStartsFromEmptyAndTheSourceCanStay)
{
    std::vector<std::uint8_t> small = encode_png(Picture(3, 5, 0xFF00FF00u), true);
    std::vector<std::uint8_t> large = encode_png(Picture(7, 2, 0xFF0000FFu), true);
    OvImage image;
    ASSERT_TRUE(image.LoadFromBuffer(small.data(), UINT(small.size()), 0, 0, 1));
    EXPECT_EQ(image.GetDC(), nullptr);
    EXPECT_EQ(image.GetWidth(), 3);
    ASSERT_TRUE(image.MakeBitmap(1));
    EXPECT_NE(image.GetDC(), nullptr);
    ASSERT_TRUE(image.LoadFromBuffer(large.data(), UINT(large.size()), 1, 1, 1));
    EXPECT_EQ(image.GetWidth(), 7);
    EXPECT_EQ(image.GetHeight(), 2);
    EXPECT_EQ(bitmap_pixel(bitmap_of(image), 6, 1), 0xFF0000FFu);
}

TEST_F(ImageTest, CacheKeepsOneObjectPerModuleIdAndAlpha)
{
    std::map<int, std::vector<std::uint8_t>> pictures;
    pictures[5] = encode_png(Picture(2, 2, 0xFF112233u), true);
    pictures[6] = encode_png(Picture(3, 3, 0xFF445566u), true);
    ASSERT_TRUE(write_picture_library(device_root(), "Windows/pictures.dll", pictures));
    HMODULE module = LoadLibraryExW(TEXT("\\Windows\\pictures.dll"), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);

    OvImage* first = GetCachedImage(module, 5, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetCachedImage(module, 5, 1), first);
    OvImage* opaque = GetCachedImage(module, 5, 0);
    ASSERT_NE(opaque, nullptr);
    EXPECT_NE(opaque, first);
    EXPECT_TRUE(first->HasAlpha());
    EXPECT_FALSE(opaque->HasAlpha());
    EXPECT_EQ(GetCachedImage(module, 6, 1)->GetWidth(), 3);
    EXPECT_EQ(GetCachedImage(module, 99, 1), nullptr);
    EXPECT_EQ(GetCachedImage(module, 99, 1), nullptr);

    ReleaseImageCache();
    EXPECT_EQ(OvGetImageCacheSize(), 0u);
    OvImage* reloaded = GetCachedImage(module, 5, 1);
    ASSERT_NE(reloaded, nullptr);
    EXPECT_EQ(reloaded->GetWidth(), 2);
    DeleteImageCache();
    FreeLibrary(module);
}

}  // namespace
}  // namespace ovfc_test
