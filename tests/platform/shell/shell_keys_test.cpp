// The shell's side of the hardware keys and broadcasts, met by a small test
// program: the M-key question and both answers (one of them ending the
// program's loop), the power key, calls and SMS, the task bar tap, and the
// records programs write to the notification queue.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <msgqueue.h>
#include <windows.h>

#include "platform/kernel/clock.h"
#include "platform/shell/notification_reader.h"
#include "platform/shell/shell.h"
#include "platform/shell/shell_events.h"
#include "platform/shell/shell_keys.h"
#include "platform/user/host.h"

using namespace platform::shell;

namespace {

struct Received {
    HWND hwnd;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

std::vector<Received>& received()
{
    static std::vector<Received> messages;
    return messages;
}

// What the test program answers to the M key; below 0 it does not answer.
int& m_key_answer()
{
    static int answer = -1;
    return answer;
}

LRESULT CALLBACK program_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message >= 0xC000) received().push_back({hwnd, message, wparam, lparam});
    if (message == RegisterWindowMessageW(u"ShellNotifyMsg/ClickMKey") && m_key_answer() >= 0) {
        PostMessageW(reinterpret_cast<HWND>(lparam), 0xFFF00001u, 0, m_key_answer());
        // A program that leaves the front ends itself.
        if (m_key_answer() == 2) PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

void pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

class ShellKeysTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::user::shut_down_thread_windows();
        platform::clock::reset(platform::clock::Mode::virtual_time, 1000);
        received().clear();
        m_key_answer() = -1;
        set_event_listener([this](const ShellEvent& event) { events_.push_back(event.text); });
        ASSERT_TRUE(start_shell());
        task_bar_ = FindWindowW(u"CTaskBar", nullptr);
        ASSERT_NE(task_bar_, nullptr);
        WNDCLASSW description {};
        description.lpfnWndProc = program_procedure;
        description.lpszClassName = u"ShellKeysTestProgram";
        RegisterClassW(&description);
        pump();
    }
    void TearDown() override
    {
        stop_shell();
        set_event_listener(nullptr);
        platform::user::shut_down_thread_windows();
        UnregisterClassW(u"ShellKeysTestProgram", nullptr);
    }

