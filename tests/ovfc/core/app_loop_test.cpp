// The application object's life and the main loop: WinMain's exit codes,
// the quit and PreTranslateMessage rules, the mouse-discard filter, and a
// WM_QUIT retrieved by a modal loop ending the main loop.

#include <algorithm>
#include <functional>

#include "../phone_fixture.h"
#include "ovfc/core/ov_app.h"
#include "ovfc/core/ov_message_loop.h"
#include "platform/kernel/clock.h"
#include "test_windows.h"

using namespace ovfc_test;

namespace {

class TestApp : public OvApp {
public:
    std::function<bool()> init = [] { return true; };
    std::function<bool(MSG*)> pre;
    std::vector<UINT> pre_seen;
    int exit_calls = 0;

    bool InitInstance() override { return init(); }
    bool PreTranslateMessage(MSG* msg) override
    {
        pre_seen.push_back(msg->message);
        return pre ? pre(msg) : false;
    }
    int ExitInstance() override
    {
        ++exit_calls;
        return OvApp::ExitInstance();
    }
};

using OvfcApp = PhoneTest;

TEST_F(OvfcApp, TheApplicationObjectIsFoundWhileItLives)
{
    EXPECT_EQ(OvGetApp(), nullptr);
    {
        TestApp app;
        EXPECT_EQ(OvGetApp(), &app);
        // Constructing it raised the font-smoothing contrast to the top of
        // the range.
        UINT contrast = 0;
        ASSERT_TRUE(SystemParametersInfoW(SPI_GETFONTSMOOTHINGCONTRAST, 0, &contrast, 0));
        EXPECT_EQ(contrast, 2200u);
    }
    EXPECT_EQ(OvGetApp(), nullptr);
}

TEST_F(OvfcApp, ExitCodes)
{
    // No application object: nothing runs.
    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), -1);

    {
        TestApp refusing;
        refusing.init = [] { return false; };
        EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), -1);
        EXPECT_EQ(refusing.exit_calls, 1) << "the exit hook runs even when start-up is refused";
        EXPECT_TRUE(refusing.pre_seen.empty()) << "no loop ran";
    }

    OvResetMessageLoopState();
    {
        // A normal exit through the M key: the window answers the shell and
        // the program ends with 0.
        TestApp app;
        RecorderWnd window;
        ShellStandIn shell;
        app.init = [&] {
            if (!window.Create(0, 0, 480, 720, nullptr, 0, WS_VISIBLE, 0)) return false;
            shell.click_mkey(window.GetHwnd());
            return true;
        };
        EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
        EXPECT_EQ(app.exit_calls, 1);
        EXPECT_EQ(shell.answers(), (std::vector<LPARAM> {OVMKEY_LEAVE}));
    }

    OvResetMessageLoopState();
    {
        TestApp app;
        app.init = [] {
            PostQuitMessage(-1);
            return true;
        };
        EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), -1) << "the WM_QUIT code passes through unchanged";
    }
}

TEST_F(OvfcApp, PreTranslateMessageConsumesButNeverKeepsTheLoopFromQuitting)
{
    TestApp app;
    RecorderWnd window;
    ASSERT_TRUE(window.Create(0, 0, 100, 100, nullptr, 0, 0, 0));
    window.messages.clear();
    app.pre = [](MSG* msg) { return msg->message == WM_USER + 1 || msg->message == WM_QUIT; };

    PostMessageW(window.GetHwnd(), WM_USER + 1, 0, 0);
    PostMessageW(window.GetHwnd(), WM_USER + 2, 0, 0);
    PostQuitMessage(7);
    EXPECT_EQ(app.Run(), 7) << "a consumed WM_QUIT still ends the loop with its code";
    EXPECT_EQ(app.pre_seen, (std::vector<UINT> {WM_USER + 1, WM_USER + 2, WM_QUIT}));
    EXPECT_EQ(window.messages, (std::vector<UINT> {WM_USER + 2})) << "a consumed message is never dispatched";
    EXPECT_TRUE(OvQuitFlag());
}

