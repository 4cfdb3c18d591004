// Push buttons under a finger on a headless phone: the states they report
// to the host window, in order, the commands they post and with which tap
// kind, the toggle and locked behaviours, their click sounds and how they
// look while pressed.
#include <gtest/gtest.h>

#include <fstream>

#include "ovfc/core/ov_theme.h"
#include "ovfc/ui/ui_text_button.h"
#include "platform/audio/audio_host.h"
#include "platform/kernel/clock.h"
#include "tests/ovfc/graphics/picture_test_support.h"
#include "tests/ovfc/ui/button_test_host.h"

using namespace ovfc_test;

namespace {

// The button sits at (100, 200), 200 x 80: window point (150, 230) is its
// local (50, 30).
constexpr int kLeft = 100;
constexpr int kTop = 200;
constexpr int kWidth = 200;
constexpr int kHeight = 80;
constexpr int kId = 42;

using States = std::vector<StateReport>;
using Commands = std::vector<CommandReport>;

class OvfcTextButton : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        ASSERT_TRUE(host.Create(0, 0, 480, 720, nullptr, 0, WS_VISIBLE, 0));
        button.SetPos(kLeft, kTop, kWidth, kHeight, 0);
        button.SetID(kId);
        button.SetText(TEXT("Press"));
        host.AddUiWin(&button);
        pump();
    }
    void TearDown() override
    {
        PlaySoundW(nullptr, nullptr, 0);
        host.Destroy();
        GraphicsTest::TearDown();
    }

    // The two click sounds, 100 ms of silence each.
    void install_click_sounds()
    {
        for (const char* name : {"keyloud.wav", "switch.wav"}) {
            std::filesystem::create_directories(device_root() / "Windows");
            std::ofstream out(device_root() / "Windows" / name, std::ios::binary);
            const std::uint32_t data_bytes = 1600;
            auto put = [&out](std::uint32_t value, int bytes) {
                for (int i = 0; i < bytes; ++i) out.put(static_cast<char>(value >> (8 * i)));
            };
            out.write("RIFF", 4);
            put(36 + data_bytes, 4);
            out.write("WAVEfmt ", 8);
            put(16, 4);
            put(1, 2);  // PCM
            put(1, 2);  // mono
            put(8000, 4);
            put(16000, 4);
            put(2, 2);
            put(16, 2);
            out.write("data", 4);
            put(data_bytes, 4);
            for (std::uint32_t i = 0; i < data_bytes; ++i) out.put(0);
        }
    }

    // Lets the double-click time run out, so that the next press is a
    // press of its own.
    void pause() { platform::clock::advance(2000); }
    void tap_and_pump(int x, int y)
    {
        tap(x, y);
        pump();
    }

    ButtonHostWnd host;
    UiTextButton button;
};

TEST_F(OvfcTextButton, StartsAsTheFrameworkSizesAndColoursAButton)
{
    UiTextButton fresh;
    RECT rc;
    fresh.GetClientRect(&rc);
    EXPECT_EQ(rc.right, 70);
    EXPECT_EQ(rc.bottom, 44);
    EXPECT_EQ(fresh.GetX(), 0);
    EXPECT_EQ(fresh.GetY(), 0);
    EXPECT_EQ(fresh.GetFontHeight(), 25);
    EXPECT_EQ(fresh.GetTextColor(), OvGetThemeColor(2));
    EXPECT_EQ(fresh.GetTextFormat(), UINT(DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS));
    EXPECT_EQ(fresh.GetPressedTextColor(), COLORREF(0x00FFFFFF));
    EXPECT_EQ(fresh.GetState(), 0);
    EXPECT_EQ(fresh.GetButtonStyle(), 1);
}

TEST_F(OvfcTextButton, ATapInsideGoesDownAndUpAndPostsOneSingleTap)
{
    press(150, 230);
    pump();
    EXPECT_EQ(host.states, (States {{kId, 1}}));
    EXPECT_TRUE(host.commands.empty()) << "nothing is posted before the release";
    release(150, 230);
    pump();
    EXPECT_EQ(host.states, (States {{kId, 1}, {kId, 0}}));
    EXPECT_EQ(host.commands, (Commands {{kId, OVTAP_SINGLE, 50, 30}}));
    EXPECT_EQ(button.GetState(), 0);
}

TEST_F(OvfcTextButton, ADragOutStaysDownUntilTheReleaseAndPostsNothing)
{
    press(150, 230);
    move(400, 600);
    pump();
    EXPECT_EQ(host.states, (States {{kId, 1}})) << "outside a scroll container the button stays down";
    release(400, 600);
    pump();
    EXPECT_EQ(host.states, (States {{kId, 1}, {kId, 0}}));
    EXPECT_TRUE(host.commands.empty());

    // Back inside before the release: that is a tap again.
    pause();
    press(150, 230);
    move(400, 600);
    move(160, 240);
    release(160, 240);
    pump();
    EXPECT_EQ(host.commands, (Commands {{kId, OVTAP_SINGLE, 60, 40}}));
}

