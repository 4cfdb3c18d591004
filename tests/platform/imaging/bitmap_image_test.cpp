#include <cstring>

#include "imaging_test_support.h"

using namespace imaging_test;

namespace {

class ImagingBitmap : public ImagingTest {
protected:
    void SetUp() override
    {
        ImagingTest::SetUp();
        // 3 x 2: a translucent red, transparent, opaque blue / half grey, green, white.
        ASSERT_EQ(load(png_from_argb(3, 2, source_pixels), image), S_OK);
        ASSERT_EQ(factory->CreateBitmapFromImage(
                      image.get(), 0, 0, PixelFormatDontCare, InterpolationHintDefault, bitmap.out()),
            S_OK);
    }

    std::uint32_t word(const BitmapData& data, int x, int y)
    {
        std::uint32_t value;
        std::memcpy(&value, static_cast<const std::uint8_t*>(data.Scan0) + std::ptrdiff_t(y) * data.Stride + 4 * x, 4);
        return value;
    }

    const std::vector<std::uint32_t> source_pixels = {
        0x80FF0000, 0x00000000, 0xFF0000FF, 0x80808080, 0xFF00FF00, 0xFFFFFFFF};
    Ref<IImage> image;
    Ref<IBitmapImage> bitmap;
};

}  // namespace

TEST_F(ImagingBitmap, BitmapFromImageKeepsSizeFormatAndStraightBgraRows)
{
    SIZE size {};
    EXPECT_EQ(bitmap->GetSize(&size), S_OK);
    EXPECT_EQ(size.cx, 3);
    EXPECT_EQ(size.cy, 2);
    PixelFormatID format = 0;
    EXPECT_EQ(bitmap->GetPixelFormatID(&format), S_OK);
    EXPECT_EQ(format, PixelFormat32bppARGB);

    BitmapData data {};
    ASSERT_EQ(bitmap->LockBits(nullptr, ImageLockModeRead | ImageLockModeWrite, PixelFormatDontCare, &data), S_OK);
    EXPECT_EQ(data.Width, 3u);
    EXPECT_EQ(data.Height, 2u);
    EXPECT_EQ(data.PixelFormat, PixelFormat32bppARGB);
    EXPECT_GE(data.Stride, 12);
    auto bytes = static_cast<const std::uint8_t*>(data.Scan0);
    // B, G, R, A in memory, not premultiplied.
    EXPECT_EQ(bytes[0], 0x00);
    EXPECT_EQ(bytes[1], 0x00);
    EXPECT_EQ(bytes[2], 0xFF);
    EXPECT_EQ(bytes[3], 0x80);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(word(data, x, y), source_pixels[std::size_t(3 * y + x)]);
    EXPECT_EQ(bitmap->UnlockBits(&data), S_OK);

    // The bitmap is also an image, in memory and writable.
    Ref<IImage> as_image;
    ASSERT_EQ(bitmap->QueryInterface(IID_IImage, reinterpret_cast<void**>(as_image.out())), S_OK);
    ImageInfo info = info_of(as_image.get());
    EXPECT_EQ(info.RawDataFormat, ImageFormatMemoryBMP);
    EXPECT_TRUE(info.Flags & ImageFlagsHasAlpha);
    EXPECT_FALSE(info.Flags & ImageFlagsReadOnly);
    // A decoded image is not a bitmap.
    Ref<IBitmapImage> not_bitmap;
    EXPECT_EQ(image->QueryInterface(IID_IBitmapImage, reinterpret_cast<void**>(not_bitmap.out())), E_NOINTERFACE);
}

