// The message box run for real on a headless phone: while its modal loop
// waits, the test looks at it and answers it the way a finger, the shell or
// the platform would.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>

#include "ovfc/core/ov_app.h"
#include "ovfc/core/ov_message_loop.h"
#include "ovfc/graphics/ov_font.h"
#include "ovfc/ui/ov_msg_box.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/language.h"
#include "platform/shell/notification_reader.h"
#include "platform/user/host.h"
#include "services/shell_messages.h"
#include "tests/ovfc/core/test_windows.h"
#include "tests/ovfc/graphics/picture_test_support.h"
#include "tests/ovfc/ui/button_test_host.h"

using namespace ovfc_test;
using ovfc_test::Canvas;

namespace {

// Runs one step each time the thread's message loop finds nothing to do.
// When the steps run out, it quits with kStalled so that a box that never
// closes ends the test instead of hanging it.
constexpr int kStalled = 99;

class IdleSteps {
public:
    explicit IdleSteps(std::deque<std::function<void()>> steps)
        : steps_(std::move(steps))
    {
        platform::user::set_idle_handler([this](std::optional<std::uint64_t>) {
            if (steps_.empty()) {
                PostQuitMessage(kStalled);
                return;
            }
            auto step = std::move(steps_.front());
            steps_.pop_front();
            step();
        });
    }
    ~IdleSteps() { platform::user::set_idle_handler({}); }
    bool all_ran() const { return steps_.empty(); }

private:
    std::deque<std::function<void()>> steps_;
};

// The box the phone shows in front, or null.
COvMsgBoxWnd* front_box() { return dynamic_cast<COvMsgBoxWnd*>(COvWnd::OvWndFromHandle(GetForegroundWindow())); }

struct ButtonView {
    int x, y, width, height;
    std::u16string label;
    int id;
    bool operator==(const ButtonView&) const = default;
};

void PrintTo(const ButtonView& b, std::ostream* out)
{
    *out << "(" << b.x << ", " << b.y << ", " << b.width << " x " << b.height << ", id " << b.id << ", label of "
         << b.label.size() << " characters)";
}

// The buttons of a box in adding order, and whether they all look as the
// box dresses them.
std::vector<ButtonView> buttons_of(COvMsgBoxWnd* box, bool* dressed)
{
    std::vector<ButtonView> views;
    WinManager& manager = box->GetWinManager();
    *dressed = true;
    for (int i = 0; i < manager.GetChildCount(); ++i) {
        auto* button = dynamic_cast<UiTextButton*>(manager.GetChild(i));
        if (!button) {
            *dressed = false;
            continue;
        }
        views.push_back({button->GetX(), button->GetY(), button->GetWidth(), button->GetHeight(),
            button->GetText().c_str(), button->GetID()});
        *dressed = *dressed && button->GetFontHeight() == 26 && button->GetTextColor() == 0x00FFFFFF &&
            button->GetButtonStyle() == 1;
    }
    return views;
}

class OvfcMessageBox : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        install_built_libraries();
    }
    void TearDown() override
    {
        platform::language::set_ui_language(0x0804);
        GraphicsTest::TearDown();
    }

    // The buttons of a box of this style on this phone, seen while it runs;
    // the box is then closed by the platform.
    std::vector<ButtonView> buttons_of_style(int style)
    {
        std::vector<ButtonView> views;
        bool dressed = false;
        IdleSteps steps({[&] {
            COvMsgBoxWnd* box = front_box();
            if (!box) return;
            views = buttons_of(box, &dressed);
            PostMessageW(box->GetHwnd(), OVWM_MSGBOX_PLATFORM, 0, 1);
        }});
        EXPECT_EQ(OvShowMessageBox(nullptr, u"?", nullptr, style, 0), OVMB_RESULT_NONE);
        EXPECT_FALSE(OvQuitFlag()) << "style " << style << " did not close";
        EXPECT_TRUE(dressed) << "style " << style;
        return views;
    }

    // Opens a box of the style and taps (x, y); returns its result.
    int answer_by_tap(int style, int x, int y)
    {
        IdleSteps steps({[&] {
            // A tap of its own, not the second half of a double click.
            platform::clock::advance(1000);
            tap(x, y);
        }});
        int result = OvShowMessageBox(nullptr, u"?", nullptr, style, 0);
        EXPECT_FALSE(OvQuitFlag()) << "style " << style << " at (" << x << ", " << y << ") did not close";
        return result;
    }
};

