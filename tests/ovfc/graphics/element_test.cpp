// The themed elements: which platform picture each type draws in each state,
// the list rows' separators and selection, and the list-group panels.
#include <gtest/gtest.h>

#include "ovfc/core/ov_theme.h"
#include "ovfc/graphics/ov_element.h"
#include "ovfc/graphics/ov_shapes.h"
#include "tests/ovfc/graphics/picture_test_support.h"

namespace {

using ovfc_test::Canvas;

constexpr COLORREF kMarker = 0x00FF00;
constexpr std::uint32_t kMarkerRgb = 0x00FF00;

std::uint32_t rgb_of(COLORREF cr) { return GetRValue(cr) << 16 | GetGValue(cr) << 8 | GetBValue(cr); }

// Every picture is one solid colour that names its id.
std::uint32_t colour_of(int id) { return std::uint32_t(id % 256) << 16 | std::uint32_t(id / 256) << 8 | 0x55; }

class OvfcElement : public ovfc_test::GraphicsTest {
protected:
    void TearDown() override
    {
        OvReleaseCornerMasks();
        GraphicsTest::TearDown();
    }

    // ovres.dll with a solid picture for each id (bars 60 x 20, the rest
    // 12 x 12); picture 260, the selection texture, is left out.
    void install_library()
    {
        const int bars[] = {122, 136, 178, 203, 204, 205, 206, 211, 212, 213, 214, 215, 253, 254, 258, 259};
        const int pictures[] = {102, 106, 107, 131, 133, 134, 135, 139, 140, 158, 207, 208};
        std::map<int, std::vector<std::uint8_t>> library;
        for (int id : bars)
            library[id] = ovfc_test::encode_png(ovfc_test::Picture(60, 20, 0xFF000000u | colour_of(id)), true);
        for (int id : pictures)
            library[id] = ovfc_test::encode_png(ovfc_test::Picture(12, 12, 0xFF000000u | colour_of(id)), true);
        ASSERT_TRUE(ovfc_test::write_picture_library(device_root(), "Windows/ovres.dll", library));
    }
};

struct PictureCase {
    int type;
    int normal;
    int pressed;
};

const PictureCase kPictureTypes[] = {
    {1, 205, 206},
    {2, 122, 204},
    {5, 178, 203},
    {6, 212, 213},
    {7, 214, 215},
    {8, 136, 211},
    {9, 253, 254},
    {10, 258, 259},
    {11, 140, 139},
    {12, 134, 135},
    {265, 102, 208},
    {513, 139, 139},
    {514, 140, 140},
    {515, 102, 102},
    {516, 208, 208},
    {517, 207, 207},
    {518, 131, 131},
    {519, 134, 134},
    {520, 135, 135},
    {521, 158, 158},
};

TEST_F(OvfcElement, EachTypeDrawsItsPictureForTheState)
{
    install_library();
    const RECT rc {10, 10, 110, 50};
    for (const PictureCase& c : kPictureTypes) {
        for (int state : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message() << "type " << c.type << " state " << state);
            Canvas canvas(120, 60, kMarker);
            EXPECT_EQ(OvDrawElement(canvas.dc(), &rc, c.type, state, 0), 1);
            // Type 10 runs along the top of the rectangle; the others are
            // centred in it.
            EXPECT_EQ(canvas.rgb(60, c.type == 10 ? 12 : 30), colour_of(state != 0 ? c.pressed : c.normal));
        }
    }
    // Bars span the rectangle's width; pictures keep their size, centred.
    Canvas bar(120, 60, kMarker);
    OvDrawElement(bar.dc(), &rc, 1, 0, 0);
    EXPECT_EQ(bar.rgb(10, 30), colour_of(205));
    EXPECT_EQ(bar.rgb(109, 30), colour_of(205));
    EXPECT_EQ(bar.rgb(60, 19), kMarkerRgb) << "20 rows high, centred in 40";
    Canvas picture(120, 60, kMarker);
    OvDrawElement(picture.dc(), &rc, 11, 0, 0);
    EXPECT_EQ(picture.rgb(54, 24), colour_of(140));
    EXPECT_EQ(picture.rgb(53, 24), kMarkerRgb);
    EXPECT_EQ(picture.rgb(65, 35), colour_of(140));
    EXPECT_EQ(picture.rgb(66, 35), kMarkerRgb);
}

