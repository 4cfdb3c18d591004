// Touch input: routing, client coordinates, capture, disabled windows,
// click activation and double clicks.

#include "message_sequence.h"

using namespace user_test;
using platform::user::inject_pointer;
using platform::user::PointerKind;

namespace {

using InputTest = WindowTest;

void tap(int x, int y)
{
    inject_pointer(PointerKind::down, x, y);
    inject_pointer(PointerKind::up, x, y);
}

std::vector<Received> mouse_messages()
{
    std::vector<Received> out;
    for (const Received& entry : log())
        if (entry.message >= WM_MOUSEFIRST && entry.message <= WM_MOUSELAST) out.push_back(entry);
    log().clear();
    return out;
}

TEST_F(InputTest, TouchGoesToTheTopMostEnabledWindowUnderItInClientCoordinates)
{
    HWND main = make(u"Recorder", WS_VISIBLE, 0, 0, 480, 720);
    HWND panel = make(u"Recorder", WS_CHILD | WS_VISIBLE, 100, 200, 200, 100, main);
    HWND button = make(u"Recorder", WS_CHILD | WS_VISIBLE, 10, 10, 50, 20, panel);
    HWND disabled = make(u"Recorder", WS_CHILD | WS_VISIBLE | WS_DISABLED, 100, 10, 50, 20, panel);
    pump();
    log().clear();

    tap(115, 215);  // on the button
    tap(205, 215);  // on the disabled child: its parent takes it
    tap(5, 5);  // on the main window
    pump();
    expect_sequence(
        {
            {button, WM_LBUTTONDOWN, with_both, MK_LBUTTON, point(5, 5)},
            {button, WM_LBUTTONUP, with_both, 0, point(5, 5)},
            {panel, WM_LBUTTONDOWN, with_lparam, 0, point(105, 15)},
            {panel, WM_LBUTTONUP, with_lparam, 0, point(105, 15)},
            {main, WM_LBUTTONDOWN, with_lparam, 0, point(5, 5)},
            {main, WM_LBUTTONUP, with_lparam, 0, point(5, 5)},
        },
        "routing");
    (void)disabled;
}

TEST_F(InputTest, CaptureTakesEverythingWithNegativeCoordinates)
{
    HWND main = make(u"Recorder", WS_VISIBLE, 0, 0, 480, 720);
    HWND child = make(u"Recorder", WS_CHILD | WS_VISIBLE, 100, 100, 50, 50, main);
    pump();
    SetCapture(child);
    log().clear();
    inject_pointer(PointerKind::down, 120, 120);
    inject_pointer(PointerKind::move, 10, 400);
    inject_pointer(PointerKind::up, 10, 400);
    pump();
    auto got = mouse_messages();
    ASSERT_EQ(got.size(), 3u);
    for (const Received& entry : got) EXPECT_EQ(entry.hwnd, child);
    EXPECT_EQ(got[1].message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(got[1].wparam, static_cast<WPARAM>(MK_LBUTTON));
    EXPECT_EQ(GET_X_LPARAM(got[1].lparam), -90);
    EXPECT_EQ(GET_Y_LPARAM(got[1].lparam), 300);

    ReleaseCapture();
    tap(10, 400);
    pump();
    got = mouse_messages();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].hwnd, main);
}

TEST_F(InputTest, DisabledWindowsGetNoInput)
{
    HWND below = make(u"Recorder", WS_VISIBLE, 0, 0, 480, 720);
    HWND modal_parent = make(u"Recorder", WS_VISIBLE, 0, 0, 480, 720);
    pump();
    EnableWindow(modal_parent, FALSE);
    log().clear();
    tap(10, 10);
    pump();
    EXPECT_TRUE(mouse_messages().empty()) << "a disabled top-level window swallows the touch";
    EXPECT_EQ(GetActiveWindow(), modal_parent);

    EnableWindow(modal_parent, TRUE);
    SetCapture(modal_parent);
    EnableWindow(modal_parent, FALSE);
    tap(10, 10);
    pump();
    EXPECT_TRUE(mouse_messages().empty());
    (void)below;
}

TEST_F(InputTest, PressOnAnInactiveWindowActivatesItWithClickActive)
{
    HWND back = make(u"Recorder", WS_VISIBLE, 0, 0, 480, 720);
    HWND front = make(u"Recorder", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    HWND no_activate = make(u"Recorder", WS_POPUP, 300, 300, 100, 100, nullptr, WS_EX_NOACTIVATE | WS_EX_TOPMOST);
    ShowWindow(no_activate, SW_SHOWNA);
    pump();
    log().clear();

    inject_pointer(PointerKind::down, 200, 200);
    pump();
    expect_sequence(
        {
            {front, WM_ACTIVATE, with_both, WA_INACTIVE, reinterpret_cast<LPARAM>(back)},
            {back, WM_ACTIVATE, with_both, WA_CLICKACTIVE, reinterpret_cast<LPARAM>(front)},
            {front, WM_KILLFOCUS},
            {back, WM_SETFOCUS},
            {back, WM_LBUTTONDOWN, with_lparam, 0, point(200, 200)},
            // Raised to the top, it repaints what the front window covered.
            {back, WM_PAINT, optional},
            {back, WM_ERASEBKGND, optional},
        },
        "click activation");
    inject_pointer(PointerKind::up, 200, 200);
    tap(350, 350);
    pump();
    EXPECT_EQ(GetActiveWindow(), back);
    auto got = mouse_messages();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[1].hwnd, no_activate);
}

TEST_F(InputTest, DoubleClicksNeedTheClassStyleTimeAndDistance)
{
    HWND plain = make(u"Recorder", WS_VISIBLE, 0, 0, 480, 360);
    HWND dbl = make(u"DoubleClicker", WS_VISIBLE | WS_POPUP, 0, 360, 480, 360);
    pump();
    log().clear();

    auto kinds = [] {
        std::vector<UINT> out;
        for (const Received& entry : mouse_messages())
            if (entry.message != WM_LBUTTONUP) out.push_back(entry.message);
        return out;
    };

    tap(50, 50);
    platform::clock::advance(100);
    tap(50, 50);
    pump();
    EXPECT_EQ(kinds(), (std::vector<UINT> {WM_LBUTTONDOWN, WM_LBUTTONDOWN})) << "class without CS_DBLCLKS";

    platform::clock::advance(1000);
    tap(50, 400);
    platform::clock::advance(500);
    tap(55, 405);
    platform::clock::advance(100);
    tap(55, 405);  // a third press starts over
    pump();
    EXPECT_EQ(kinds(), (std::vector<UINT> {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN}));

    platform::clock::advance(1000);
    tap(50, 400);
    platform::clock::advance(501);
    tap(50, 400);  // too late
    platform::clock::advance(100);
    tap(50 + GetSystemMetrics(SM_CXDOUBLECLK), 400);  // too far
    pump();
    EXPECT_EQ(kinds(), (std::vector<UINT> {WM_LBUTTONDOWN, WM_LBUTTONDOWN, WM_LBUTTONDOWN}));
    (void)plain;
    (void)dbl;
}

TEST_F(InputTest, TouchesOutsideEveryWindowAreDropped)
{
    HWND small = make(u"Recorder", WS_VISIBLE | WS_POPUP, 0, 0, 10, 10);
    pump();
    log().clear();
    tap(300, 300);
    tap(5, 5);
    pump();
    auto got = mouse_messages();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].hwnd, small);
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 5);
}

}  // namespace