TEST_F(OvfcMessageBox, EachStyleLaysOutItsButtonsOnAPortraitScreen)
{
    using V = std::vector<ButtonView>;
    EXPECT_EQ(buttons_of_style(0), (V {{46, 386, 384, 75, u"确认", 101}}));
    EXPECT_EQ(buttons_of_style(1), (V {{46, 386, 200, 75, u"确认", 103}, {234, 386, 200, 75, u"取消", 104}}));
    EXPECT_EQ(buttons_of_style(2),
        (V {{170, 386, 140, 75, u"重试", 105}, {46, 386, 140, 75, u"中止", 106}, {294, 386, 140, 75, u"忽略", 107}}));
    EXPECT_EQ(buttons_of_style(3),
        (V {{170, 386, 140, 75, u"是", 103}, {46, 386, 140, 75, u"否", 104}, {294, 386, 140, 75, u"取消", 102}}));
    EXPECT_EQ(buttons_of_style(4), (V {{46, 386, 200, 75, u"是", 103}, {234, 386, 200, 75, u"否", 104}}));
    EXPECT_EQ(buttons_of_style(5), (V {{234, 386, 200, 75, u"重试", 105}, {46, 386, 200, 75, u"取消", 102}}));
    EXPECT_TRUE(buttons_of_style(6).empty());
    EXPECT_TRUE(buttons_of_style(-1).empty());
}

TEST_F(OvfcMessageBox, LabelsFollowThePhonesLanguageAndOnlyEnglishSaysIgnore)
{
    auto labels = [this](int style) {
        std::vector<std::u16string> all;
        for (const ButtonView& view : buttons_of_style(style)) all.push_back(view.label);
        return all;
    };
    using L = std::vector<std::u16string>;

    platform::language::set_ui_language(0x0409);
    EXPECT_EQ(labels(0), (L {u"OK"}));
    EXPECT_EQ(labels(1), (L {u"OK", u"Cancel"}));
    EXPECT_EQ(labels(2), (L {u"Retry", u"Abort", u"Ignore"}));
    EXPECT_EQ(labels(3), (L {u"Yes", u"No", u"Cancel"}));
    EXPECT_EQ(labels(4), (L {u"Yes", u"No"}));
    EXPECT_EQ(labels(5), (L {u"Retry", u"Cancel"}));

    // German: English words, but the Chinese "Ignore".
    platform::language::set_ui_language(0x0407);
    EXPECT_EQ(labels(2), (L {u"Retry", u"Abort", u"忽略"}));
    EXPECT_EQ(labels(4), (L {u"Yes", u"No"}));

    platform::language::set_ui_language(0x0804);
    EXPECT_EQ(labels(4), (L {u"是", u"否"}));
    EXPECT_EQ(labels(2), (L {u"重试", u"中止", u"忽略"}));
}