TEST_F(OvfcElement, OpaquePicturesGoToTheTopLeftCorner)
{
    install_library();
    const RECT rc {10, 10, 110, 50};
    const std::pair<int, int> types[] = {{522, 133}, {523, 106}, {524, 107}};
    for (auto [type, id] : types) {
        SCOPED_TRACE(type);
        Canvas canvas(120, 60, kMarker);
        EXPECT_EQ(OvDrawElement(canvas.dc(), &rc, type, 0, 0), 1);
        EXPECT_EQ(canvas.rgb(10, 10), colour_of(id));
        EXPECT_EQ(canvas.rgb(21, 21), colour_of(id));
        EXPECT_EQ(canvas.rgb(22, 22), kMarkerRgb);
    }
}

TEST_F(OvfcElement, WithoutThePlatformLibraryPictureTypesReportFailure)
{
    const RECT rc {0, 0, 100, 40};
    Canvas canvas(100, 40, kMarker);
    for (const PictureCase& c : kPictureTypes) EXPECT_EQ(OvDrawElement(canvas.dc(), &rc, c.type, 0, 0), 0) << c.type;
    for (int type : {522, 523, 524}) EXPECT_EQ(OvDrawElement(canvas.dc(), &rc, type, 0, 0), 0) << type;
    for (int type : {3, 4, 0, 1000, 264}) EXPECT_EQ(OvDrawElement(canvas.dc(), &rc, type, 0, 0), 1) << type;
    EXPECT_EQ(canvas.rgb(50, 20), kMarkerRgb) << "nothing was drawn";
    EXPECT_EQ(OvDrawElement(canvas.dc(), nullptr, 1, 0, 0), 0);
    // The selection still gets its gradient without its texture.
    EXPECT_EQ(OvDrawElement(canvas.dc(), &rc, 264, 1, 0), 1);
    EXPECT_EQ(canvas.rgb(50, 0), rgb_of(OvGetThemeColor(21)));
}

TEST_F(OvfcElement, RowsDrawTheirSeparatorsAndTheSelectionBetweenThem)
{
    const std::uint32_t line2_ends = rgb_of(OvGetThemeColor(17)), line2_middle = rgb_of(OvGetThemeColor(18));
    const std::uint32_t line1_ends = rgb_of(OvGetThemeColor(15));
    const std::uint32_t selected = rgb_of(OvGetThemeColor(21));
    const RECT rc {0, 0, 40, 20};

    Canvas normal(40, 20, kMarker);
    EXPECT_EQ(OvDrawElement(normal.dc(), &rc, 261, 0, 0), 1);
    EXPECT_EQ(normal.rgb(0, 0), line2_ends);
    EXPECT_EQ(normal.rgb(20, 0), line2_middle) << "the line fades to colour 2 in the middle";
    EXPECT_EQ(normal.rgb(0, 1), line1_ends);
    EXPECT_EQ(normal.rgb(0, 2), kMarkerRgb) << "state 0 draws only the two rows";
    EXPECT_EQ(normal.rgb(20, 19), kMarkerRgb);

    Canvas top(40, 20, kMarker);
    OvDrawElement(top.dc(), &rc, 261, 1, 0);
    EXPECT_EQ(top.rgb(0, 0), line2_ends);
    EXPECT_EQ(top.rgb(20, 2), selected) << "the selection starts below the separator";
    EXPECT_NE(top.rgb(20, 19), kMarkerRgb);

    Canvas bottom(40, 20, kMarker);
    OvDrawElement(bottom.dc(), &rc, 262, 1, 0);
    EXPECT_EQ(bottom.rgb(20, 0), selected);
    EXPECT_EQ(bottom.rgb(0, 18), line2_ends);
    EXPECT_EQ(bottom.rgb(0, 19), line1_ends);

    Canvas both(40, 20, kMarker);
    OvDrawElement(both.dc(), &rc, 263, 1, 0);
    EXPECT_EQ(both.rgb(0, 1), line1_ends);
    EXPECT_EQ(both.rgb(20, 2), selected);
    EXPECT_EQ(both.rgb(0, 18), line2_ends);

    Canvas right(40, 20, kMarker);
    OvDrawElement(right.dc(), &rc, 266, 1, 0);
    EXPECT_EQ(right.rgb(38, 0), line2_ends);
    EXPECT_EQ(right.rgb(38, 10), line2_middle) << "columns fade from top and bottom";
    EXPECT_EQ(right.rgb(39, 0), line1_ends);
    EXPECT_EQ(right.rgb(37, 0), selected);

    Canvas suppressed(40, 20, kMarker);
    OvDrawElement(suppressed.dc(), &rc, 264, 1, 1);
    OvDrawElement(suppressed.dc(), &rc, 264, 0, 0);
    OvDrawElement(suppressed.dc(), &rc, 264, 2, 0);
    EXPECT_EQ(suppressed.rgb(20, 10), kMarkerRgb) << "no background when suppressed or not exactly selected";
}

