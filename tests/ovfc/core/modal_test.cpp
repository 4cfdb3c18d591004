// Modal runs: EndModal before and inside DoModal, the parent disabled and
// enabled again, and input dropped while the window appears.

#include "../phone_fixture.h"
#include "ovfc/core/ov_message_loop.h"
#include "platform/kernel/clock.h"
#include "platform/user/host.h"
#include "test_windows.h"

using namespace ovfc_test;

namespace {

using OvfcModal = PhoneTest;

TEST_F(OvfcModal, EndModalInsideAHandlerEndsTheRunWithItsResult)
{
    RecorderWnd parent;
    ASSERT_TRUE(parent.Create(0, 0, 480, 720, nullptr, 0, WS_VISIBLE, 0));
    RecorderWnd dialog;
    ASSERT_TRUE(dialog.CreatePopup(40, 100, 400, 300, parent.GetHwnd(), 0, 0));
    bool parent_enabled_inside = true;
    bool dialog_visible_inside = false;
    bool foreground_inside = false;
    DWORD flags_inside = 0;
    dialog.hook = [&](UINT message, WPARAM, LPARAM) {
        if (message != WM_USER) return false;
        parent_enabled_inside = IsWindowEnabled(parent.GetHwnd());
        dialog_visible_inside = IsWindowVisible(dialog.GetHwnd());
        foreground_inside = GetForegroundWindow() == dialog.GetHwnd();
        flags_inside = dialog.GetModalFlags();
        dialog.EndModal(17);
        // Posted after EndModal: the run must end without retrieving it.
        PostMessageW(dialog.GetHwnd(), WM_USER + 1, 0, 0);
        return true;
    };
    PostMessageW(dialog.GetHwnd(), WM_USER, 0, 0);
    EXPECT_EQ(dialog.DoModal(true), 17);
    EXPECT_FALSE(parent_enabled_inside) << "the parent is disabled during the run";
    EXPECT_TRUE(dialog_visible_inside);
    EXPECT_TRUE(foreground_inside);
    EXPECT_EQ(flags_inside, OVMODAL_RUNNING);
    EXPECT_EQ(dialog.GetModalFlags(), 0u);
    EXPECT_TRUE(IsWindowEnabled(parent.GetHwnd())) << "and enabled again after it";
    EXPECT_FALSE(IsWindowVisible(dialog.GetHwnd())) << "the window is hidden, not destroyed";
    EXPECT_TRUE(IsWindow(dialog.GetHwnd()));
    EXPECT_EQ(std::count(dialog.messages.begin(), dialog.messages.end(), UINT(WM_USER + 1)), 0);

    // The WM_NULL that EndModal posted, and the rest, are harmless to the
    // next loop.
    EXPECT_EQ(pump(), -1000);
    EXPECT_EQ(std::count(dialog.messages.begin(), dialog.messages.end(), UINT(WM_USER + 1)), 1);
}

TEST_F(OvfcModal, EndModalBeforeDoModalDoesNotPreventTheRun)
{
    RecorderWnd dialog;
    ASSERT_TRUE(dialog.CreatePopup(0, 0, 100, 100, nullptr, 0, 0));
    dialog.EndModal(5);
    EXPECT_EQ(dialog.m_nModalResult, 5);
    int handled = 0;
    dialog.hook = [&](UINT message, WPARAM, LPARAM) {
        if (message == WM_USER) {
            ++handled;
            dialog.EndModal(6);
        }
        return false;
    };
    // The WM_NULL posted by the early EndModal is retrieved first; the run
    // goes on until WM_USER ends it.
    PostMessageW(dialog.GetHwnd(), WM_USER, 0, 0);
    EXPECT_EQ(dialog.DoModal(false), 6);
    EXPECT_EQ(handled, 1);

    // DoModal does not reset the result: a run ended by WM_QUIT returns the
    // last one.
    PostQuitMessage(9);
    EXPECT_EQ(dialog.DoModal(false), 6);
    EXPECT_TRUE(OvQuitFlag());
}

TEST_F(OvfcModal, TheParentIsDisabledOnlyWhenAskedAndWhenThereIsOne)
{
    RecorderWnd parent;
    ASSERT_TRUE(parent.Create(0, 0, 480, 720, nullptr, 0, WS_VISIBLE, 0));
    RecorderWnd dialog;
    ASSERT_TRUE(dialog.CreatePopup(0, 0, 100, 100, parent.GetHwnd(), 0, 0));
    std::vector<BOOL> parent_enabled;
    dialog.hook = [&](UINT message, WPARAM, LPARAM) {
        if (message == WM_USER) {
            parent_enabled.push_back(IsWindowEnabled(parent.GetHwnd()));
            dialog.EndModal(0);
        }
        return false;
    };
    PostMessageW(dialog.GetHwnd(), WM_USER, 0, 0);
    dialog.DoModal(false);
    PostMessageW(dialog.GetHwnd(), WM_USER, 0, 0);
    dialog.DoModal(true);
    EXPECT_EQ(parent_enabled, (std::vector<BOOL> {TRUE, FALSE}));
    EXPECT_TRUE(IsWindowEnabled(parent.GetHwnd()));

    // A window without a parent disables nothing.
    RecorderWnd lonely;
    ASSERT_TRUE(lonely.CreatePopup(0, 0, 100, 100, nullptr, 0, 0));
    lonely.hook = [&](UINT message, WPARAM, LPARAM) {
        if (message == WM_USER) {
            parent_enabled.push_back(IsWindowEnabled(parent.GetHwnd()));
            lonely.EndModal(0);
        }
        return false;
    };
    PostMessageW(lonely.GetHwnd(), WM_USER, 0, 0);
    lonely.DoModal(true);
    EXPECT_EQ(parent_enabled.back(), TRUE);
}

TEST_F(OvfcModal, TapsQueuedWhileTheWindowAppearsAreDropped)
{
    RecorderWnd dialog;
    dialog.paint = [](HDC, const RECT&) {
        // The user taps while the window paints itself, which takes time.
        platform::user::inject_pointer(platform::user::PointerKind::down, 20, 20);
        platform::user::inject_pointer(platform::user::PointerKind::up, 20, 20);
        platform::clock::advance(40);
    };
    ASSERT_TRUE(dialog.CreatePopup(0, 0, 200, 200, nullptr, 0, 0));
    dialog.hook = [&](UINT message, WPARAM, LPARAM lParam) {
        if (message == WM_LBUTTONUP && GET_X_LPARAM(lParam) == 30) dialog.EndModal(1);
        return false;
    };
    // A later tap, after the window has appeared, is taken.
    platform::user::set_idle_handler([&](std::optional<std::uint64_t>) {
        dialog.paint = nullptr;
        platform::clock::advance(10);
        tap(30, 30);
        platform::user::set_idle_handler({});
    });
    EXPECT_EQ(dialog.DoModal(false), 1);
    std::vector<HandlerCall> presses;
    for (const HandlerCall& call : dialog.calls)
        if (call.name == "down" || call.name == "up") presses.push_back(call);
    EXPECT_EQ(presses, (std::vector<HandlerCall> {{"down", MK_LBUTTON, 30, 30}, {"up", 0, 30, 30}}));
}

}  // namespace