TEST_F(OvfcMessageBox, TheTappedButtonDecidesTheResult)
{
    // The centre of each button, per style: Yes, OK and Retry give 1; No,
    // Cancel and Abort give 2; Ignore gives 3.
    EXPECT_EQ(answer_by_tap(0, 238, 423), 1);
    EXPECT_EQ(answer_by_tap(1, 146, 423), 1);
    EXPECT_EQ(answer_by_tap(1, 334, 423), 2);
    EXPECT_EQ(answer_by_tap(2, 240, 423), 1);
    EXPECT_EQ(answer_by_tap(2, 116, 423), 2);
    EXPECT_EQ(answer_by_tap(2, 364, 423), 3);
    EXPECT_EQ(answer_by_tap(3, 240, 423), 1);
    EXPECT_EQ(answer_by_tap(3, 116, 423), 2);
    EXPECT_EQ(answer_by_tap(3, 364, 423), 2);
    EXPECT_EQ(answer_by_tap(4, 146, 423), 1);
    EXPECT_EQ(answer_by_tap(4, 334, 423), 2);
    // Yes and No overlap from 234 to 245: No, added last, is on top.
    EXPECT_EQ(answer_by_tap(4, 240, 423), 2);
    EXPECT_EQ(answer_by_tap(5, 334, 423), 1);
    EXPECT_EQ(answer_by_tap(5, 146, 423), 2);
}

TEST_F(OvfcMessageBox, TapsBesideTheButtonsAndUnknownCommandsLeaveTheBoxOpen)
{
    HWND box_window = nullptr;
    IdleSteps steps({
        [&] {
            box_window = front_box()->GetHwnd();
            tap(240, 300);  // on the panel, above the buttons
        },
        [&] { tap(10, 10); },  // beside the panel
        [&] { PostMessageW(box_window, OVWM_UICOMMAND, 999, 0); },
        [&] { PostMessageW(box_window, OVWM_MSGBOX_PLATFORM, 0, 0); },
        [&] {
            EXPECT_TRUE(IsWindowVisible(box_window)) << "still open";
            // A command of a double tap answers like a single one.
            PostMessageW(box_window, OVWM_UICOMMAND, OVMB_ID_YES_OK | (OVTAP_DOUBLE << 16), 0);
        },
    });
    EXPECT_EQ(OvShowMessageBox(nullptr, u"?", nullptr, OVMB_YESNO, 0), 1);
    EXPECT_TRUE(steps.all_ran());
    EXPECT_FALSE(OvQuitFlag());
    EXPECT_FALSE(IsWindow(box_window)) << "the box is destroyed";
}

TEST_F(OvfcMessageBox, ThePlatformAndTheShellCloseItWithNoAnswer)
{
    auto close_with = [](UINT message, LPARAM lParam) {
        IdleSteps steps({[&] { PostMessageW(front_box()->GetHwnd(), message, 0, lParam); }});
        int result = OvShowMessageBox(nullptr, u"?", nullptr, OVMB_OK, 0);
        EXPECT_TRUE(steps.all_ran());
        EXPECT_FALSE(OvQuitFlag()) << std::hex << message << " did not close the box";
        return result;
    };
    EXPECT_EQ(close_with(OVWM_MSGBOX_PLATFORM, 1), 0);
    EXPECT_EQ(close_with(GetEntryLockphoneMessage(), 0), 0);
    EXPECT_EQ(close_with(GetEntryShutDownMessage(), 0), 0);
}

TEST_F(OvfcMessageBox, ABoxThatCannotBeMadeAnswersNothingAndShowsNothing)
{
    ScreenPixels before;
    // A parent that is no window: the platform refuses the box's window.
    HWND no_window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x7FFF0));
    EXPECT_EQ(OvShowMessageBox(no_window, u"?", nullptr, OVMB_YESNO, 0), OVMB_RESULT_NONE);
    EXPECT_FALSE(OvQuitFlag());
    EXPECT_EQ(front_box(), nullptr);
    EXPECT_EQ(ScreenPixels().pixels, before.pixels);
}

