// What the shaver shows: the intro's strips, the blinking prompt, the fade to
// the main screen, the pictures of each state and the close animation.

#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi/screen.h"
#include "shaver_fixture.h"

namespace shaver_test {
namespace {

using Frame = std::vector<std::uint32_t>;

// Every full-screen change while it is recorded: the animations present
// whole frames, so each is one change.
class FrameRecorder {
public:
    FrameRecorder()
    {
        platform::gdi::screen().set_changed_hook([this](const RECT& area) {
            if (area.left == 0 && area.top == 0 && area.right == 480 && area.bottom == 720)
                frames.push_back(platform::gdi::screen().read_xrgb());
        });
    }
    ~FrameRecorder() { platform::gdi::screen().set_changed_hook(nullptr); }
    FrameRecorder(const FrameRecorder&) = delete;
    FrameRecorder& operator=(const FrameRecorder&) = delete;

    std::vector<Frame> frames;
};

std::uint32_t at(const Frame& frame, int x, int y) { return frame[std::size_t(y) * 480 + x]; }

int brightest_channel(const Frame& frame)
{
    int brightest = 0;
    for (std::uint32_t pixel : frame)
        for (int shift : {0, 8, 16}) brightest = std::max(brightest, int(pixel >> shift & 0xFF));
    return brightest;
}

TEST(ShaverIntroMotion, StripOffsetsFollowTheirTable)
{
    const int x[] = {
        0, -29, -53, -73, -88, -98, -102, -102, -97, -86, -71, -51, -25, 4, 39, 79, 125, 175, 230, 291, 356, 426};
    for (int i = 0; i < 22; ++i) {
        POINT offset = ShaverMainWnd::IntroStripOffset(float(i - 7), 0);
        EXPECT_EQ(offset.x, x[i]) << "V = " << i - 7;
        EXPECT_EQ(offset.y, 6 * i) << "V = " << i - 7;
    }
    // Before moving, every strip sits at its own column.
    for (int strip = 0; strip < 8; ++strip) {
        POINT offset = ShaverMainWnd::IntroStripOffset(-7.0f, strip);
        EXPECT_EQ(offset.x, 60 * strip);
        EXPECT_EQ(offset.y, 0);
    }
}

TEST_F(ShaverTest, IntroTearsTheOldScreenAwayInStripsAndEndsOnTheIntroPicture)
{
    // The screen before the program: a colour no picture has.
    platform::gdi::screen().fill(RGB(250, 10, 10));
    ShowWindow(FindWindowW(u"CTaskBar", nullptr), SW_HIDE);
    Frame before = platform::gdi::screen().read_xrgb();
    std::vector<Frame> frames;
    {
        FrameRecorder recorder;
        start_window();
        frames = recorder.frames;
    }
    // Strip 7 starts after 357 strip steps, in the 46th frame, and is drawn
    // for 22 values of V; one frame more finds it gone.
    ASSERT_EQ(frames.size(), 68u);
    EXPECT_EQ(frames[0], before);
    // Strip 7 still stands in frame 45 and has swung left and down in 46.
    EXPECT_EQ(at(frames[45], 470, 5), at(before, 470, 5));
    EXPECT_EQ(picture_id_of(at(frames[46], 479, 3)), 101) << "strip 7 left its corner";
    EXPECT_EQ(at(frames[46], 420 - 29, 10), at(before, 420, 4));
    // Strip 0 starts at once: frame 1 shows it 29 to the left and 6 down.
    EXPECT_EQ(picture_id_of(at(frames[1], 40, 3)), 101);
    // The last frame is the intro picture alone, and the screen keeps it.
    for (int y : {0, 360, 719})
        for (int x : {0, 239, 479}) EXPECT_EQ(picture_id_of(at(frames.back(), x, y)), 101);
    EXPECT_EQ(picture_at(240, 100), 101);
}

TEST_F(ShaverTest, PromptBlinksEveryHalfSecondUntilTheFirstTap)
{
    start_window();
    EXPECT_EQ(picture_at(240, 640), 101) << "no prompt before the first tick";
    wait(500);
    EXPECT_EQ(picture_at(240, 640), 120);
    wait(500);
    EXPECT_EQ(picture_at(240, 640), 119);
    wait(500);
    EXPECT_EQ(picture_at(240, 640), 120);
    EXPECT_EQ(picture_at(129, 640), 101) << "the prompt starts at x 130";
    EXPECT_EQ(picture_at(240, 624), 101) << "and at y 625";
    // A paint after the first only copies the back buffer.
    InvalidateRect(hwnd(), nullptr, FALSE);
    pump();
    EXPECT_EQ(picture_at(240, 640), 120);
    EXPECT_EQ(picture_at(240, 100), 101);
}

TEST_F(ShaverTest, FirstTapFadesToBlackThenToTheMainScreen)
{
    start_window();
    wait(500);
    std::vector<Frame> frames;
    {
        FrameRecorder recorder;
        tap(200, 600);
        pump();
        frames = recorder.frames;
    }
    // 25 frames darker, 25 lighter, then the main screen.
    ASSERT_EQ(frames.size(), 51u);
    EXPECT_LE(brightest_channel(frames[24]), 8) << "about 0.08 % of the light is left";
    EXPECT_GT(brightest_channel(frames[10]), 8);
    // The fade-in shows the main picture, growing, without its parts.
    int early = int(at(frames[30], 10, 700) >> 8 & 0xFF), late = int(at(frames[49], 10, 700) >> 8 & 0xFF);
    EXPECT_LT(early, late);
    EXPECT_EQ(picture_id_of(at(frames[50], 10, 700)), 102);
    EXPECT_EQ(picture_at(100, 100), 107);
    EXPECT_EQ(picture_at(240, 440), 104) << "near mark: only while near, at first";
    EXPECT_EQ(picture_at(240, 560), 102) << "switched off";
    // The tap that dismissed the prompt did nothing else.
    EXPECT_FALSE(window().IsRunning());
    EXPECT_EQ(window().GetPromptState(), SHAVER_PROMPT_DISMISSED);
    wait(1000);
    EXPECT_EQ(picture_at(240, 640), 102) << "the prompt blinks no more";
}

TEST_F(ShaverTest, RunningScreenShowsPanelLevelAndCycleByCountdown)
{
    start_main_screen();
    tap(240, 560);
    pump();
    ASSERT_TRUE(window().IsRunning());
    // Countdown 49: level 113, cycle 115, "50".
    EXPECT_EQ(window().GetCountdown(), 49);
    EXPECT_EQ(picture_at(240, 560), 103);
    EXPECT_EQ(picture_at(135, 232), 105);
    EXPECT_EQ(picture_at(150, 255), 113);
    EXPECT_EQ(picture_at(300, 250), 115);
    EXPECT_EQ(picture_at(100, 100), 107);
    // Countdown 48: the cycle goes on to 114; the level stays.
    wait(1000);
    EXPECT_EQ(picture_at(300, 250), 114);
    EXPECT_EQ(picture_at(150, 255), 113);
    wait(9000);
    EXPECT_EQ(window().GetCountdown(), 39);
    EXPECT_EQ(picture_at(150, 255), 112);
    // Countdown 0: level 109, cycle 116, "01".
    wait(39000);
    EXPECT_EQ(window().GetCountdown(), 0);
    EXPECT_EQ(picture_at(150, 255), 109);
    EXPECT_EQ(picture_at(300, 250), 116);
}

TEST_F(ShaverTest, CountdownTextReadsFiftyDownToOne)
{
    start_main_screen();
    tap(240, 560);
    pump();
    // The digits are drawn in 0x527681 over the panel: count the pixels of
    // that colour in the text box for "50" and for "01"; the two differ, and
    // both have some.
    auto ink = [&] {
        int count = 0;
        Frame shown = platform::gdi::screen().read_xrgb();
        for (int y = 320; y < 380; ++y)
            for (int x = 200; x < 260; ++x) {
                std::uint32_t p = at(shown, x, y);
                if (std::abs(int(p >> 16 & 0xFF) - 0x81) <= 12 && std::abs(int(p >> 8 & 0xFF) - 0x76) <= 12 &&
                    std::abs(int(p & 0xFF) - 0x52) <= 12)
                    ++count;
            }
        return count;
    };
    int fifty = ink();
    EXPECT_GT(fifty, 20);
    wait(49000);
    ASSERT_EQ(window().GetCountdown(), 0);
    int one = ink();
    EXPECT_GT(one, 10);
    EXPECT_NE(one, fifty);
}

TEST_F(ShaverTest, TopPictureFollowsAltModeAndRunning)
{
    start_main_screen();
    EXPECT_EQ(picture_at(100, 100), 107);
    tap(240, 560);
    pump();
    EXPECT_EQ(picture_at(100, 100), 107) << "alt mode clear: 107 running too";
    tap(240, 100);
    pump();
    EXPECT_EQ(picture_at(100, 100), 108);
    tap(240, 560);
    pump();
    EXPECT_EQ(picture_at(100, 100), 106);
    EXPECT_EQ(picture_at(62, 100), 102) << "the head starts at x 63";
    EXPECT_EQ(picture_at(412, 229), 106);
    EXPECT_EQ(picture_at(413, 100), 102);
}

TEST_F(ShaverTest, MissingPicturesLeaveTheirPlacesEmpty)
{
    write_resource_library({101, 103, 105});
    platform::gdi::screen().fill(RGB(250, 10, 10));
    start_main_screen();
    tap(240, 560);
    pump();
    // No main picture: the fade left the back buffer black and nothing
    // covers it; the pictures that loaded still show.
    EXPECT_EQ(screen_pixel(10, 700), 0u);
    EXPECT_EQ(picture_at(240, 560), 103);
    EXPECT_EQ(picture_at(135, 232), 105);
    EXPECT_EQ(picture_at(150, 255), 105) << "no level picture over the panel";
}

TEST_F(ShaverTest, CloseAnimationBringsTheOldScreenBackFromTheCorners)
{
    platform::gdi::screen().fill(RGB(250, 10, 10));
    ShowWindow(FindWindowW(u"CTaskBar", nullptr), SW_HIDE);
    start_main_screen();
    std::vector<Frame> frames;
    {
        FrameRecorder recorder;
        window().RunCloseAnimation();
        frames = recorder.frames;
    }
    // 18 frames, then the old screen whole.
    ASSERT_EQ(frames.size(), 19u);
    const int widths[] = {0, 22, 43, 63, 82, 100, 117, 133, 148, 162, 175, 187, 198, 208, 217, 225, 232, 238};
    int last_red = 0;
    for (int i = 0; i < 18; ++i) {
        int w = widths[i];
        int h = int(1.5 * w + 0.5);
        const Frame& frame = frames[i];
        // Just outside each piece the main screen shows unchanged.
        EXPECT_EQ(picture_id_of(at(frame, w, 0)), w >= 63 ? 107 : 102) << "frame " << i;
        EXPECT_EQ(picture_id_of(at(frame, 0, h)), 102) << "frame " << i;
        if (w == 0) continue;
        // Inside, the old screen is blended in, the same in all four corners.
        std::uint32_t corner = at(frame, 0, 0);
        EXPECT_EQ(picture_id_of(at(frame, w - 1, 0)), 0) << "frame " << i << ": the piece is " << w << " wide";
        EXPECT_EQ(picture_id_of(at(frame, 0, h - 1)), 0) << "frame " << i << ": the piece is " << h << " high";
        EXPECT_EQ(at(frame, 479, 0), corner);
        EXPECT_EQ(at(frame, 0, 719), corner);
        // The bottom pieces start where 720 - 1.5 w rounds to, which is a
        // row lower than 720 - h when 1.5 w has a half.
        int bottom_top = int((720.0 - 1.5 * w) + 0.5);
        EXPECT_EQ(at(frame, 480 - w, bottom_top), corner) << "frame " << i;
        EXPECT_EQ(picture_id_of(at(frame, 479, bottom_top - 1)), 102) << "frame " << i;
        int red = int(corner >> 16 & 0xFF);
        EXPECT_GT(red, last_red) << "opacity rises, frame " << i;
        last_red = red;
    }
    // Alpha 248 at the last frame: almost the old red.
    EXPECT_GE(last_red, 235);
    for (std::uint32_t pixel : {at(frames.back(), 0, 0), at(frames.back(), 240, 360), at(frames.back(), 479, 719)})
        EXPECT_EQ(pixel, screen_pixel(0, 0));
    EXPECT_EQ(picture_id_of(screen_pixel(240, 360)), 0);
}

}  // namespace
}  // namespace shaver_test
