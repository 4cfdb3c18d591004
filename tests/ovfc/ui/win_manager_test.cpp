// The control manager's other rows: keys, characters and input methods to
// the focus control, clipboard and platform messages to the focus or the
// saved focus, timers to every control, deferred calls, commands and
// notifications to the host window; and the control-hosting window around
// it: activation, sizing, painting, and the window's own handlers after the
// controls.

#include "platform/kernel/clock.h"
#include "services/shell_messages.h"
#include "ui_host_fixture.h"

using namespace ovfc_test;

namespace {

using UiManager = UiHostTest;

TEST_F(UiManager, KeysAndInputMethodsGoToTheFocusControl)
{
    RecordingWin field(log, "field", 5, 0, 0, 100, 30);
    host.AddUiWin(&field);

    send(WM_KEYDOWN, 'A', 1);
    send(WM_CHAR, 'a', 1);
    EXPECT_EQ(take(), UiLog {}) << "nobody has the focus";

    field.SetFocus(TRUE);
    take();
    send(WM_KEYDOWN, 'A', 0x1E0001);
    send(WM_KEYUP, 'A', 0xC01E0001);
    send(WM_CHAR, 0x12345, 7);  // only the low word is a character
    send(WM_IME_STARTCOMPOSITION, 0, 0);
    send(WM_IME_COMPOSITION, 0x4E2D, 0x1800);
    send(WM_IME_ENDCOMPOSITION, 0, 0);
    send(0x825, 31, 32);
    send(0x826, 41, 42);
    EXPECT_EQ(take(),
        (UiLog {
            {"field.keydown", 'A', 0x1E0001},
            {"field.keyup", 'A', 0xC01E0001},
            {"field.char", 0x2345, 7},
            {"field.imestart"},
            {"field.ime", 0x1800},
            {"field.imeend"},
            {"field.825", 31, 0},
            {"field.826", 41, 0},
        }));
    EXPECT_EQ(manager.OnWMKeyDown('B', 0), 11) << "the focus control's result comes back";
    take();

    // A disabled manager takes no keys, but characters still pass.
    manager.SetEnabled(FALSE);
    send(WM_KEYDOWN, 'A', 0);
    send(WM_KEYUP, 'A', 0);
    send(WM_CHAR, 'a', 0);
    EXPECT_EQ(take(), (UiLog {{"field.char", 'a', 0}}));
}

TEST_F(UiManager, ClipboardAndPlatformMessagesReachTheFocusOrTheSavedFocus)
{
    RecordingWin field(log, "field", 5, 0, 0, 100, 30);
    RecordingWin other(log, "other", 6, 0, 100, 100, 30);
    host.AddUiWin(&field);
    host.AddUiWin(&other);
    UINT a4r8 = RegisterWindowMessageW(TEXT("WM_A4_R8"));

    send(WM_CUT, 0, 0);
    send(a4r8, 1, 2);
    EXPECT_EQ(take(), UiLog {});

    manager.SetSavedFocus(&field);
    send(WM_CUT, 0, 0);
    send(WM_COPY, 0, 0);
    send(WM_PASTE, 0, 0);
    send(a4r8, 3, 4);
    other.SetFocus(TRUE);
    take();
    send(WM_PASTE, 0, 0);
    send(a4r8, 5, 6);
    EXPECT_EQ(take(), (UiLog {{"other.paste"}, {"other.a4r8", 5, 6}}));

    // A tap on the task bar takes the focus away.
    send(GetClickTaskbarMessage(), 0, 0);
    EXPECT_EQ(manager.GetFocusWin(), nullptr);
    EXPECT_EQ(take(), (UiLog {{"other.killfocus", -1}}));
}

TEST_F(UiManager, SavedFocusTakesClipboardMessagesWhenNothingHasTheFocus)
{
    RecordingWin field(log, "field", 5, 0, 0, 100, 30);
    host.AddUiWin(&field);
    manager.SetSavedFocus(&field);
    send(WM_CUT, 0, 0);
    send(WM_COPY, 0, 0);
    send(WM_PASTE, 0, 0);
    send(RegisterWindowMessageW(TEXT("WM_A4_R8")), 3, 4);
    EXPECT_EQ(take(), (UiLog {{"field.cut"}, {"field.copy"}, {"field.paste"}, {"field.a4r8", 3, 4}}));
}

TEST_F(UiManager, TimersReachEveryControlHiddenOnesIncludedDepthFirst)
{
    RecordingWin first(log, "first", 1, 0, 0, 100, 100);
    RecordingWin inner(log, "inner", 2, 0, 0, 10, 10);
    RecordingWin second(log, "second", 3, 0, 200, 100, 100);
    first.AddChild(&inner);
    host.AddUiWin(&first);
    host.AddUiWin(&second);
    first.SetVisible(FALSE);
    host.log_window_mouse = true;

    send(WM_TIMER, 42, 0);
    EXPECT_EQ(take(), (UiLog {{"first.timer", 42}, {"inner.timer", 42}, {"second.timer", 42}, {"wnd.timer", 42}}));

    // A real window timer, through the queue.
    SetTimer(hwnd, 9, 10, nullptr);
    platform::clock::advance(10);
    pump();
    KillTimer(hwnd, 9);
    EXPECT_EQ(take(), (UiLog {{"first.timer", 9}, {"inner.timer", 9}, {"second.timer", 9}, {"wnd.timer", 9}}));

    // The long-press timer with nothing armed reaches no control.
    send(WM_TIMER, OVTIMER_HOLD, 0);
    EXPECT_EQ(take(), (UiLog {{"wnd.timer", OVTIMER_HOLD}}));
}

TEST_F(UiManager, DeferredCallsRunAfterTheCurrentMessage)
{
    RecordingWin caller(log, "caller", 1, 0, 0, 10, 10);
    RecordingWin target(log, "target", 2, 0, 20, 10, 10);
    host.AddUiWin(&caller);
    host.AddUiWin(&target);

    caller.PostCall(&target, 77);
    caller.PostCall(nullptr, 78);
    EXPECT_EQ(take(), UiLog {});
    pump();
    EXPECT_EQ(take(), (UiLog {{"target.postedcall", 77}}));

    // Only calls that were posted through a manager run: a stray message
    // with a control's address does nothing.
    PostMessageW(hwnd, OVWM_POSTED_CALL, reinterpret_cast<WPARAM>(&target), 79);
    pump();
    EXPECT_EQ(take(), UiLog {});

    // Posted twice, run twice.
    target.PostCall(&target, 1);
    target.PostCall(&target, 2);
    pump();
    EXPECT_EQ(take(), (UiLog {{"target.postedcall", 1}, {"target.postedcall", 2}}));
}

TEST_F(UiManager, CommandsAndNotificationsReachTheHostWindow)
{
    RecordingWin button(log, "button", 0x10007, 0, 0, 10, 10);
    host.AddUiWin(&button);

    button.PostCommand(button.GetID(), 5, 0x00140003);
    EXPECT_EQ(take(), UiLog {}) << "commands are posted";
    pump();
    EXPECT_EQ(take(), (UiLog {{"command", 0x50007, 0x00140003}}));

    button.PostNotify(0xFFF10077u, 1, 2);
    EXPECT_EQ(button.SendNotify(0xFFF10078u, 3, 4), 0);
    pump();
    EXPECT_EQ(take(), (UiLog {{"msg", 0xFFF10078u, 3, 4}, {"msg", 0xFFF10077u, 1, 2}}));
    EXPECT_EQ(button.GetHostWindow(), hwnd);
}

TEST_F(UiManager, ActivationMovesTheFocusAwayAndBack)
{
    RecordingWin field(log, "field", 5, 0, 0, 100, 30);
    host.AddUiWin(&field);
    field.SetFocus(TRUE);
    pump();
    take();

    // Deactivated: the focus is put aside.
    send(OVWM_ACTIVATE_BROADCAST, WA_INACTIVE, 0);
    EXPECT_EQ(manager.GetFocusWin(), nullptr);
    EXPECT_EQ(manager.GetSavedFocus(), &field);
    // Activated by a click: nothing.
    send(OVWM_ACTIVATE_BROADCAST, WA_CLICKACTIVE, 0);
    EXPECT_EQ(manager.GetFocusWin(), nullptr);
    // Activated: the saved control gets it back.
    send(OVWM_ACTIVATE_BROADCAST, MAKEWPARAM(WA_ACTIVE, 1), 0);
    EXPECT_EQ(manager.GetFocusWin(), &field);
    // Activated again while it has it: it only hears OnSetFocus.
    send(OVWM_ACTIVATE_BROADCAST, WA_ACTIVE, 0);
    pump();
    EXPECT_EQ(take(),
        (UiLog {
            {"field.killfocus", -1},
            {"field.setfocus", -1},
            {"field.setfocus", -1},
            {"msg", OVWM_FOCUS_CHANGED, 0, 5},
            {"msg", OVWM_FOCUS_CHANGED, 5, 0},
        }));
    EXPECT_EQ(send(OVWM_ACTIVATE_BROADCAST, WA_CLICKACTIVE, 0), 0);

    // The broadcast that WM_ACTIVATE posts arrives the same way.
    send(WM_ACTIVATE, WA_INACTIVE, 0);
    pump();
    EXPECT_EQ(manager.GetSavedFocus(), &field);
    EXPECT_EQ(manager.GetFocusWin(), nullptr);
}

TEST_F(UiManager, HostWindowSizesTheManagerAndSeesMessagesAfterIt)
{
    EXPECT_EQ(manager.GetHostWindow(), hwnd);
    EXPECT_EQ(manager.GetWidth(), 480);
    EXPECT_EQ(manager.GetHeight(), 720);
    send(WM_SIZE, 0, MAKELPARAM(300, 200));
    EXPECT_EQ(manager.GetWidth(), 300);
    EXPECT_EQ(manager.GetHeight(), 200);
    EXPECT_EQ(manager.GetX(), 0);

    RecordingWin control(log, "control", 1, 0, 0, 50, 50);
    host.AddUiWin(&control);
    host.log_window_mouse = true;
    down(10, 10);
    up(10, 10);
    EXPECT_EQ(take(),
        (UiLog {
            {"control.down", MK_LBUTTON, 10, 10},
            {"wnd.down", MK_LBUTTON, 10, 10},
            {"control.up", 0, 10, 10},
            {"wnd.up", 0, 10, 10},
        }));

    // A manager that has not been given its window yet does nothing outside.
    UiLog other_log;
    RecordingHost unborn(other_log);
    RecordingWin orphan(other_log, "orphan", 2, 0, 0, 10, 10);
    unborn.AddUiWin(&orphan);
    orphan.PostCommand(1, 1, 1);
    orphan.PostCall(&orphan, 3);
    orphan.SetFocus(TRUE);
    EXPECT_EQ(orphan.GetHostWindow(), nullptr);
    pump();
    EXPECT_EQ(other_log, (UiLog {{"orphan.setfocus", -1}}));
}

}  // namespace
