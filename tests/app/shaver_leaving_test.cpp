// The ways out: the exit corner with its question, USB-disk mode with its
// notice, the M key; and a second start that is refused.

#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "app/shaver_app.h"
#include "ovfc/core/ov_message_loop.h"
#include "ovfc/ui/ov_msg_box.h"
#include "platform/devices/device_host.h"
#include "platform/gdi/screen.h"
#include "platform/kernel/clock.h"
#include "platform/shell/shell_keys.h"
#include "platform/user/host.h"
#include "shaver_fixture.h"

namespace shaver_test {
namespace {

// What a box looked like while it was up.
struct SeenBox {
    bool seen = false;
    std::u16string text;
    std::u16string caption;
    int style = -1;
    HWND owner = nullptr;
    bool task_bar_visible = false;
};

// The box in front, or null.
COvMsgBoxWnd* front_box() { return dynamic_cast<COvMsgBoxWnd*>(COvWnd::OvWndFromHandle(GetForegroundWindow())); }

// On each idle turn of a message loop: while a box is up, notes it and taps
// (x, y) once; with no box, or once the tap was made, ends the loop with 99
// so that a box that never closes ends the test instead of hanging it.
class BoxAnswerer {
public:
    BoxAnswerer(int x, int y, std::function<bool()> task_bar_visible)
    {
        platform::user::set_idle_handler([=, this](std::optional<std::uint64_t>) {
            COvMsgBoxWnd* box = front_box();
            if (!box || tapped_) {
                PostQuitMessage(99);
                return;
            }
            seen_.seen = true;
            seen_.text = box->GetText() ? box->GetText() : u"";
            seen_.caption = box->GetCaption() ? box->GetCaption() : u"";
            seen_.style = box->GetStyle();
            seen_.owner = GetParent(box->GetHwnd());
            seen_.task_bar_visible = task_bar_visible();
            // A tap of its own, well after the box appeared.
            platform::clock::advance(1000);
            platform::user::inject_pointer(platform::user::PointerKind::down, x, y);
            platform::user::inject_pointer(platform::user::PointerKind::up, x, y);
            tapped_ = true;
        });
    }
    ~BoxAnswerer() { platform::user::set_idle_handler({}); }
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    const SeenBox& seen() const { return seen_; }

private:
    SeenBox seen_;
    bool tapped_ = false;
};

constexpr int yes_x = 146, no_x = 334, buttons_y = 423;

class LeavingTest : public ShaverTest {
protected:
    std::function<bool()> bar() const
    {
        return [this] { return task_bar_visible(); };
    }
};

TEST_F(LeavingTest, OnlyTheExitCornerAsks)
{
    start_main_screen();
    for (auto [x, y] : {std::pair {160, 581}, std::pair {159, 580}, std::pair {0, 719}}) {
        BoxAnswerer answer(no_x, buttons_y, bar());
        tap(x, y);
        EXPECT_EQ(pump(), -1000);
        EXPECT_EQ(answer.seen().seen, x == 0) << x << ", " << y;
    }
    BoxAnswerer answer(no_x, buttons_y, bar());
    tap(159, 581);
    EXPECT_EQ(pump(), -1000);
    ASSERT_TRUE(answer.seen().seen);
    EXPECT_EQ(answer.seen().text, u"确认退出 Brisell 程序吗?");
    EXPECT_EQ(answer.seen().caption, u"退出");
    EXPECT_EQ(answer.seen().style, OVMB_YESNO);
    EXPECT_EQ(answer.seen().owner, hwnd());
    EXPECT_FALSE(answer.seen().task_bar_visible) << "the shaver's own box keeps the task bar away";
}

TEST_F(LeavingTest, AnsweringNoKeepsTheShaverAsItWas)
{
    start_main_screen();
    tap(240, 560);
    pump();
    ASSERT_TRUE(window().IsRunning());
    {
        BoxAnswerer answer(no_x, buttons_y, bar());
        tap(100, 700);
        EXPECT_EQ(pump(), -1000);
        EXPECT_TRUE(answer.seen().seen);
    }
    EXPECT_TRUE(window().IsRunning());
    EXPECT_TRUE(playing("104"));
    EXPECT_EQ(picture_at(240, 560), 103) << "the main screen is drawn again";
    EXPECT_EQ(picture_at(100, 700), 102);
    EXPECT_FALSE(task_bar_visible());
    EXPECT_FALSE(OvQuitFlag());
}

TEST_F(LeavingTest, AnsweringYesClosesOntoTheOldScreenAndEndsWithZero)
{
    platform::gdi::screen().fill(RGB(250, 10, 10));
    ShowWindow(FindWindowW(u"CTaskBar", nullptr), SW_HIDE);
    start_main_screen();
    tap(240, 560);
    pump();
    BoxAnswerer answer(yes_x, buttons_y, bar());
    tap(100, 700);
    EXPECT_EQ(pump(), 0) << "WM_QUIT with 0";
    EXPECT_TRUE(answer.seen().seen);
    // The old screen shows whole, not the main screen redrawn.
    EXPECT_EQ(screen_pixel(240, 560), screen_pixel(0, 0));
    EXPECT_EQ(picture_id_of(screen_pixel(240, 360)), 0);
    EXPECT_GE(int(screen_pixel(240, 360) >> 16), 240);
}

TEST_F(LeavingTest, UsbDiskModeEndsTheProgramAfterItsNotice)
{
    start_main_screen();
    tap(240, 560);
    pump();
    // Leaving USB-disk mode (wParam 1) does nothing.
    platform::devices::set_usb_disk_mode(true);
    platform::devices::set_usb_disk_mode(false);
    {
        BoxAnswerer answer(240, buttons_y, bar());
        // The first notification opens the notice; the second waits behind it.
        EXPECT_EQ(pump(), 0);
        ASSERT_TRUE(answer.seen().seen);
        EXPECT_EQ(answer.seen().text, u"当前为U盘模式，剃须刀软件将退出。");
        EXPECT_EQ(answer.seen().caption, u"");
        EXPECT_EQ(answer.seen().style, OVMB_OK);
        EXPECT_EQ(answer.seen().owner, nullptr);
    }
}

TEST_F(LeavingTest, UsbNotificationLeavingDiskModeDoesNothing)
{
    start_main_screen();
    UINT usb = RegisterWindowMessageW(u"UsbNotifyMsgName");
    BoxAnswerer answer(240, buttons_y, bar());
    PostMessageW(hwnd(), usb, 1, 0);
    EXPECT_EQ(pump(), -1000);
    EXPECT_FALSE(answer.seen().seen);
}

TEST_F(LeavingTest, TheMKeyEndsTheProgramAtOnce)
{
    start_main_screen();
    tap(240, 560);
    pump();
    ASSERT_TRUE(platform::shell::press_m_key());
    EXPECT_EQ(pump(), 0);
}

TEST_F(ShaverTest, ASecondStartBringsTheFirstForwardAndIsRefused)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
        ShaverApp first;
        ASSERT_TRUE(first.InitInstance());
        HWND running = first.GetMainWnd().GetHwnd();
        ASSERT_NE(running, nullptr);
        ShowWindow(running, SW_HIDE);
        HWND other = FindWindowW(u"CTaskBar", nullptr);
        SetForegroundWindow(other);
        {
            ShaverApp second;
            EXPECT_FALSE(second.InitInstance());
            EXPECT_EQ(second.GetMainWnd().GetHwnd(), nullptr) << "no window of its own";
        }
        EXPECT_TRUE(IsWindowVisible(running));
        EXPECT_EQ(GetForegroundWindow(), running);
    }
    CoUninitialize();
}

}  // namespace
}  // namespace shaver_test
