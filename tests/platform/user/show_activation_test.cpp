// Showing, hiding, activation, focus, capture and the z-order.

#include "message_sequence.h"

using namespace user_test;

namespace {

using ShowTest = WindowTest;

LPARAM as_lparam(HWND hwnd) { return reinterpret_cast<LPARAM>(hwnd); }

TEST_F(ShowTest, ShowingActivatesAndHidingHandsActivationBack)
{
    HWND first = make(u"Recorder", WS_VISIBLE, 0, 0, 480, 720);
    HWND second = make(u"Recorder", 0, 0, 0, 480, 720);
    pump();
    log().clear();

    EXPECT_FALSE(ShowWindow(second, SW_SHOW));
    expect_sequence(
        {
            {second, WM_SHOWWINDOW, with_both, TRUE, 0},
            {first, WM_ACTIVATE, with_both, WA_INACTIVE, as_lparam(second)},
            {second, WM_ACTIVATE, with_both, WA_ACTIVE, as_lparam(first)},
            {first, WM_KILLFOCUS, with_wparam, reinterpret_cast<WPARAM>(second)},
            {second, WM_SETFOCUS, with_wparam, reinterpret_cast<WPARAM>(first)},
        },
        "show second");
    EXPECT_EQ(GetForegroundWindow(), second);
    EXPECT_EQ(GetWindow(first, GW_HWNDFIRST), second);
    EXPECT_EQ(GetWindow(second, GW_HWNDNEXT), first);
    pump();
    log().clear();

    EXPECT_TRUE(ShowWindow(second, SW_HIDE));
    EXPECT_FALSE(ShowWindow(second, SW_HIDE));
    expect_sequence(
        {
            {second, WM_SHOWWINDOW, with_both, FALSE, 0},
            {second, WM_ACTIVATE, with_both, WA_INACTIVE, as_lparam(first)},
            {first, WM_ACTIVATE, with_both, WA_ACTIVE, as_lparam(second)},
            {second, WM_KILLFOCUS},
            {first, WM_SETFOCUS},
        },
        "hide second");

    // The window that was covered repaints what it shows again.
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(message.hwnd, first);
    DispatchMessageW(&message);
    EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(ShowTest, HidingUncoversOnlyWhatWasCovered)
{
    HWND below = make(u"Recorder", WS_VISIBLE, 0, 0, 480, 720);
    HWND above = make(u"Recorder", WS_POPUP | WS_VISIBLE, 100, 100, 50, 40);
    pump();
    ShowWindow(above, SW_HIDE);
    RECT update;
    ASSERT_TRUE(GetUpdateRect(below, &update, FALSE));
    EXPECT_EQ(update.left, 100);
    EXPECT_EQ(update.top, 100);
    EXPECT_EQ(update.right, 150);
    EXPECT_EQ(update.bottom, 140);
    EXPECT_FALSE(GetUpdateRect(above, &update, FALSE));
}

TEST_F(ShowTest, NoActivateWindowsAndNoActivateCommandsLeaveActivationAlone)
{
    HWND main = make(u"Recorder", WS_VISIBLE, 0, 0, 480, 720);
    HWND overlay = make(u"Recorder", 0, 0, 0, 480, 720, nullptr, WS_EX_NOACTIVATE | WS_EX_TOPMOST);
    HWND quiet = make(u"Recorder", WS_POPUP, 0, 0, 10, 10);
    log().clear();

    SetWindowPos(overlay, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    ShowWindow(quiet, SW_SHOWNA);
    EXPECT_EQ(GetActiveWindow(), main);
    expect_sequence({{quiet, WM_SHOWWINDOW, with_wparam, TRUE}}, "no activation");

    // Topmost windows stay above others, even ones brought to the top later.
    EXPECT_EQ(GetWindow(main, GW_HWNDFIRST), overlay);
    BringWindowToTop(main);
    EXPECT_EQ(GetWindow(main, GW_HWNDFIRST), overlay);
    EXPECT_EQ(GetWindow(overlay, GW_HWNDNEXT), main);
    log().clear();
}

TEST_F(ShowTest, ForegroundAndActiveWindowChangesSendActivatePairs)
{
    HWND a = make(u"Recorder", WS_VISIBLE, 0, 0, 480, 720);
    HWND b = make(u"Recorder", WS_VISIBLE, 0, 0, 480, 720);
    log().clear();
    EXPECT_TRUE(SetForegroundWindow(a));
    expect_sequence(
        {
            {b, WM_ACTIVATE, with_both, WA_INACTIVE, as_lparam(a)},
            {a, WM_ACTIVATE, with_both, WA_ACTIVE, as_lparam(b)},
            {b, WM_KILLFOCUS},
            {a, WM_SETFOCUS},
        },
        "foreground a");
    EXPECT_TRUE(SetForegroundWindow(a));
    expect_sequence({}, "already foreground");
    EXPECT_EQ(SetActiveWindow(b), a);
    EXPECT_EQ(GetActiveWindow(), b);
    log().clear();
}

TEST_F(ShowTest, FocusAndCapture)
{
    HWND parent = make(u"Recorder", WS_VISIBLE, 0, 0, 480, 720);
    HWND child = make(u"Recorder", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, parent);
    log().clear();

    EXPECT_EQ(SetFocus(child), parent);
    EXPECT_EQ(GetFocus(), child);
    EXPECT_EQ(SetFocus(nullptr), child);
    expect_sequence(
        {
            {parent, WM_KILLFOCUS, with_wparam, reinterpret_cast<WPARAM>(child)},
            {child, WM_SETFOCUS, with_wparam, reinterpret_cast<WPARAM>(parent)},
            {child, WM_KILLFOCUS, with_wparam, 0},
        },
        "focus");

    EXPECT_EQ(SetCapture(child), nullptr);
    EXPECT_EQ(SetCapture(parent), child);
    EXPECT_EQ(GetCapture(), parent);
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), nullptr);

    // Disabling a window takes its capture and focus away.
    SetCapture(child);
    SetFocus(child);
    EXPECT_FALSE(EnableWindow(child, FALSE));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_FALSE(IsWindowEnabled(child));
    EXPECT_TRUE(EnableWindow(child, TRUE));
    EXPECT_TRUE(IsWindowEnabled(child));
    log().clear();
}

TEST_F(ShowTest, ParentsOwnersAndZOrderWalks)
{
    HWND parent = make(u"Recorder", WS_VISIBLE, 0, 0, 480, 720);
    HWND first = make(u"Recorder", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent);
    HWND second = make(u"Recorder", WS_CHILD | WS_VISIBLE, 20, 0, 10, 10, parent);
    HWND popup = make(u"Recorder", WS_POPUP, 0, 0, 10, 10, first);
    HWND plain_owned = make(u"Recorder", 0, 0, 0, 10, 10, parent);
    log().clear();

    EXPECT_EQ(GetParent(first), parent);
    EXPECT_EQ(GetParent(popup), parent) << "a popup's parent is its top-level owner";
    EXPECT_EQ(GetParent(plain_owned), nullptr);
    EXPECT_EQ(GetParent(parent), nullptr);
    EXPECT_TRUE(IsChild(parent, first));
    EXPECT_FALSE(IsChild(parent, popup));

    // Newer children sit above older ones.
    EXPECT_EQ(GetWindow(parent, GW_CHILD), second);
    EXPECT_EQ(GetWindow(second, GW_HWNDNEXT), first);
    EXPECT_EQ(GetWindow(first, GW_HWNDNEXT), nullptr);
    EXPECT_EQ(GetWindow(first, GW_HWNDPREV), second);
    SetWindowPos(first, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(GetWindow(parent, GW_CHILD), first);

    POINT p {5, 5};
    ClientToScreen(second, &p);
    EXPECT_EQ(p.x, 25);
    ScreenToClient(second, &p);
    EXPECT_EQ(p.x, 5);
    EXPECT_EQ(GetWindow(GetDesktopWindow(), GW_CHILD), GetWindow(parent, GW_HWNDFIRST));
}

TEST_F(ShowTest, BroadcastReachesEveryTopLevelWindowButNoChild)
{
    HWND a = make(u"Recorder", 0, 0, 0, 10, 10);
    HWND b = make(u"Recorder", WS_VISIBLE | WS_DISABLED, 0, 0, 10, 10);
    HWND child = make(u"Recorder", WS_CHILD, 0, 0, 10, 10, a);
    pump();
    log().clear();
    UINT message = RegisterWindowMessageW(u"TestBroadcast");
    SendMessageW(HWND_BROADCAST, message, 1, 2);
    PostMessageW(HWND_BROADCAST, message, 3, 4);
    pump();
    std::vector<std::pair<HWND, WPARAM>> got;
    for (const Received& entry : log())
        if (entry.message == message) got.emplace_back(entry.hwnd, entry.wparam);
    EXPECT_EQ(got.size(), 4u);
    for (auto& [hwnd, wparam] : got) EXPECT_TRUE(hwnd == a || hwnd == b) << "child " << child << " got it";
    log().clear();
}

}  // namespace
