// Scroll-position indicators: the thumb arithmetic with worked values, and
// the bars, the track and the fade drawn on the phone's screen from a
// platform picture library whose pictures are plain colours.

#include "tests/ovfc/graphics/picture_test_support.h"
#include "ui_recorders.h"

using namespace ovfc_test;

namespace {

TEST(UiThumbs, HorizontalThumbLengthWorkedValues)
{
    EXPECT_EQ(UiWin::HThumbLength(480, 480, 0), 480);
    EXPECT_EQ(UiWin::HThumbLength(200, 800, 0), 50);
    EXPECT_EQ(UiWin::HThumbLength(200, 10000, 0), 4);
    // Inside the normal range the length stays; an over-pull shrinks it.
    EXPECT_EQ(UiWin::HThumbLength(200, 800, -600), 50);
    EXPECT_EQ(UiWin::HThumbLength(200, 800, 40), 40);
    EXPECT_EQ(UiWin::HThumbLength(200, 800, -700), 25);
    EXPECT_EQ(UiWin::HThumbLength(480, 200, -30), 450);
    EXPECT_EQ(UiWin::HThumbLength(200, 800, 10000), 4) << "never shorter than 4";
    EXPECT_EQ(UiWin::HThumbLength(0, 100, 0), 0);
    EXPECT_EQ(UiWin::HThumbLength(100, 0, 0), 0);
}

TEST(UiThumbs, VerticalThumbWorkedValues)
{
    struct Case {
        float view, content, scroll, offset, length;
    };
    // Insets 5 and 5 leave 190 of 200 pixels: the scale is 0.95.
    const Case cases[] = {
        {200, 800, 0, 0, 47.5f},  // at the start
        {200, 800, -300, 71.25f, 47.5f},  // half way: 150 of travel, half of it, scaled
        {200, 800, -600, 142.5f, 47.5f},  // at the end
        {200, 800, 40, 0, 38},  // pulled 40 past the start: a fifth shorter
        {200, 800, -700, 166.25f, 23.75f},  // pulled 100 past the end: half as long, at the end
        {200, 100, 0, 0, 190},  // content shorter than the view: the whole track
        {200, 100000, 0, 0, 10},  // the shortest thumb
    };
    for (const Case& c : cases) {
        float offset = -1, length = -1;
        ASSERT_TRUE(UiWin::VThumb(c.view, c.content, 5, 5, 10, c.scroll, &offset, &length));
        EXPECT_FLOAT_EQ(offset, c.offset) << c.content << " " << c.scroll;
        EXPECT_FLOAT_EQ(length, c.length) << c.content << " " << c.scroll;
    }
    float offset = 0, length = 0;
    EXPECT_FALSE(UiWin::VThumb(0, 800, 5, 5, 10, 0, &offset, &length));
    EXPECT_FALSE(UiWin::VThumb(200, 0, 5, 5, 10, 0, &offset, &length));
}

TEST(UiThumbs, HorizontalThumbOffsetFollowsTheScroll)
{
    // 190 pixels of track, a thumb of 50: 140 of travel.
    EXPECT_EQ(UiWin::HThumbOffset(200, 800, 0, 190, 50), 0);
    EXPECT_EQ(UiWin::HThumbOffset(200, 800, -300, 190, 50), 70);
    EXPECT_EQ(UiWin::HThumbOffset(200, 800, -600, 190, 50), 140);
    EXPECT_EQ(UiWin::HThumbOffset(200, 800, -900, 190, 50), 140) << "past the end it stays at the end";
    EXPECT_EQ(UiWin::HThumbOffset(200, 800, 30, 190, 50), 0);
    EXPECT_EQ(UiWin::HThumbOffset(200, 100, -10, 190, 50), 140) << "content shorter than the view";
    EXPECT_EQ(UiWin::HThumbOffset(200, 800, -300, 40, 50), 0) << "a thumb longer than its track";
}

// A list with content of its own size and scroll offsets.
class ScrollingWin : public RecordingWin {
public:
    using RecordingWin::RecordingWin;
    int content_width = 0;
    int content_height = 0;
    int scroll_x = 0;
    int scroll_y = 0;
    int GetContentHeight() override { return content_height; }
    int GetScrollY() override { return scroll_y; }
    int GetContentWidth() override { return content_width; }
    int GetScrollX() override { return scroll_x; }
};

constexpr COLORREF kVertBar = RGB(0, 255, 0);
constexpr COLORREF kHorzBar = RGB(0, 0, 255);
constexpr COLORREF kTrack = RGB(255, 0, 0);
constexpr COLORREF kLastFade = RGB(255, 0, 255);

std::vector<std::uint8_t> Solid(int width, int height, COLORREF colour)
{
    std::uint32_t argb = 0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    return encode_png(Picture(width, height, argb), true);
}

std::uint32_t Channels(std::uint32_t xrgb)
{
    return ((xrgb >> 16 & 0xFF) > 0x80 ? 0x100 : 0) | ((xrgb >> 8 & 0xFF) > 0x80 ? 0x10 : 0) |
        ((xrgb & 0xFF) > 0x80 ? 0x1 : 0);
}

class UiIndicators : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        ASSERT_TRUE(write_picture_library(device_root(), "Windows/ovres.dll",
            {{209, Solid(20, 9, kHorzBar)}, {210, Solid(9, 20, kVertBar)}, {112, Solid(6, 40, kTrack)},
                {265, Solid(9, 20, RGB(0, 255, 255))}, {266, Solid(9, 20, RGB(0, 255, 255))},
                {267, Solid(9, 20, RGB(0, 255, 255))}, {268, Solid(9, 20, kLastFade)}}));
        ASSERT_TRUE(host.Create(0, 0, 480, 720, nullptr, 0, WS_VISIBLE, 0));
        list.SetShowVIndicator(TRUE);
        list.SetShowHIndicator(TRUE);
        list.content_width = 800;
        list.content_height = 800;
        list.scroll_x = -300;
        list.scroll_y = -300;
        host.AddUiWin(&list);
        pump();
    }
    void TearDown() override
    {
        host.Destroy();
        GraphicsTest::TearDown();
    }
    void repaint()
    {
        InvalidateRect(host.GetHwnd(), nullptr, FALSE);
        UpdateWindow(host.GetHwnd());
    }
    std::uint32_t at(int x, int y) { return Channels(screen_pixel(x, y)); }

    UiLog log;
    RecordingHost host {log};
    // At (100, 100), 200 by 200, scrolled 300 into 800 both ways.
    ScrollingWin list {log, "list", 1, 100, 100, 200, 200};
};