TEST_F(OvfcElement, SelectedBackgroundSplitsItsGradientAtEighteenPercent)
{
    Canvas canvas(20, 160, kMarker);
    RECT rc {0, 100, 20, 150};
    EXPECT_EQ(OvDrawSelectedBackground(canvas.dc(), &rc), 1);
    EXPECT_EQ(OvDrawSelectedBackground(canvas.dc(), nullptr), 0);
    EXPECT_EQ(canvas.rgb(5, 100), rgb_of(OvGetThemeColor(21)));
    EXPECT_EQ(canvas.rgb(5, 109), rgb_of(OvGetThemeColor(22))) << "the lower gradient starts at 109";
    EXPECT_NE(canvas.rgb(5, 108), rgb_of(OvGetThemeColor(22)));
    EXPECT_EQ(canvas.rgb(5, 99), kMarkerRgb);
    EXPECT_EQ(canvas.rgb(5, 150), kMarkerRgb);
}

TEST_F(OvfcElement, ListGroupPanelsFollowTheirState)
{
    const RECT rc {10, 10, 70, 50};
    const std::uint32_t fill = 0xFAFAFA, outline = rgb_of(0x8E8A87), selected_top = rgb_of(0xF09036);

    Canvas round(80, 60, kMarker);
    OvDrawElement(round.dc(), &rc, 256, 0, 0);
    EXPECT_EQ(round.rgb(40, 30), fill);
    EXPECT_EQ(round.rgb(40, 10), outline);
    EXPECT_EQ(round.rgb(10, 10), kMarkerRgb) << "rounded corner";

    // 257 needs the state to be exactly 1 for its gradient.
    Canvas solid_top(80, 60, kMarker);
    OvDrawElement(solid_top.dc(), &rc, 257, 2, 0);
    EXPECT_EQ(solid_top.rgb(40, 30), fill);
    EXPECT_EQ(solid_top.rgb(10, 10), kMarkerRgb);
    EXPECT_EQ(solid_top.rgb(40, 50), outline) << "closing line along the bottom";
    Canvas gradient_top(80, 60, kMarker);
    OvDrawElement(gradient_top.dc(), &rc, 257, 1, 0);
    EXPECT_EQ(gradient_top.rgb(40, 10), selected_top);

    Canvas solid_bottom(80, 60, kMarker);
    OvDrawElement(solid_bottom.dc(), &rc, 258, 0, 0);
    EXPECT_EQ(solid_bottom.rgb(40, 10), outline) << "closing line along the top";
    EXPECT_EQ(solid_bottom.rgb(10, 49), kMarkerRgb);
    EXPECT_EQ(solid_bottom.rgb(10, 11), outline) << "square top corners";

    // 259 takes any non-zero state as selected.
    Canvas frame(80, 60, kMarker);
    OvDrawElement(frame.dc(), &rc, 259, 2, 0);
    EXPECT_EQ(frame.rgb(40, 10), rgb_of(0xC3A34C));
    EXPECT_EQ(frame.rgb(40, 11), rgb_of(0xFFF8C1));
    EXPECT_EQ(frame.rgb(40, 12), rgb_of(OvGetThemeColor(21)));
    EXPECT_EQ(frame.rgb(40, 49), rgb_of(0xFFFFDA));
    Canvas square(80, 60, kMarker);
    OvDrawElement(square.dc(), &rc, 259, 0, 0);
    EXPECT_EQ(square.rgb(10, 10), outline);
    EXPECT_EQ(square.rgb(40, 30), fill);

    Canvas plain(80, 60, kMarker);
    OvDrawElement(plain.dc(), &rc, 260, 0, 0);
    EXPECT_EQ(plain.rgb(40, 30), kMarkerRgb);
    OvDrawElement(plain.dc(), &rc, 260, 1, 0);
    EXPECT_EQ(plain.rgb(40, 10), selected_top);
    EXPECT_EQ(plain.rgb(10, 10), selected_top) << "a plain fill has square corners";
}

}  // namespace