TEST_F(OvfcApp, OnceQuitIsSeenTheLoopDispatchesNothingMore)
{
    TestApp app;
    RecorderWnd window;
    ASSERT_TRUE(window.Create(0, 0, 100, 100, nullptr, 0, 0, 0));
    window.messages.clear();
    PostQuitMessage(3);
    EXPECT_EQ(app.Run(), 3);
    EXPECT_TRUE(window.messages.empty());

    // The flag stays set: a later loop leaves after its first message,
    // without dispatching it, and returns that message's wParam.
    PostMessageW(window.GetHwnd(), WM_USER, 9, 0);
    EXPECT_EQ(app.Run(), 9);
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(OvfcApp, DiscardFilterStatesAndTimeStamps)
{
    auto message = [](UINT id, DWORD time) {
        MSG msg {};
        msg.message = id;
        msg.time = time;
        return msg;
    };
    platform::clock::advance(1000);

    // Off: nothing is dropped.
    MSG down = message(WM_LBUTTONDOWN, 10);
    EXPECT_FALSE(FilterMouseMessage(&down));

    // Discarding everything: even mouse input newer than any end time.
    BeginMouseDiscard();
    for (UINT id : {UINT(WM_MOUSEMOVE), UINT(WM_LBUTTONDOWN), UINT(WM_LBUTTONUP), UINT(WM_MOUSELAST)}) {
        MSG msg = message(id, 5000);
        EXPECT_TRUE(FilterMouseMessage(&msg)) << std::hex << id;
    }
    for (UINT id : {UINT(WM_KEYDOWN), UINT(WM_CHAR), UINT(WM_TIMER), UINT(WM_MOUSELAST + 1)}) {
        MSG msg = message(id, 5000);
        EXPECT_FALSE(FilterMouseMessage(&msg)) << "only mouse messages are dropped: " << std::hex << id;
    }

    // Discarding until the time EndMouseDiscard read.
    EndMouseDiscard();
    MSG early = message(WM_LBUTTONDOWN, 999);
    EXPECT_TRUE(FilterMouseMessage(&early));
    EXPECT_TRUE(FilterMouseMessage(&early)) << "a dropped message does not end the discard";
    MSG on_time = message(WM_LBUTTONDOWN, 1000);
    EXPECT_FALSE(FilterMouseMessage(&on_time));
    // The kept message switched the filter off: older ones pass now.
    EXPECT_FALSE(FilterMouseMessage(&early));

    // Beginning again forgets the old end time.
    BeginMouseDiscard();
    MSG late = message(WM_LBUTTONUP, 100000);
    EXPECT_TRUE(FilterMouseMessage(&late));
}

TEST_F(OvfcApp, TapsMadeWhileAWindowInitialisesAreDropped)
{
    TestApp app;
    RecorderWnd window;
    window.on_init = [&] {
        // The user taps while the window sets itself up, which takes time.
        tap(10, 10);
        platform::clock::advance(50);
    };
    window.hook = [](UINT message, WPARAM, LPARAM lParam) {
        if (message == WM_LBUTTONUP && GET_X_LPARAM(lParam) == 20) PostQuitMessage(0);
        return false;
    };
    ASSERT_TRUE(window.Create(0, 0, 480, 720, nullptr, 0, WS_VISIBLE, 0));
    tap(20, 20);
    EXPECT_EQ(app.Run(), 0);
    std::vector<HandlerCall> presses;
    for (const HandlerCall& call : window.calls)
        if (call.name == "down" || call.name == "up") presses.push_back(call);
    EXPECT_EQ(presses, (std::vector<HandlerCall> {{"down", MK_LBUTTON, 20, 20}, {"up", 0, 20, 20}}));
}

TEST_F(OvfcApp, QuitRetrievedInAModalLoopEndsTheMainLoopAtOnce)
{
    TestApp app;
    RecorderWnd main_window;
    RecorderWnd dialog;
    bool posted_after_modal = false;
    main_window.hook = [&](UINT message, WPARAM, LPARAM) {
        if (message != WM_USER) return false;
        EXPECT_TRUE(dialog.Create(40, 40, 200, 200, main_window.GetHwnd(), 0, WS_POPUP, 0));
        PostMessageW(dialog.GetHwnd(), WM_USER + 1, 0, 0);
        dialog.DoModal(true);
        // Run must leave without retrieving this.
        posted_after_modal = PostMessageW(main_window.GetHwnd(), WM_USER + 2, 0, 0);
        return true;
    };
    dialog.hook = [](UINT message, WPARAM, LPARAM) {
        if (message == WM_USER + 1) PostQuitMessage(42);
        return false;
    };
    ASSERT_TRUE(main_window.Create(0, 0, 480, 720, nullptr, 0, WS_VISIBLE, 0));
    PostMessageW(main_window.GetHwnd(), WM_USER, 0, 0);
    EXPECT_EQ(app.Run(), 42);
    EXPECT_TRUE(posted_after_modal);
    EXPECT_EQ(std::count(main_window.messages.begin(), main_window.messages.end(), UINT(WM_USER + 2)), 0);
    EXPECT_TRUE(IsWindowEnabled(main_window.GetHwnd())) << "the parent is enabled again after the quit";
    EXPECT_FALSE(IsWindowVisible(dialog.GetHwnd()));
    MSG left;
    EXPECT_TRUE(PeekMessageW(&left, main_window.GetHwnd(), WM_USER + 2, WM_USER + 2, PM_NOREMOVE));
}

}  // namespace