TEST_F(ImagingBitmap, WritesThroughALockPersistAndOneLockAtATime)
{
    BitmapData data {};
    RECT second_row {0, 1, 3, 2};
    ASSERT_EQ(bitmap->LockBits(&second_row, ImageLockModeRead | ImageLockModeWrite, PixelFormatDontCare, &data), S_OK);
    EXPECT_EQ(word(data, 0, 0), 0x80808080u);
    std::uint32_t written = 0x40112233;
    std::memcpy(static_cast<std::uint8_t*>(data.Scan0) + 4, &written, 4);

    BitmapData second {};
    EXPECT_EQ(bitmap->LockBits(nullptr, ImageLockModeRead, PixelFormatDontCare, &second), IMGERR_OBJECTBUSY);
    Surface surface(32, 2, 2);
    RECT all {0, 0, 2, 2};
    Ref<IImage> as_image;
    ASSERT_EQ(bitmap->QueryInterface(IID_IImage, reinterpret_cast<void**>(as_image.out())), S_OK);
    EXPECT_EQ(as_image->Draw(surface.dc, &all, nullptr), IMGERR_OBJECTBUSY);
    ASSERT_EQ(bitmap->UnlockBits(&data), S_OK);
    EXPECT_EQ(bitmap->UnlockBits(&data), IMGERR_BADUNLOCK);

    ASSERT_EQ(bitmap->LockBits(nullptr, ImageLockModeRead, PixelFormatDontCare, &data), S_OK);
    EXPECT_EQ(word(data, 1, 1), written);
    EXPECT_EQ(word(data, 0, 0), source_pixels[0]);
    EXPECT_EQ(bitmap->UnlockBits(&data), S_OK);
    EXPECT_EQ(as_image->Draw(surface.dc, &all, nullptr), S_OK);
}

