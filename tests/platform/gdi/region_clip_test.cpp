#include "gdi_test_support.h"

using gdi_test::Surface;

TEST(Regions, CombineModesAndQueries)
{
    HRGN a = CreateRectRgn(0, 0, 10, 10);
    HRGN b = CreateRectRgn(15, 5, 5, 15);  // given in reverse order
    HRGN result = CreateRectRgn(0, 0, 0, 0);
    RECT box;
    EXPECT_EQ(GetRgnBox(b, &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 5);
    EXPECT_EQ(box.bottom, 15);

    EXPECT_EQ(CombineRgn(result, a, b, RGN_AND), SIMPLEREGION);
    GetRgnBox(result, &box);
    RECT expected {5, 5, 10, 10};
    EXPECT_TRUE(EqualRect(&box, &expected));

    EXPECT_EQ(CombineRgn(result, a, b, RGN_OR), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(result, 12, 12));
    EXPECT_FALSE(PtInRegion(result, 12, 2));
    EXPECT_FALSE(PtInRegion(result, 10, 10) && !PtInRegion(b, 10, 10));

    EXPECT_EQ(CombineRgn(result, a, b, RGN_DIFF), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(result, 2, 2));
    EXPECT_FALSE(PtInRegion(result, 7, 7));
    RECT inside_hole {6, 6, 9, 9}, touching {9, 9, 20, 20};
    EXPECT_FALSE(RectInRegion(result, &inside_hole));
    EXPECT_FALSE(RectInRegion(result, &touching));
    EXPECT_TRUE(RectInRegion(a, &touching));

    EXPECT_EQ(CombineRgn(result, a, b, RGN_XOR), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(result, 7, 7));
    EXPECT_TRUE(PtInRegion(result, 12, 12));

    // The destination may be one of the sources.
    EXPECT_EQ(CombineRgn(a, a, b, RGN_AND), SIMPLEREGION);
    EXPECT_EQ(CombineRgn(result, b, nullptr, RGN_COPY), SIMPLEREGION);
    EXPECT_TRUE(EqualRgn(result, b));
    EXPECT_EQ(OffsetRgn(result, -5, -5), SIMPLEREGION);
    GetRgnBox(result, &box);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.right, 10);
    EXPECT_TRUE(SetRectRgn(result, 3, 3, 3, 8));
    EXPECT_EQ(GetRgnBox(result, &box), NULLREGION);
    EXPECT_EQ(CombineRgn(result, a, b, 99), ERROR);
    EXPECT_EQ(CombineRgn(result, a, nullptr, RGN_OR), ERROR);
    EXPECT_EQ(OffsetRgn(nullptr, 1, 1), ERROR);
    // Extreme coordinates neither overflow nor fail.
    HRGN huge = CreateRectRgn(-2147483647, -2147483647, 2147483647, 2147483647);
    EXPECT_TRUE(PtInRegion(huge, 0, 0));
    for (HRGN region : {a, b, result, huge}) EXPECT_TRUE(DeleteObject(region));
}

TEST(Clipping, ClipRegionsNarrowDrawingAndGetClipBoxReportsIt)
{
    Surface surface(16, 8, 8);
    RECT box;
    EXPECT_EQ(GetClipBox(surface.dc, &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 8);
    HRGN region = CreateRectRgn(2, 2, 6, 6);
    EXPECT_EQ(SelectClipRgn(surface.dc, region), SIMPLEREGION);
    // The DC keeps a copy: changing the region afterwards has no effect.
    SetRectRgn(region, 0, 0, 1, 1);
    EXPECT_EQ(IntersectClipRect(surface.dc, 4, 0, 8, 8), SIMPLEREGION);
    EXPECT_EQ(ExcludeClipRect(surface.dc, 4, 3, 5, 4), COMPLEXREGION);
    GetClipBox(surface.dc, &box);
    RECT expected {4, 2, 6, 6};
    EXPECT_TRUE(EqualRect(&box, &expected));
    RECT all {0, 0, 8, 8};
    FillRect(surface.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(
        surface.picture(0xFFFF), "........\n........\n....##..\n.....#..\n....##..\n....##..\n........\n........\n");
    EXPECT_EQ(GetClipRgn(surface.dc, region), 1);
    EXPECT_FALSE(PtInRegion(region, 4, 3));
    EXPECT_TRUE(PtInRegion(region, 5, 3));

    // Selecting a region object as an object clips the same way.
    SetRectRgn(region, 0, 0, 1, 1);
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(SelectObject(surface.dc, region)), SIMPLEREGION);
    EXPECT_EQ(GetPixel(surface.dc, 4, 2), CLR_INVALID);
    EXPECT_EQ(SelectClipRgn(surface.dc, nullptr), SIMPLEREGION);
    EXPECT_EQ(GetClipRgn(surface.dc, region), 0);
    EXPECT_EQ(GetPixel(surface.dc, 4, 2), RGB(255, 255, 255));
    // Clipping everything away leaves nothing to draw.
    IntersectClipRect(surface.dc, 5, 5, 5, 9);
    EXPECT_EQ(GetClipBox(surface.dc, &box), NULLREGION);
    EXPECT_TRUE(IsRectEmpty(&box));
    EXPECT_EQ(ExtSelectClipRgn(surface.dc, nullptr, RGN_AND), ERROR);
    DeleteObject(region);
}

TEST(Rects, HelpersFollowExclusiveEdges)
{
    RECT a, b, out;
    SetRect(&a, 0, 0, 10, 10);
    SetRect(&b, 5, 5, 15, 15);
    EXPECT_TRUE(IntersectRect(&out, &a, &b));
    RECT expected {5, 5, 10, 10};
    EXPECT_TRUE(EqualRect(&out, &expected));
    SetRect(&b, 10, 0, 20, 10);  // touching is not overlapping
    EXPECT_FALSE(IntersectRect(&out, &a, &b));
    EXPECT_TRUE(IsRectEmpty(&out));
    EXPECT_TRUE(UnionRect(&out, &a, &b));
    EXPECT_EQ(out.right, 20);
    RECT empty {50, 50, 50, 60};
    EXPECT_TRUE(UnionRect(&out, &empty, &a));
    EXPECT_TRUE(EqualRect(&out, &a));
    EXPECT_TRUE(PtInRect(&a, POINT {0, 9}));
    EXPECT_FALSE(PtInRect(&a, POINT {10, 9}));
    OffsetRect(&a, -1, 2);
    InflateRect(&a, 1, -1);
    RECT moved {-2, 3, 10, 11};
    EXPECT_TRUE(EqualRect(&a, &moved));
    SetRect(&a, 0, 0, 10, 10);
    SetRect(&b, 0, 0, 4, 10);
    EXPECT_TRUE(SubtractRect(&out, &a, &b));
    EXPECT_EQ(out.left, 4);
    SetRect(&b, 2, 2, 4, 4);  // a hole cannot be cut out
    EXPECT_TRUE(SubtractRect(&out, &a, &b));
    EXPECT_TRUE(EqualRect(&out, &a));
    EXPECT_TRUE(IsRectEmpty(nullptr));
    EXPECT_FALSE(IntersectRect(nullptr, &a, &b));
    EXPECT_FALSE(CopyRect(&out, nullptr));
}
