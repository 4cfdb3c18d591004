#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "platform/include/fileapi.h"
#include "platform/include/synchapi.h"
#include "platform/include/winbase.h"
#include "platform/sync/name_lock.h"
#include "tests/platform/files/temp_root.h"

namespace fs = std::filesystem;

namespace {

class MutexTest : public ::testing::Test {
protected:
    TempDeviceRoot root;
};

TEST_F(MutexTest, OwnershipIsRecursiveAndPerThread)
{
    HANDLE mutex = CreateMutexW(nullptr, TRUE, nullptr);
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);  // owned twice now

    std::atomic<DWORD> other_result {0};
    std::thread([&] { other_result = WaitForSingleObject(mutex, 5); }).join();
    EXPECT_EQ(other_result.load(), WAIT_TIMEOUT);
    std::thread([&] { other_result = ReleaseMutex(mutex) ? ERROR_SUCCESS : GetLastError(); }).join();
    EXPECT_EQ(other_result.load(), DWORD(ERROR_NOT_OWNER));

    EXPECT_TRUE(ReleaseMutex(mutex));
    std::thread([&] { other_result = WaitForSingleObject(mutex, 0); }).join();
    EXPECT_EQ(other_result.load(), WAIT_TIMEOUT);  // still owned once
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_OWNER));

    // A waiting thread gets the mutex as soon as it is released.
    ASSERT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);
    std::atomic<bool> waiting {false};
    std::thread waiter([&] {
        waiting = true;
        other_result = WaitForSingleObject(mutex, INFINITE);
        ReleaseMutex(mutex);
    });
    while (!waiting) std::this_thread::yield();
    EXPECT_TRUE(ReleaseMutex(mutex));
    waiter.join();
    EXPECT_EQ(other_result.load(), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(mutex));
}

TEST_F(MutexTest, BadHandlesFailCleanly)
{
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(WaitForSingleObject(INVALID_HANDLE_VALUE, INFINITE), WAIT_FAILED);
    EXPECT_FALSE(ReleaseMutex(reinterpret_cast<HANDLE>(0x12345)));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    // A file is not something to wait for here.
    HANDLE file = CreateFileW(u"\\f", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WaitForSingleObject(file, 0), WAIT_FAILED);
    EXPECT_FALSE(ReleaseMutex(file));
    CloseHandle(file);
    EXPECT_EQ(CreateMutexW(nullptr, FALSE, std::u16string(MAX_PATH, u'n').c_str()), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILENAME_EXCED_RANGE));
}

TEST_F(MutexTest, ASecondCreateInTheProcessJoinsWithoutOwnership)
{
    HANDLE first = CreateMutexW(nullptr, TRUE, u"Velmor");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    HANDLE second = CreateMutexW(nullptr, TRUE, u"Velmor");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_NE(first, second);
    // Object names keep their case.
    HANDLE other = CreateMutexW(nullptr, FALSE, u"velmor");
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    CloseHandle(other);

    // The same mutex behind both handles: owned by this thread through the
    // first, so a second thread cannot take it through the second.
    DWORD other_result = 0;
    std::thread([&] { other_result = WaitForSingleObject(second, 0); }).join();
    EXPECT_EQ(other_result, WAIT_TIMEOUT);
    EXPECT_TRUE(ReleaseMutex(second));
    EXPECT_FALSE(ReleaseMutex(first));

    HANDLE opened = OpenMutexW(SYNCHRONIZE, FALSE, u"Velmor");
    EXPECT_NE(opened, nullptr);
    EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, u"Nobody"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));

    // The name lives while any handle does, and its lock file goes with it.
    CloseHandle(first);
    CloseHandle(opened);
    HANDLE third = CreateMutexW(nullptr, FALSE, u"Velmor");
    EXPECT_NE(third, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    CloseHandle(third);
    CloseHandle(second);
    HANDLE fresh = CreateMutexW(nullptr, FALSE, u"Velmor");
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    CloseHandle(fresh);
}

TEST_F(MutexTest, LastCloseFreesTheNameAndRemovesItsLockFile)
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, u"Single");
    ASSERT_NE(mutex, nullptr);
    fs::path lock_file =
        platform::files::runtime_folder() / "mutex" / platform::sync::NameLock::file_name_for(u"Single");
    EXPECT_TRUE(fs::exists(lock_file));
    CloseHandle(mutex);
    EXPECT_FALSE(fs::exists(lock_file));
    mutex = CreateMutexW(nullptr, TRUE, u"Single");
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    CloseHandle(mutex);
}

TEST(MutexNames, LockFileNamesAreSafeAndDistinct)
{
    using platform::sync::NameLock;
    std::u16string long_a(250, u'a');
    std::u16string long_b = long_a;
    long_b.back() = u'b';
    const std::u16string names[] = {u"Velmor", u"velmor", u"a/b", u"a\\b", u"..", u".", u"a%002Fb", u"设备", u"a b",
        long_a, long_b, std::u16string(250, u'/')};
    std::set<std::string> files;
    for (const auto& name : names) {
        std::string file = NameLock::file_name_for(name);
        EXPECT_EQ(file.find('/'), std::string::npos);
        EXPECT_NE(file[0], '.');
        EXPECT_LE(file.size(), 255u);
        files.insert(file);
    }
    EXPECT_EQ(files.size(), std::size(names));
}

TEST(MutexWithoutDeviceRoot, NamedMutexesStillWorkInTheProcess)
{
    // Only meaningful before any device root was set in this process;
    // GoogleTest runs each suite in order, so check and skip otherwise.
    if (!platform::files::device_root().empty()) GTEST_SKIP() << "a device root is already set";
    HANDLE first = CreateMutexW(nullptr, TRUE, u"Local");
    ASSERT_NE(first, nullptr);
    HANDLE second = CreateMutexW(nullptr, TRUE, u"Local");
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    CloseHandle(first);
    CloseHandle(second);
}

}  // namespace