TEST_F(OvfcMessageBox, ItRunsModallyOverItsDisabledParentAndTellsTheShell)
{
    ButtonHostWnd parent;
    ASSERT_TRUE(parent.Create(0, 0, 480, 720, nullptr, 0, WS_VISIBLE, 0));
    ASSERT_TRUE(platform::shell::open_notification_reader());
    platform::shell::read_shell_notifications();
    static const char16_t text[] = u"确认退出 Brisell 程序吗?";
    DWORD box_window = 0;
    std::vector<platform::shell::ShellNotification> while_up;
    IdleSteps steps({[&] {
        COvMsgBoxWnd* box = front_box();
        ASSERT_NE(box, nullptr);
        box_window = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(box->GetHwnd()));
        EXPECT_FALSE(IsWindowEnabled(parent.GetHwnd()));
        EXPECT_EQ(GetParent(box->GetHwnd()), parent.GetHwnd());
        RECT rc;
        GetWindowRect(box->GetHwnd(), &rc);
        EXPECT_EQ(rc.right - rc.left, 480);
        EXPECT_EQ(rc.bottom - rc.top, 720);
        DWORD style = static_cast<DWORD>(GetWindowLongW(box->GetHwnd(), GWL_STYLE));
        EXPECT_EQ(style & (WS_POPUP | WS_CAPTION), DWORD(WS_POPUP));
        // The text is the caller's, kept and not copied.
        EXPECT_EQ(box->GetText(), text);
        EXPECT_EQ(std::u16string(box->GetCaption()), u"退出");
        platform::shell::read_shell_notifications();
        while_up = platform::shell::active_notifications();
        tap(146, 423);
    }});
    EXPECT_EQ(OvShowMessageBox(parent.GetHwnd(), text, u"退出", OVMB_YESNO, 0), 1);
    EXPECT_TRUE(IsWindowEnabled(parent.GetHwnd()));
    using N = platform::shell::ShellNotification;
    EXPECT_NE(std::find(while_up.begin(), while_up.end(), N {box_window, 20}), while_up.end());
    EXPECT_NE(std::find(while_up.begin(), while_up.end(), N {box_window, 1}), while_up.end());
    platform::shell::read_shell_notifications();
    std::vector<N> after = platform::shell::active_notifications();
    EXPECT_EQ(std::find(after.begin(), after.end(), N {box_window, 1}), after.end()) << "code 1 is cleared";
    platform::shell::close_notification_reader();
    parent.Destroy();
}

TEST_F(OvfcMessageBox, TheMKeyDoesWhatTheBoxWasToldToDo)
{
    ShellStandIn shell;
    // Told to stay: the shell hears "stay" and the box is still there.
    {
        IdleSteps steps({[&] { shell.click_mkey(front_box()->GetHwnd()); },
            [&] {
                EXPECT_NE(front_box(), nullptr);
                tap(238, 423);
            }});
        EXPECT_EQ(OvShowMessageBox(nullptr, u"?", nullptr, OVMB_OK, OVMKEY_RESPONSE_STAY), 1);
        EXPECT_FALSE(OvQuitFlag());
        pump();
        EXPECT_EQ(shell.answers(), (std::vector<LPARAM> {OVMKEY_STAY}));
    }
    // Told to quit, as the application tells it: the program leaves.
    {
        IdleSteps steps({[&] { shell.click_mkey(front_box()->GetHwnd()); }});
        EXPECT_EQ(OvShowMessageBox(nullptr, u"?", nullptr, OVMB_OK, OVMKEY_RESPONSE_QUIT), 0);
        EXPECT_TRUE(OvQuitFlag());
        EXPECT_EQ(OvSharedMessage().wParam, 0u);
        pump();
        EXPECT_EQ(shell.answers(), (std::vector<LPARAM> {OVMKEY_STAY, OVMKEY_LEAVE}));
    }
}

class LoopApp : public OvApp { };