TEST_F(ImagingBitmap, LockRectanglesMustLieInsideTheImage)
{
    BitmapData data {};
    const RECT bad[] = {{-1, 0, 2, 2}, {0, 0, 4, 2}, {0, 0, 3, 3}, {2, 0, 2, 2}, {2, 1, 1, 2}};
    for (const RECT& rect : bad)
        EXPECT_EQ(bitmap->LockBits(&rect, ImageLockModeRead, PixelFormatDontCare, &data), E_INVALIDARG)
            << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
    EXPECT_EQ(bitmap->LockBits(nullptr, 0, PixelFormatDontCare, &data), E_INVALIDARG);
    EXPECT_EQ(bitmap->LockBits(nullptr, ImageLockModeRead, PixelFormatDontCare, nullptr), E_INVALIDARG);
    EXPECT_EQ(bitmap->LockBits(nullptr, ImageLockModeRead, PixelFormat8bppIndexed, &data), IMGERR_NOCONVERSION);
    // None of the refusals left a lock behind.
    RECT corner {2, 1, 3, 2};
    ASSERT_EQ(bitmap->LockBits(&corner, ImageLockModeRead, PixelFormatDontCare, &data), S_OK);
    EXPECT_EQ(word(data, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(bitmap->UnlockBits(&data), S_OK);
}

TEST_F(ImagingBitmap, LocksInOtherFormatsConvertBothWays)
{
    BitmapData data {};
    ASSERT_EQ(bitmap->LockBits(nullptr, ImageLockModeRead | ImageLockModeWrite, PixelFormat32bppPARGB, &data), S_OK);
    EXPECT_EQ(data.PixelFormat, PixelFormat32bppPARGB);
    EXPECT_EQ(word(data, 0, 0), 0x80800000u);  // red at half alpha, premultiplied
    EXPECT_EQ(word(data, 1, 0), 0x00000000u);
    std::uint32_t premultiplied = 0x80004000;  // green 0x80 at half alpha
    std::memcpy(static_cast<std::uint8_t*>(data.Scan0) + 4, &premultiplied, 4);
    ASSERT_EQ(bitmap->UnlockBits(&data), S_OK);

    ASSERT_EQ(bitmap->LockBits(nullptr, ImageLockModeRead, PixelFormat16bppRGB565, &data), S_OK);
    std::uint16_t first_565;
    std::memcpy(&first_565, data.Scan0, 2);
    EXPECT_EQ(first_565, rgb565(255, 0, 0));
    ASSERT_EQ(bitmap->UnlockBits(&data), S_OK);

    ASSERT_EQ(bitmap->LockBits(nullptr, ImageLockModeRead, PixelFormatDontCare, &data), S_OK);
    EXPECT_EQ(word(data, 1, 0), 0x80008000u);
    EXPECT_EQ(word(data, 2, 0), source_pixels[2]);
    ASSERT_EQ(bitmap->UnlockBits(&data), S_OK);

    // A caller's own buffer is filled on reading and copied back on writing.
    std::uint8_t buffer[2 * 3 * 2] = {};
    data = BitmapData {};
    data.Scan0 = buffer;
    data.Stride = 6;
    RECT left_column {0, 0, 2, 2};
    ASSERT_EQ(bitmap->LockBits(&left_column, ImageLockModeRead | ImageLockModeWrite | ImageLockModeUserInputBuf,
                  PixelFormat24bppRGB, &data),
        S_OK);
    EXPECT_EQ(data.Scan0, buffer);
    EXPECT_EQ(buffer[6], 0x80);  // grey
    buffer[9] = 0x11;  // second row, second pixel: blue byte
    ASSERT_EQ(bitmap->UnlockBits(&data), S_OK);
    ASSERT_EQ(bitmap->LockBits(nullptr, ImageLockModeRead, PixelFormatDontCare, &data), S_OK);
    EXPECT_EQ(word(data, 1, 1), 0xFF00FF11u);  // written as opaque
    ASSERT_EQ(bitmap->UnlockBits(&data), S_OK);
}

TEST_F(ImagingBitmap, FactoryMakesNewScaledAndConvertedBitmaps)
{
    Ref<IBitmapImage> fresh;
    ASSERT_EQ(factory->CreateNewBitmap(5, 4, PixelFormat24bppRGB, fresh.out()), S_OK);
    BitmapData data {};
    ASSERT_EQ(fresh->LockBits(nullptr, ImageLockModeRead, PixelFormatDontCare, &data), S_OK);
    EXPECT_EQ(data.Stride, 16);  // rows padded to four bytes
    EXPECT_EQ(static_cast<const std::uint8_t*>(data.Scan0)[14], 0);
    EXPECT_EQ(fresh->UnlockBits(&data), S_OK);
    EXPECT_EQ(factory->CreateNewBitmap(5, 4, PixelFormat8bppIndexed, fresh.out()), IMGERR_NOCONVERSION);
    EXPECT_EQ(factory->CreateNewBitmap(0, 4, PixelFormat24bppRGB, fresh.out()), E_INVALIDARG);
    EXPECT_EQ(factory->CreateNewBitmap(9000, 9000, PixelFormat24bppRGB, fresh.out()), E_OUTOFMEMORY);

    Ref<IBitmapImage> doubled;
    ASSERT_EQ(
        factory->CreateBitmapFromImage(image.get(), 6, 4, PixelFormat24bppRGB, InterpolationHintDefault, doubled.out()),
        S_OK);
    ASSERT_EQ(doubled->LockBits(nullptr, ImageLockModeRead, PixelFormatDontCare, &data), S_OK);
    EXPECT_EQ(data.Width, 6u);
    auto row3 = static_cast<const std::uint8_t*>(data.Scan0) + 3 * data.Stride;
    EXPECT_EQ(row3[5 * 3 + 0], 0xFF);  // bottom-right is white
    EXPECT_EQ(row3[2 * 3 + 1], 0xFF);  // green spans columns 2 and 3
    EXPECT_EQ(row3[2 * 3 + 0], 0x00);
    EXPECT_EQ(doubled->UnlockBits(&data), S_OK);

    // A locked bitmap cannot be copied.
    ASSERT_EQ(bitmap->LockBits(nullptr, ImageLockModeRead, PixelFormatDontCare, &data), S_OK);
    Ref<IImage> as_image;
    ASSERT_EQ(bitmap->QueryInterface(IID_IImage, reinterpret_cast<void**>(as_image.out())), S_OK);
    EXPECT_EQ(factory->CreateBitmapFromImage(
                  as_image.get(), 0, 0, PixelFormatDontCare, InterpolationHintDefault, doubled.out()),
        IMGERR_OBJECTBUSY);
    EXPECT_EQ(bitmap->UnlockBits(&data), S_OK);
}
