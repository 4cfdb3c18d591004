// Named mutexes seen from other processes: children are forked, synchronised
// through pipes, and killed with SIGKILL to stand for a crashed program.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/include/synchapi.h"
#include "platform/include/winbase.h"
#include "tests/platform/files/temp_root.h"

namespace {

// A forked process that creates a named mutex, reports the error code it got
// through a pipe, and then holds the handle until it is killed or told to
// close it.
class MutexHolder {
public:
    // With a start pipe, the child creates the mutex only when the parent
    // closes the pipe's write end (every child closes its own copy).
    MutexHolder(const std::u16string& name, const int* start_pipe = nullptr)
    {
        int report[2], command[2];
        if (::pipe(report) != 0 || ::pipe(command) != 0) {
            ADD_FAILURE() << "pipe";
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(report[0]);
            ::close(command[1]);
            char byte = 0;
            if (start_pipe) {
                ::close(start_pipe[1]);
                (void)!::read(start_pipe[0], &byte, 1);
            }
            HANDLE mutex = CreateMutexW(nullptr, TRUE, name.c_str());
            DWORD error = mutex ? GetLastError() : 0xFFFFFFFFu;
            (void)!::write(report[1], &error, sizeof error);
            if (::read(command[0], &byte, 1) == 1) {
                CloseHandle(mutex);
                (void)!::write(report[1], &error, sizeof error);
            }
            ::pause();
            ::_exit(0);
        }
        ::close(report[1]);
        ::close(command[0]);
        report_ = report[0];
        command_ = command[1];
    }
    ~MutexHolder()
    {
        kill();
        if (report_ >= 0) ::close(report_);
        if (command_ >= 0) ::close(command_);
    }

    // The child's GetLastError after CreateMutexW.
    DWORD result()
    {
        DWORD error = 0xDEADu;
        EXPECT_EQ(::read(report_, &error, sizeof error), ssize_t(sizeof error));
        return error;
    }

    void close_handle()
    {
        char byte = 'c';
        ASSERT_EQ(::write(command_, &byte, 1), 1);
        result();
    }

    void kill()
    {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int report_ = -1;
    int command_ = -1;
};

class CrossProcessMutexTest : public ::testing::Test {
protected:
    TempDeviceRoot root;
};

TEST_F(CrossProcessMutexTest, ANameHeldByAKilledProcessIsFreeAgain)
{
    MutexHolder child(u"Velmor");
    ASSERT_EQ(child.result(), DWORD(ERROR_SUCCESS));

    HANDLE mutex = CreateMutexW(nullptr, TRUE, u"Velmor");
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    // Another process's ownership is not shared, but a joining process
    // must not be handed ownership either.
    EXPECT_FALSE(ReleaseMutex(mutex));
    CloseHandle(mutex);
    HANDLE opened = OpenMutexW(SYNCHRONIZE, FALSE, u"Velmor");
    EXPECT_NE(opened, nullptr);
    CloseHandle(opened);

    child.kill();
    mutex = CreateMutexW(nullptr, TRUE, u"Velmor");
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    EXPECT_TRUE(ReleaseMutex(mutex));

    // Now this process holds it: a new child sees it taken.
    MutexHolder second(u"Velmor");
    EXPECT_EQ(second.result(), DWORD(ERROR_ALREADY_EXISTS));
    CloseHandle(mutex);
}

TEST_F(CrossProcessMutexTest, ClosingTheLastHandleInAnotherProcessFreesTheName)
{
    MutexHolder child(u"Closed");
    ASSERT_EQ(child.result(), DWORD(ERROR_SUCCESS));
    EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, u"closed"), nullptr);  // names keep case
    child.close_handle();
    EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, u"Closed"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    HANDLE mutex = CreateMutexW(nullptr, FALSE, u"Closed");
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    CloseHandle(mutex);
}

TEST_F(CrossProcessMutexTest, ExactlyOneOfSeveralSimultaneousCreatorsCreates)
{
    for (int round = 0; round < 4; ++round) {
        int start[2];
        ASSERT_EQ(::pipe(start), 0);
        std::u16string name = u"race-" + std::u16string(1, char16_t(u'0' + round));
        std::vector<std::unique_ptr<MutexHolder>> children;
        for (int i = 0; i < 4; ++i) children.push_back(std::make_unique<MutexHolder>(name, start));
        ::close(start[0]);
        ::close(start[1]);  // every child's read returns at once
        int created = 0, joined = 0;
        for (auto& child : children) {
            DWORD result = child->result();
            created += result == ERROR_SUCCESS;
            joined += result == ERROR_ALREADY_EXISTS;
        }
        EXPECT_EQ(created, 1) << "round " << round;
        EXPECT_EQ(joined, 3) << "round " << round;
    }
}

}  // namespace