TEST_F(OvfcMessageBox, AQuitWhileTheBoxIsUpEndsTheMainLoopToo)
{
    LoopApp app;
    RecorderWnd main_window;
    ASSERT_TRUE(main_window.Create(0, 0, 480, 720, nullptr, 0, WS_VISIBLE, 0));
    int box_result = -1;
    bool box_returned = false;
    main_window.hook = [&](UINT message, WPARAM, LPARAM) {
        if (message != WM_USER) return false;
        box_result = OvShowMessageBox(main_window.GetHwnd(), u"?", nullptr, OVMB_YESNO, 0);
        box_returned = true;
        return true;
    };
    PostMessageW(main_window.GetHwnd(), WM_USER, 0, 0);
    IdleSteps steps({[&] {
        ASSERT_NE(front_box(), nullptr);
        PostQuitMessage(7);
    }});
    EXPECT_EQ(app.Run(), 7);
    EXPECT_TRUE(box_returned);
    EXPECT_EQ(box_result, 0);
    EXPECT_TRUE(IsWindowEnabled(main_window.GetHwnd()));
    main_window.Destroy();
}

// The screen while a box with this text and caption is up, over a window
// painted in one colour.
// With repaint set, the box is painted once more, whole, before the look.
ScreenPixels screen_under_box(
    const char16_t* text, const char16_t* caption, int style, ScreenPixels* before, bool repaint = false)
{
    ButtonHostWnd parent;
    parent.background = RGB(40, 120, 200);
    EXPECT_TRUE(parent.Create(0, 0, 480, 720, nullptr, 0, WS_VISIBLE, 0));
    UpdateWindow(parent.GetHwnd());
    if (before) *before = ScreenPixels();
    ScreenPixels shown;
    IdleSteps steps({[&] {
        HWND box = front_box()->GetHwnd();
        if (repaint) {
            InvalidateRect(box, nullptr, FALSE);
            UpdateWindow(box);
        }
        shown = ScreenPixels();
        PostMessageW(box, OVWM_MSGBOX_PLATFORM, 0, 1);
    }});
    OvShowMessageBox(parent.GetHwnd(), text, caption, style, 0);
    parent.Destroy();
    return shown;
}

const RECT kTextBox = {46, 240, 434, 390};

// How the box's font lays out a text in a box of the message's size: the
// size DrawTextW measures for it and where its pure-white pixels fall,
// relative to the rectangle it is drawn into.
struct TextLayout {
    int width = 0;
    int height = 0;
    RECT ink = {0, 0, 0, 0};
};

TextLayout lay_out(const char16_t* text)
{
    Canvas canvas(480, 200, RGB(0, 0, 0));
    HGDIOBJ old = SelectObject(canvas.dc(), OvGetFont(30, 400, 0, 0, 0, 4));
    SetTextColor(canvas.dc(), RGB(255, 255, 255));
    SetBkMode(canvas.dc(), TRANSPARENT);
    RECT measured = {0, 0, 388, 150};
    DrawTextW(canvas.dc(), text, -1, &measured, DT_CALCRECT | DT_WORDBREAK);
    RECT drawn = {0, 0, 388, 150};
    DrawTextW(canvas.dc(), text, -1, &drawn, DT_WORDBREAK);
    SelectObject(canvas.dc(), old);
    TextLayout layout {measured.right - measured.left, measured.bottom - measured.top};
    bool found = false;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 480; ++x) {
            if (canvas.rgb(x, y) != 0xFFFFFF) continue;
            if (!found) layout.ink = {x, y, x + 1, y + 1};
            found = true;
            layout.ink.left = std::min<LONG>(layout.ink.left, x);
            layout.ink.right = std::max<LONG>(layout.ink.right, x + 1);
            layout.ink.bottom = std::max<LONG>(layout.ink.bottom, y + 1);
        }
    return layout;
}
const RECT kPanel = {26, 220, 454, 500};

