// Hiding and showing the shell's task bar: nothing to do without a shell,
// a search that succeeds once and is kept, and a kept handle that does not
// follow a task bar the shell makes anew.
#include "services_fixture.h"

#include "platform/shell/shell.h"
#include "services/task_bar.h"

using namespace services_test;

namespace {

class TaskBarTest : public ServicesTest { };

// One case, since what it checks is the process-wide handle each function
// keeps from its first successful search.
TEST_F(TaskBarTest, HandlesAreFoundOnceAndKept)
{
    // No shell: nothing found, nothing kept, so the next calls search again.
    EXPECT_EQ(HideTaskBar(), 0);
    EXPECT_EQ(ShowTaskBar(), 0);

    start_shell();
    HWND task_bar = FindWindowW(u"CTaskBar", nullptr);
    ASSERT_NE(task_bar, nullptr);
    ASSERT_TRUE(IsWindowVisible(task_bar));

    // The ShowWindow results: visible before the first hide, hidden before
    // the second.
    EXPECT_NE(HideTaskBar(), 0);
    EXPECT_FALSE(IsWindowVisible(task_bar));
    EXPECT_EQ(HideTaskBar(), 0);
    EXPECT_FALSE(IsWindowVisible(task_bar));

    EXPECT_EQ(ShowTaskBar(), 0);
    EXPECT_TRUE(IsWindowVisible(task_bar));
    EXPECT_NE(HideTaskBar(), 0);
    EXPECT_FALSE(IsWindowVisible(task_bar));

    // The shell makes its task bar anew; the kept handles still name the
    // old one, which is gone, so the new task bar is neither hidden nor shown.
    platform::shell::stop_shell();
    start_shell();
    HWND new_task_bar = FindWindowW(u"CTaskBar", nullptr);
    ASSERT_NE(new_task_bar, nullptr);
    ASSERT_NE(new_task_bar, task_bar);
    EXPECT_EQ(HideTaskBar(), 0);
    EXPECT_TRUE(IsWindowVisible(new_task_bar));
    ShowWindow(new_task_bar, SW_HIDE);
    EXPECT_EQ(ShowTaskBar(), 0);
    EXPECT_FALSE(IsWindowVisible(new_task_bar));
}

}  // namespace
