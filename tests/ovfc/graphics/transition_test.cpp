// The step lists of the transitions and every transition played full screen
// on the headless display, counting what reaches the screen.
#include <gtest/gtest.h>

#include <numeric>

#include "ovfc/graphics/ov_transition.h"
#include "platform/gdi/gdi_object.h"
#include "platform/gdi/screen.h"
#include "tests/ovfc/graphics/picture_test_support.h"

namespace {

std::vector<double> split(double distance, const double* table, int size, double growth, int* result = nullptr)
{
    std::vector<double> steps;
    int r = OvSplitDistance(distance, table, size, &steps, growth);
    if (result) *result = r;
    return steps;
}

TEST(OvfcSplitDistance, StepListsFollowTheTablesThenGrow)
{
    std::vector<double> expected {1, 2, 3, 4, 5, 6, 7, 8};
    for (double u = 13; u <= 73; u += 5) expected.push_back(u);
    expected.push_back(125);  // 78 plus the 47 left over
    EXPECT_EQ(split(720, g_ovStepsS2, 8, 5), expected);

    std::vector<double> zoom(g_ovStepsS3, g_ovStepsS3 + 20);
    zoom.insert(zoom.end(), 26, 3.0);
    EXPECT_EQ(split(360, g_ovStepsS3, 20, 0), zoom);

    EXPECT_EQ(split(-100, g_ovStepsS2, 8, 5), split(100, g_ovStepsS2, 8, 5));
    std::vector<double> hundred = split(100, g_ovStepsS2, 8, 5);
    EXPECT_EQ(std::accumulate(hundred.begin(), hundred.end(), 0.0), 100);

    int result = -1;
    EXPECT_TRUE(split(0.5, g_ovStepsS2, 8, 5, &result).empty());
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(split(0, g_ovStepsS2, 8, 5, &result).empty());
    EXPECT_EQ(result, 0);
    EXPECT_EQ(split(1, g_ovStepsS2, 8, 5, &result), std::vector<double> {1});
    EXPECT_EQ(result, 1);
    // What no step fits is added to the last step.
    EXPECT_EQ(split(2.5, g_ovStepsS2, 8, 5), (std::vector<double> {2.5}));
    EXPECT_EQ(split(4, g_ovStepsS2, 8, 5), (std::vector<double> {1, 3}));

    // The step counts the transitions are known by.
    EXPECT_EQ(split(480, g_ovStepsS2, 8, 5).size(), 19u);
    EXPECT_EQ(split(360, g_ovStepsS4, 30, 0).size(), 55u);
}

TEST(OvfcSplitDistance, StepsThatCannotEndAreRefused)
{
    const double zeros[3] = {0, 0, 0};
    const double shrinking[2] = {2, 1};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(split(nan, g_ovStepsS2, 8, 5).empty());
    EXPECT_TRUE(split(std::numeric_limits<double>::infinity(), g_ovStepsS2, 8, 5).empty());
    // Steps of zero length would never use up the distance.
    std::vector<double> steps = split(10, zeros, 3, 0);
    EXPECT_EQ(std::accumulate(steps.begin(), steps.end(), 0.0), 10);
    steps = split(50, shrinking, 2, -1);
    EXPECT_EQ(std::accumulate(steps.begin(), steps.end(), 0.0), 50);
    EXPECT_TRUE(split(10, g_ovStepsS2, 0, 5).empty());
}

// Two solid full-screen pictures and a count of the screen's changes.
class OvfcTransition : public ovfc_test::GraphicsTest {
protected:
    static constexpr COLORREF kOld = 0x0000FF;  // red
    static constexpr COLORREF kNew = 0xFF0000;  // blue

    void SetUp() override
    {
        GraphicsTest::SetUp();
        screen_ = GetDC(nullptr);
        old_ = solid(kOld);
        new_ = solid(kNew);
        platform::gdi::screen().set_changed_hook([this](const RECT&) { ++changes_; });
    }
    void TearDown() override
    {
        platform::gdi::screen().set_changed_hook(nullptr);
        DeleteObject(old_);
        DeleteObject(new_);
        ReleaseDC(nullptr, screen_);
        GraphicsTest::TearDown();
    }

    HBITMAP solid(COLORREF colour)
    {
        HBITMAP bitmap = CreateCompatibleBitmap(screen_, 480, 720);
        HDC dc = CreateCompatibleDC(screen_);
        HGDIOBJ previous = SelectObject(dc, bitmap);
        HBRUSH brush = CreateSolidBrush(colour);
        RECT all {0, 0, 480, 720};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        SelectObject(dc, previous);
        DeleteDC(dc);
        return bitmap;
    }