TEST_F(OvfcTextButton, ADoubleTapPostsASingleThenADoubleTap)
{
    tap_and_pump(150, 230);
    tap_and_pump(152, 232);
    EXPECT_EQ(host.states, (States {{kId, 1}, {kId, 0}, {kId, 1}, {kId, 0}}));
    EXPECT_EQ(host.commands, (Commands {{kId, OVTAP_SINGLE, 50, 30}, {kId, OVTAP_DOUBLE, 52, 32}}));

    // After a pause the next tap is single again.
    pause();
    tap_and_pump(150, 230);
    ASSERT_EQ(host.commands.size(), 3u);
    EXPECT_EQ(host.commands[2].kind, OVTAP_SINGLE);
}

TEST_F(OvfcTextButton, AToggleFlipsAtThePressAndKeepsItOnlyWhenTheTapCompletes)
{
    button.SetToggle(TRUE);
    button.SetState(1);
    EXPECT_EQ(host.states, (States {{kId, 1}})) << "a state set by hand is reported too";
    host.states.clear();

    // Down, tapped: up at the press, and it stays up.
    press(150, 230);
    pump();
    EXPECT_EQ(host.states, (States {{kId, 0}}));
    release(150, 230);
    pump();
    EXPECT_EQ(host.states, (States {{kId, 0}}));
    EXPECT_EQ(host.commands, (Commands {{kId, OVTAP_SINGLE, 50, 30}}));
    EXPECT_EQ(button.GetState(), 0);

    // Up, tapped: down, and it stays down.
    pause();
    tap_and_pump(150, 230);
    EXPECT_EQ(button.GetState(), 1);
    EXPECT_EQ(host.commands.size(), 2u);

    // Down, pressed and released outside: up at the press, down again at
    // the release, no command.
    pause();
    host.states.clear();
    press(150, 230);
    move(450, 100);
    release(450, 100);
    pump();
    EXPECT_EQ(host.states, (States {{kId, 0}, {kId, 1}}));
    EXPECT_EQ(host.commands.size(), 2u);
    EXPECT_EQ(button.GetState(), 1);
}

TEST_F(OvfcTextButton, ALockedButtonNeitherMovesNorPostsNorClicks)
{
    install_click_sounds();
    button.SetPlayClickSound(TRUE);
    button.SetLocked(TRUE);
    tap_and_pump(150, 230);
    tap_and_pump(150, 230);
    EXPECT_TRUE(host.states.empty());
    EXPECT_TRUE(host.commands.empty());
    EXPECT_TRUE(platform::audio::playing_sounds().empty());
    EXPECT_FALSE(button.IsPressed()) << "the press flags still follow the finger";

    // Unlocked, the same tap does all three.
    pause();
    button.SetLocked(FALSE);
    press(150, 230);
    pump();
    EXPECT_TRUE(platform::audio::is_sound_playing(u"keyloud.wav"));
    release(150, 230);
    pump();
    EXPECT_EQ(host.states, (States {{kId, 1}, {kId, 0}}));
    EXPECT_EQ(host.commands.size(), 1u);
}

TEST_F(OvfcTextButton, TheClickSoundFollowsTheStyleWhenItIsAskedFor)
{
    install_click_sounds();
    struct Case {
        int style;
        BOOL sound;
        const char16_t* expected;  // null: nothing plays
    };
    const Case cases[] = {
        {11, TRUE, u"switch.wav"},
        {1, TRUE, u"keyloud.wav"},
        {256, TRUE, u"keyloud.wav"},
        {257, TRUE, nullptr},
        {1, FALSE, nullptr},
    };
    for (const Case& c : cases) {
        PlaySoundW(nullptr, nullptr, 0);
        pause();
        button.SetButtonStyle(c.style);
        button.SetPlayClickSound(c.sound);
        press(150, 230);
        pump();
        if (c.expected)
            EXPECT_TRUE(platform::audio::is_sound_playing(c.expected)) << "style " << c.style;
        else
            EXPECT_TRUE(platform::audio::playing_sounds().empty()) << "style " << c.style;
        release(150, 230);
        pump();
    }
    EXPECT_EQ(host.commands.size(), std::size(cases));
}

// A list that scrolls: a drag on its rows is the list's, not the row's.
class ScrollingList : public UiWin {
public:
    BOOL IsScrollContainer() override { return TRUE; }
    int OnLButtonDown(UINT nFlags, int x, int y) override
    {
        presses.push_back({x, y});
        return UiWin::OnLButtonDown(nFlags, x, y);
    }
    std::vector<POINT> presses;
};