TEST_F(OvfcMessageBox, ItPaintsTheFrozenScreenThePanelAndTheCentredText)
{
    ScreenPixels before;
    ScreenPixels shown = screen_under_box(u"OK?", u"Caption", 99, &before);
    // Around the panel: what was on the screen.
    for (POINT p : {POINT {5, 5}, POINT {470, 200}, POINT {10, 710}, POINT {240, 600}})
        EXPECT_EQ(shown.at(p.x, p.y), before.at(p.x, p.y)) << p.x << ", " << p.y;
    // The panel's frame covers it.
    int changed = 0;
    for (int y = kPanel.top; y < kPanel.bottom; y += 7)
        for (int x = kPanel.left; x < kPanel.right; x += 7) changed += shown.at(x, y) != before.at(x, y);
    EXPECT_GT(changed, 1000) << "the panel is drawn";
    // Its edges, across the middle and down the centre line.
    auto changed_span = [&](int x0, int y0, int dx, int dy, int steps) {
        std::pair<int, int> span {-1, -1};
        for (int i = 0; i < steps; ++i) {
            int x = x0 + i * dx, y = y0 + i * dy;
            if (shown.at(x, y) == before.at(x, y)) continue;
            if (span.first < 0) span.first = i;
            span.second = i;
        }
        return span;
    };
    auto across = changed_span(0, 360, 1, 0, 480);
    EXPECT_EQ(across.first, kPanel.left);
    EXPECT_EQ(across.second, kPanel.right - 1);
    auto down = changed_span(240, 0, 0, 1, 720);
    EXPECT_EQ(down.first, kPanel.top);
    EXPECT_GT(down.second, kPanel.bottom - 10);
    EXPECT_LT(down.second, kPanel.bottom);
    // A short text sits in the middle of its box, 5 pixels high.
    Ink text = find_ink(shown, kPanel, 0xFFFFFF);
    ASSERT_TRUE(text.found());
    TextLayout layout = lay_out(u"OK?");
    int left = kTextBox.left + (388 - layout.width) / 2;
    int top = kTextBox.top + (150 - layout.height) / 2 - 5;
    EXPECT_NEAR(text.box.left, left + layout.ink.left, 1);
    EXPECT_NEAR(text.box.top, top + layout.ink.top, 1);
    EXPECT_NEAR(text.box.bottom, top + layout.ink.bottom, 1);

    // Painted again, the box shows the same: its backdrop is the screen as
    // it was, not a picture of the box itself.
    EXPECT_EQ(screen_under_box(u"OK?", u"Caption", 99, nullptr, true).pixels, shown.pixels);
    // The caption is never drawn.
    EXPECT_EQ(screen_under_box(u"OK?", nullptr, 99, nullptr).pixels, shown.pixels);
    // Without a text, only the panel.
    ScreenPixels empty = screen_under_box(nullptr, u"Caption", 99, nullptr);
    EXPECT_FALSE(find_ink(empty, kPanel, 0xFFFFFF).found());
}

TEST_F(OvfcMessageBox, ALongTextWrapsInsideItsBoxAndTheButtonsAreDrawnOverThePanel)
{
    ScreenPixels before;
    ScreenPixels shown = screen_under_box(
        u"A text much longer than one line of the box, which wraps between its words onto further lines.", nullptr,
        OVMB_YESNO, &before);
    Ink text = find_ink(shown, {kPanel.left, kPanel.top, kPanel.right, 386}, 0xFFFFFF);
    ASSERT_TRUE(text.found());
    EXPECT_GE(text.box.left, kTextBox.left);
    EXPECT_LE(text.box.right, kTextBox.right);
    EXPECT_GT(text.box.bottom - text.box.top, 60) << "two lines at least";
    EXPECT_GE(text.box.top, kTextBox.top - 10);

    // The labels are white on the button faces.
    Ink yes = find_ink(shown, {46, 386, 234, 461}, 0xFFFFFF);
    Ink no = find_ink(shown, {246, 386, 434, 461}, 0xFFFFFF);
    ASSERT_TRUE(yes.found());
    ASSERT_TRUE(no.found());
    EXPECT_NEAR(yes.centre_y(), 386 + 37, 6);
    EXPECT_NEAR(no.centre_x(), 334, 6);
    EXPECT_NE(shown.at(60, 450), before.at(60, 450)) << "a face is drawn";
}

}  // namespace