    int play(int anim, int alpha_step = 24)
    {
        RECT all {0, 0, 480, 720};
        FillRect(screen_, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        changes_ = 0;
        OvDrawTransition(old_, new_, screen_, &all, anim, alpha_step);
        return changes_;
    }

    HDC screen_ = nullptr;
    HBITMAP old_ = nullptr;
    HBITMAP new_ = nullptr;
    int changes_ = 0;
};

TEST_F(OvfcTransition, EachTransitionDrawsItsFramesAndEndsOnTheNewPicture)
{
    // frames: steps of the list; blits: screen writes per frame (where a
    // frame draws two bands, the last frame's old band is empty); extra:
    // the closing frame, or the old picture drawn once before the frames.
    struct Case {
        int anim;
        int frames;
        int blits;
        int extra;
    };
    const Case cases[] = {
        {1, 22, 1, 1},
        {2, 22, 2, 1},
        {3, 22, 1, 1},
        {4, 22, 2, 1},
        {5, 19, 1, 1},
        {6, 19, 2, 0},
        {7, 19, 1, 1},
        {8, 19, 2, 0},
        {9, 23, 2, 1},
        {10, 23, 2, 1},
        {11, 20, 2, 0},
        {12, 20, 2, 0},
        {13, 46, 1, 1},
        {14, 55, 1, 1},
        {15, 11, 1, 0},
    };
    std::size_t objects = platform::gdi::live_object_count();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.anim);
        int expected = c.frames * c.blits - (c.blits == 2 ? 1 : 0) + c.extra;
        EXPECT_EQ(play(c.anim), expected);
        const std::uint32_t blue = 0x0000FF;
        if (c.anim == 15) {
            // The last frame is the new picture at alpha 240 over the old.
            std::uint32_t pixel = screen_pixel(240, 360);
            EXPECT_GT(pixel & 0xFF, 0xE0u);
            EXPECT_LT(pixel >> 16, 0x20u);
        } else {
            EXPECT_EQ(screen_pixel(0, 0), blue);
            EXPECT_EQ(screen_pixel(479, 719), blue);
            EXPECT_EQ(screen_pixel(240, 360), blue);
        }
        EXPECT_EQ(platform::gdi::live_object_count(), objects) << "every DC and buffer is released";
    }
}

TEST_F(OvfcTransition, SlidesMoveTheNewPictureInFromTheirEdge)
{
    // Stop watching the whole run: look at the screen after the first frame.
    RECT all {0, 0, 480, 720};
    bool looked = false;
    std::uint32_t top = 0, bottom = 0;
    platform::gdi::screen().set_changed_hook([&](const RECT&) {
        if (looked) return;
        looked = true;
        auto pixels = platform::gdi::screen().read_xrgb();
        top = pixels[0];
        bottom = pixels[719 * 480];
    });
    FillRect(screen_, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    looked = false;
    OvDrawTransition(old_, new_, screen_, &all, 1, 24);
    EXPECT_EQ(top, 0u) << "the screen's own picture stays above the rising band";
    EXPECT_EQ(bottom, 0x0000FFu) << "the first band is at the bottom";
}

TEST_F(OvfcTransition, CrossFadeStepsAreTakenByTheirSize)
{
    EXPECT_EQ(play(15, -24), 11) << "a negative step plays as the positive one";
    EXPECT_EQ(play(15, 0), 256) << "a step of 0 counts as 1 and ends";
    EXPECT_EQ(play(15, 300), 1) << "one frame at alpha 0";
    EXPECT_EQ(screen_pixel(240, 360), 0xFF0000u) << "alpha 0 shows only the old picture";
}

TEST_F(OvfcTransition, UnknownNumbersAndMissingPicturesDrawSafely)
{
    std::size_t objects = platform::gdi::live_object_count();
    EXPECT_EQ(play(0), 0);
    EXPECT_EQ(play(16), 0);
    EXPECT_EQ(play(-3), 0);
    RECT all {0, 0, 480, 720};
    OvDrawTransition(old_, new_, screen_, nullptr, 1, 24);
    OvDrawTransition(old_, nullptr, screen_, &all, 3, 24);
    OvDrawTransition(nullptr, nullptr, screen_, &all, 14, 24);
    OvDrawTransition(nullptr, nullptr, screen_, &all, 15, 24);
    RECT empty {10, 10, 10, 10};
    OvDrawTransition(old_, new_, screen_, &empty, 13, 24);
    EXPECT_EQ(platform::gdi::live_object_count(), objects);
}

}  // namespace
