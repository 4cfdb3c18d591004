// Announcements on the shell's notification queue, read back by the shell's
// reader: the record layout, the null window, a full queue, and the queue's
// creation when several threads announce at once.
#include "services_fixture.h"

#include <algorithm>
#include <latch>
#include <thread>

#include <msgqueue.h>

#include "platform/msgqueue/queue_registry.h"
#include "platform/shell/notification_reader.h"
#include "platform/shell/shell.h"
#include "platform/shell/shell_events.h"
#include "services/shell_messages.h"
#include "services/shell_notify.h"

using namespace services_test;
using platform::shell::ShellNotification;

namespace {

constexpr const char16_t* queue_name = u"QueueNameOfShellNotifyMessage";

bool queue_exists()
{
    auto names = platform::msgqueue::queue_names();
    return std::find(names.begin(), names.end(), std::u16string(queue_name)) != names.end();
}

class ShellNotifyTest : public ServicesTest {
protected:
    void SetUp() override
    {
        ServicesTest::SetUp();
        platform::shell::set_event_listener([this](const platform::shell::ShellEvent& event) {
            if (event.text.rfind("notification queue:", 0) == 0) events_.push_back(event.text);
        });
    }
    void TearDown() override
    {
        platform::shell::set_event_listener(nullptr);
        ServicesTest::TearDown();
    }

    std::vector<std::string> events_;
};

// Runs first, so that in a whole-binary run it still sees the queue before
// the services made it (ctest runs every case in its own process anyway).
TEST_F(ShellNotifyTest, FirstAnnouncementsFromManyThreadsShareOneQueue)
{
    if (queue_exists()) GTEST_SKIP() << "an earlier case of this process already made the queue";
    HWND window = make_window();

    // Nobody reads yet: the queue is made by the first announcement and
    // keeps the records until the shell comes.
    // The threads start together, so that their first announcements meet.
    std::latch start(4);
    std::vector<std::thread> threads;
    for (DWORD thread = 0; thread < 4; ++thread)
        threads.emplace_back([=, &start] {
            start.arrive_and_wait();
            for (DWORD i = 0; i < 4; ++i) EXPECT_TRUE(ShellNotifySet(window, thread * 10 + i));
        });
    for (auto& thread : threads) thread.join();
    ASSERT_TRUE(queue_exists());

    MSGQUEUEOPTIONS options {sizeof(MSGQUEUEOPTIONS), MSGQUEUE_ALLOW_BROKEN, 16, 12, FALSE};
    HANDLE probe = CreateMsgQueue(queue_name, &options);
    ASSERT_NE(probe, nullptr);
    MSGQUEUEINFO info {};
    info.dwSize = sizeof info;
    ASSERT_TRUE(GetMsgQueueInfo(probe, &info));
    EXPECT_EQ(info.wNumWriters, 2u) << "the services hold one writer end, the probe the other";
    EXPECT_EQ(info.dwCurrentMessages, 16u);
    CloseMsgQueue(probe);

    ASSERT_TRUE(platform::shell::start_shell());
    EXPECT_EQ(platform::shell::read_shell_notifications(), 16);
    EXPECT_EQ(platform::shell::active_notifications().size(), 16u);
    EXPECT_EQ(events_.size(), 16u);
}

TEST_F(ShellNotifyTest, SetAndClearRecordsReachTheShell)
{
    start_shell();
    events_.clear();
    HWND window = make_window();
    DWORD number = handle_number(window);

    EXPECT_TRUE(ShellNotifySet(window, 20));
    EXPECT_TRUE(ShellNotifySet(window, 1));
    EXPECT_TRUE(ShellNotifyClear(window, 20));
    EXPECT_EQ(platform::shell::read_shell_notifications(), 3);
    EXPECT_EQ(platform::shell::active_notifications(), (std::vector<ShellNotification> {{number, 1}}));
    std::string subject = "window " + platform::shell::hex(number);
    std::vector<std::string> expected = {"notification queue: set, " + subject + " code 20",
        "notification queue: set, " + subject + " code 1", "notification queue: clear, " + subject + " code 20"};
    EXPECT_EQ(events_, expected);

    // ShellNotifyPost is what both use.
    EXPECT_TRUE(ShellNotifyPost(window, 2, FALSE));
    EXPECT_TRUE(ShellNotifyPost(window, 1, FALSE));
    EXPECT_EQ(platform::shell::read_shell_notifications(), 2);
    EXPECT_TRUE(platform::shell::active_notifications().empty());
}

TEST_F(ShellNotifyTest, NullWindowWritesNothing)
{
    start_shell();
    events_.clear();
    EXPECT_FALSE(ShellNotifySet(nullptr, 20));
    EXPECT_FALSE(ShellNotifyClear(nullptr, 20));
    EXPECT_EQ(platform::shell::read_shell_notifications(), 0);
    EXPECT_TRUE(events_.empty());
}

TEST_F(ShellNotifyTest, FullQueueReportsFailureUntilTheShellReads)
{
    start_shell();
    HWND window = make_window();
    for (DWORD code = 0; code < 16; ++code) ASSERT_TRUE(ShellNotifySet(window, code));
    EXPECT_FALSE(ShellNotifySet(window, 16));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_EQ(platform::shell::read_shell_notifications(), 16);
    EXPECT_TRUE(ShellNotifySet(window, 16));
    EXPECT_EQ(platform::shell::read_shell_notifications(), 1);
    EXPECT_EQ(platform::shell::active_notifications().size(), 17u);
    for (DWORD code = 0; code <= 16; ++code) ShellNotifyClear(window, code);
    platform::shell::read_shell_notifications();
}

TEST_F(ShellNotifyTest, ShellMessagesAreRegisteredOnceUnderTheirNames)
{
    UINT taskbar = GetClickTaskbarMessage();
    UINT lockphone = GetEntryLockphoneMessage();
    UINT shutdown = GetEntryShutDownMessage();
    EXPECT_EQ(taskbar, RegisterWindowMessageW(u"ShellNotifyMsg/ClickTaskbar"));
    EXPECT_EQ(lockphone, RegisterWindowMessageW(u"ShellNotifyMsg/EntryLockphone"));
    EXPECT_EQ(shutdown, RegisterWindowMessageW(u"ShellNotifyMsg/EntryShutDown"));
    EXPECT_NE(taskbar, lockphone);
    EXPECT_NE(lockphone, shutdown);
    EXPECT_EQ(GetClickTaskbarMessage(), taskbar);
}

}  // namespace
