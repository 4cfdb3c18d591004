// Mouse routing through the control manager, as message sequences: platform
// messages in, the ordered control calls, notifications (message, wParam,
// lParam) and posted messages out.

#include <algorithm>

#include "ovfc/core/ov_debug_zones.h"
#include "platform/kernel/clock.h"
#include "ui_host_fixture.h"

using namespace ovfc_test;

namespace {

using UiMouse = UiHostTest;

TEST_F(UiMouse, PressMoveReleaseReachTheControlWithNotificationsAndTheWindowAfterIt)
{
    RecordingWin button(log, "a", 7, 100, 200, 80, 40);
    button.SetNotifyHost(TRUE);
    host.AddUiWin(&button);
    host.log_window_mouse = true;

    down(110, 210);
    EXPECT_EQ(manager.GetCaptureWin(), &button);
    drag(115, 212);
    drag(115, 212);  // the same place again: neither the control nor the window hears it
    drag(300, 500);  // captured: the control follows the finger outside itself
    up(301, 501);
    EXPECT_EQ(take(),
        (UiLog {
            {"a.down", MK_LBUTTON, 10, 10},
            {"msg", OVWM_MOUSE_NOTIFY, Notify(7, OVMOUSE_PRESS), Packed(10, 10)},
            {"wnd.down", MK_LBUTTON, 110, 210},
            {"a.move", MK_LBUTTON, 15, 12},
            {"msg", OVWM_MOUSE_NOTIFY, Notify(7, OVMOUSE_MOVE), Packed(15, 12)},
            {"wnd.move", MK_LBUTTON, 115, 212},
            {"a.move", MK_LBUTTON, 200, 300},
            {"msg", OVWM_MOUSE_NOTIFY, Notify(7, OVMOUSE_MOVE), Packed(200, 300)},
            {"wnd.move", MK_LBUTTON, 300, 500},
            {"a.up", 0, 201, 301},
            {"msg", OVWM_MOUSE_NOTIFY, Notify(7, OVMOUSE_RELEASE), Packed(201, 301)},
            {"wnd.up", 0, 301, 501},
        }));
    EXPECT_FALSE(button.IsPressed());
    EXPECT_TRUE(button.IsMoved()) << "the release leaves the drag visible";
    EXPECT_EQ(manager.GetCaptureWin(), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(button.GetPressPoint().x, 10);

    // A double click: the second click of the pair, then its release.
    host.log_window_mouse = false;
    dblclk(120, 220);
    up(120, 220);
    EXPECT_EQ(take(),
        (UiLog {
            {"a.dblclk", MK_LBUTTON, 20, 20},
            {"msg", OVWM_MOUSE_NOTIFY, Notify(7, OVMOUSE_DBLCLK), Packed(20, 20)},
            {"a.up", 0, 20, 20},
            {"msg", OVWM_MOUSE_NOTIFY, Notify(7, OVMOUSE_RELEASE), Packed(20, 20)},
        }));
}

TEST_F(UiMouse, ReleasesReachOnlyControlsThatHeardThePress)
{
    RecordingWin first(log, "a", 1, 0, 0, 100, 100);
    RecordingWin second(log, "b", 2, 200, 0, 100, 100);
    second.SetNotifyHost(TRUE);
    host.AddUiWin(&first);
    host.AddUiWin(&second);

    // Pressed on nothing, slid onto a control, released there.
    down(150, 50);
    drag(250, 50);
    up(250, 50);
    // Pressed on one control and released over another: the capture keeps
    // the release with the first.
    down(50, 50);
    up(250, 60);
    EXPECT_EQ(take(), (UiLog {{"a.down", MK_LBUTTON, 50, 50}, {"a.up", 0, 250, 60}}));
}

TEST_F(UiMouse, DisabledControlSwallowsThePressAndItsChildrenAreNeverHit)
{
    RecordingWin panel(log, "panel", 3, 0, 0, 200, 200);
    RecordingWin inner(log, "inner", 4, 10, 10, 50, 50);
    panel.AddChild(&inner);
    panel.SetNotifyHost(TRUE);
    inner.SetNotifyHost(TRUE);
    host.AddUiWin(&panel);
    panel.SetEnabled(FALSE);

    down(20, 20);
    EXPECT_EQ(manager.GetPendingDisabledWin(), &panel);
    EXPECT_EQ(manager.GetCaptureWin(), nullptr);
    drag(30, 30);
    up(30, 30);
    EXPECT_EQ(manager.GetPendingDisabledWin(), nullptr);
    dblclk(20, 20);
    up(20, 20);
    pump();
    EXPECT_EQ(take(), UiLog {});

    // Enabled again, the child gets the press.
    panel.SetEnabled(TRUE);
    down(20, 20);
    up(20, 20);
    EXPECT_EQ(take(),
        (UiLog {
            {"inner.down", MK_LBUTTON, 10, 10},
            {"msg", OVWM_MOUSE_NOTIFY, Notify(4, OVMOUSE_PRESS), Packed(10, 10)},
            {"inner.up", 0, 10, 10},
            {"msg", OVWM_MOUSE_NOTIFY, Notify(4, OVMOUSE_RELEASE), Packed(10, 10)},
        }));
}

TEST_F(UiMouse, LongPressHeldReleasedEarlyAndDraggedAway)
{
    RecordingWin control(log, "a", 5, 100, 100, 100, 100);
    control.SetHoldEnabled(TRUE);
    control.SetNotifyHost(TRUE);
    host.AddUiWin(&control);

    // Held still for the whole delay.
    down(150, 150);
    EXPECT_EQ(manager.GetHoldWin(), &control);
    platform::clock::advance(999);
    pump();
    EXPECT_FALSE(control.IsHoldFired());
    platform::clock::advance(1);
    pump();
    EXPECT_TRUE(control.IsHoldFired());
    up(150, 150);
    EXPECT_EQ(take(),
        (UiLog {
            {"a.holdstart"},
            {"msg", OVWM_MOUSE_NOTIFY, Notify(5, OVMOUSE_HOLD_ARMED), Packed(50, 50)},
            {"a.down", MK_LBUTTON, 50, 50},
            {"msg", OVWM_MOUSE_NOTIFY, Notify(5, OVMOUSE_PRESS), Packed(50, 50)},
            {"a.hold"},
            {"msg", OVWM_MOUSE_NOTIFY, Notify(5, OVMOUSE_HOLD), Packed(50, 50)},
            {"a.up", 0, 50, 50},
            {"msg", OVWM_MOUSE_NOTIFY, Notify(5, OVMOUSE_RELEASE), Packed(50, 50)},
        }));

    // Released before the delay: the release kills the timer.
    down(150, 150);
    platform::clock::advance(500);
    pump();
    up(150, 150);
    platform::clock::advance(2000);
    pump();
    UiLog early = take();
    EXPECT_EQ(std::count(early.begin(), early.end(), UiEvent {"a.hold"}), 0);
    EXPECT_FALSE(control.IsHoldFired());

    // Held, but dragged outside: the timer fires without a hold.
    down(150, 150);
    drag(250, 150);
    platform::clock::advance(1000);
    pump();
    UiLog dragged = take();
    EXPECT_EQ(std::count(dragged.begin(), dragged.end(), UiEvent {"a.hold"}), 0);
    EXPECT_TRUE(control.IsHoldFired());
    up(250, 150);
    take();

    // A delay of 0 arms nothing.
    control.SetHoldDelay(0);
    down(150, 150);
    EXPECT_EQ(take().front(), (UiEvent {"a.down", MK_LBUTTON, 50, 50}));
    up(150, 150);
}

TEST_F(UiMouse, FocusOnClickComesWithATapNotWithADrag)
{
    RecordingWin first(log, "a", 7, 0, 0, 100, 100);
    RecordingWin second(log, "b", 9, 200, 0, 100, 100);
    first.SetFocusOnClick(TRUE);
    second.SetFocusOnClick(TRUE);
    host.AddUiWin(&first);
    host.AddUiWin(&second);

    down(50, 50);
    up(50, 50);
    EXPECT_EQ(manager.GetFocusWin(), &first);
    EXPECT_TRUE(first.HasFocus());
    EXPECT_EQ(GetFocus(), hwnd);
    pump();
    EXPECT_EQ(take(),
        (UiLog {
            {"a.down", MK_LBUTTON, 50, 50},
            {"a.up", 0, 50, 50},
            {"a.setfocus", -1},
            {"msg", OVWM_FOCUS_CHANGED, 7, 0},
        }));

    // Pressed, dragged, released: no focus.
    down(250, 50);
    drag(260, 50);
    up(260, 50);
    pump();
    EXPECT_EQ(manager.GetFocusWin(), &first);

    // Tapped: the focus moves, both sides hear it, the window learns both ids.
    down(250, 50);
    up(250, 50);
    pump();
    UiLog moved = take();
    UiLog tail(moved.end() - 3, moved.end());
    EXPECT_EQ(tail, (UiLog {{"a.killfocus", 9}, {"b.setfocus", 7}, {"msg", OVWM_FOCUS_CHANGED, 9, 7}}));

    // A tap on the control that has the focus changes nothing.
    down(250, 50);
    up(250, 50);
    pump();
    EXPECT_EQ(take(), (UiLog {{"b.down", MK_LBUTTON, 50, 50}, {"b.up", 0, 50, 50}}));
}

TEST_F(UiMouse, FirstMoveDecidesTheSwipe)
{
    RecordingWin control(log, "a", 12, 0, 0, 400, 400);
    control.SetSwipeDetect(TRUE);
    host.AddUiWin(&control);

    // 30 across, 10 down: 30 >= 3 * 10, a horizontal swipe.
    down(100, 100);
    EXPECT_TRUE(control.IsSwipeUndecided());
    drag(130, 110);
    up(130, 110);
    pump();
    EXPECT_TRUE(control.IsSwipeHorizontal());
    UiLog swiped = take();
    EXPECT_NE(std::find(swiped.begin(), swiped.end(), UiEvent {"msg", OVWM_SWIPE, 12, Packed(130, 110)}), swiped.end());

    // 30 across, 11 down: not a swipe, and later moves decide nothing.
    down(100, 100);
    EXPECT_FALSE(control.IsSwipeHorizontal());
    drag(70, 111);
    EXPECT_FALSE(control.IsSwipeUndecided());
    drag(200, 111);
    up(200, 111);
    pump();
    EXPECT_FALSE(control.IsSwipeHorizontal());
    for (const UiEvent& event : take()) EXPECT_NE(event.what, "msg") << event;
}

TEST_F(UiMouse, NotificationPackingFollowsTheSignedSizeOfTheLocalPoint)
{
    RecordingWin control(log, "a", 0x12345, 10, 30, 100, 100);
    control.SetNotifyHost(TRUE);
    host.AddUiWin(&control);

    down(15, 40);
    take();
    // Captured and dragged past the left edge: (-3, 20) keeps the common form.
    drag(7, 50);
    EXPECT_EQ(take(),
        (UiLog {
            {"a.move", MK_LBUTTON, -3, 20},
            {"msg", OVWM_MOUSE_NOTIFY, 0x42345, 0x14FFFD},
        }));
    up(7, 50);
    take();

    // Controls reaching far beyond the window give local points past 0xFFFF.
    RecordingWin wide(log, "wide", 1, -70000, 0, 100000, 100);
    wide.SetNotifyHost(TRUE);
    host.AddUiWin(&wide);
    down(200, 10);
    up(200, 10);
    RecordingWin tall(log, "tall", 2, 300, -70000, 100, 100000);
    tall.SetNotifyHost(TRUE);
    host.AddUiWin(&tall);
    down(310, 10);
    UiLog log_wide = take();
    ASSERT_EQ(log_wide.size(), 6u);
    EXPECT_EQ(log_wide[1],
        (UiEvent {"msg", OVWM_MOUSE_NOTIFY_WIDE_X, Notify(1, OVMOUSE_PRESS),
            static_cast<long long>((70200u & 0xFFFFFu) | (10u << 20))}));
    EXPECT_EQ(log_wide[5],
        (UiEvent {"msg", OVWM_MOUSE_NOTIFY_WIDE_Y, Notify(2, OVMOUSE_PRESS),
            static_cast<long long>(static_cast<DWORD>((10u & 0xFFFu) | (70010u << 12)))}));
    up(310, 10);
}

// A list that scrolls: presses on its items go to the items until the
// finger moves, then the list takes the gesture over.
TEST_F(UiMouse, ScrollContainerTakesTheDragOverFromItsItem)
{
    RecordingWin list(log, "list", 20, 0, 100, 480, 300);
    list.scroll_container = true;
    RecordingWin item(log, "item", 21, 0, 0, 480, 50);
    list.AddChild(&item);
    host.AddUiWin(&list);

    down(10, 110);
    drag(10, 130);
    pump();
    EXPECT_EQ(take(),
        (UiLog {
            {"item.down", MK_LBUTTON, 10, 10},
            {"list.containerpressed"},
            {"list.containeridle", 0, 0},
            {"item.parentpressed"},
            {"item.move", MK_LBUTTON, 10, 30},
            // The item hears its release at once...
            {"item.up", MK_LBUTTON, 10, 30},
            // ...and the list the press where the finger was, then the move.
            {"list.down", 0, 10, 10},
            {"list.containerpressed"},
            {"list.containeridle", 0, 0},
            {"item.parentpressed"},
            {"list.move", 0, 10, 30},
            {"msg", OVWM_CONTAINER_PRESSED, 20, 0},
            {"msg", OVWM_CONTAINER_PRESSED, 20, 0},
        }));
    EXPECT_TRUE(item.IsPressCancelled());
    EXPECT_EQ(manager.GetCaptureWin(), &list);
    up(10, 200);
    EXPECT_EQ(take(), (UiLog {{"list.up", 0, 10, 100}}));

    // While the list scrolls, a press on an item stops the list instead.
    list.SetScrolling(TRUE);
    down(10, 110);
    up(10, 110);
    EXPECT_EQ(take(),
        (UiLog {
            {"list.down", MK_LBUTTON, 10, 10},
            {"list.containerpressed"},
            {"item.parentstopped"},
            {"list.containeridle", 0, 0},
            {"list.up", 0, 10, 10},
        }));
    EXPECT_TRUE(list.GetContainerWasScrolling());
    list.SetScrolling(FALSE);

    // A disabled item swallows the press, and the first move hands the
    // drag to the list from where the press was.
    item.SetEnabled(FALSE);
    down(10, 110);
    drag(10, 140);
    up(10, 140);
    EXPECT_EQ(take(),
        (UiLog {
            {"list.containerpressed"},
            {"list.containeridle", 0, 0},
            {"item.parentpressed"},
            {"list.down", 0, 10, 10},
            {"list.containerpressed"},
            {"list.containeridle", 0, 0},
            {"item.parentpressed"},
            {"list.move", 0, 10, 40},
            {"list.up", 0, 10, 40},
        }));
    pump();

    // An item that keeps its drags never hands them over.
    item.SetEnabled(TRUE);
    item.SetPassDragToContainer(FALSE);
    take();
    down(10, 110);
    drag(10, 140);
    up(10, 140);
    EXPECT_EQ(take(),
        (UiLog {
            {"item.down", MK_LBUTTON, 10, 10},
            {"item.move", MK_LBUTTON, 10, 40},
            {"item.up", 0, 10, 40},
        }));
}

TEST_F(UiMouse, HiddenOrDisabledManagerHearsNothing)
{
    RecordingWin control(log, "a", 1, 0, 0, 100, 100);
    host.AddUiWin(&control);
    manager.SetEnabled(FALSE);
    down(10, 10);
    drag(20, 20);
    up(20, 20);
    manager.SetEnabled(TRUE);
    manager.SetVisible(FALSE);
    down(10, 10);
    up(10, 10);
    send(WM_TIMER, 77, 0);
    EXPECT_EQ(take(), UiLog {});
}

TEST_F(UiMouse, TraceLinesNameTheRecordedPoint)
{
    RecordingWin control(log, "a", 1, 100, 100, 100, 100);
    host.AddUiWin(&control);
    OvDebugZones = OVZONE_MOUSE;
    down(110, 120);
    drag(130, 140);
    up(150, 160);
    OvDebugZones = 0;
    EXPECT_EQ(trace_with("WinManager::OnWMLButtonDown").size(), 1u);
    EXPECT_EQ(trace_with("WinManager::OnWMLButtonDown(110, 120);").size(), 1u);
    EXPECT_EQ(trace_with("UiWin::OnLButtonDown(10, 20);").size(), 1u);
    EXPECT_EQ(trace_with("UiWin::OnMouseMove(30, 40);").size(), 1u);
    // The release names the last recorded point, not its own.
    EXPECT_EQ(trace_with("WinManager::OnWMLButtonUp(130, 140);").size(), 1u);
    EXPECT_EQ(trace_with("UiWin::OnLButtonUp(50, 60);").size(), 1u);
}

TEST_F(UiMouse, FingerOnThePhoneReachesTheControl)
{
    RecordingWin control(log, "a", 3, 200, 300, 80, 80);
    control.SetNotifyHost(TRUE);
    host.AddUiWin(&control);
    tap(210, 310);
    pump();
    UiLog tapped = take();
    ASSERT_GE(tapped.size(), 4u);
    EXPECT_EQ(tapped[0], (UiEvent {"a.down", MK_LBUTTON, 10, 10}));
    EXPECT_EQ(tapped[2].what, "a.up");
    EXPECT_EQ(tapped[3], (UiEvent {"msg", OVWM_MOUSE_NOTIFY, Notify(3, OVMOUSE_RELEASE), Packed(10, 10)}));
}

}  // namespace
