#include "gdi_test_support.h"

using gdi_test::stored;
using gdi_test::Surface;

namespace {

class ShapesPerDepth : public testing::TestWithParam<int> {
protected:
    std::uint32_t white() const { return stored(GetParam(), RGB(255, 255, 255)); }
};

// Selects a pen and a brush for the lifetime of the object.
struct Tools {
    Tools(HDC dc, HGDIOBJ pen, HGDIOBJ brush)
        : dc(dc)
        , old_pen(SelectObject(dc, pen))
        , old_brush(SelectObject(dc, brush))
    {
    }
    ~Tools()
    {
        SelectObject(dc, old_pen);
        SelectObject(dc, old_brush);
    }
    HDC dc;
    HGDIOBJ old_pen, old_brush;
};

}  // namespace

TEST_P(ShapesPerDepth, RectangleOutlinesWithThePenAndFillsWithTheBrush)
{
    Surface surface(GetParam(), 6, 5);
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    {
        Tools tools(surface.dc, GetStockObject(WHITE_PEN), black);
        ASSERT_TRUE(Rectangle(surface.dc, 5, 4, 1, 0));  // corners in any order
    }
    EXPECT_EQ(surface.picture(white()), ".####.\n.#..#.\n.#..#.\n.####.\n......\n");
    // Without a pen the fill is one pixel smaller to the right and below.
    surface.fill_raw(0);
    {
        Tools tools(surface.dc, GetStockObject(NULL_PEN), GetStockObject(WHITE_BRUSH));
        ASSERT_TRUE(Rectangle(surface.dc, 1, 0, 5, 4));
    }
    EXPECT_EQ(surface.picture(white()), ".###..\n.###..\n.###..\n......\n......\n");
    // A hollow brush leaves the inside.
    surface.fill_raw(0);
    HPEN wide = CreatePen(PS_INSIDEFRAME, 2, RGB(255, 255, 255));
    {
        Tools tools(surface.dc, wide, GetStockObject(NULL_BRUSH));
        ASSERT_TRUE(Rectangle(surface.dc, 0, 0, 6, 5));
    }
    EXPECT_EQ(surface.picture(white()), "######\n######\n##..##\n######\n######\n");
    DeleteObject(wide);
}

TEST_P(ShapesPerDepth, FillRectCoversRightAndBottomExclusive)
{
    Surface surface(GetParam(), 4, 3);
    RECT rect {1, 1, 3, 3};
    EXPECT_EQ(FillRect(surface.dc, &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))), 1);
    EXPECT_EQ(surface.picture(white()), "....\n.##.\n.##.\n");
    EXPECT_EQ(FillRect(surface.dc, &rect, nullptr), 0);
    EXPECT_EQ(FillRect(surface.dc, nullptr, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))), 0);
}

TEST_P(ShapesPerDepth, LinesLeaveOutTheirEndPoint)
{
    Surface surface(GetParam(), 5, 5);
    Tools tools(surface.dc, GetStockObject(WHITE_PEN), GetStockObject(BLACK_BRUSH));
    POINT previous;
    ASSERT_TRUE(MoveToEx(surface.dc, 0, 0, nullptr));
    ASSERT_TRUE(LineTo(surface.dc, 4, 0));
    ASSERT_TRUE(LineTo(surface.dc, 4, 4));
    ASSERT_TRUE(MoveToEx(surface.dc, 0, 4, &previous));
    EXPECT_EQ(previous.x, 4);
    EXPECT_EQ(previous.y, 4);
    ASSERT_TRUE(LineTo(surface.dc, 3, 1));
    // The second line starts where the first left off; (4, 4) and (3, 1) stay
    // clear.
    EXPECT_EQ(surface.picture(white()), "#####\n....#\n..#.#\n.#..#\n#....\n");
    // A degenerate line draws nothing; a far-away one draws only what shows.
    surface.fill_raw(0);
    MoveToEx(surface.dc, 2, 2, nullptr);
    LineTo(surface.dc, 2, 2);
    MoveToEx(surface.dc, -2000000000, 2, nullptr);
    LineTo(surface.dc, 2000000000, 2);
    EXPECT_EQ(surface.picture(white()), ".....\n.....\n#####\n.....\n.....\n");
    POINT now;
    GetCurrentPositionEx(surface.dc, &now);
    EXPECT_EQ(now.x, 2000000000);
}

TEST_P(ShapesPerDepth, RoundRectIsSymmetricWithCutCorners)
{
    Surface surface(GetParam(), 8, 8);
    Tools tools(surface.dc, GetStockObject(WHITE_PEN), GetStockObject(WHITE_BRUSH));
    ASSERT_TRUE(RoundRect(surface.dc, 0, 0, 8, 8, 8, 8));
    std::string picture = surface.picture(white());
    EXPECT_EQ(picture,
        "..####..\n"
        ".######.\n"
        "########\n"
        "########\n"
        "########\n"
        "########\n"
        ".######.\n"
        "..####..\n");
}

INSTANTIATE_TEST_SUITE_P(Depths, ShapesPerDepth, testing::Values(1, 16, 32));