TEST_F(UiIndicators, BarsShowWhereTheScrollIsOnlyWhileScrolling)
{
    repaint();
    std::uint32_t background = at(200, 200);
    EXPECT_EQ(at(290, 200), background) << "no bars while the list stands still";

    list.SetScrolling(TRUE);
    repaint();
    // Vertical: strip x 286..294, y 105..294; thumb offset 71.25 and length
    // 47.5 give rows 176..222.
    EXPECT_EQ(at(286, 176), 0x010u);
    EXPECT_EQ(at(294, 222), 0x010u);
    EXPECT_EQ(at(290, 175), background);
    EXPECT_EQ(at(290, 223), background);
    EXPECT_EQ(at(285, 200), background);
    EXPECT_EQ(at(295, 200), background);
    // Horizontal: strip x 105..294, y 286..294; 50 long, 70 along.
    EXPECT_EQ(at(175, 286), 0x001u);
    EXPECT_EQ(at(224, 294), 0x001u);
    EXPECT_EQ(at(174, 290), background);
    EXPECT_EQ(at(225, 290), background);
    EXPECT_EQ(at(200, 285), background);

    // Scrolled to the very start: both thumbs at the start of their strips.
    list.scroll_x = 0;
    list.scroll_y = 0;
    repaint();
    EXPECT_EQ(at(290, 105), 0x010u);
    EXPECT_EQ(at(290, 104), background);
    EXPECT_EQ(at(105, 290), 0x001u);
    EXPECT_EQ(at(104, 290), background);
}

TEST_F(UiIndicators, TrackMovesTheBarInAndDrawsItsPicture)
{
    list.SetShowHIndicator(FALSE);
    list.SetTrack(TRUE, TRUE);
    repaint();
    std::uint32_t background = at(200, 200);
    // The bar 13 from the right edge: x 278..286; the track picture over
    // the last 8 columns.
    EXPECT_EQ(at(278, 200), 0x010u);
    EXPECT_EQ(at(286, 200), 0x010u);
    EXPECT_EQ(at(277, 200), background);
    EXPECT_EQ(at(295, 150), 0x100u);
    EXPECT_EQ(at(292, 299), 0x100u);
    EXPECT_EQ(at(291, 150), background);
}

TEST_F(UiIndicators, FadePaintsItsFourStepsUnlessAFingerIsWaiting)
{
    list.SetShowHIndicator(FALSE);
    list.FadeIndicator();
    EXPECT_EQ(list.fade_steps, (std::vector<int> {265, 266, 267, 268}));
    EXPECT_FALSE(list.IsFading());
    EXPECT_EQ(list.GetFadeStep(), 0);
    EXPECT_EQ(at(290, 200), 0x101u) << "the last step's picture is what stays";

    // A mouse message in the queue ends the fade after its first step.
    list.fade_steps.clear();
    PostMessageW(host.GetHwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    list.FadeIndicator();
    EXPECT_EQ(list.fade_steps, (std::vector<int> {265}));
    EXPECT_FALSE(list.IsFading());
}

}  // namespace