    // A full-screen program in front that has hidden the task bar, as the
    // shaver does.
    HWND start_program()
    {
        HWND program = CreateWindowExW(0, u"ShellKeysTestProgram", nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 480, 720,
            nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(program);
        ShowWindow(task_bar_, SW_HIDE);
        pump();
        received().clear();
        return program;
    }

    std::vector<Received> received_by(HWND hwnd, const char16_t* name)
    {
        UINT message = RegisterWindowMessageW(name);
        std::vector<Received> matching;
        for (const auto& entry : received())
            if (entry.hwnd == hwnd && entry.message == message) matching.push_back(entry);
        return matching;
    }

    bool logged(const std::string& part) const
    {
        for (const auto& text : events_)
            if (text.find(part) != std::string::npos) return true;
        return false;
    }

    HWND task_bar_ = nullptr;
    std::vector<std::string> events_;
};

TEST_F(ShellKeysTest, AProgramThatLeavesOnTheMKeyEndsItsLoopWithExitCodeZero)
{
    HWND program = start_program();
    m_key_answer() = 2;
    ASSERT_TRUE(press_m_key());
    EXPECT_EQ(platform::user::run_until_quit(), 0);

    auto asked = received_by(program, u"ShellNotifyMsg/ClickMKey");
    ASSERT_EQ(asked.size(), 1u);
    char16_t answer_to[32] {};
    GetClassNameW(reinterpret_cast<HWND>(asked[0].lparam), answer_to, 32);
    EXPECT_EQ(std::u16string(answer_to), u"ShellKeys");

    // The answer was posted before the quit, so the shell took it first.
    EXPECT_TRUE(logged("answer 2, the program leaves the front"));
    EXPECT_EQ(shell_status().last_m_key_answer, 2);
    EXPECT_TRUE(IsWindowVisible(task_bar_)) << "the home screen comes back with its task bar";
}

TEST_F(ShellKeysTest, AProgramThatStaysKeepsTheFrontAndTheTaskBarStaysHidden)
{
    HWND program = start_program();
    m_key_answer() = 1;
    ASSERT_TRUE(press_m_key());
    pump();
    EXPECT_EQ(received_by(program, u"ShellNotifyMsg/ClickMKey").size(), 1u);
    EXPECT_TRUE(logged("answer 1, the program stays in front"));
    EXPECT_EQ(GetForegroundWindow(), program);
    EXPECT_FALSE(IsWindowVisible(task_bar_));

    // An answer the shell does not know changes nothing.
    PostMessageW(FindWindowW(u"ShellKeys", nullptr), 0xFFF00001u, 0, 7);
    pump();
    EXPECT_TRUE(logged("answer 7 not understood"));
    EXPECT_FALSE(IsWindowVisible(task_bar_));
}

TEST_F(ShellKeysTest, TheMKeyWithNoProgramInFrontAsksNobody)
{
    ASSERT_TRUE(press_m_key());
    pump();
    EXPECT_TRUE(logged("M key: no program in front"));
    EXPECT_TRUE(received().empty());
}

TEST_F(ShellKeysTest, PowerKeySendsLockOrShutDownToEveryTopLevelWindow)
{
    HWND program = start_program();
    // A pop-up the program owns, like its message box.
    HWND box = CreateWindowExW(
        0, u"ShellKeysTestProgram", nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 480, 720, program, nullptr, nullptr, nullptr);
    ASSERT_TRUE(press_power());
    pump();
    for (HWND hwnd : {program, box}) {
        auto locks = received_by(hwnd, u"ShellNotifyMsg/EntryLockphone");
        ASSERT_EQ(locks.size(), 1u);
        EXPECT_EQ(locks[0].wparam, 0u);
        EXPECT_EQ(locks[0].lparam, 0);
        EXPECT_TRUE(received_by(hwnd, u"ShellNotifyMsg/EntryShutDown").empty());
    }
    ASSERT_TRUE(press_power(PowerPress::long_press));
    pump();
    EXPECT_EQ(received_by(box, u"ShellNotifyMsg/EntryShutDown").size(), 1u);
    EXPECT_EQ(received_by(program, u"ShellNotifyMsg/EntryShutDown").size(), 1u);
}

TEST_F(ShellKeysTest, CallsAndMessagesAreBroadcastWhenTheyBeginAndEnd)
{
    HWND program = start_program();
    HWND other = CreateWindowExW(
        0, u"ShellKeysTestProgram", nullptr, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(signal_call(Phase::begins));
    pump();
    EXPECT_TRUE(shell_status().call_active);
    ASSERT_TRUE(signal_call(Phase::ends));
    ASSERT_TRUE(signal_sms(Phase::begins));
    pump();
    EXPECT_FALSE(shell_status().call_active);
    EXPECT_TRUE(shell_status().sms_active);
    ASSERT_TRUE(signal_sms(Phase::ends));
    pump();

    for (HWND hwnd : {program, other}) {
        auto calls = received_by(hwnd, u"CALL_MESSAGE");
        auto messages = received_by(hwnd, u"SMS_MESSAGE");
        ASSERT_EQ(calls.size(), 2u);
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_EQ(calls[0].wparam, 1u);
        EXPECT_EQ(calls[1].wparam, 2u);
        EXPECT_EQ(messages[0].wparam, 1u);
        EXPECT_EQ(messages[1].wparam, 2u);
    }
    EXPECT_TRUE(logged("call begins: CALL_MESSAGE"));
}

TEST_F(ShellKeysTest, TappingTheTaskBarTellsTheProgramInFront)
{
    HWND program = start_program();
    ShowWindow(task_bar_, SW_SHOWNOACTIVATE);
    pump();
    platform::user::inject_pointer(platform::user::PointerKind::down, 240, 10);
    platform::user::inject_pointer(platform::user::PointerKind::up, 240, 12);
    pump();
    auto taps = received_by(program, u"ShellNotifyMsg/ClickTaskbar");
    ASSERT_EQ(taps.size(), 1u);
    EXPECT_EQ(taps[0].lparam, reinterpret_cast<LPARAM>(task_bar_));
    EXPECT_EQ(GetForegroundWindow(), program) << "the task bar never takes the front";

    // A press that leaves the bar before it is released is no tap.
    platform::user::inject_pointer(platform::user::PointerKind::down, 240, 10);
    platform::user::inject_pointer(platform::user::PointerKind::move, 240, 400);
    platform::user::inject_pointer(platform::user::PointerKind::up, 240, 400);
    pump();
    EXPECT_EQ(received_by(program, u"ShellNotifyMsg/ClickTaskbar").size(), 1u);
}

TEST_F(ShellKeysTest, NotificationRecordsAreLoggedAndKeptUntilCleared)
{
    HWND program = start_program();
    MSGQUEUEOPTIONS options {20, MSGQUEUE_ALLOW_BROKEN, 16, 12, FALSE};
    HANDLE queue = CreateMsgQueue(u"QueueNameOfShellNotifyMessage", &options);
    ASSERT_NE(queue, nullptr);
    auto window = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(program));
    DWORD records[][3] {{1, window, 20}, {1, window, 1}, {2, window, 1}, {9, window, 5}};
    for (auto& record : records) ASSERT_TRUE(WriteMsgQueue(queue, record, 12, 0, 0));
    DWORD short_record[2] {1, window};
    ASSERT_TRUE(WriteMsgQueue(queue, short_record, 8, 0, 0));

    EXPECT_EQ(read_shell_notifications(), 5);
    EXPECT_EQ(active_notifications(), (std::vector<ShellNotification> {{window, 20}}));
    EXPECT_TRUE(logged("notification queue: set, window " + hex(window) + " code 20"));
    EXPECT_TRUE(logged("notification queue: clear, window " + hex(window) + " code 1"));
    EXPECT_TRUE(logged("unknown kind 9 ignored"));
    EXPECT_TRUE(logged("a record of 8 bytes ignored"));
    EXPECT_EQ(read_shell_notifications(), 0);

    // Records written before a key press are read before the shell acts on it.
    DWORD clear[3] {2, window, 20};
    ASSERT_TRUE(WriteMsgQueue(queue, clear, 12, 0, 0));
    events_.clear();
    ASSERT_TRUE(press_power());
    pump();
    ASSERT_GE(events_.size(), 2u);
    EXPECT_NE(events_[0].find("clear"), std::string::npos);
    EXPECT_NE(events_[1].find("power key"), std::string::npos);
    EXPECT_TRUE(active_notifications().empty());
    CloseMsgQueue(queue);
}

TEST_F(ShellKeysTest, KeysNeedARunningShell)
{
    stop_shell();
    EXPECT_FALSE(press_m_key());
    EXPECT_FALSE(press_power());
    EXPECT_FALSE(signal_call(Phase::begins));
    EXPECT_FALSE(signal_sms(Phase::ends));
    EXPECT_FALSE(shell_status().running);
    ASSERT_TRUE(start_shell());
    EXPECT_TRUE(shell_status().running);
    EXPECT_TRUE(press_m_key());
}

}  // namespace
