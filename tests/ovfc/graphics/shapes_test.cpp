// Lines, rectangles, gradients, corner masks and the rounded panels, checked
// pixel by pixel on small 32-bit canvases.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ovfc/graphics/ov_shapes.h"
#include "platform/gdi/gdi_object.h"
#include "tests/ovfc/graphics/picture_test_support.h"

namespace {

using ovfc_test::Canvas;

// 0x00BBGGRR as the canvas reads it back (0x00RRGGBB).
std::uint32_t rgb_of(COLORREF cr) { return GetRValue(cr) << 16 | GetGValue(cr) << 8 | GetBValue(cr); }

int channel_distance(std::uint32_t a, std::uint32_t b)
{
    int d = 0;
    for (int shift = 0; shift < 24; shift += 8)
        d = std::max(d, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return d;
}

class OvfcShapes : public ovfc_test::GraphicsTest {
protected:
    void TearDown() override
    {
        OvReleaseCornerMasks();
        GraphicsTest::TearDown();
    }
};

constexpr COLORREF kTop = 0xF09036;
constexpr COLORREF kBottom = 0xDB621A;
constexpr COLORREF kMarker = 0x00FF00;

TEST_F(OvfcShapes, GradientsStartWithTheFirstColourAndEndNearTheSecond)
{
    Canvas canvas(20, 10, 0);
    RECT rc {0, 0, 20, 10};
    ASSERT_TRUE(OvGradientFill(canvas.dc(), &rc, kTop, kBottom, OVGRADIENT_VERTICAL));
    EXPECT_EQ(canvas.rgb(5, 0), rgb_of(kTop));
    EXPECT_EQ(canvas.rgb(5, 0), canvas.rgb(19, 0)) << "a vertical gradient is flat across";
    // The last row is one step short of the second colour.
    int step = channel_distance(rgb_of(kTop), rgb_of(kBottom)) / 10 + 1;
    EXPECT_LE(channel_distance(canvas.rgb(5, 9), rgb_of(kBottom)), step);
    EXPECT_GT(channel_distance(canvas.rgb(5, 8), rgb_of(kBottom)), channel_distance(canvas.rgb(5, 9), rgb_of(kBottom)));

    Canvas across(10, 4, 0);
    RECT rcAcross {0, 0, 10, 4};
    ASSERT_TRUE(OvGradientFill(across.dc(), &rcAcross, kTop, kBottom, 0));
    EXPECT_EQ(across.rgb(0, 3), rgb_of(kTop)) << "any direction but 2 runs from left to right";
    EXPECT_LE(channel_distance(across.rgb(9, 0), rgb_of(kBottom)), step);

    EXPECT_FALSE(OvGradientFill(across.dc(), nullptr, kTop, kBottom, 2));
    EXPECT_FALSE(OvGradientFillSplit(across.dc(), nullptr, kTop, kBottom, kTop, kBottom, 1));
}

TEST_F(OvfcShapes, SplitGradientsDivideAtTheMiddle)
{
    const COLORREF red = 0x0000FF, blue = 0xFF0000;
    Canvas canvas(7, 2, 0);
    RECT rc {0, 0, 7, 2};
    ASSERT_TRUE(OvGradientFillSplit(canvas.dc(), &rc, red, red, blue, blue, OVGRADIENT_SPLIT_HORIZONTAL));
    // Seven pixels: three on the left, four on the right.
    EXPECT_EQ(canvas.rgb(2, 0), rgb_of(red));
    EXPECT_EQ(canvas.rgb(3, 0), rgb_of(blue));
    EXPECT_EQ(canvas.rgb(6, 1), rgb_of(blue));

    Canvas column(2, 9, 0);
    RECT rcColumn {0, 0, 2, 9};
    ASSERT_TRUE(OvGradientFillSplit(column.dc(), &rcColumn, red, 0, blue, 0, OVGRADIENT_VERTICAL));
    EXPECT_EQ(column.rgb(0, 0), rgb_of(red)) << "top half starts with colour 1";
    EXPECT_EQ(column.rgb(0, 4), rgb_of(blue)) << "bottom half starts at top + 4 with colour 3";
    EXPECT_EQ(column.rgb(0, 0), column.rgb(1, 0)) << "direction 2 passes on vertical gradients";
}

TEST_F(OvfcShapes, LinesLeaveTheirEndPointAndRectanglesOutlineAndFill)
{
    Canvas canvas(10, 10, 0);
    OvDrawLine(canvas.dc(), 1, 1, 6, 1, 0x0000FF);
    EXPECT_EQ(canvas.rgb(1, 1), 0xFF0000u);
    EXPECT_EQ(canvas.rgb(5, 1), 0xFF0000u);
    EXPECT_EQ(canvas.rgb(6, 1), 0u) << "the end point is not drawn";

    RECT rc {2, 3, 8, 9};
    EXPECT_EQ(OvDrawRect(canvas.dc(), &rc, 0x0000FF, 0xFF0000), 1);
    EXPECT_EQ(canvas.rgb(2, 3), 0xFF0000u) << "outline in the pen colour";
    EXPECT_EQ(canvas.rgb(7, 8), 0xFF0000u);
    EXPECT_EQ(canvas.rgb(5, 5), 0x0000FFu) << "inside in the brush colour";
    EXPECT_EQ(canvas.rgb(8, 9), 0u);
    OvDrawRoundRect(canvas.dc(), nullptr, 4, 0, 0);
}

TEST_F(OvfcShapes, CornerMasksAreCachedPerRadiusAndReleasedAtExit)
{
    EXPECT_EQ(OvGetCornerMask(0), nullptr);
    EXPECT_EQ(OvGetCornerMask(-3), nullptr);
    HBITMAP mask = OvGetCornerMask(14);
    ASSERT_NE(mask, nullptr);
    EXPECT_EQ(OvGetCornerMask(14), mask);
    EXPECT_EQ(OvCornerMaskCount(), 1);
    BITMAP info {};
    ASSERT_TRUE(GetObjectW(mask, sizeof(info), &info));
    EXPECT_EQ(info.bmWidth, 28);
    EXPECT_EQ(info.bmHeight, 28);
    EXPECT_EQ(info.bmBitsPixel, 1);

    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, mask);
    EXPECT_EQ(GetPixel(dc, 0, 0), 0x000000u) << "outside the rounded corner";
    EXPECT_EQ(GetPixel(dc, 27, 27), 0x000000u);
    EXPECT_EQ(GetPixel(dc, 14, 0), 0xFFFFFFu) << "the straight edge is inside";
    EXPECT_EQ(GetPixel(dc, 7, 7), 0xFFFFFFu);
    SelectObject(dc, old);
    DeleteDC(dc);

    OvReleaseCornerMasks();
    EXPECT_EQ(OvCornerMaskCount(), 0);
    EXPECT_EQ(GetObjectType(mask), 0u) << "the mask was deleted";
}

using PanelFunction = void (*)(HDC, const RECT*, int, COLORREF, COLORREF);

struct PanelCase {
    const char* name;
    PanelFunction draw;
    bool top_rounded;
    bool bottom_rounded;
};

const PanelCase kPanels[] = {
    {"OvDrawRoundPanel", OvDrawRoundPanel, true, true},
    {"OvDrawRoundPanelTop", OvDrawRoundPanelTop, true, false},
    {"OvDrawRoundPanelBottom", OvDrawRoundPanelBottom, false, true},
    {"OvDrawSolidPanelTop", OvDrawSolidPanelTop, true, false},
    {"OvDrawSolidPanelBottom", OvDrawSolidPanelBottom, false, true},
};

TEST_F(OvfcShapes, PanelsLeaveThePixelsOutsideTheirRoundedCornersUntouched)
{
    const RECT rc {10, 10, 70, 50};
    for (const PanelCase& panel : kPanels) {
        SCOPED_TRACE(panel.name);
        Canvas canvas(80, 60, kMarker);
        std::size_t objects = platform::gdi::live_object_count();
        std::size_t new_masks = OvCornerMaskCount() == 0 ? 1 : 0;
        panel.draw(canvas.dc(), &rc, 14, kTop, kBottom);
        EXPECT_EQ(platform::gdi::live_object_count(), objects + new_masks)
            << "nothing but the cached mask is left behind";
        const std::uint32_t marker = rgb_of(kMarker);
        // The outermost corner pixels keep the destination where the corner
        // is rounded and are painted where it is square.
        EXPECT_EQ(canvas.rgb(10, 10) == marker, panel.top_rounded);
        EXPECT_EQ(canvas.rgb(69, 10) == marker, panel.top_rounded);
        EXPECT_EQ(canvas.rgb(10, 49) == marker, panel.bottom_rounded);
        EXPECT_EQ(canvas.rgb(69, 49) == marker, panel.bottom_rounded);
        // Inside, along the edges and in the middle, the panel is drawn.
        EXPECT_NE(canvas.rgb(40, 30), marker);
        EXPECT_NE(canvas.rgb(40, 10), marker);
        EXPECT_NE(canvas.rgb(10, 30), marker);
        EXPECT_NE(canvas.rgb(24, 24), marker) << "inner corner quadrant";
        // Nothing outside the rectangle.
        for (int x = 0; x < 80; ++x) {
            EXPECT_EQ(canvas.rgb(x, 9), marker) << x;
            EXPECT_EQ(canvas.rgb(x, 50), marker) << x;
        }
        for (int y = 0; y < 60; ++y) {
            EXPECT_EQ(canvas.rgb(9, y), marker) << y;
            EXPECT_EQ(canvas.rgb(70, y), marker) << y;
        }
    }
    EXPECT_EQ(OvCornerMaskCount(), 1) << "five panels of one radius share one mask";
}

TEST_F(OvfcShapes, PanelPiecesContinueTheirGradientPastTheirOpenEdge)
{
    const RECT rc {0, 0, 40, 20};
    Canvas whole(40, 20, kMarker), top(40, 20, kMarker), bottom(40, 20, kMarker);
    OvDrawRoundPanel(whole.dc(), &rc, 8, kTop, kBottom);
    OvDrawRoundPanelTop(top.dc(), &rc, 8, kTop, kBottom);
    OvDrawRoundPanelBottom(bottom.dc(), &rc, 8, kTop, kBottom);
    EXPECT_EQ(whole.rgb(20, 0), rgb_of(kTop));
    EXPECT_EQ(top.rgb(20, 0), rgb_of(kTop));
    // The top piece's gradient runs 8 rows further, so its bottom row is
    // further from the second colour than the whole panel's.
    EXPECT_GT(channel_distance(top.rgb(20, 19), rgb_of(kBottom)), channel_distance(whole.rgb(20, 19), rgb_of(kBottom)));
    // The bottom piece's starts 8 rows above its top.
    EXPECT_NE(bottom.rgb(20, 0), rgb_of(kTop));
    EXPECT_LE(
        channel_distance(bottom.rgb(20, 19), rgb_of(kBottom)), channel_distance(whole.rgb(20, 19), rgb_of(kBottom)));
}

}  // namespace