TEST(RoundRect, CornerMaskKeepsTheOutsideBlack)
{
    // The shape of a panel corner mask: 2r x 2r, corner ellipse r x r.
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP mask = CreateBitmap(28, 28, 1, 1, nullptr);
    HGDIOBJ previous = SelectObject(memory, mask);
    HPEN black_pen = CreatePen(PS_SOLID, 1, 0);
    HBRUSH black_brush = CreateSolidBrush(0);
    {
        Tools tools(memory, black_pen, black_brush);
        Rectangle(memory, 0, 0, 28, 28);
    }
    {
        Tools tools(memory, GetStockObject(WHITE_PEN), GetStockObject(WHITE_BRUSH));
        RoundRect(memory, 0, 0, 28, 28, 14, 14);
    }
    EXPECT_EQ(GetPixel(memory, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(memory, 27, 27), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(memory, 14, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(memory, 0, 14), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(memory, 27, 14), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(memory, 13, 13), RGB(255, 255, 255));
    // The four quadrants mirror each other.
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 14; ++x) {
            COLORREF corner = GetPixel(memory, x, y);
            EXPECT_EQ(GetPixel(memory, 27 - x, y), corner) << x << "," << y;
            EXPECT_EQ(GetPixel(memory, x, 27 - y), corner) << x << "," << y;
        }
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    DeleteObject(mask);
    DeleteObject(black_pen);
    DeleteObject(black_brush);
}

TEST(Pixels, SixteenBitsReadBackWidenedByRepeatingHighBits)
{
    Surface surface(16, 2, 1);
    EXPECT_EQ(SetPixel(surface.dc, 0, 0, RGB(0x12, 0x34, 0x56)), RGB(0x10, 0x34, 0x52));
    EXPECT_EQ(GetPixel(surface.dc, 0, 0), RGB(0x10, 0x34, 0x52));
    EXPECT_EQ(SetPixel(surface.dc, 1, 0, RGB(0xFF, 0xFF, 0xFF)), RGB(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(surface.raw(1, 0), 0xFFFFu);
    EXPECT_EQ(SetPixel(surface.dc, 2, 0, RGB(1, 1, 1)), CLR_INVALID);
    EXPECT_EQ(GetPixel(surface.dc, -1, 0), CLR_INVALID);
    Surface deep(32, 1, 1);
    deep.set_raw(0, 0, 0x80ABCDEF);
    EXPECT_EQ(GetPixel(deep.dc, 0, 0), RGB(0xAB, 0xCD, 0xEF));
}

TEST(GradientFill, FirstColourExactOnItsEdgeAndApproachingTheSecond)
{
    Surface surface(32, 10, 10);
    // Top 0xF09036 (RGB 0x36, 0x90, 0xF0) to bottom 0xDB621A, as a panel fill does.
    TRIVERTEX vertices[] = {
        {0, 0, 0x3600, 0x9000, 0xF000, 0xFF00},
        {10, 10, 0x1A00, 0x6200, 0xDB00, 0xFF00},
    };
    GRADIENT_RECT mesh {0, 1};
    ASSERT_TRUE(GradientFill(surface.dc, vertices, 2, &mesh, 1, GRADIENT_FILL_RECT_V));
    EXPECT_EQ(surface.raw(0, 0), 0xFF3690F0u);
    EXPECT_EQ(surface.raw(9, 0), 0xFF3690F0u);
    // Row 9 is 9/10 of the way: red 0x36 + (0x1A - 0x36) x 9 / 10 = 28.8,
    // truncated to 0x1C.
    EXPECT_EQ(surface.raw(0, 9), 0xFF1C66DDu);
    for (int y = 1; y < 10; ++y) EXPECT_LE(surface.raw(0, y) & 0xFF0000, surface.raw(0, y - 1) & 0xFF0000);

    // Horizontal, with the vertices given right to left and reaching outside.
    Surface shallow(16, 4, 1);
    TRIVERTEX across[] = {
        {6, 1, 0x0000, 0x0000, 0x0000, 0},
        {-2, 0, 0xFF00, 0xFF00, 0xFF00, 0},
    };
    ASSERT_TRUE(GradientFill(shallow.dc, across, 2, &mesh, 1, GRADIENT_FILL_RECT_H));
    // Column x is (x + 2) / 8 of the way from white to black.
    EXPECT_EQ(GetPixel(shallow.dc, 0, 0), RGB(189, 190, 189));  // 191 stored in 5-6-5
    EXPECT_EQ(GetPixel(shallow.dc, 3, 0), RGB(90, 93, 90));  // 95

    GRADIENT_RECT bad {0, 2};
    EXPECT_FALSE(GradientFill(surface.dc, vertices, 2, &bad, 1, GRADIENT_FILL_RECT_V));
    EXPECT_FALSE(GradientFill(surface.dc, vertices, 2, &mesh, 1, GRADIENT_FILL_TRIANGLE));
    EXPECT_FALSE(GradientFill(surface.dc, nullptr, 2, &mesh, 1, GRADIENT_FILL_RECT_V));
}
