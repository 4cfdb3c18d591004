#include "imaging_test_support.h"

using namespace imaging_test;

namespace {

class ImagingDraw : public ImagingTest {
protected:
    void SetUp() override
    {
        ImagingTest::SetUp();
        // 2 x 1 with alpha: opaque red, then blue at alpha 0x80.
        ASSERT_EQ(load(png_from_argb(2, 1, {0xFFFF0000, 0x800000FF}), translucent), S_OK);
        // 2 x 1 opaque: green, white.
        ASSERT_EQ(load(png_from_rgb(2, 1, {0x00FF00, 0xFFFFFF}), opaque), S_OK);
    }

    Ref<IImage> translucent;
    Ref<IImage> opaque;
};

}  // namespace

TEST_F(ImagingDraw, AlphaImagesBlendOverThirtyTwoAndSixteenBitTargets)
{
    RECT dest {0, 0, 2, 1};
    Surface wide(32, 2, 1);
    wide.fill_raw(0x00202020);
    ASSERT_EQ(translucent->Draw(wide.dc, &dest, nullptr), S_OK);
    EXPECT_EQ(wide.raw(0, 0) & 0xFFFFFF, 0xFF0000u);
    // Blue 0x80 at alpha 0x80 over 0x20: 0x80 + 0x20 x 127/255 per channel.
    EXPECT_EQ(wide.raw(1, 0) & 0xFFFFFF, 0x101090u);

    Surface narrow(16, 2, 1);
    narrow.fill_raw(rgb565(0x20, 0x20, 0x20));
    ASSERT_EQ(translucent->Draw(narrow.dc, &dest, nullptr), S_OK);
    EXPECT_EQ(narrow.raw(0, 0), rgb565(255, 0, 0));
    std::uint32_t blended = narrow.raw(1, 0);
    EXPECT_NEAR(int(blended >> 11), 0x10 >> 3, 1);
    EXPECT_NEAR(int(blended & 31), 0x90 >> 3, 1);
}

TEST_F(ImagingDraw, OpaqueImagesReplaceTheTargetAndStretch)
{
    Surface wide(32, 4, 2);
    wide.fill_raw(0x00123456);
    RECT dest {0, 0, 4, 2};
    ASSERT_EQ(opaque->Draw(wide.dc, &dest, nullptr), S_OK);
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(wide.raw(0, y) & 0xFFFFFF, 0x00FF00u);
        EXPECT_EQ(wide.raw(1, y) & 0xFFFFFF, 0x00FF00u);
        EXPECT_EQ(wide.raw(2, y) & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_EQ(wide.raw(3, y) & 0xFFFFFF, 0xFFFFFFu);
    }

    Surface narrow(16, 3, 1);
    narrow.fill_raw(0);
    RECT offset {1, 0, 3, 1};
    ASSERT_EQ(opaque->Draw(narrow.dc, &offset, nullptr), S_OK);
    EXPECT_EQ(narrow.raw(0, 0), 0u);
    EXPECT_EQ(narrow.raw(1, 0), rgb565(0, 255, 0));
    EXPECT_EQ(narrow.raw(2, 0), 0xFFFFu);
}

TEST_F(ImagingDraw, SourceRectanglesAreInHundredthsOfAMillimetre)
{
    SIZE physical {};
    ASSERT_EQ(opaque->GetPhysicalDimension(&physical), S_OK);
    Surface surface(32, 2, 1);
    surface.fill_raw(0);
    RECT dest {0, 0, 2, 1};
    RECT right_half {physical.cx / 2, 0, physical.cx, physical.cy};
    ASSERT_EQ(opaque->Draw(surface.dc, &dest, &right_half), S_OK);
    EXPECT_EQ(surface.raw(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(surface.raw(1, 0) & 0xFFFFFF, 0xFFFFFFu);

    RECT beyond {0, 0, physical.cx * 2, physical.cy};
    EXPECT_EQ(opaque->Draw(surface.dc, &beyond, nullptr), S_OK);  // a destination may exceed the target
    EXPECT_EQ(opaque->Draw(surface.dc, &dest, &beyond), E_INVALIDARG);
}

TEST_F(ImagingDraw, ClippingOfTheTargetApplies)
{
    Surface surface(32, 2, 1);
    surface.fill_raw(0);
    IntersectClipRect(surface.dc, 1, 0, 2, 1);
    RECT dest {0, 0, 2, 1};
    ASSERT_EQ(opaque->Draw(surface.dc, &dest, nullptr), S_OK);
    EXPECT_EQ(surface.raw(0, 0), 0u);
    EXPECT_EQ(surface.raw(1, 0) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(ImagingDraw, BadArgumentsFailWithoutDrawing)
{
    Surface surface(32, 2, 1);
    surface.fill_raw(0);
    RECT dest {0, 0, 2, 1};
    RECT inverted {2, 0, 0, 1};
    RECT empty {1, 0, 1, 1};
    EXPECT_EQ(opaque->Draw(surface.dc, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(opaque->Draw(nullptr, &dest, nullptr), E_INVALIDARG);
    EXPECT_EQ(opaque->Draw(reinterpret_cast<HDC>(std::uintptr_t(0x7777)), &dest, nullptr), E_INVALIDARG);
    EXPECT_EQ(opaque->Draw(surface.dc, &inverted, nullptr), E_INVALIDARG);
    EXPECT_EQ(opaque->Draw(surface.dc, &empty, nullptr), S_OK);
    EXPECT_EQ(surface.raw(0, 0), 0u);
    EXPECT_EQ(surface.raw(1, 0), 0u);
    // The staging bitmap and DC are freed after every draw.
    std::size_t objects = platform::gdi::live_object_count();
    EXPECT_EQ(opaque->Draw(surface.dc, &dest, nullptr), S_OK);
    EXPECT_EQ(platform::gdi::live_object_count(), objects);
}