TEST_F(OvfcTextButton, ADragInsideAScrollContainerGivesTheGestureToTheContainer)
{
    ScrollingList list;
    list.SetPos(0, 100, 480, 500, 0);
    host.AddUiWin(&list);
    UiTextButton row;
    row.SetPos(20, 100, 300, 60, 0);  // window (20, 200) to (320, 260)
    row.SetID(7);
    list.AddChild(&row);

    press(100, 220);
    pump();
    EXPECT_EQ(host.states, (States {{7, 1}}));
    move(100, 230);
    pump();
    // The row comes up at the first move, and the list taking the gesture
    // over releases it, which sets (and reports) the up state once more.
    EXPECT_EQ(host.states, (States {{7, 1}, {7, 0}, {7, 0}}));
    ASSERT_EQ(list.presses.size(), 1u) << "the list now has the press, at the previous point";
    EXPECT_EQ(list.presses[0].x, 100);
    EXPECT_EQ(list.presses[0].y, 120);
    release(100, 260);
    pump();
    EXPECT_TRUE(host.commands.empty()) << "a scroll is not a tap";
    EXPECT_EQ(host.states.size(), 3u) << "the list's release does not reach the row";

    // A toggle row dragged the same way keeps the state it had.
    pause();
    host.states.clear();
    row.SetToggle(TRUE);
    press(100, 220);
    move(100, 240);
    release(100, 240);
    pump();
    EXPECT_EQ(host.states, (States {{7, 1}, {7, 0}}));
    EXPECT_EQ(row.GetState(), 0);
    EXPECT_TRUE(host.commands.empty());
    row.SetParent(nullptr);
    list.SetParent(nullptr);
}

TEST_F(OvfcTextButton, PressedTextTakesItsColourAndMovesOnlyWhenAskedAndOnlyWhilePressed)
{
    // No face: the text alone on the black window.
    button.SetButtonStyle(0);
    button.SetTextColor(RGB(255, 255, 255));
    button.SetPressedTextColor(RGB(255, 0, 0));
    button.SetShiftTextOnPress(TRUE);
    host.Invalidate(nullptr, FALSE);
    UpdateWindow(host.GetHwnd());
    const RECT area = {kLeft, kTop, kLeft + kWidth, kTop + kHeight};
    Ink up = find_ink(ScreenPixels(), area, 0xFFFFFF);
    ASSERT_TRUE(up.found());

    press(150, 230);
    pump();
    Ink down = find_ink(ScreenPixels(), area, 0xFF0000);
    ASSERT_TRUE(down.found()) << "the pressed text is red";
    EXPECT_FALSE(find_ink(ScreenPixels(), area, 0xFFFFFF).found());
    EXPECT_EQ(down.box.left, up.box.left + 2);
    EXPECT_EQ(down.box.top, up.box.top + 2);
    EXPECT_EQ(down.box.right, up.box.right + 2);
    EXPECT_EQ(down.box.bottom, up.box.bottom + 2);

    // Dragged out, the button is still pressed and down.
    move(460, 700);
    pump();
    host.Invalidate(nullptr, FALSE);
    UpdateWindow(host.GetHwnd());
    Ink dragged = find_ink(ScreenPixels(), area, 0xFF0000);
    EXPECT_EQ(dragged.box.left, up.box.left + 2);
    release(460, 700);
    pump();
    Ink after = find_ink(ScreenPixels(), area, 0xFFFFFF);
    EXPECT_EQ(after.box.left, up.box.left) << "released, the text is back";
    EXPECT_EQ(after.box.top, up.box.top);

    // A toggle that stays down keeps the pressed colour but not the shift.
    pause();
    button.SetToggle(TRUE);
    tap_and_pump(150, 230);
    Ink kept = find_ink(ScreenPixels(), area, 0xFF0000);
    ASSERT_TRUE(kept.found());
    EXPECT_EQ(kept.box.left, up.box.left);
    EXPECT_EQ(kept.box.top, up.box.top);

    // Without the shift the pressed text stays where it was.
    pause();
    button.SetToggle(FALSE);
    button.SetState(0);
    button.SetShiftTextOnPress(FALSE);
    press(150, 230);
    pump();
    Ink unshifted = find_ink(ScreenPixels(), area, 0xFF0000);
    EXPECT_EQ(unshifted.box.left, up.box.left);
    EXPECT_EQ(unshifted.box.top, up.box.top);
    release(150, 230);
    pump();
}

TEST_F(OvfcTextButton, TheFaceIsTheThemedButtonOfItsStyleAndState)
{
    install_built_libraries();
    button.SetText(TEXT(""));
    host.Invalidate(nullptr, FALSE);
    UpdateWindow(host.GetHwnd());
    // The middle of the face, where no text would be anyway.
    std::uint32_t up = ScreenPixels().at(kLeft + kWidth / 2, kTop + kHeight / 2);
    EXPECT_NE(up, 0x000000u) << "a face is drawn";
    press(150, 230);
    pump();
    std::uint32_t down = ScreenPixels().at(kLeft + kWidth / 2, kTop + kHeight / 2);
    EXPECT_NE(down, up) << "the pressed face differs";
    release(150, 230);
    pump();
    EXPECT_EQ(ScreenPixels().at(kLeft + kWidth / 2, kTop + kHeight / 2), up);
}

}  // namespace
